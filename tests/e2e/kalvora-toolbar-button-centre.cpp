// Prints where on the screen the centre of a toolbar button of the main
// window lies, as "X Y", by building the same window the program builds
// and starting it up the same way, on the same display.
//
//   kalvora-toolbar-button-centre INDEX     (1-based, separators counted)

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QToolBar>
#include <QtCore/qresource.h>
#include <cstdio>
#include <optional>

#include "app/MainWindow.h"
#include "app/QtServices.h"

namespace {

constexpr int kExposeTimeoutMs = 10000;

// The button's centre in screen coordinates, or nothing when the toolbar or
// the button is missing.
std::optional<QPoint> buttonCentre(const kalvora::MainWindow& window, int index)
{
    const auto* toolbar = window.findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    if (!toolbar || index < 1 || index > toolbar->actions().size()) return std::nullopt;
    const QWidget* button = toolbar->widgetForAction(toolbar->actions().at(index - 1));
    if (!button || !button->isVisible()) return std::nullopt;
    return button->mapToGlobal(button->rect().center());
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int index = argc == 2 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    if (index < 1) {
        std::fprintf(stderr, "usage: kalvora-toolbar-button-centre INDEX\n");
        return 64;
    }
    Q_INIT_RESOURCE(kalvora);
    QApplication::setApplicationName("Kalvora");
    kalvora::MainWindow window;
    const kalvora::QtServices services(&window);
    window.MDIForm_Load();
    if (!QTest::qWaitForWindowExposed(&window, kExposeTimeoutMs)) {
        std::fprintf(stderr, "the main window was not shown\n");
        return 1;
    }
    const std::optional<QPoint> centre = buttonCentre(window, index);
    if (!centre) {
        std::fprintf(stderr, "no button %d on Toolbar1\n", index);
        return 1;
    }
    std::printf("%d %d\n", centre->x(), centre->y());
    return 0;
}
