#include "app/MainToolbar.h"

#include <QAction>
#include <QIcon>

#include "app/DisplayWindow.h"
#include "app/MainMenus.h"
#include "app/MainWindow.h"

namespace kalvora {

namespace {

constexpr int kIconSize = 24;
// The buttons of New, Open, Save and Copy to Clipboard.
constexpr int kRunBoundButtons[] = {1, 2, 3, 6};

}  // namespace

MainToolbar::MainToolbar(MainWindow& window, MainMenus& menus) : QToolBar(&window), m_window(window), m_menus(menus)
{
    setObjectName(QStringLiteral("Toolbar1"));
    setMovable(false);
    setFloatable(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(kIconSize, kIconSize));
    addButton("new", tr("New File (Ctrl-N)"));
    addButton("open", tr("Open File (Ctrl-O)"));
    addButton("save", tr("Save File (Ctrl-S)"));
    addSeparator();
    addButton("update", tr("Update Image"));
    addButton("copy", tr("Copy to Clipboard (Ctrl-C)"));
    addButton("tiles", tr("Show Tiles (Ctrl-T)"));
    addSeparator();
    addButton("zoomout", tr("Zoom Out (F7)"));
    addButton("zoomin", tr("Zoom In (F8)"));
    addButton("nozoom", tr("No Zoom (F6)"));
    addButton("resetzoom", tr("Reset Zoom"));
    addSeparator();
    addButton("help", tr("Help (F1)"));
    addButton("info", tr("Info"));
}

std::vector<QAction*> MainToolbar::runBoundButtons() const
{
    std::vector<QAction*> buttons;
    for (int index : kRunBoundButtons) buttons.push_back(actions().at(index - 1));
    return buttons;
}

void MainToolbar::addButton(const char* icon, const QString& toolTip)
{
    QAction* button = addAction(QIcon(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(icon))), toolTip);
    button->setToolTip(toolTip);
    const int index = static_cast<int>(actions().size());
    connect(button, &QAction::triggered, this, [this, index] { Toolbar1_ButtonClick(index); });
}

void MainToolbar::Toolbar1_ButtonClick(int Index)
{
    switch (Index) {
    case 1: m_window.NewFileMenu_Click(); break;
    case 2: m_window.OpenFileMenu_Click(); break;
    case 3: m_window.SaveFileMenu_Click(); break;
    case 5: m_window.displayWindow().UpdateCancel(); break;
    case 6: m_menus.CopyToClipboardMenu_Click(); break;
    case 7: m_menus.ShowTilesMenu_Click(); break;
    case 9: m_menus.ZoomOutMenu_Click(); break;
    case 10: m_menus.ZoomInMenu_Click(); break;
    case 11: m_menus.NoZoomMenu_Click(); break;
    case 12: m_menus.OptimalViewMenu_Click(); break;
    case 14: m_menus.ViewHelpMenu_Click(); break;
    case 15: m_menus.ViewInfoMenu_Click(); break;
    default: break;
    }
}

}  // namespace kalvora
