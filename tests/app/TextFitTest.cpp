// Every window and dialog, shown as a user meets it, holds its texts whole
// with the system's default font at 96 dpi, without overlapping controls.

#include <QApplication>
#include <QFontInfo>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "AppTestSupport.h"
#include "app/TextureOptions.h"
#include "engine/BrickDefaults.h"
#include "engine/BrickLayout.h"
#include "engine/TextureOptionsModel.h"
#include "tests/support/MenuClicks.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "tests/support/TextFitChecker.h"

namespace kalvora {
namespace {

using testing::ModalDialogAnswerer;

// Every fault found, each line naming its window; `settle` lets pending
// layouts run first, as they do before the user sees the window.
struct Faults {
    std::string lines;

    void check(const QString& where, QWidget* window, bool settle = true)
    {
        if (settle) QCoreApplication::processEvents();
        for (const std::string& fault : testing::textFitFaults(window))
            lines += where.toStdString() + ": " + fault + "\n";
    }

    void checkPages(const QString& where, QWidget* window, QTabWidget* tabs)
    {
        for (int page = 0; page < tabs->count(); ++page) {
            testing::clickTab(tabs, page);
            check(where + QStringLiteral(" page ") + tabs->tabText(page), window);
        }
    }

    // A modal dialog's answer: every page of its tab control, then its Cancel.
    ModalDialogAnswerer::Answer lookAndCancel(const QString& where)
    {
        return [this, where](QWidget* d) {
            if (auto* tabs = d->findChild<QTabWidget*>())
                checkPages(where, d, tabs);
            else
                check(where, d);
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("CancelButton")), Qt::LeftButton);
        };
    }
};

QWidget* shownWindow(const char* name)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String(name) && top->isVisible()) return top;
    return nullptr;
}

TEST(TextFit, TheTestsSeeTheSystemsDefaultFontAt96Dpi)
{
    EXPECT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96);
    const QFontInfo font(QApplication::font());
    EXPECT_EQ(font.pointSize(), 9);
    EXPECT_EQ(font.family(), QStringLiteral("DejaVu Sans"));
}

TEST(TextFit, SplashWhileLoadingMainWindowAndPanelsDownTo800By600)
{
    Faults faults;
    testing::ScopedFakeServices services;
    MainWindow window;
    // The splash changes its texts while the event queue does not run.
    window.setSplashPause([&](int) { faults.check(QStringLiteral("SplashScreen"), shownWindow("SplashScreen"), false); });
    window.MDIForm_Load();
    faults.check(QStringLiteral("SplashScreen done"), shownWindow("SplashScreen"));
    for (const QSize size : {window.size(), QSize(800, 600), QSize(1280, 1024)}) {
        window.resize(size);
        ASSERT_EQ(window.size(), size);
        const QString where = QStringLiteral("MainWindow %1x%2").arg(size.width()).arg(size.height());
        faults.checkPages(where, &window, window.optionsWindow().OptionsTab1);
        faults.checkPages(where, &window, testing::DisplayControls(window.displayWindow()).DisplayTab1);
    }
    EXPECT_EQ(faults.lines, "");
    // Where the panel is tall enough, no settings page scrolls.
    QTabWidget* pages = window.optionsWindow().OptionsTab1;
    for (int page = 0; page < pages->count(); ++page) {
        testing::clickTab(pages, page);
        QScrollBar* bar = qobject_cast<QScrollArea*>(pages->currentWidget())->verticalScrollBar();
        EXPECT_TRUE(QTest::qWaitFor([bar] { return !bar->isVisible(); }, 2000)) << page;
    }
}

TEST(TextFit, AboutBoxTextureOptionsImageDialogsEditorAndToolDialogs)
{
    Faults faults;
    testing::AppFixture f;
    testing::clickMenuPath(f.window.menuBar(), {"HelpMenu", "ViewInfoMenu"});
    ASSERT_NE(shownWindow("InfoDialog"), nullptr);
    faults.check(QStringLiteral("InfoDialog"), shownWindow("InfoDialog"));

    TextureOptionsModel model;
    cBrickData project;
    BrickDefaults::reset(project);
    for (const int32_t style : {int32_t{LeftBorder}, int32_t{ArchTexture}, int32_t{ColumnTexture}}) {
        ModalDialogAnswerer answer(QStringLiteral("TextureOptions"),
                                   faults.lookAndCancel(QStringLiteral("TextureOptions %1").arg(style)));
        TextureOptions::instance().ShowDialog(model, project, style, nullptr);
    }

    OptionsWindow& options = f.window.optionsWindow();
    for (const auto& [page, dialog, button] : {std::tuple{3, "BrickFilesDialog", "BrickFilesButton"},
                                              std::tuple{4, "MortarFileDialog", "MortarFileButton"}}) {
        testing::clickTab(options.OptionsTab1, page);
        ModalDialogAnswerer answer(QString::fromLatin1(dialog), faults.lookAndCancel(QString::fromLatin1(dialog)));
        QTest::mouseClick(options.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    }

    f.preview.SetBitmap(testing::brickImage(64, 48, 0xFF8090A0u)->Bitmap);
    ModalDialogAnswerer editor(QStringLiteral("PreviewDialog"), [&](QWidget* d) {
        faults.check(QStringLiteral("PreviewDialog"), d);
        auto* bar = d->findChild<QMenuBar*>(QStringLiteral("MenuBar"));
        for (const auto& [dialog, menu, entry] : {std::tuple{"ResizeImageWindow", "ImageMenu", "ResizeImage"},
                                                 std::tuple{"ImageFilterWindow", "ColorFilterMenu", "FilterContrast"},
                                                 std::tuple{"TextureFilterWindow", "TextureFilterMenu",
                                                            "FilterSeamlessTexture"}}) {
            ModalDialogAnswerer tool(QString::fromLatin1(dialog), faults.lookAndCancel(QString::fromLatin1(dialog)));
            testing::clickMenuPath(bar, {menu, entry});
        }
        testing::clickMenuPath(bar, {"FileMenu", "CloseFile"});
    });
    testing::clickMenuPath(f.window.menuBar(), {"EditMenu", "EditImageMenu"});
    EXPECT_TRUE(editor.answered());
    EXPECT_EQ(faults.lines, "");
}

}  // namespace
}  // namespace kalvora
