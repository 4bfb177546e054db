// The main window's start-up, its docking of the three children and the
// ways it closes, driven as a user drives them.

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSlider>
#include <QToolButton>

#include "AppTestSupport.h"
#include "app/ChildWindowFrame.h"
#include "app/TextureOptions.h"
#include "uicore/ChildWindowDocking.h"

namespace kalvora {
namespace {

using testing::AppFixture;

TEST(MainWindowStartUp, ShowsTheDefaultProjectAndTheIdlePanel)
{
    AppFixture f;
    MainWindow& w = f.window;
    EXPECT_EQ(w.windowTitle(), "Kalvora");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.ExitApplicationFlag);
    EXPECT_FALSE(w.HasChangedFlag);
    EXPECT_TRUE(w.CurrentFile.isEmpty());
    EXPECT_TRUE(w.CurrentDirectory.isEmpty());
    EXPECT_FALSE(w.isRunning());
    EXPECT_EQ(w.frameGeometry(), w.screen()->availableGeometry());

    testing::DisplayControls& d = f.display;
    EXPECT_EQ(d.window.windowTitle(), "Display Settings");
    EXPECT_EQ(d.DisplayTab1->currentIndex(), 1);
    EXPECT_EQ(d.DisplayTab1->tabText(1), "Final Image");
    EXPECT_EQ(d.PreviewQualityCombo->currentIndex(), 0);
    EXPECT_EQ(d.TextureTypeCombo->currentIndex(), 0);
    EXPECT_EQ(d.TextureTypeCombo->currentText(), "Seamless Texture");
    EXPECT_EQ(d.UpdateButton->text(), "&Update");
    EXPECT_TRUE(d.TextureTypeCombo->isVisible());
    EXPECT_FALSE(d.ProgressBar->isVisible());
    EXPECT_TRUE(d.ProgressLabel->isVisible());
    EXPECT_TRUE(d.ProgressLabel->text().isEmpty());
    // The project's defaults reached the controls.
    EXPECT_EQ(d.OutWidthSlider->value(), 1024);
    EXPECT_EQ(d.OutHeightText->text(), "1024");
    EXPECT_EQ(d.PreviewWidthText->text(), "512");
    EXPECT_TRUE(d.AspectRatioCheck->isChecked());
    EXPECT_EQ(d.window.AspectRatio(), 1.0f);
    EXPECT_EQ(w.optionsWindow().OptionsTab1->currentIndex(), 0);
    EXPECT_EQ(w.optionsWindow().windowTitle(), "Options");
    EXPECT_EQ(f.preview.windowTitle(), "Preview");

    // A copy of the controls finds nothing changed.
    w.UpdateBrickData();
    EXPECT_FALSE(w.HasChangedFlag);
}

TEST(MainWindowStartUp, LoadsTwelveWindowsWithAStepAfterEach)
{
    testing::ScopedFakeServices services;
    MainWindow w;
    int steps = 0;
    int outputPanelLoadedAt = 0;
    w.LoadWindows([&] {
        ++steps;
        if (!outputPanelLoadedAt && w.displayWindow().findChild<QTabWidget*>("DisplayTab1")->currentIndex() == 1) outputPanelLoadedAt = steps;
    });
    EXPECT_EQ(steps, 12);
    EXPECT_EQ(outputPanelLoadedAt, 11);
    EXPECT_EQ(TextureOptions::instance().objectName(), "TextureOptions");
}

// The frames of the three children.
struct Frames {
    QWidget* preview;
    QWidget* output;
    QWidget* settings;
};

Frames framesOf(MainWindow& w)
{
    return {w.findChild<ChildWindowFrame*>("PreviewWindowFrame"), w.findChild<ChildWindowFrame*>("DisplayWindowFrame"),
            w.findChild<ChildWindowFrame*>("OptionsWindowFrame")};
}

QRect pixels(const ChildWindowDocking::Placement& p) { return QRect(p.x, p.y, p.width, p.height); }

void expectDockedAsComputed(MainWindow& w)
{
    const QWidget* client = w.centralWidget();
    const ChildWindowDocking docking(96);
    const ChildWindowDocking::Children c =
        docking.ArrangeChildWindows(docking.toTwips(client->width()), docking.toTwips(client->height()));
    const Frames f = framesOf(w);
    EXPECT_EQ(f.settings->geometry(), pixels(c.settingsPanel));
    EXPECT_EQ(f.output->geometry(), pixels(c.outputPanel));
    EXPECT_EQ(f.preview->geometry(), pixels(c.preview));
}

TEST(MainWindowDocking, ChildrenFollowTheFrame)
{
    AppFixture f;
    MainWindow& w = f.window;
    ASSERT_EQ(w.logicalDpiX(), 96);
    const Frames frames = framesOf(w);
    for (QWidget* frame : {frames.preview, frames.output, frames.settings}) EXPECT_TRUE(frame->isVisible());
    expectDockedAsComputed(w);
    // Along the bottom 3240 twips (216 pixels), along the right 3345 (223).
    const QWidget* client = w.centralWidget();
    EXPECT_EQ(frames.settings->geometry(), QRect(0, client->height() - 216, client->width(), 216));
    EXPECT_EQ(frames.output->geometry(), QRect(client->width() - 223, 0, 223, client->height() - 216));
    EXPECT_EQ(frames.preview->geometry(), QRect(0, 0, client->width() - 223, client->height() - 216));

    // Small: the settings panel keeps 11385 twips (759 pixels) of width and
    // the output panel 3400 twips (227 pixels) of height.
    w.resize(500, 300);
    expectDockedAsComputed(w);
    EXPECT_EQ(frames.settings->width(), 759);
    EXPECT_EQ(frames.output->height(), 227);
    EXPECT_EQ(frames.preview->width(), 500 - 223);

    // Smaller than the panels: the preview shrinks to nothing, never below.
    w.resize(150, 150);
    expectDockedAsComputed(w);
    EXPECT_EQ(frames.preview->size(), QSize(0, 0));

    // Each child shows its caption in its title strip.
    EXPECT_EQ(static_cast<ChildWindowFrame*>(frames.preview)->caption(), "Preview");
    EXPECT_EQ(static_cast<ChildWindowFrame*>(frames.output)->caption(), "Display Settings");
    EXPECT_EQ(static_cast<ChildWindowFrame*>(frames.settings)->caption(), "Options");
}

TEST(MainWindowDocking, AMinimisedFrameMovesNothingAndRestoringDocksAgain)
{
    AppFixture f;
    MainWindow& w = f.window;
    const Frames frames = framesOf(w);
    const QRect settings = frames.settings->geometry();
    const QRect output = frames.output->geometry();
    w.setWindowState(Qt::WindowMinimized);
    w.resize(640, 480);
    EXPECT_EQ(frames.settings->geometry(), settings);
    EXPECT_EQ(frames.output->geometry(), output);
    w.setWindowState(Qt::WindowNoState);
    expectDockedAsComputed(w);
    EXPECT_EQ(frames.output->x(), w.centralWidget()->width() - 223);
}

// A change the save question will see: a new output width.
void changeTheProject(AppFixture& f)
{
    testing::clickTab(f.display.DisplayTab1, 1);
    AppFixture::type(f.display.OutWidthText, "2048");
}

TEST(MainWindowShutDown, AnUnchangedProjectClosesWithoutAQuestion)
{
    AppFixture f;
    EXPECT_TRUE(f.window.close());
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_TRUE(f.services.messageBox.shown.empty());
    EXPECT_TRUE(f.window.ExitApplicationFlag);
}

TEST(MainWindowShutDown, TheSaveQuestionIsAskedOnceAndCancelStopsTheClose)
{
    AppFixture f;
    changeTheProject(f);
    f.services.messageBox.answers = {platform::AnswerCancel, platform::AnswerNo};
    EXPECT_FALSE(f.window.close());
    EXPECT_TRUE(f.window.isVisible());
    ASSERT_EQ(f.services.messageBox.shown.size(), 1u);
    EXPECT_EQ(f.services.messageBox.shown[0].text, "Save changed Data?");
    EXPECT_EQ(f.services.messageBox.shown[0].title, "Save to File");
    EXPECT_EQ(f.services.messageBox.shown[0].style, 35);
    EXPECT_FALSE(f.window.ExitApplicationFlag);

    // Exit asks, then unloads the frame without asking again.
    f.window.ExitMenu_Click();
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_EQ(f.services.messageBox.shown.size(), 2u);
    EXPECT_TRUE(f.window.ExitApplication());
    EXPECT_EQ(f.services.messageBox.shown.size(), 2u);
}

TEST(MainWindowShutDown, TheSaveQuestionNamesTheCurrentFile)
{
    AppFixture f;
    changeTheProject(f);
    f.window.CurrentFile = "/home/user/walls/wall.bricks";
    f.services.messageBox.answers = {platform::AnswerCancel};
    f.window.close();
    ASSERT_EQ(f.services.messageBox.shown.size(), 1u);
    EXPECT_EQ(f.services.messageBox.shown[0].text, "Save changed Data to \"wall.bricks\"?");
}

TEST(MainWindowShutDown, ClosingAChildIsClosingTheFrame)
{
    AppFixture f;
    changeTheProject(f);
    const Frames frames = framesOf(f.window);

    // The preview's close box with Cancel: everything stays.
    f.services.messageBox.answers = {platform::AnswerCancel};
    QTest::mouseClick(frames.preview->findChild<QToolButton*>("CloseBox"), Qt::LeftButton);
    EXPECT_TRUE(f.window.isVisible());
    EXPECT_TRUE(frames.preview->isVisible());
    EXPECT_TRUE(f.preview.isVisible());

    // The output panel closed by itself asks the same question.
    f.services.messageBox.answers = {platform::AnswerCancel};
    f.display.window.close();
    EXPECT_TRUE(f.display.window.isVisible());
    EXPECT_EQ(f.services.messageBox.shown.size(), 2u);

    // The settings panel's close box with No: the program ends, the panel
    // does not go on its own.
    f.services.messageBox.answers = {platform::AnswerNo};
    QTest::mouseClick(frames.settings->findChild<QToolButton*>("CloseBox"), Qt::LeftButton);
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_TRUE(frames.settings->isVisibleTo(&f.window));
    EXPECT_TRUE(f.window.optionsWindow().isVisibleTo(&f.window));
    EXPECT_EQ(f.services.messageBox.shown.size(), 3u);
}

TEST(MainWindowShutDown, ThePreviewWindowsOwnCloseAsksTheFrame)
{
    AppFixture f;
    changeTheProject(f);
    f.services.messageBox.answers = {platform::AnswerNo};
    EXPECT_FALSE(f.preview.close());
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_TRUE(f.preview.isVisibleTo(&f.window));
    EXPECT_EQ(f.services.messageBox.shown.size(), 1u);
}

}  // namespace
}  // namespace kalvora
