// The platform services on Qt: real message boxes answered by buttons, Esc
// and the close box; the cursor on the main window; the system clipboard;
// URLs handed to the desktop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <vector>

#include "app/MainWindow.h"
#include "app/QtClipboardService.h"
#include "app/QtCursorService.h"
#include "app/QtDesktopService.h"
#include "app/QtMessageBoxService.h"
#include "imaging/cBitmap.h"
#include "platform/ImageLimits.h"
#include "platform/PixelFormat.h"
#include "tests/support/ModalDialogAnswerer.h"

namespace kalvora {
namespace {

using testing::ModalDialogAnswerer;

struct ButtonSet {
    int style;
    std::vector<QMessageBox::StandardButton> buttons;
    std::vector<int> answers;
    // What Esc and the close box answer.
    int escape;
};

const ButtonSet kButtonSets[] = {
    {0, {QMessageBox::Ok}, {1}, 1},
    {1, {QMessageBox::Ok, QMessageBox::Cancel}, {1, 2}, 2},
    {3, {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}, {6, 7, 2}, 2},
    {4, {QMessageBox::Yes, QMessageBox::No}, {6, 7}, 7},
};

const std::pair<int, QMessageBox::Icon> kIcons[] = {
    {0, QMessageBox::NoIcon},         {16, QMessageBox::Critical},   {32, QMessageBox::Question},
    {48, QMessageBox::Warning},       {64, QMessageBox::Information},
};

// Shows a box of the style and answers it with answer.
int showBox(int style, std::function<void(QMessageBox*)> answer, QMessageBox::StandardButtons* buttons = nullptr,
            QMessageBox::Icon* icon = nullptr)
{
    ModalDialogAnswerer answerer(ModalDialogAnswerer::ofClass<QMessageBox>(), QStringLiteral("a message box"),
                                 {[&](QWidget* w) {
                                     auto* box = static_cast<QMessageBox*>(w);
                                     EXPECT_EQ(box->text(), "Some text");
                                     EXPECT_EQ(box->windowTitle(), "A Title");
                                     if (buttons) *buttons = box->standardButtons();
                                     if (icon) *icon = box->icon();
                                     answer(box);
                                 }});
    return QtMessageBoxService().show("Some text", "A Title", style);
}

TEST(QtMessageBox, EveryStyleShowsItsButtonsAndIconAndAnswers)
{
    for (const ButtonSet& set : kButtonSets) {
        for (const auto& [iconStyle, icon] : kIcons) {
            const int style = set.style + iconStyle;
            SCOPED_TRACE(style);
            for (size_t i = 0; i < set.buttons.size(); ++i) {
                QMessageBox::StandardButtons shownButtons;
                QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
                const QMessageBox::StandardButton button = set.buttons[i];
                const int answer = showBox(
                    style, [button](QMessageBox* box) { QTest::mouseClick(box->button(button), Qt::LeftButton); },
                    &shownButtons, &shownIcon);
                EXPECT_EQ(answer, set.answers[i]);
                QMessageBox::StandardButtons expected;
                for (QMessageBox::StandardButton b : set.buttons) expected |= b;
                EXPECT_EQ(shownButtons, expected);
                EXPECT_EQ(shownIcon, icon);
            }
        }
    }
}

TEST(QtMessageBox, EscAndTheCloseBoxAnswerCancelNoOrOk)
{
    for (const ButtonSet& set : kButtonSets) {
        SCOPED_TRACE(set.style);
        EXPECT_EQ(showBox(set.style + 48, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }),
                  set.escape);
        EXPECT_EQ(showBox(set.style + 32, [](QMessageBox* box) { box->close(); }), set.escape);
    }
}

TEST(QtCursor, BusyAndNormalOnTheMainWindowWithoutCounting)
{
    MainWindow window;
    QtCursorService cursor(&window);
    cursor.setBusy();
    EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
    cursor.setNormal();
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
    cursor.setBusy();
    cursor.setBusy();
    cursor.setNormal();
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
}

// A 4 x 2 image with alpha 0, 128 and 255.
void makeTranslucent(cBitmap& bitmap)
{
    ASSERT_EQ(bitmap.CreateFromScan0(4, 2, 0, platform::kFormat32bppARGB), platform::Ok);
    const uint32_t pixels[] = {0x00FF0000u, 0x80FF0000u, 0xFF00FF00u, 0x800000FFu,
                               0xFFFFFFFFu, 0x80808080u, 0x00000000u, 0x40FF8000u};
    for (int i = 0; i < 8; ++i) bitmap.Handle()->setPixel(i % 4, i / 4, pixels[i]);
}

// The opaque colour of a packed ARGB pixel drawn over black.
uint32_t overBlack(uint32_t argb)
{
    const uint32_t a = argb >> 24;
    const auto over = [a](uint32_t c) { return (c * a + 127) / 255; };
    return 0xFF000000u | over(argb >> 16 & 0xFF) << 16 | over(argb >> 8 & 0xFF) << 8 | over(argb & 0xFF);
}

// An ARGB image of varied colours and alphas.
void makeVaried(cBitmap& bitmap, int32_t width, int32_t height)
{
    ASSERT_EQ(bitmap.CreateFromScan0(width, height, 0, platform::kFormat32bppARGB), platform::Ok);
    uint32_t state = 12345;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            bitmap.Handle()->setPixel(x, y, state ^ uint32_t(x * 7 + y * 13));
        }
}

struct ClipboardFixture : ::testing::Test {
    QtClipboardService clipboard;
    void SetUp() override { platform::Services::install(&clipboard); }
    void TearDown() override
    {
        platform::Services::install(static_cast<platform::ClipboardService*>(nullptr));
        platform::ImageLimits::reset();
        QGuiApplication::clipboard()->clear();
    }
};

TEST_F(ClipboardFixture, ACopiedImageReadsBackOverBlack)
{
    cBitmap bitmap;
    makeTranslucent(bitmap);
    bitmap.CopyToClipboard();
    EXPECT_TRUE(clipboard.hasImage());

    const QImage held = QGuiApplication::clipboard()->image();
    ASSERT_EQ(held.size(), QSize(4, 2));
    EXPECT_FALSE(held.hasAlphaChannel());
    std::unique_ptr<platform::Image> back;
    ASSERT_EQ(clipboard.getImage(back), platform::Ok);
    ASSERT_EQ(back->format(), platform::kFormat32bppRGB);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            uint32_t source = 0;
            bitmap.Handle()->getPixel(x, y, source);
            const uint32_t expected = overBlack(source);
            EXPECT_EQ(back->pixelArgb(x, y), expected) << x << "," << y;
            EXPECT_EQ(held.pixel(x, y), expected) << x << "," << y;
        }

    // Pasting takes it as the bitmap's new image.
    cBitmap pasted;
    EXPECT_TRUE(pasted.PasteFromClipboard());
    EXPECT_EQ(pasted.Width(), 4);
}

// Other programs read a PNG encoded in the background; a copy made while the
// one before is still encoding replaces it.
TEST_F(ClipboardFixture, OtherProgramsPasteTheLatestCopyAsAnOpaquePng)
{
    cBitmap earlier;
    makeVaried(earlier, 1024, 1024);
    cBitmap bitmap;
    makeVaried(bitmap, 300, 200);
    earlier.CopyToClipboard();
    bitmap.CopyToClipboard();

    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(offered, nullptr);
    const QImage pasted = QImage::fromData(offered->data(QStringLiteral("image/png")), "PNG");
    ASSERT_EQ(pasted.size(), QSize(300, 200));
    EXPECT_FALSE(pasted.hasAlphaChannel());
    std::unique_ptr<platform::Image> back;
    ASSERT_EQ(clipboard.getImage(back), platform::Ok);
    ASSERT_EQ(back->width(), 300);
    ASSERT_EQ(back->height(), 200);
    int wrong = 0;
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 300; ++x) {
            uint32_t source = 0;
            bitmap.Handle()->getPixel(x, y, source);
            const uint32_t expected = overBlack(source);
            wrong += pasted.pixel(x, y) != expected;
            wrong += back->pixelArgb(x, y) != expected;
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(ClipboardFixture, AnOutsideImageIsDrawnOverBlackAndHeldToTheLimits)
{
    QImage outside(3, 1, QImage::Format_ARGB32);
    outside.setPixel(0, 0, 0x80FF0000u);
    outside.setPixel(1, 0, 0xFF102030u);
    outside.setPixel(2, 0, 0x00FFFFFFu);
    QGuiApplication::clipboard()->setImage(outside);
    std::unique_ptr<platform::Image> back;
    ASSERT_EQ(clipboard.getImage(back), platform::Ok);
    EXPECT_EQ(back->pixelArgb(0, 0), 0xFF800000u);
    EXPECT_EQ(back->pixelArgb(1, 0), 0xFF102030u);
    EXPECT_EQ(back->pixelArgb(2, 0), 0xFF000000u);

    QGuiApplication::clipboard()->setImage(QImage(100, 40, QImage::Format_RGB32));
    platform::ImageLimits::set(64, int64_t(1) << 31);
    back.reset();
    EXPECT_EQ(clipboard.getImage(back), platform::OutOfMemory);
    EXPECT_EQ(back, nullptr);
}

TEST_F(ClipboardFixture, AClipboardWithoutAnImageGivesAStatus)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("just words"));
    EXPECT_FALSE(clipboard.hasImage());
    std::unique_ptr<platform::Image> back;
    EXPECT_EQ(clipboard.getImage(back), platform::GenericError);
    cBitmap bitmap;
    EXPECT_FALSE(bitmap.PasteFromClipboard());
}

// Receives what the desktop service opens.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

TEST(QtDesktop, AddressesStayAsTheyAreAndPathsBecomeFileUrls)
{
    UrlCatcher catcher;
    for (const char* scheme : {"https", "mailto", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "open");
    QtDesktopService desktop;
    EXPECT_TRUE(desktop.open("https://www.example.org/kalvora/?a=b"));
    EXPECT_TRUE(desktop.open("mailto:someone@example.org"));
    EXPECT_TRUE(desktop.open("/home/user/My Documents/User Manual.pdf"));
    EXPECT_TRUE(desktop.open("file:///tmp/a%20b.pdf"));
    for (const char* scheme : {"https", "mailto", "file"}) QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));

    ASSERT_EQ(catcher.urls.size(), 4u);
    EXPECT_EQ(catcher.urls[0].toString(), "https://www.example.org/kalvora/?a=b");
    EXPECT_EQ(catcher.urls[1].toString(), "mailto:someone@example.org");
    EXPECT_TRUE(catcher.urls[2].isLocalFile());
    EXPECT_EQ(catcher.urls[2].toLocalFile(), "/home/user/My Documents/User Manual.pdf");
    EXPECT_EQ(catcher.urls[2].toEncoded(), "file:///home/user/My%20Documents/User%20Manual.pdf");
    EXPECT_EQ(catcher.urls[3].toLocalFile(), "/tmp/a b.pdf");
}

}  // namespace
}  // namespace kalvora

#include "QtServicesTest.moc"
