// Generating and cancelling through the output panel's button, with the
// progress shown in the panel, the status bar and the preview window.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <QLineEdit>
#include <QSlider>
#include <algorithm>
#include <string>

#include "AppTestSupport.h"
#include "engine/BrickLayout.h"
#include "platform/ImageLimits.h"
#include "platform/ScopeExit.h"
#include "tests/support/MenuClicks.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "uicore/ProgressText.h"

namespace kalvora {
namespace {

using testing::AppFixture;
using testing::ShownReport;

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// Chooses the texture type that many steps down the output panel's list
// with the arrow key, as a user does; the type's name.
QString chooseTypeByKeys(AppFixture& f, int steps)
{
    QComboBox* types = f.display.TextureTypeCombo;
    types->setFocus();
    for (int i = 0; i < steps; ++i) QTest::keyClick(types, Qt::Key_Down);
    return types->currentText();
}

// Two images with the same pixels, or two without any.
bool samePixels(cBitmap& a, const cBitmap& b)
{
    if (!a.Handle() && !b.Handle()) return true;
    if (a.Width() != b.Width() || a.Height() != b.Height() || !a.Handle() || !b.Handle()) return false;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (a.Handle()->pixelArgb(x, y) != b.Handle()->pixelArgb(x, y)) return false;
    return true;
}

TEST(Generate, PreviewTabRendersThePreviewSizeAndPutsTheOutputSizeBack)
{
    AppFixture f;
    f.setSizes(1024, 512);
    f.window.UpdateBrickData();
    f.window.HasChangedFlag = false;
    std::vector<bool> runningSeen;
    QObject::connect(&f.window, &MainWindow::runningChanged, [&](bool running) { runningSeen.push_back(running); });
    int32_t widthDuringRun = 0;
    f.onReport = [&](const ShownReport&) { widthDuringRun = f.window.BrickData.Width; };

    f.clickUpdate();
    EXPECT_EQ(widthDuringRun, 512);
    const cBitmap& out = f.window.brickGenerator().OutBitmap;
    EXPECT_EQ(out.Width(), 512);
    EXPECT_EQ(out.Height(), 512);
    EXPECT_EQ(f.window.BrickData.Width, 1024);
    EXPECT_EQ(f.window.BrickData.Height, 1024);
    f.window.UpdateBrickData();
    EXPECT_FALSE(f.window.HasChangedFlag);
    EXPECT_EQ(runningSeen, (std::vector<bool>{true, false}));
    EXPECT_FALSE(f.window.isRunning());

    // The final image tab renders the output size.
    testing::clickTab(f.display.DisplayTab1, 1);
    AppFixture::type(f.display.OutWidthText, "256");
    f.clickUpdate();
    EXPECT_EQ(f.window.brickGenerator().OutBitmap.Width(), 256);
    EXPECT_EQ(f.window.brickGenerator().OutBitmap.Height(), 256);
    EXPECT_EQ(f.window.BrickData.Width, 256);
    EXPECT_EQ(f.services.cursor.calls, (std::vector<std::string>{"busy", "normal", "busy", "normal"}));
}

TEST(Generate, EveryReportShowsItsTextBarStatusAndPicture)
{
    AppFixture f;
    f.setSizes(512, 256);
    // The second report comes once the run has lasted long enough for
    // copies, each later one 100 ms after the one before, and copies cost
    // no time, so every report but the very first copies the output to the
    // preview.
    f.tickPerReading = 0;
    struct Seen {
        QString label;
        int bar;
        QString caption;
        bool barShown;
        bool labelShown;
        bool typesShown;
        QString status;
        bool pictureIsOutput;
        float zoom;
    };
    std::vector<Seen> seen;
    int64_t drawingStart = 0;
    f.onReport = [&](const ShownReport& r) {
        const testing::DisplayControls& d = f.display;
        seen.push_back({d.ProgressLabel->text(), d.ProgressBar->value(), d.UpdateButton->text(),
                        d.ProgressBar->isVisible(), d.ProgressLabel->isVisible(), d.TextureTypeCombo->isVisible(),
                        f.statusText(), samePixels(f.preview.Bitmap(), f.window.brickGenerator().OutBitmap),
                        f.preview.Zoom()});
        // The user zooms in the middle of the brick drawing.
        if (r.progress == 50) f.preview.SetZoom(37);
        // The drawing took 12:34 from its start.
        if (r.text == "Drawing Bricks...") drawingStart = f.clock;
        if (r.text == "Post Processing...") f.clock = drawingStart + 754000 - 100;
        f.clock += seen.size() == 1 ? PreviewCopyThrottle::kFirstCopyAfterMs : 100;
    };
    f.clickUpdate();
    ASSERT_EQ(seen.size(), f.reports.size());
    ASSERT_GE(seen.size(), 8u);

    bool fifty = false;
    for (size_t i = 0; i < seen.size(); ++i) {
        const ShownReport& r = f.reports[i];
        const Seen& s = seen[i];
        SCOPED_TRACE(r.text);
        EXPECT_EQ(s.label.toStdString(), ProgressText::label(r.text, r.progress, r.secondsLeft));
        EXPECT_EQ(s.bar, r.progress);
        EXPECT_EQ(s.status.toStdString(), r.text);
        EXPECT_TRUE(s.pictureIsOutput);
        if (r.progress == 0) {
            EXPECT_EQ(s.caption, "&Cancel");
            EXPECT_TRUE(s.barShown);
            EXPECT_TRUE(s.labelShown);
            EXPECT_FALSE(s.typesShown);
        }
        if (r.progress == 50) {
            fifty = true;
            // Neither the caption nor any visibility changes.
            EXPECT_EQ(s.caption, seen[i - 1].caption);
            EXPECT_EQ(s.barShown, seen[i - 1].barShown);
            EXPECT_EQ(s.labelShown, seen[i - 1].labelShown);
            EXPECT_EQ(s.typesShown, seen[i - 1].typesShown);
        }
        // Only the final report shows the idle look; the last brick's 100 %
        // leaves the running one.
        const bool final = i + 1 == seen.size();
        if (r.progress == 100) {
            EXPECT_EQ(s.caption, final ? "&Update" : "&Cancel");
            EXPECT_EQ(s.barShown, !final);
            EXPECT_EQ(s.labelShown, !final);
            EXPECT_EQ(s.typesShown, final);
        }
        // Only phase starts reset the view: the user's zoom stays to the end.
        if (i > 0 && f.reports[i - 1].progress == 50) {
            EXPECT_EQ(s.zoom, 37.0f);
        }
    }
    EXPECT_TRUE(fifty) << "no report of 50 %";
    EXPECT_EQ(f.preview.Zoom(), 37.0f);
    // The copies brought over what was drawn since the one before, far less
    // than the whole image each, and still the preview showed the output.
    const PreviewCopyThrottle& copies = f.window.previewCopies();
    EXPECT_LT(copies.copiedPixels() * 4, int64_t{copies.copies()} * 256 * 256);
    const ShownReport& last = f.reports.back();
    EXPECT_EQ(last.text, "Completed (12:34)");
    EXPECT_EQ(seen.back().label, "Completed (12:34)\r\n100% done (12:34 left)");
    // The line break shows as two lines.
    const QLabel* label = f.display.ProgressLabel;
    EXPECT_GE(label->sizeHint().height(), 2 * label->fontMetrics().height());
    EXPECT_LT(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(label->text()));
    EXPECT_EQ(f.statusText(), "Completed (12:34)");

    // A new run with another random ID resets the view at its first report
    // and shows only its own picture: nothing of the last one from its first
    // report on, and afterwards the output's rows as far as they have come.
    testing::AppFixture::type(f.window.optionsWindow().findChild<QLineEdit*>(QStringLiteral("RandomText")), "2");
    const size_t firstRunReports = f.reports.size();
    int rowsShownAtReports = 0;
    f.onReport = [&](const ShownReport&) {
        f.clock += 100;
        const int32_t shown = std::min(f.preview.view().shownRows, f.preview.imgHeight());
        if (f.reports.size() == firstRunReports + 1) {
            EXPECT_EQ(shown, 0);
        }
        rowsShownAtReports += shown;
        const platform::Image* out = f.window.brickGenerator().OutBitmap.Handle();
        for (int32_t y = 0; y < shown; ++y)
            for (int32_t x = 0; x < f.preview.imgWidth(); x += 7)
                ASSERT_EQ(f.preview.Bitmap().Handle()->pixelArgb(x, y), out->pixelArgb(x, y)) << x << ", " << y;
    };
    f.clickUpdate();
    EXPECT_GT(rowsShownAtReports, 0);
    EXPECT_EQ(f.preview.Zoom(), 100.0f);
    EXPECT_TRUE(samePixels(f.preview.Bitmap(), f.window.brickGenerator().OutBitmap));
}

TEST(Generate, ACancelClickInsideARunShowsTheIdleLookAtOnce)
{
    AppFixture f;
    f.setSizes(512, 256);
    struct AtCancel {
        QString caption;
        bool barShown;
        bool typesShown;
        QString status;
        bool running;
    };
    std::vector<AtCancel> atCancel;
    f.onReport = [&](const ShownReport& r) {
        if (startsWith(r.text, "Drawing Brick (2 of")) testing::postClick(f.display.UpdateButton);
        if (startsWith(r.text, "Brick Generation aborted ("))
            atCancel.push_back({f.display.UpdateButton->text(), f.display.ProgressBar->isVisible(),
                                f.display.TextureTypeCombo->isVisible(), f.statusText(), f.window.isRunning()});
    };
    f.clickUpdate();
    ASSERT_EQ(atCancel.size(), 1u);
    EXPECT_EQ(atCancel[0].caption, "&Update");
    EXPECT_FALSE(atCancel[0].barShown);
    EXPECT_TRUE(atCancel[0].typesShown);
    EXPECT_TRUE(startsWith(atCancel[0].status.toStdString(), "Brick Generation aborted ("));
    EXPECT_TRUE(atCancel[0].running);
    EXPECT_TRUE(startsWith(f.reports.back().text, "Aborted ("));
    EXPECT_EQ(f.runsStarted(), 1);
    EXPECT_FALSE(f.window.isRunning());
    // The busy cursor ended at the click, and again at the end of the run.
    EXPECT_EQ(f.services.cursor.calls, (std::vector<std::string>{"busy", "normal", "normal"}));
    EXPECT_EQ(f.display.UpdateButton->text(), "&Update");
    EXPECT_FALSE(f.display.ProgressLabel->isVisible());
}

TEST(Generate, TheButtonReadsCancelUntilTheFinalReport)
{
    AppFixture f;
    f.setSizes(512, 256);
    ASSERT_EQ(chooseTypeByKeys(f, 3), "Both Borders");
    std::vector<std::string> postProcessing;
    std::vector<std::string> idleLooking;
    f.onReport = [&](const ShownReport& r) {
        if (startsWith(r.text, "Completed (")) return;
        if (startsWith(r.text, "Post Processing")) postProcessing.push_back(r.text);
        if (f.display.UpdateButton->text() != "&Cancel" || !f.display.ProgressBar->isVisible())
            idleLooking.push_back(r.text);
    };
    testing::ModalDialogAnswerer answerer(QStringLiteral("TextureOptions"), [](QWidget* d) {
        QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    });
    f.clickUpdate();
    ASSERT_TRUE(startsWith(f.reports.back().text, "Completed ("));
    EXPECT_GE(postProcessing.size(), 2u);
    EXPECT_TRUE(idleLooking.empty()) << idleLooking.front();
    EXPECT_EQ(f.display.UpdateButton->text(), "&Update");
    EXPECT_FALSE(f.display.ProgressBar->isVisible());
    EXPECT_TRUE(f.display.TextureTypeCombo->isVisible());
}

TEST(Generate, TheImageDialogsRefuseDuringARun)
{
    AppFixture f;
    OptionsWindow& options = f.window.optionsWindow();
    // A dialog that opened anyway is noted and closed, so the run goes on.
    std::vector<QString> opened;
    const auto closeAnyDialog = [&] {
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                opened.push_back(dialog->objectName());
                dialog->reject();
            }
        });
    };
    bool tried = false;
    f.onReport = [&](const ShownReport&) {
        if (tried || !f.window.isRunning()) return;
        tried = true;
        closeAnyDialog();
        options.ShowBrickFiles();
        closeAnyDialog();
        options.MortarFileButton_Click();
    };
    f.clickUpdate();
    EXPECT_TRUE(tried);
    EXPECT_TRUE(opened.empty());
    // After the run the dialog opens again.
    testing::ModalDialogAnswerer answerer(QStringLiteral("BrickFilesDialog"), [](QWidget* d) {
        QTest::mouseClick(d->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
    });
    options.ShowBrickFiles();
    EXPECT_TRUE(answerer.answered());
}

TEST(Generate, TwoClicksQueuedInOneYieldCancelTwiceWithoutNesting)
{
    AppFixture f;
    f.setSizes(512, 256);
    int aborted = 0;
    bool labelMatched = true;
    f.onReport = [&](const ShownReport& r) {
        // The label still shows this report when its handler ends: no other
        // report was shown inside it.
        labelMatched &= f.display.ProgressLabel->text().toStdString() ==
                        ProgressText::label(r.text, r.progress, r.secondsLeft);
        aborted += startsWith(r.text, "Brick Generation aborted (");
        if (r.text == "Create Brick Pattern...") {
            testing::postClick(f.display.UpdateButton);
            testing::postClick(f.display.UpdateButton);
        }
    };
    f.clickUpdate();
    EXPECT_EQ(aborted, 2);
    EXPECT_TRUE(labelMatched);
    EXPECT_EQ(f.runsStarted(), 1);
    EXPECT_TRUE(f.window.brickGenerator().bricks().empty());
    EXPECT_TRUE(startsWith(f.reports.back().text, "Aborted ("));
}

TEST(Generate, ClicksWhileTheRunFinishesStartNoSecondRun)
{
    AppFixture f;
    f.setSizes(512, 256);
    // After the last brick (100 %) and during the post-processing the run is
    // still on, and the button says so: a click there cancels it.
    for (const char* when : {"last brick", "Post Processing..."}) {
        SCOPED_TRACE(when);
        f.reports.clear();
        f.onReport = [&](const ShownReport& r) {
            const bool lastBrick = startsWith(r.text, "Drawing Brick (") && r.progress == 100;
            if ((std::string(when) == "last brick" && lastBrick) || r.text == when) {
                EXPECT_TRUE(f.window.isRunning());
                testing::postClick(f.display.UpdateButton);
            }
        };
        f.clickUpdate();
        EXPECT_EQ(f.runsStarted(), 1);
        EXPECT_TRUE(startsWith(f.reports.back().text, "Aborted ("));
    }

    // A click that arrives after the final report, while the run is still
    // returning, cancels nothing more.
    f.reports.clear();
    f.onReport = [&](const ShownReport& r) {
        if (startsWith(r.text, "Completed (")) testing::postClick(f.display.UpdateButton);
    };
    f.clickUpdate();
    // The click was taken inside the run: nothing is left to start another.
    QCoreApplication::processEvents();
    EXPECT_EQ(f.runsStarted(), 1);
    EXPECT_TRUE(startsWith(f.reports.back().text, "Completed ("));
    EXPECT_FALSE(f.window.isRunning());
    EXPECT_EQ(f.display.UpdateButton->text(), "&Update");

    // A double click starts one run and cancels it.
    f.reports.clear();
    f.onReport = [&](const ShownReport& r) {
        if (r.text == "Create Brick Pattern...") testing::postDoubleClick(f.display.UpdateButton);
    };
    f.clickUpdate();
    EXPECT_EQ(f.runsStarted(), 1);
    EXPECT_TRUE(startsWith(f.reports.back().text, "Aborted ("));
}

TEST(Generate, TheEventQueueRunsAtMostOncePer10Ms)
{
    AppFixture f;
    f.setSizes(512, 256);
    f.tickPerReading = 1;
    // Each report leaves a note in the queue; a queue run takes all notes.
    std::vector<int64_t> queueRuns;
    int notesLeft = 0;
    f.onReport = [&](const ShownReport&) {
        ++notesLeft;
        QMetaObject::invokeMethod(
            &f.window,
            [&] {
                if (queueRuns.empty() || queueRuns.back() != f.clock) queueRuns.push_back(f.clock);
                --notesLeft;
            },
            Qt::QueuedConnection);
    };
    f.clickUpdate();
    ASSERT_GE(queueRuns.size(), 3u);
    EXPECT_LT(queueRuns.size(), f.reports.size() / 2);
    for (size_t i = 1; i < queueRuns.size(); ++i) EXPECT_GE(queueRuns[i] - queueRuns[i - 1], 10) << i;
    QCoreApplication::processEvents();
    EXPECT_EQ(notesLeft, 0);
}

TEST(Generate, ClosingDuringARunCancelsItAndThenCloses)
{
    AppFixture f;
    f.setSizes(1024, 256);
    // As if just saved.
    f.window.UpdateBrickData();
    f.window.HasChangedFlag = false;
    f.onReport = [&](const ShownReport& r) {
        if (startsWith(r.text, "Drawing Brick (1 of")) QMetaObject::invokeMethod(&f.window, "close", Qt::QueuedConnection);
    };
    f.clickUpdate();
    EXPECT_TRUE(startsWith(f.reports.back().text, "Aborted ("));
    EXPECT_EQ(f.runsStarted(), 1);
    // The question saw the project with its own sizes again: nothing changed.
    EXPECT_TRUE(f.services.messageBox.shown.empty());
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_FALSE(f.window.isRunning());
}

// File > Exit as the menu delivers it, at the run's next yield; running
// tells whether the run was still on then.
void exitAtNextYield(MainWindow& window, bool& running)
{
    QAction* exit = testing::menuEntry(window.menuBar()->findChild<QMenu*>("FileMenu"), "ExitMenu");
    QMetaObject::invokeMethod(
        &window,
        [&window, &running, exit] {
            running = window.isRunning();
            exit->trigger();
        },
        Qt::QueuedConnection);
}

// A copy of the image, or nothing for an image without pixels.
cBitmap copyOf(const cBitmap& image)
{
    cBitmap copy;
    if (image.Handle()) copy.CreateFromClone(image.Width(), image.Height(), image.Handle(), image.PixelFormat());
    return copy;
}

// The question answered Cancel in any phase, of a border texture on the
// final image tab and of a preview: the run ends with the texture it makes
// when left alone, and the project keeps its sizes.
TEST(Generate, ExitCancelledDuringARunLeavesItsTextureWhole)
{
    struct Case {
        int tab;
        int typeIndex;
    };
    for (const Case c : {Case{1, 3}, Case{0, 0}}) {
        AppFixture f;
        // The sizes typed differ from the project's: a changed project.
        f.setSizes(512, 256);
        testing::clickTab(f.display.DisplayTab1, c.tab);
        chooseTypeByKeys(f, c.typeIndex);
        const auto run = [&] {
            f.reports.clear();
            if (c.typeIndex == 0) return f.clickUpdate();
            // A border strip narrower than the output size typed.
            testing::ModalDialogAnswerer options(QStringLiteral("TextureOptions"), [](QWidget* d) {
                auto* width = d->findChild<QLineEdit*>("WidthText");
                width->selectAll();
                QTest::keyClicks(width, QStringLiteral("100"));
                QTest::keyClick(width, Qt::Key_Tab);
                QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
            });
            f.clickUpdate();
        };
        run();
        const cBitmap alone = copyOf(f.window.brickGenerator().OutBitmap);
        ASSERT_GT(alone.Width(), 0);
        // Every step the run reports up to its final report, of the bricks
        // the first and the last.
        std::vector<std::string> phases;
        for (size_t i = 0; i + 1 < f.reports.size(); ++i) {
            const std::string& text = f.reports[i].text;
            const bool innerBrick = startsWith(text, "Drawing Brick (") && startsWith(f.reports[i - 1].text, "Drawing Brick (") &&
                                    startsWith(f.reports[i + 1].text, "Drawing Brick (");
            if (!innerBrick && std::find(phases.begin(), phases.end(), text) == phases.end()) phases.push_back(text);
        }
        ASSERT_GE(phases.size(), 5u) << ::testing::PrintToString(phases);

        bool running = false;
        for (const std::string& phase : phases) {
            SCOPED_TRACE("tab " + std::to_string(c.tab) + ", " + phase);
            f.services.messageBox.shown.clear();
            f.services.messageBox.answers = {platform::AnswerCancel};
            bool asked = false;
            running = false;
            f.onReport = [&](const ShownReport& r) {
                if (asked || r.text != phase) return;
                asked = true;
                exitAtNextYield(f.window, running);
            };
            run();
            f.onReport = nullptr;
            EXPECT_TRUE(running);
            ASSERT_EQ(f.services.messageBox.shown.size(), 1u);
            EXPECT_EQ(f.services.messageBox.shown[0].text, "Save changed Data?");
            EXPECT_TRUE(startsWith(f.reports.back().text, "Completed (")) << f.reports.back().text;
            EXPECT_TRUE(samePixels(const_cast<cBitmap&>(f.window.brickGenerator().OutBitmap), alone));
            EXPECT_TRUE(f.window.isVisible());
            EXPECT_EQ(f.window.BrickData.Width, 512);
        }
    }
}

// No ends the program once the run is cancelled. Yes cancels the run and
// then saves the window's settings, a change typed during the run included;
// a save that fails says so and keeps the program open.
TEST(Generate, ExitDuringARunAnsweredNoEndsItAndYesSavesAfterIt)
{
    {
        AppFixture f;
        f.setSizes(256, 128);
        f.services.messageBox.answers = {platform::AnswerNo};
        bool running = false;
        f.onReport = [&](const ShownReport& r) {
            if (startsWith(r.text, "Drawing Brick (1 of")) exitAtNextYield(f.window, running);
        };
        f.clickUpdate();
        EXPECT_TRUE(running);
        EXPECT_TRUE(startsWith(f.reports.back().text, "Aborted (")) << f.reports.back().text;
        EXPECT_EQ(f.services.messageBox.shown.size(), 1u);
        EXPECT_FALSE(f.window.isVisible());
    }

    QTemporaryDir folder;
    AppFixture f;
    f.setSizes(256, 128);
    auto* name = f.window.optionsWindow().findChild<QLineEdit*>(QStringLiteral("NameText"));
    auto* closeBox = f.window.findChild<QWidget*>(QStringLiteral("OptionsWindowFrame"))
                         ->findChild<QToolButton*>(QStringLiteral("CloseBox"));
    f.onReport = [&](const ShownReport& r) {
        if (!startsWith(r.text, "Drawing Brick (1 of")) return;
        name->setText(QStringLiteral("Typed during the run"));
        testing::postClick(closeBox);
    };
    const QString unwritable = folder.filePath(QStringLiteral("missing/wall.bricks"));
    f.window.CurrentFile = unwritable;
    f.services.messageBox.answers = {platform::AnswerYes};
    f.clickUpdate();
    EXPECT_TRUE(startsWith(f.reports.back().text, "Aborted (")) << f.reports.back().text;
    ASSERT_EQ(f.services.messageBox.shown.size(), 2u);
    EXPECT_EQ(f.services.messageBox.shown[0].text, "Save changed Data to \"wall.bricks\"?");
    EXPECT_TRUE(startsWith(f.services.messageBox.shown[1].text, "Could not save File " + unwritable.toStdString() + "\n"));
    EXPECT_TRUE(f.window.isVisible());
    EXPECT_TRUE(f.window.HasChangedFlag);

    f.window.CurrentFile = folder.filePath(QStringLiteral("wall.bricks"));
    f.services.messageBox.answers = {platform::AnswerYes};
    f.clickUpdate();
    EXPECT_TRUE(startsWith(f.reports.back().text, "Aborted (")) << f.reports.back().text;
    EXPECT_FALSE(f.window.isVisible());
    cBrickData saved;
    ASSERT_TRUE(saved.LoadBrickFile(f.window.CurrentFile.toStdString()));
    EXPECT_EQ(saved.Name, "Typed during the run");
    EXPECT_EQ(saved.Width, 256);
    EXPECT_TRUE(saved.settings() == f.window.BrickData.settings());
}

TEST(Generate, WithoutBrickImagesAsksForThem)
{
    AppFixture f;
    f.window.BrickData.BrickFiles->RemoveAll();
    OptionsWindow& options = f.window.optionsWindow();
    options.OptionsTab1->setCurrentIndex(1);

    f.services.messageBox.answers = {platform::AnswerCancel};
    f.clickUpdate();
    ASSERT_EQ(f.services.messageBox.shown.size(), 1u);
    EXPECT_EQ(f.services.messageBox.shown[0].text, "Please select at least one brick file");
    EXPECT_EQ(f.services.messageBox.shown[0].title, "No File Selected");
    EXPECT_EQ(f.services.messageBox.shown[0].style, 65);
    EXPECT_EQ(options.OptionsTab1->currentIndex(), 1);
    EXPECT_TRUE(f.reports.empty());
    EXPECT_EQ(f.display.UpdateButton->text(), "&Update");
    EXPECT_TRUE(f.services.cursor.calls.empty());

    // OK: the "Brick Files" page, and the brick files dialog opens.
    f.services.messageBox.answers = {platform::AnswerOk};
    int pageWhenShown = -1;
    {
        testing::ModalDialogAnswerer answerer(QStringLiteral("BrickFilesDialog"), [&](QWidget* d) {
            pageWhenShown = options.OptionsTab1->currentIndex();
            QTest::mouseClick(d->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
        });
        f.clickUpdate();
    }
    EXPECT_EQ(pageWhenShown, 3);
    EXPECT_EQ(f.services.messageBox.shown.size(), 2u);
    EXPECT_EQ(options.OptionsTab1->currentIndex(), 3);
    EXPECT_EQ(options.OptionsTab1->tabText(3), "Brick Files");
    EXPECT_TRUE(f.reports.empty());
}

TEST(Generate, ABorderTextureAsksForItsOptionsOnceBeforeTheLayout)
{
    AppFixture f;
    f.setSizes(512, 256);
    ASSERT_EQ(chooseTypeByKeys(f, 1), "Left Border");

    // Cancel in the dialog: the run ends aborted, with no bricks laid out.
    std::vector<std::string> beforeDialog;
    {
        testing::ModalDialogAnswerer answerer(QStringLiteral("TextureOptions"), [&](QWidget* d) {
            for (const ShownReport& r : f.reports) beforeDialog.push_back(r.text);
            EXPECT_EQ(d->windowTitle(), "Border Texture Options");
            // Modal over the main window.
            EXPECT_TRUE(d->isModal());
            EXPECT_EQ(d->windowHandle()->transientParent(), f.window.windowHandle());
            QTest::mouseClick(d->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
        });
        f.clickUpdate();
    }
    EXPECT_EQ(beforeDialog, (std::vector<std::string>{"Create Brick Pattern..."}));
    ASSERT_EQ(f.reports.size(), 6u);
    EXPECT_TRUE(startsWith(f.reports[1].text, "Brick Generation aborted ("));
    EXPECT_EQ(f.reports[1].progress, 100);
    EXPECT_EQ(f.reports[2].text, "Initializing...");
    EXPECT_EQ(f.reports[3].text, "Drawing Bricks...");
    EXPECT_EQ(f.reports[4].text, "Post Processing...");
    EXPECT_TRUE(startsWith(f.reports[5].text, "Aborted ("));
    EXPECT_TRUE(f.window.brickGenerator().bricks().empty());
    EXPECT_EQ(f.display.UpdateButton->text(), "&Update");

    // OK: one showing, then the border strip of the preview's height.
    f.reports.clear();
    {
        testing::ModalDialogAnswerer answerer(QStringLiteral("TextureOptions"), [](QWidget* d) {
            QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
        });
        f.clickUpdate();
    }
    EXPECT_TRUE(startsWith(f.reports.back().text, "Completed ("));
    EXPECT_FALSE(f.window.brickGenerator().bricks().empty());
    EXPECT_EQ(f.window.brickGenerator().OutBitmap.Height(), 256);
    EXPECT_EQ(f.window.BrickData.Width, 512);
}

TEST(Generate, PreviewCopiesStayWithinTheirBounds)
{
    // The clock moves the same at every reading, so every copy takes one
    // step: at 7 ms the bricks come 21 to 28 ms apart and the budget holds
    // the copies back; at 100 ms they come 300 to 400 ms apart, a copy
    // beside the longest uses up the budget, and the copies come as the
    // picture would otherwise get older than the cadence.
    for (const int64_t step : {7, 100}) {
        SCOPED_TRACE(step);
        AppFixture f;
        f.setSizes(512, 512);
        testing::clickTab(f.display.DisplayTab1, 1);
        std::vector<int64_t> readings;
        f.window.setTickSource([&] {
            f.clock += step;
            readings.push_back(f.clock);
            return f.clock;
        });
        struct Copy {
            int64_t start;
            int64_t end;
        };
        std::vector<Copy> copies;
        int64_t runStart = 0;
        QObject::connect(&f.window, &MainWindow::runningChanged, [&](bool running) {
            if (running) runStart = f.clock + step;
        });
        f.onReport = [&](const ShownReport&) {
            // Past the first report the run has lasted long enough for copies.
            if (f.reports.size() == 1) f.clock += PreviewCopyThrottle::kFirstCopyAfterMs;
            if (f.window.previewCopies().copies() == static_cast<int32_t>(copies.size())) {
                // A report that left something drawn in the output showed
                // a picture at most a second old.
                const int64_t shown = copies.empty() ? runStart : copies.back().start;
                if (f.window.brickGenerator().hasDrawnArea()) {
                    EXPECT_LE(readings.back() - shown, PreviewCopyThrottle::kCadenceMs) << f.reports.size();
                }
                return;
            }
            // A copy's two readings are the last two before the handler ended.
            copies.push_back({readings[readings.size() - 2], readings.back()});
            EXPECT_EQ(f.window.previewCopies().copyTimeMs(), step * static_cast<int64_t>(copies.size()));
        };
        f.clickUpdate();
        ASSERT_GT(f.reports.size(), 20u);
        ASSERT_GE(copies.size(), 3u);
        EXPECT_LT(copies.size() * 3, f.reports.size() * 2);
        int64_t copyTime = 0;
        // All copies take the same, so the first counts as the longest.
        for (size_t i = 1; i + 1 < copies.size(); ++i) {
            EXPECT_GE(copies[i].start - copies[i - 1].start, 50) << i;
            if (step == 7) {
                EXPECT_LT(copyTime * PreviewCopyThrottle::kRunShareDivisor, copies[i].start - runStart) << i;
            }
            copyTime += copies[i].end - copies[i].start;
        }
        // The final report always copies: the preview shows the whole result.
        EXPECT_TRUE(samePixels(f.preview.Bitmap(), f.window.brickGenerator().OutBitmap));
    }
}

TEST(Generate, ARunShortOfMemorySaysSoOnceAndKeepsTheShownTexture)
{
    AppFixture f;
    f.setSizes(512, 256);
    ASSERT_EQ(chooseTypeByKeys(f, 3), "Both Borders");
    const auto clickUpdateAnsweringOptions = [&f] {
        testing::ModalDialogAnswerer answerer(QStringLiteral("TextureOptions"), [](QWidget* d) {
            QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
        });
        f.clickUpdate();
    };
    clickUpdateAnsweringOptions();
    ASSERT_TRUE(startsWith(f.reports.back().text, "Completed ("));
    cBitmap shown;
    cBitmap& before = f.preview.Bitmap();
    ASSERT_EQ(shown.CreateFromClone(before.Width(), before.Height(), before.Handle(), before.PixelFormat()),
              platform::Ok);

    // A larger preview: the strip's canvas is made, but its shift, the
    // second image of the canvas's size, gets no memory.
    f.setSizes(512, 320);
    f.reports.clear();
    const platform::ScopeExit limits([] { platform::ImageLimits::reset(); });
    platform::ImageLimits::failAllocation(2, int64_t{320} * 320 * 4);
    clickUpdateAnsweringOptions();
    platform::ImageLimits::reset();
    const TextureOptionsValues options = f.window.textureOptions();
    ASSERT_EQ(f.services.messageBox.shown.size(), 1u);
    EXPECT_EQ(f.services.messageBox.shown[0].text, "Not enough memory for a " +
                                                       std::to_string(2 * options.BorderWidth) + " x " +
                                                       std::to_string(options.BorderHeight) + " texture.");
    EXPECT_EQ(f.services.messageBox.shown[0].title, "Not Enough Memory");
    EXPECT_TRUE(std::none_of(f.reports.begin(), f.reports.end(),
                             [](const ShownReport& r) { return startsWith(r.text, "Completed"); }));
    EXPECT_TRUE(startsWith(f.statusText().toStdString(), "Not enough memory ("));
    EXPECT_EQ(f.display.UpdateButton->text(), "&Update");
    // Export and Copy take the preview's picture: still the last texture.
    EXPECT_TRUE(samePixels(f.preview.Bitmap(), shown));

    // The next run gets its memory and completes.
    clickUpdateAnsweringOptions();
    EXPECT_TRUE(startsWith(f.reports.back().text, "Completed ("));
    EXPECT_EQ(f.window.brickGenerator().OutBitmap.Height(), 320);
    EXPECT_TRUE(samePixels(f.preview.Bitmap(), f.window.brickGenerator().OutBitmap));
    EXPECT_EQ(f.services.messageBox.shown.size(), 1u);
}

}  // namespace
}  // namespace kalvora
