// Every window and dialog of the program, shown as a user meets it, holds
// its texts whole with the system's default font at 96 dpi, and none of its
// controls overlap: the main window and its panels down to 800 x 600, the
// splash while it counts, the about box, the texture options, the brick and
// mortar dialogs, and the editor with its tool dialogs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <string>
#include <vector>

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
using testing::TextFitChecker;

// The faults of every window looked at, each line naming its window.
struct Faults {
    std::vector<std::string> lines;

    void check(const QString& where, QWidget* window)
    {
        // Pending layouts settle first, as they do before the user sees the window.
        QCoreApplication::processEvents();
        for (const std::string& fault : TextFitChecker::faults(window))
            lines.push_back(where.toStdString() + ": " + fault);
    }

    // Each page of the tab control in turn, chosen with the mouse.
    void checkPages(const QString& where, QWidget* window, QTabWidget* tabs)
    {
        for (int page = 0; page < tabs->count(); ++page) {
            testing::clickTab(tabs, page);
            check(where + QStringLiteral(" page ") + tabs->tabText(page), window);
        }
    }

    std::string report() const
    {
        std::string all;
        for (const std::string& line : lines) all += line + "\n";
        return all;
    }
};

// A dialog answer that looks at the dialog, then leaves it with its button.
ModalDialogAnswerer::Answer lookAndLeave(Faults& faults, const QString& where, const char* leave)
{
    return [&faults, where, leave](QWidget* d) {
        faults.check(where, d);
        QTest::mouseClick(d->findChild<QPushButton*>(QLatin1String(leave)), Qt::LeftButton);
    };
}

TEST(TextFit, TheTestsSeeTheSystemsDefaultFontAt96Dpi)
{
    // The checks below are meaningful only with the metrics a user gets.
    EXPECT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96);
    const QFontInfo font(QApplication::font());
    EXPECT_EQ(font.pointSize(), 9);
    EXPECT_EQ(font.family(), QStringLiteral("DejaVu Sans"));
}

TEST(TextFit, SplashMainWindowAndPanels)
{
    Faults faults;
    testing::ScopedFakeServices services;
    MainWindow window;
    // At each pause of the loading the splash shows what it shows then.
    window.setSplashPause([&](int) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QStringLiteral("SplashScreen") && top->isVisible())
                for (const std::string& fault : TextFitChecker::faults(top))
                    faults.lines.push_back("SplashScreen while loading: " + fault);
    });
    window.MDIForm_Load();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("SplashScreen") && top->isVisible())
            faults.check(QStringLiteral("SplashScreen when done"), top);

    for (const QSize size : {window.size(), QSize(800, 600), QSize(1280, 1024)}) {
        window.resize(size);
        ASSERT_EQ(window.size(), size);
        const QString where = QStringLiteral("MainWindow %1x%2").arg(size.width()).arg(size.height());
        faults.checkPages(where, &window, window.optionsWindow().OptionsTab1);
        faults.checkPages(where, &window, window.displayWindow().DisplayTab1);
    }
    // Where the panel is tall enough, the settings pages show whole without scrolling.
    QTabWidget* pages = window.optionsWindow().OptionsTab1;
    for (int page = 0; page < pages->count(); ++page) {
        testing::clickTab(pages, page);
        auto* area = qobject_cast<QScrollArea*>(pages->currentWidget());
        ASSERT_NE(area, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([area] { return !area->verticalScrollBar()->isVisible(); }, 2000)) << pages->tabText(page).toStdString();
    }
    EXPECT_TRUE(faults.lines.empty()) << faults.report();
}

TEST(TextFit, AboutBoxTextureOptionsAndImageDialogs)
{
    Faults faults;
    testing::AppFixture f;
    f.window.activateWindow();
    testing::clickMenuPath(f.window.menuBar(), {"HelpMenu", "ViewInfoMenu"});
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("InfoDialog") && top->isVisible())
            faults.check(QStringLiteral("InfoDialog"), top);

    TextureOptionsModel model;
    cBrickData project;
    BrickDefaults::reset(project);
    for (const int32_t style : {static_cast<int32_t>(LeftBorder), static_cast<int32_t>(ArchTexture),
                                static_cast<int32_t>(ColumnTexture)}) {
        ModalDialogAnswerer answer(QStringLiteral("TextureOptions"),
                                   lookAndLeave(faults, QStringLiteral("TextureOptions %1").arg(style), "CancelButton"));
        TextureOptions::instance().ShowDialog(model, project, style, nullptr);
    }

    OptionsWindow& options = f.window.optionsWindow();
    testing::clickTab(options.OptionsTab1, 3);
    ModalDialogAnswerer files(QStringLiteral("BrickFilesDialog"),
                              lookAndLeave(faults, QStringLiteral("BrickFilesDialog"), "CancelButton"));
    QTest::mouseClick(options.findChild<QPushButton*>(QStringLiteral("BrickFilesButton")), Qt::LeftButton);
    testing::clickTab(options.OptionsTab1, 4);
    ModalDialogAnswerer mortar(QStringLiteral("MortarFileDialog"),
                               lookAndLeave(faults, QStringLiteral("MortarFileDialog"), "CancelButton"));
    QTest::mouseClick(options.findChild<QPushButton*>(QStringLiteral("MortarFileButton")), Qt::LeftButton);
    EXPECT_TRUE(files.answered() && mortar.answered());
    EXPECT_TRUE(faults.lines.empty()) << faults.report();
}

TEST(TextFit, EditorAndItsToolDialogs)
{
    Faults faults;
    testing::AppFixture f;
    f.preview.SetBitmap(testing::brickImage(64, 48, 0xFF8090A0u)->Bitmap);
    auto lookAtPages = [&faults](const QString& where) {
        return [&faults, where](QWidget* d) {
            faults.checkPages(where, d, d->findChild<QTabWidget*>());
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("CancelButton")), Qt::LeftButton);
        };
    };
    ModalDialogAnswerer editor(QStringLiteral("PreviewDialog"), [&](QWidget* d) {
        faults.check(QStringLiteral("PreviewDialog"), d);
        auto* bar = d->findChild<QMenuBar*>(QStringLiteral("MenuBar"));
        ModalDialogAnswerer resize(QStringLiteral("ResizeImageWindow"), lookAtPages(QStringLiteral("ResizeImageWindow")));
        testing::clickMenuPath(bar, {"ImageMenu", "ResizeImage"});
        ModalDialogAnswerer image(QStringLiteral("ImageFilterWindow"), lookAtPages(QStringLiteral("ImageFilterWindow")));
        testing::clickMenuPath(bar, {"ColorFilterMenu", "FilterContrast"});
        ModalDialogAnswerer texture(QStringLiteral("TextureFilterWindow"),
                                    lookAtPages(QStringLiteral("TextureFilterWindow")));
        testing::clickMenuPath(bar, {"TextureFilterMenu", "FilterSeamlessTexture"});
        testing::clickMenuPath(bar, {"FileMenu", "CloseFile"});
    });
    f.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &f.window; }, 5000));
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &f.window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(editor.answered());
    EXPECT_TRUE(faults.lines.empty()) << faults.report();
}

}  // namespace
}  // namespace kalvora
