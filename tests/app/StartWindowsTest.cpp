// The splash window, the about box, the web links and the toolbar colour,
// used as a user meets them: clicks on links and backgrounds, the Close
// button, a grab of the toolbar.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QToolBar>
#include <QUrl>
#include <QUrlQuery>
#include <memory>

#include "app/InfoDialog.h"
#include "app/SplashScreen.h"
#include "app/ToolBarColor.h"
#include "app/WebSupport.h"
#include "platform/Numeric.h"
#include "platform/RandomGenerator.h"
#include "tests/support/FakeServices.h"

namespace kalvora {
namespace {

QString text(QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }

void clickLabel(QWidget* w, const char* name) { QTest::mouseClick(w->findChild<QLabel*>(name), Qt::LeftButton); }

TEST(SplashScreen, LoadsStepByStepThenClosesOnItsTimerOrABackgroundClick)
{
    testing::ScopedFakeServices services;
    // The pauses come from the process's generator, as at every start.
    platform::RandomGenerator expected = platform::RandomGenerator::processDefault();
    QPointer<SplashScreen> splash = new SplashScreen;
    std::vector<int> pauses;
    splash->setPause([&](int ms) { pauses.push_back(ms); });
    splash->showWithoutBlocking();
    std::vector<QString> percents;
    std::vector<QString> actions;
    splash->StartTimer([&](const std::function<void()>& step) {
        for (int i = 0; i < 12; ++i) {
            actions.push_back(text(splash, "ActionLabel"));
            step();
            percents.push_back(text(splash, "PercentLabel"));
        }
    });
    EXPECT_EQ(text(splash, "lblVersion"), "Version 1.5.3");
    EXPECT_EQ(actions.front(), "Starting up...");
    EXPECT_EQ(actions.back(), "Loading Application...");
    EXPECT_EQ(text(splash, "ActionLabel"), "Done...");
    EXPECT_EQ(splash->findChild<QProgressBar*>()->value(), 12);
    const std::vector<QString> wanted = {"8%",  "17%", "25%", "33%", "42%", "50%",
                                         "58%", "67%", "75%", "83%", "92%", "100%"};
    EXPECT_EQ(percents, wanted);
    ASSERT_EQ(pauses.size(), 12u);
    for (int ms : pauses) {
        EXPECT_EQ(ms, platform::roundToInt32(expected.next() * 50.0 + 25.0));
        EXPECT_GE(ms, 25);
        EXPECT_LE(ms, 75);
    }

    // A link opens its page and leaves the splash open, until its timer.
    clickLabel(splash, "Label6");
    clickLabel(splash, "Label4");
    clickLabel(splash, "Label5");
    EXPECT_TRUE(splash);
    ASSERT_EQ(services.desktop.opened.size(), 2u);
    EXPECT_EQ(services.desktop.opened[0], "https://www.example.org/kalvora");
    EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }, 5000));

    // A click on the background closes it at once, for good.
    QPointer<SplashScreen> second = new SplashScreen;
    second->setPause([](int) {});
    second->showWithoutBlocking();
    second->StartTimer([](const std::function<void()>& step) { step(); });
    QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(second->width() - 2, second->height() - 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.isNull(); }, 1000));
}

TEST(InfoDialog, ShowsOnceWithItsVersionAndLoadsAgainAfterClose)
{
    testing::ScopedFakeServices services;
    QWidget owner;
    InfoDialog::showInfo(&owner);
    InfoDialog::showInfo(&owner);
    QPointer<InfoDialog> first = &InfoDialog::instance();
    EXPECT_EQ(owner.findChildren<InfoDialog*>().size(), 1);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(text(first, "lblVersion"), "Version 1.5.3");
    clickLabel(first, "Label2");
    clickLabel(first, "Label12");
    ASSERT_EQ(services.desktop.opened.size(), 2u);
    EXPECT_EQ(services.desktop.opened[0], "https://www.example.org/Kalvora/forum/");
    EXPECT_EQ(services.desktop.opened[1], "https://www.example.org/kalvora/forum/viewforum.php?f=6");
    QTest::mouseClick(first->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 1000));
    InfoDialog::showInfo(&owner);
    EXPECT_EQ(text(&InfoDialog::instance(), "lblVersion"), "Version 1.5.3");
    EXPECT_TRUE(InfoDialog::instance().isVisible());
    InfoDialog::instance().close();
}

TEST(WebSupport, AddressesAndTheContactFormDecodeToTheirTexts)
{
    EXPECT_EQ(WebSupport::homePage(), "https://www.example.org/kalvora/");
    EXPECT_EQ(WebSupport::forum(), "https://www.example.org/kalvora/forum/");
    EXPECT_EQ(WebSupport::faqForum(), "https://www.example.org/kalvora/forum/viewforum.php?f=2");
    EXPECT_EQ(WebSupport::tutorialsForum(), "https://www.example.org/kalvora/forum/viewforum.php?f=4");
    const QUrl contact(WebSupport::contactForm());
    EXPECT_EQ(contact.path(), "/kontakt/");
    const QUrlQuery query(contact);
    EXPECT_EQ(query.queryItemValue("name", QUrl::FullyDecoded), "Your Name");
    EXPECT_EQ(query.queryItemValue("email", QUrl::FullyDecoded), "kalvora@example.org");
    EXPECT_EQ(query.queryItemValue("betreff", QUrl::FullyDecoded), "Kalvora Feedback");
    EXPECT_EQ(query.queryItemValue("nachricht", QUrl::FullyDecoded), "Please enter your message here.");
    EXPECT_TRUE(WebSupport::userManual().endsWith("/Documentation/UserManual.pdf"));
}

TEST(ToolBarColor, PaintsTheFixedColourUnderAnyStyleOnceForced)
{
    // The window does not own a style it is given: the style outlives it.
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create("Fusion"));
    QWidget window;
    window.setStyle(fusion.get());
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::Button, QColor(40, 40, 40));
    window.setPalette(dark);
    auto* bar = new QToolBar(&window);
    bar->setObjectName("Toolbar1");
    bar->setGeometry(0, 0, 200, 30);
    window.resize(200, 30);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ToolBarColor::SetToolbarBackColor(bar, 0x00D8E9EC, 1);
    ToolBarColor::SetToolbarBackColor(bar, 0x000000FF, 1);
    const QImage shown = bar->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(100, 15)), QColor(236, 233, 216));
    EXPECT_EQ(QColor(shown.pixel(150, 5)), QColor(236, 233, 216));
}

}  // namespace
}  // namespace kalvora
