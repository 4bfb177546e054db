// The main window's start-up with its splash: the loading steps as the
// splash shows them, their pauses from one start of the program to the
// next, and how the splash goes away.

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QUrl>
#include <QUrlQuery>
#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/InfoDialog.h"
#include "app/QtServices.h"
#include "app/SplashScreen.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ModalDialogAnswerer.h"

namespace kalvora {
namespace {

QString labelText(QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }

// What the splash showed at each loading step's pause.
struct Step {
    int bar;
    QString action;
    QString percent;
    int pause;
};

// A start-up of the main window whose pauses are recorded, not slept.
struct RecordedStart {
    testing::ScopedFakeServices services;
    MainWindow window;
    QPointer<SplashScreen> splash;
    std::vector<Step> steps;
    // From before the start-up: the close timer starts inside it.
    QElapsedTimer sinceStart;

    RecordedStart()
    {
        window.setSplashPause([this](int ms) {
            if (!splash) splash = window.findChild<SplashScreen*>("SplashScreen");
            steps.push_back({splash->findChild<QProgressBar*>("ProgressBar")->value(), labelText(splash, "ActionLabel"),
                             labelText(splash, "PercentLabel"), ms});
        });
        sinceStart.start();
        window.MDIForm_Load();
    }
};

struct StartUpSplash : ::testing::Test {
    void SetUp() override
    {
        // A child started by runChild: one start-up, its pauses sent back.
        if (testing::childRole()) {
            RecordedStart start;
            std::string pauses;
            for (const Step& s : start.steps) pauses += std::to_string(s.pause) + " ";
            testing::finishChild(pauses);
        }
    }
};

TEST_F(StartUpSplash, ThePausesAreTheSameAtEveryStart)
{
    constexpr std::chrono::seconds kLimit(60);
    const testing::ChildOutcome first = testing::runChild("start", kLimit);
    const testing::ChildOutcome second = testing::runChild("start", kLimit);
    ASSERT_TRUE(first.exitedCleanly);
    ASSERT_TRUE(second.exitedCleanly);
    EXPECT_EQ(first.output, second.output);
    std::vector<int> pauses;
    for (size_t at = 0; at < first.output.size();) {
        const size_t end = first.output.find(' ', at);
        pauses.push_back(std::stoi(first.output.substr(at, end - at)));
        at = end + 1;
    }
    ASSERT_EQ(pauses.size(), 12u);
    for (int ms : pauses) {
        EXPECT_GE(ms, 25);
        EXPECT_LE(ms, 75);
    }
    // Not one value twelve times: each step draws its own.
    EXPECT_GT(std::set<int>(pauses.begin(), pauses.end()).size(), 1u);
}

TEST_F(StartUpSplash, ShowsEveryStepAndClosesTwoSecondsAfterLoadingDespiteALinkClick)
{
    RecordedStart start;
    ASSERT_TRUE(start.splash);
    ASSERT_EQ(start.steps.size(), 12u);
    const char* percents[] = {"0%", "8%", "17%", "25%", "33%", "42%", "50%", "58%", "67%", "75%", "83%", "92%"};
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(start.steps[i].bar, i + 1);
        EXPECT_EQ(start.steps[i].percent, percents[i]);
        EXPECT_EQ(start.steps[i].action, i == 0 ? "Starting up..." : "Loading Application...");
    }
    SplashScreen* splash = start.splash;
    EXPECT_TRUE(splash->isVisible());
    // The frame, shown after it, takes the keys.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &start.window; }, 5000));
    EXPECT_EQ(splash->parentWidget(), &start.window);
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(labelText(splash, "PercentLabel"), "100%");
    EXPECT_EQ(labelText(splash, "ActionLabel"), "Done...");
    EXPECT_EQ(labelText(splash, "lblVersion"), "Version 1.5.3");
    // The about box was loaded on the way, hidden, with its version.
    const InfoDialog* info = start.window.findChild<InfoDialog*>("InfoDialog");
    ASSERT_NE(info, nullptr);
    EXPECT_FALSE(info->isVisible());
    EXPECT_EQ(info->findChild<QLabel*>("lblVersion")->text(), "Version 1.5.3");

    // The links open the site and the contact form; the splash stays.
    for (const char* label : {"Label6", "Label4", "Label10"})
        QTest::mouseClick(splash->findChild<QLabel*>(label), Qt::LeftButton);
    const std::vector<std::string>& opened = start.services.desktop.opened;
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], "https://www.example.org/kalvora");
    const QUrlQuery contact(QUrl(QString::fromStdString(opened[1])));
    EXPECT_EQ(contact.queryItemValue("email", QUrl::FullyDecoded), "kalvora@example.org");
    EXPECT_EQ(contact.queryItemValue("nachricht", QUrl::FullyDecoded), "Please enter your message here.");
    EXPECT_EQ(opened[2], "https://www.example.org/kalvora");
    EXPECT_TRUE(start.splash);
    ASSERT_TRUE(QTest::qWaitFor([&] { return start.splash.isNull(); }, 5000));
    // The timer is coarse: it may fire up to 5 % early.
    EXPECT_GE(start.sinceStart.elapsed(), 1900);
    EXPECT_TRUE(start.window.isVisible());
}

TEST_F(StartUpSplash, ABackgroundClickClosesItForGood)
{
    RecordedStart start;
    ASSERT_TRUE(start.splash);
    SplashScreen* splash = start.splash;
    QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(splash->width() - 2, splash->height() - 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return start.splash.isNull(); }, 1000));
    EXPECT_LT(start.sinceStart.elapsed(), 1900);
    EXPECT_EQ(start.window.findChild<SplashScreen*>(), nullptr);
    EXPECT_TRUE(start.window.isVisible());
}

// A command line naming a file that cannot be opened: the start-up says so
// in a message box and leaves the untitled project's caption.
TEST_F(StartUpSplash, AFailedCommandLineLoadKeepsTheUntitledCaption)
{
    MainWindow window;
    const QtServices services(&window);
    window.setSplashPause([](int) {});
    QString shown;
    testing::ModalDialogAnswerer answer(testing::ModalDialogAnswerer::ofClass<QMessageBox>(), "the message box",
                                        {[&](QWidget* box) {
                                            shown = static_cast<QMessageBox*>(box)->text();
                                            QTest::keyClick(box, Qt::Key_Return);
                                        }});
    window.MDIForm_Load(QStringLiteral("/nonexistent/missing.bricks"));
    EXPECT_EQ(shown, "Could not open missing.bricks");
    EXPECT_EQ(window.windowTitle(), "Kalvora");
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace kalvora
