// The main window's menus and toolbar as a user meets them: menu clicks,
// shortcuts with the window active, toolbar buttons, and what reaches the
// preview, the clipboard, the editor, the about box and the desktop.

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QUrlQuery>
#include <string>
#include <utility>
#include <vector>

#include "AppTestSupport.h"
#include "app/InfoDialog.h"
#include "app/MainToolbar.h"
#include "app/ToolBarColor.h"
#include "app/WebSupport.h"
#include "tests/support/MenuClicks.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "tests/support/TestImages.h"
#include "views/PreviewDialog.h"

namespace kalvora {
namespace {

using namespace testing;

// A 40 x 30 image: colours by position, alpha 255 on the left half and 128
// on the right, so that a copy over black and a flip both show.
// Opaque on the left half, half transparent on the right.
uint32_t halfTranslucent(int32_t x, int32_t y)
{
    return (x < 20 ? 0xFFu : 0x80u) << 24 | (x * 6u) << 16 | (y * 8u) << 8 | (x + y);
}

std::vector<uint32_t> pixelsOf(cBitmap& bitmap)
{
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        for (int32_t x = 0; x < bitmap.Width(); ++x) pixels.push_back(bitmap.Handle()->pixelArgb(x, y));
    return pixels;
}

// The main window with an image in its preview and the preview focused.
struct MenuFixture : AppFixture {
    QMenuBar* bar;
    QToolBar& toolbar;

    MenuFixture() : bar(window.menuBar()), toolbar(window.Toolbar1())
    {
        cBitmap image;
        makeBitmap(image, 40, 30, halfTranslucent);
        preview.SetBitmap(image);
        focusPreview();
    }

    void activate()
    {
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &window; }, 5000));
    }

    void focusPreview()
    {
        activate();
        preview.setFocus();
    }

    // A shortcut as the user presses it, into the focused widget.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        activate();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::keyClick(target, key, modifiers);
    }

    QAction* button(int index) const { return toolbar.actions().at(index - 1); }

    void clickButton(int index)
    {
        auto* widget = qobject_cast<QToolButton*>(toolbar.widgetForAction(button(index)));
        ASSERT_NE(widget, nullptr) << index;
        QTest::mouseClick(widget, Qt::LeftButton);
    }

    std::vector<std::string>& opened() { return services.desktop.opened; }
};

// Each entry of a menu as "name|caption|shortcut", separators as "name|-".
std::vector<std::string> entriesOf(QMenu* menu)
{
    std::vector<std::string> entries;
    for (QAction* a : menu->actions()) {
        EXPECT_FALSE(a->isCheckable()) << a->objectName().toStdString();
        const QString shown = a->isSeparator() ? QStringLiteral("-")
                                               : a->text() + "|" + a->shortcut().toString(QKeySequence::PortableText);
        entries.push_back((a->objectName() + "|" + shown).toStdString());
    }
    return entries;
}

TEST(MainMenus, EveryItemHasItsNameCaptionAndShortcut)
{
    MenuFixture f;
    std::vector<std::string> titles;
    for (QAction* a : f.bar->actions()) titles.push_back((a->objectName() + "|" + a->text()).toStdString());
    EXPECT_EQ(titles, (std::vector<std::string>{"FileMenu|&File", "EditMenu|&Edit", "ViewMenu|&View",
                                                "ZoomMenu|&Zoom", "OptionsMenu|&Options", "HelpMenu|&Help"}));
    const auto menu = [&f](const char* name) { return f.bar->findChild<QMenu*>(name); };
    EXPECT_EQ(entriesOf(menu("FileMenu")),
              (std::vector<std::string>{"NewFileMenu|&New|Ctrl+N", "OpenFileMenu|&Open|Ctrl+O",
                                        "SaveFileMenu|&Save|Ctrl+S", "SaveFileAsMenu|Save &As...|", "MenuSpacer2|-",
                                        "ExportImageMenu|E&xport Image...|Ctrl+X", "MenuSpacer4|-",
                                        "ExitMenu|Exi&t|"}));
    EXPECT_EQ(entriesOf(menu("EditMenu")),
              (std::vector<std::string>{"EditImageMenu|&Edit Image...|Ctrl+E", "MenuSpacer19|-",
                                        "CopyToClipboardMenu|&Copy to Clipboard|Ctrl+C"}));
    EXPECT_EQ(entriesOf(menu("ViewMenu")),
              (std::vector<std::string>{"CenterImageMenu|&Center Image|F9", "OptimalViewMenu|&Optimal View|",
                                        "MenuSpacer10|-", "ShowTilesMenu|Show &Tiles|Ctrl+T"}));
    EXPECT_EQ(entriesOf(menu("ZoomMenu")),
              (std::vector<std::string>{"FitToWindowMenu|&Fit to Window|F5", "NoZoomMenu|&No Zoom (1:1)|F6",
                                        "MenuSpacer5|-", "DirectZoomMenu|&Zoom|", "MenuSpacer22|-",
                                        "ZoomOutMenu|Zoom&Out|F7", "ZoomInMenu|Zoom &In|F8"}));
    EXPECT_EQ(entriesOf(menu("DirectZoomMenu")),
              (std::vector<std::string>{"Zoom10|10 %|",  "Zoom20|20 %|",   "Zoom30|30 %|",   "Zoom40|40 %|",
                                        "Zoom50|50 %|",  "zoom60|60 %|",   "Zoom70|70 %|",   "Zoom80|80 %|",
                                        "zoom90|90 %|",  "MenuSpacer20|-", "Zoom100|100 %|", "MenuSpacer21|-",
                                        "zoom110|110 %|", "Zoom120|120 %|", "Zoom130|130 %|", "Zoom140|140 %|",
                                        "zoom150|150 %|", "Zoom200|200 %|", "Zoom300|300 %|", "Zoom400|400 %|",
                                        "Zoom500|500 %|"}));
    EXPECT_EQ(entriesOf(menu("OptionsMenu")), (std::vector<std::string>{"BackgroundMenu|&Background Color|"}));
    EXPECT_EQ(entriesOf(menu("BackgroundMenu")),
              (std::vector<std::string>{"BackgroundBlack|&Black|Ctrl+B", "BackgroundWhite|&White|Ctrl+W",
                                        "MenuSpacer14|-", "BackgroundCustom|&Custom Color...|"}));
    EXPECT_EQ(entriesOf(menu("HelpMenu")),
              (std::vector<std::string>{"ViewHelpMenu|View &Help...|F1", "MenuSpacer30|-",
                                        "MenuHomepage|Kalvora &Homepage|Ctrl+F1", "MenuForum|Online &Forum|Ctrl+F",
                                        "MenuFAQs|Frequently Asked &Questions (FAQ)|",
                                        "MenuTutorials|Kalvora &Tutorials|", "MenuGalleries|Kalvora& Galleries|",
                                        "MenuSpacer1|-", "ViewInfoMenu|&Info...|Ctrl+I"}));
}

TEST(MainMenus, FixedZoomsAndZoomKeysSetThePreviewsZoom)
{
    MenuFixture f;
    const std::pair<const char*, float> levels[] = {
        {"Zoom10", 10},   {"Zoom20", 20},   {"Zoom30", 30},   {"Zoom40", 40},   {"Zoom50", 50},
        {"zoom60", 60},   {"Zoom70", 70},   {"Zoom80", 80},   {"zoom90", 90},   {"Zoom100", 100},
        {"zoom110", 110}, {"Zoom120", 120}, {"Zoom130", 130}, {"Zoom140", 140}, {"zoom150", 150},
        {"Zoom200", 200}, {"Zoom300", 300}, {"Zoom400", 400}, {"Zoom500", 500}};
    for (const auto& [name, zoom] : levels) {
        clickMenuPath(f.bar, {"ZoomMenu", "DirectZoomMenu", name});
        EXPECT_EQ(f.preview.Zoom(), zoom) << name;
    }

    f.focusPreview();
    f.press(Qt::Key_F6);
    EXPECT_EQ(f.preview.Zoom(), 100.0f);
    // Zoom Out stops at 2 %, Zoom In goes on.
    clickMenuPath(f.bar, {"ZoomMenu", "DirectZoomMenu", "Zoom10"});
    f.focusPreview();
    f.press(Qt::Key_F7);
    EXPECT_EQ(f.preview.Zoom(), 2.0f);
    f.press(Qt::Key_F7);
    EXPECT_EQ(f.preview.Zoom(), 2.0f);
    clickMenuPath(f.bar, {"ZoomMenu", "DirectZoomMenu", "Zoom500"});
    f.focusPreview();
    for (int i = 0; i < 3; ++i) f.press(Qt::Key_F8);
    EXPECT_EQ(f.preview.Zoom(), 530.0f);
    clickMenuPath(f.bar, {"ZoomMenu", "ZoomOutMenu"});
    EXPECT_EQ(f.preview.Zoom(), 520.0f);

    // Fit to Window gives the zoom the preview's own command gives.
    f.focusPreview();
    f.press(Qt::Key_F5);
    const float fitted = f.preview.Zoom();
    f.preview.SetZoom(500);
    f.preview.FitWindowView();
    EXPECT_EQ(f.preview.Zoom(), fitted);
    EXPECT_NE(fitted, 500.0f);
}

TEST(MainMenus, ViewAndBackgroundKeysReachThePreview)
{
    MenuFixture f;
    ImageView& v = f.preview.view();
    // Centre Image: the position the preview's centring gives at this zoom.
    f.preview.SetZoom(300);
    v.StartX = 7;
    v.StartY = -3;
    f.press(Qt::Key_F9);
    const float centredX = v.StartX;
    const float centredY = v.StartY;
    v.StartX = 7;
    v.StartY = -3;
    f.preview.CenterImage();
    EXPECT_EQ(v.StartX, centredX);
    EXPECT_EQ(v.StartY, centredY);
    EXPECT_NE(centredX, 7.0f);

    EXPECT_FALSE(v.TileMode);
    f.press(Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(v.TileMode);
    clickMenuPath(f.bar, {"ViewMenu", "ShowTilesMenu"});
    EXPECT_FALSE(v.TileMode);

    f.focusPreview();
    f.press(Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(v.BackColor(), 0xFFFFFF);
    f.press(Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(v.BackColor(), 0);
    clickMenuPath(f.bar, {"OptionsMenu", "BackgroundMenu", "BackgroundWhite"});
    EXPECT_EQ(v.BackColor(), 0xFFFFFF);

    // Optimal View: a small image at 100 % again.
    f.preview.SetZoom(40);
    clickMenuPath(f.bar, {"ViewMenu", "OptimalViewMenu"});
    EXPECT_EQ(f.preview.Zoom(), 100.0f);
}

// Fails the test and closes any modal dialog that opens while it lives: a
// key that must not open one would otherwise wait for ever.
class NoModalDialog {
public:
    NoModalDialog()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a dialog opened: " << modal->objectName().toStdString();
                modal->close();
            }
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

TEST(MainMenus, CopyAndExportKeysGoToTheWindowUnlessATextBoxHasTheFocus)
{
    MenuFixture f;
    // A text box keeps Ctrl+C and Ctrl+X for its text.
    QLineEdit* box = f.display.PreviewWidthText;
    {
        const NoModalDialog none;
        box->setFocus();
        box->selectAll();
        f.press(Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), box->text());
        f.press(Qt::Key_X, Qt::ControlModifier);
        EXPECT_TRUE(box->text().isEmpty());
    }
    EXPECT_EQ(f.services.clipboard.held, nullptr);

    // Elsewhere Ctrl+C copies the preview's image, drawn over black.
    f.focusPreview();
    f.press(Qt::Key_C, Qt::ControlModifier);
    ASSERT_NE(f.services.clipboard.held, nullptr);
    const platform::Image& held = *f.services.clipboard.held;
    cBitmap& shown = f.preview.Bitmap();
    ASSERT_EQ(held.width(), 40);
    ASSERT_EQ(held.height(), 30);
    for (int32_t y = 0; y < 30; y += 7)
        for (int32_t x = 0; x < 40; x += 3) {
            const uint32_t source = shown.Handle()->pixelArgb(x, y);
            const uint32_t a = source >> 24;
            const auto over = [a](uint32_t c) { return (c * a + 127) / 255; };
            const uint32_t expected =
                0xFF000000u | over(source >> 16 & 0xFF) << 16 | over(source >> 8 & 0xFF) << 8 | over(source & 0xFF);
            EXPECT_EQ(held.pixelArgb(x, y), expected) << x << "," << y;
        }

    // And Ctrl+X asks for the export's file name.
    f.focusPreview();
    ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), [](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Save Image File");
        QTest::keyClick(d, Qt::Key_Escape);
    });
    f.press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(answer.answered());
}

TEST(MainMenus, EditImageEditsACopyOfThePreviewsImage)
{
    MenuFixture f;
    const std::vector<uint32_t> before = pixelsOf(f.preview.Bitmap());
    const float zoom = f.preview.Zoom();
    bool flipped = false;
    ModalDialogAnswerer answer(QStringLiteral("PreviewDialog"), [&](QWidget* d) {
        auto* editor = qobject_cast<PreviewDialog*>(d);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->windowTitle(), "Output Brick Texture");
        EXPECT_EQ(pixelsOf(editor->Bitmap()), before);
        QMenuBar* editorBar = editor->findChild<QMenuBar*>("MenuBar");
        clickMenuPath(editorBar, {"ImageMenu", "FlipH"});
        flipped = editor->Bitmap().Handle()->pixelArgb(0, 0) == f.preview.Bitmap().Handle()->pixelArgb(39, 0);
        clickMenuPath(editorBar, {"FileMenu", "CloseFile"});
    });
    f.press(Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(answer.answered());
    EXPECT_TRUE(flipped);
    EXPECT_EQ(pixelsOf(f.preview.Bitmap()), before);
    EXPECT_EQ(f.preview.Zoom(), zoom);
}

// The value of a query key of an address, decoded.
QString queryValue(const std::string& address, const char* key)
{
    return QUrlQuery(QUrl(QString::fromStdString(address))).queryItemValue(key, QUrl::FullyDecoded);
}

TEST(MainMenus, LinksHelpAndTheAboutBoxsLabelsOpenTheirAddresses)
{
    MenuFixture f;
    const std::string manual =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/Documentation/UserManual.pdf")).toStdString();
    const std::string home = "https://www.example.org/kalvora/";
    const std::string forum = "https://www.example.org/kalvora/forum/";
    const std::string forumPage = "https://www.example.org/kalvora/forum/viewforum.php?f=";
    for (const char* item : {"ViewHelpMenu", "MenuHomepage", "MenuForum", "MenuFAQs", "MenuTutorials", "MenuGalleries"})
        clickMenuPath(f.bar, {"HelpMenu", item});
    f.focusPreview();
    f.press(Qt::Key_F1);
    f.press(Qt::Key_F1, Qt::ControlModifier);
    f.press(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(f.opened(), (std::vector<std::string>{manual, home, forum, forumPage + "2", forumPage + "4",
                                                    forumPage + "6", manual, home, forum}));

    // The about box's labels, one after the other; it stays open.
    f.opened().clear();
    f.press(Qt::Key_I, Qt::ControlModifier);
    QPointer<InfoDialog> info = f.window.findChild<InfoDialog*>("InfoDialog");
    ASSERT_TRUE(info);
    for (const char* label : {"Label6", "Label2", "Label4", "Label7", "Label12", "Label9", "Label10"})
        QTest::mouseClick(info->findChild<QLabel*>(label), Qt::LeftButton);
    EXPECT_TRUE(info && info->isVisible());
    ASSERT_EQ(f.opened().size(), 7u);
    EXPECT_EQ(f.opened()[0], home);
    EXPECT_EQ(f.opened()[1], "https://www.example.org/Kalvora/forum/");
    EXPECT_EQ(f.opened()[2], forumPage + "2");
    EXPECT_EQ(f.opened()[3], forumPage + "4");
    EXPECT_EQ(f.opened()[4], forumPage + "6");
    EXPECT_EQ(QUrl(QString::fromStdString(f.opened()[5])).path(), "/kontakt/");
    EXPECT_EQ(queryValue(f.opened()[5], "name"), "Your Name");
    EXPECT_EQ(queryValue(f.opened()[5], "email"), "kalvora@example.org");
    EXPECT_EQ(queryValue(f.opened()[5], "betreff"), "Kalvora Feedback");
    EXPECT_EQ(queryValue(f.opened()[5], "nachricht"), "Please enter your message here.");
    EXPECT_EQ(info->findChild<QLabel*>("Label9")->text(), "kalvora@example.org");
    EXPECT_EQ(f.opened()[6], "https://www.example.org/kalvora");
    info->close();
}

TEST(MainMenus, InfoShowsOneModelessAboutBoxThatCloseUnloads)
{
    MenuFixture f;
    f.press(Qt::Key_I, Qt::ControlModifier);
    f.press(Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(f.window.findChildren<InfoDialog*>().size(), 1);
    QPointer<InfoDialog> first = f.window.findChild<InfoDialog*>("InfoDialog");
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(first->findChild<QLabel*>("lblVersion")->text(), "Version 1.5.3");

    QTest::mouseClick(first->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 1000));
    clickMenuPath(f.bar, {"HelpMenu", "ViewInfoMenu"});
    const QList<InfoDialog*> again = f.window.findChildren<InfoDialog*>();
    ASSERT_EQ(again.size(), 1);
    EXPECT_TRUE(again[0]->isVisible());
    EXPECT_EQ(again[0]->findChild<QLabel*>("lblVersion")->text(), "Version 1.5.3");
    again[0]->close();
}

TEST(MainMenus, ExitClosesTheFrameAfterTheSaveQuestion)
{
    MenuFixture f;
    AppFixture::type(f.display.PreviewWidthText, "300");
    f.services.messageBox.answers = {platform::AnswerCancel, platform::AnswerNo};
    clickMenuPath(f.bar, {"FileMenu", "ExitMenu"});
    EXPECT_TRUE(f.window.isVisible());
    clickMenuPath(f.bar, {"FileMenu", "ExitMenu"});
    EXPECT_FALSE(f.window.isVisible());
    ASSERT_EQ(f.services.messageBox.shown.size(), 2u);
    EXPECT_EQ(f.services.messageBox.shown[1].text, "Save changed Data?");
}

TEST(MainToolbar, FifteenEntriesWithTooltipsIconsAndNoShortcuts)
{
    MenuFixture f;
    const QList<QAction*> entries = f.toolbar.actions();
    ASSERT_EQ(entries.size(), 15);
    const char* tips[] = {"New File (Ctrl-N)",  "Open File (Ctrl-O)", "Save File (Ctrl-S)", nullptr,
                          "Update Image",       "Copy to Clipboard (Ctrl-C)", "Show Tiles (Ctrl-T)", nullptr,
                          "Zoom Out (F7)",      "Zoom In (F8)",       "No Zoom (F6)",       "Reset Zoom",
                          nullptr,              "Help (F1)",          "Info"};
    for (int i = 0; i < 15; ++i) {
        SCOPED_TRACE(i + 1);
        QAction* entry = entries[i];
        EXPECT_EQ(entry->isSeparator(), tips[i] == nullptr);
        if (!tips[i]) continue;
        EXPECT_EQ(entry->toolTip(), tips[i]);
        EXPECT_TRUE(entry->shortcut().isEmpty());
        EXPECT_FALSE(entry->icon().isNull());
        EXPECT_TRUE(entry->isEnabled());
        auto* widget = qobject_cast<QToolButton*>(f.toolbar.widgetForAction(entry));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }
}

TEST(MainToolbar, EachButtonActsAsItsMenuItem)
{
    MenuFixture f;
    f.clickButton(6);
    ASSERT_NE(f.services.clipboard.held, nullptr);
    EXPECT_EQ(f.services.clipboard.held->width(), 40);
    f.clickButton(7);
    EXPECT_TRUE(f.preview.view().TileMode);
    f.preview.SetZoom(10);
    f.clickButton(9);
    EXPECT_EQ(f.preview.Zoom(), 2.0f);
    f.clickButton(10);
    f.clickButton(10);
    EXPECT_EQ(f.preview.Zoom(), 22.0f);
    f.clickButton(11);
    EXPECT_EQ(f.preview.Zoom(), 100.0f);
    f.preview.SetZoom(40);
    f.clickButton(12);
    EXPECT_EQ(f.preview.Zoom(), 100.0f);
    f.clickButton(14);
    ASSERT_EQ(f.opened().size(), 1u);
    EXPECT_EQ(f.opened()[0], WebSupport::userManual().toStdString());
    f.clickButton(15);
    QPointer<InfoDialog> info = f.window.findChild<InfoDialog*>("InfoDialog");
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->isVisible());
    info->close();
}

// The commands that would read or replace the project or the preview's
// image, or run long work of their own, are greyed during a run, their
// shortcuts do nothing, and afterwards they act on the finished texture.
TEST(MainToolbar, UpdateRunsAndCancelsAndTheCommandsThatNeedTheTextureWaitForTheRun)
{
    MenuFixture f;
    f.setSizes(256, 128);
    const auto runBoundEnabled = [&] {
        std::vector<bool> enabled;
        for (int i : {1, 2, 3, 6}) enabled.push_back(f.button(i)->isEnabled());
        for (const auto& [menu, item] : std::vector<std::pair<const char*, const char*>>{
                 {"FileMenu", "NewFileMenu"},
                 {"FileMenu", "OpenFileMenu"},
                 {"FileMenu", "SaveFileMenu"},
                 {"FileMenu", "SaveFileAsMenu"},
                 {"FileMenu", "ExportImageMenu"},
                 {"EditMenu", "EditImageMenu"},
                 {"EditMenu", "CopyToClipboardMenu"}})
            enabled.push_back(testing::menuEntry(f.bar->findChild<QMenu*>(menu), item)->isEnabled());
        return enabled;
    };
    const std::vector<bool> allOn(11, true);
    const std::vector<bool> allOff(11, false);
    std::vector<std::vector<bool>> duringRun;
    bool keysPressed = false;
    f.onReport = [&](const testing::ShownReport& r) {
        duringRun.push_back(runBoundEnabled());
        if (keysPressed || r.text.rfind("Drawing Brick (1 of", 0) != 0) return;
        keysPressed = true;
        const NoModalDialog none;
        f.preview.setFocus();
        for (Qt::Key key : {Qt::Key_C, Qt::Key_X, Qt::Key_E, Qt::Key_S, Qt::Key_N, Qt::Key_O})
            QTest::keyClick(&f.preview, key, Qt::ControlModifier);
    };
    f.clickButton(5);
    EXPECT_EQ(f.runsStarted(), 1);
    EXPECT_EQ(f.reports.back().text.rfind("Completed (", 0), 0u) << f.reports.back().text;
    EXPECT_TRUE(keysPressed);
    EXPECT_EQ(f.services.clipboard.held, nullptr);
    ASSERT_FALSE(duringRun.empty());
    for (const std::vector<bool>& enabled : duringRun) EXPECT_EQ(enabled, allOff);
    EXPECT_EQ(runBoundEnabled(), allOn);
    // The texture replaced the 40 x 30 image, and a copy now takes it.
    EXPECT_GT(f.preview.Bitmap().Width(), 40);
    f.press(Qt::Key_C, Qt::ControlModifier);
    ASSERT_NE(f.services.clipboard.held, nullptr);
    EXPECT_EQ(f.services.clipboard.held->width(), f.window.brickGenerator().OutBitmap.Width());

    // A second click during the run cancels it and starts none.
    f.reports.clear();
    f.onReport = nullptr;
    QToolButton* update = qobject_cast<QToolButton*>(f.toolbar.widgetForAction(f.button(5)));
    f.onReport = [&](const testing::ShownReport& r) {
        if (r.text.rfind("Drawing Brick (2 of", 0) == 0) testing::postClick(update);
    };
    f.clickButton(5);
    EXPECT_EQ(f.runsStarted(), 1);
    EXPECT_EQ(f.reports.back().text.rfind("Aborted (", 0), 0u) << f.reports.back().text;
    EXPECT_FALSE(f.window.isRunning());
    EXPECT_EQ(runBoundEnabled(), allOn);
}

TEST(MainToolbar, TheBackgroundKeepsItsFixedColourUnderADarkPalette)
{
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::Button, QColor(40, 40, 40));
    QApplication::setPalette(dark);
    {
        MenuFixture f;
        EXPECT_EQ(QApplication::style()->name(), "fusion");
        const auto backgroundAtRightEnd = [&f] {
            const QImage shown = f.toolbar.grab().toImage();
            return QColor(shown.pixel(shown.width() - 4, shown.height() / 2));
        };
        EXPECT_EQ(backgroundAtRightEnd(), QColor(236, 233, 216));
        ToolBarColor::SetToolbarBackColor(&f.toolbar, 0x000000FF, 1);
        EXPECT_EQ(backgroundAtRightEnd(), QColor(236, 233, 216));
    }
    QApplication::setPalette(saved);
}

}  // namespace
}  // namespace kalvora
