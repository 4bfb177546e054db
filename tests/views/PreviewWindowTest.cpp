// The preview window driven as a user drives it: mouse drags and hovers on
// its drawing area, the colour dialog, activation and closing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "tests/support/TestImages.h"
#include "views/ImageViewCanvas.h"
#include "views/PreviewWindow.h"

namespace kalvora {
namespace {

using testing::makeBitmap;
using testing::ModalDialogAnswerer;

uint32_t pattern(int32_t x, int32_t y) { return 0xFF000000u | ((x * 7 & 0xFF) << 16) | ((y * 3 & 0xFF) << 8) | 0x40; }

// A shown preview window whose drawing area is exactly the given size, with
// a clock the test moves.
struct PreviewFixture {
    PreviewWindow window;
    ImageViewCanvas* canvas = nullptr;
    double now = 5000.0;

    PreviewFixture(int32_t canvasW, int32_t canvasH)
    {
        window.view().setClock([this] { return now; });
        window.resize(canvasW, canvasH + window.StatusBar1()->sizeHint().height());
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        canvas = window.findChild<ImageViewCanvas*>();
        EXPECT_EQ(canvas->size(), QSize(canvasW, canvasH));
    }

    QString panel(const char* name) const { return window.findChild<QLabel*>(name)->text(); }

    // A move that is never throttled.
    void drag(QPoint to)
    {
        now += 1;
        QTest::mouseMove(canvas, to);
    }
};

TEST(PreviewWindow, TakesOverImagesAndResetsTheViewOnlyWhenAsked)
{
    PreviewFixture f(600, 400);
    EXPECT_EQ(f.window.windowTitle(), "Preview");
    EXPECT_EQ(f.panel("Panel1"), "Zoom: 100 %");
    EXPECT_EQ(f.panel("Panel2"), "0; 0  [0 x 0]");
    EXPECT_EQ(f.window.findChild<QLabel*>("Panel3")->toolTip(), "Color of current pixel");

    cBitmap texture;
    makeBitmap(texture, 2048, 2048, pattern);
    f.window.SetBitmap(texture);
    EXPECT_EQ(f.window.Zoom(), 19.53125f);
    EXPECT_EQ(f.panel("Panel1"), "Zoom: 20 %");
    EXPECT_EQ(f.window.view().StartX, 512.0f);
    EXPECT_EQ(f.window.view().StartY, 0.0f);
    EXPECT_EQ(f.window.imgWidth(), 2048);
    // The window keeps its own copy.
    EXPECT_NE(f.window.Bitmap().Handle(), texture.Handle());

    f.window.SetZoom(50);
    f.window.view().StartX = 7;
    cBitmap next;
    makeBitmap(next, 300, 200, pattern);
    f.window.SetBitmap(next, false);
    EXPECT_EQ(f.window.Zoom(), 50.0f);
    EXPECT_EQ(f.window.view().StartX, 7.0f);
    EXPECT_EQ(f.window.imgWidth(), 300);

    f.window.OptimalView();
    EXPECT_EQ(f.window.Zoom(), 100.0f);
    EXPECT_EQ(f.window.view().StartX, 150.0f);

    cBitmap empty;
    f.window.setWindowTitle("Preview C:/wall.png");
    f.window.SetBitmap(empty);
    EXPECT_EQ(f.window.imgWidth(), 300);
    EXPECT_EQ(f.window.windowTitle(), "Preview C:/wall.png");
    f.window.SetBitmap(next);
    EXPECT_EQ(f.window.windowTitle(), "Preview");
}

// An image of the shown shape is copied into the shown one. A run shows only
// its own rows: the view is empty from the run's start, and the picture
// comes top down into the shown memory; a run that brings nothing shows the
// old picture again. A picture for which the shown memory is too small, or
// more than twice too large, gets memory of its own, readied ahead beside
// the window.
TEST(PreviewWindow, ARunShowsOnlyItsOwnRowsInMemoryThatSuitsThePicture)
{
    PreviewFixture f(400, 300);
    cBitmap first;
    makeBitmap(first, 64, 48, pattern);
    f.window.SetBitmap(first);
    const platform::Image* shown = f.window.Bitmap().Handle();
    // At 100 %, image pixel (x, y) is drawn at buffer pixel (StartX + x, StartY + y).
    const auto drawn = [&f](int32_t x, int32_t y) {
        return f.window.view().buffer()->pixelArgb(static_cast<int32_t>(f.window.view().StartX) + x,
                                                   static_cast<int32_t>(f.window.view().StartY) + y);
    };
    const uint32_t background = f.window.view().buffer()->pixelArgb(0, 0);
    ASSERT_EQ(drawn(5, 40), pattern(5, 40));

    f.window.beginRun();
    EXPECT_EQ(drawn(5, 40), background);
    f.window.endRun();
    EXPECT_EQ(drawn(5, 40), pattern(5, 40));

    // Rows come into the shown memory; those below the front stay empty.
    const auto other = [](int32_t x, int32_t y) { return pattern(y, x) ^ 0x00FFFF00u; };
    cBitmap second;
    makeBitmap(second, 64, 48, other);
    f.window.beginRun();
    EXPECT_TRUE(f.window.SetBitmapArea(second, {0, 0, 64, 20}, false));
    EXPECT_EQ(f.window.Bitmap().Handle(), shown);
    EXPECT_EQ(drawn(5, 19), other(5, 19));
    EXPECT_EQ(drawn(5, 20), background);
    EXPECT_EQ(f.window.comingFrom(), 20);
    EXPECT_TRUE(f.window.SetBitmapArea(second, {0, 10, 64, 38}, false));
    EXPECT_FALSE(f.window.pictureComing());
    EXPECT_EQ(drawn(5, 40), other(5, 40));
    f.window.endRun();
    EXPECT_EQ(drawn(5, 40), other(5, 40));
    // It stays the window's own copy.
    second.Handle()->setPixel(5, 40, 0xFF000000u);
    EXPECT_EQ(f.window.Bitmap().Handle()->pixelArgb(5, 40), other(5, 40));

    // Larger than a step of readying (2 MiB): readied beside the window.
    cBitmap larger;
    makeBitmap(larger, 2100, 1100, pattern);
    f.window.beginRun();
    QTRY_VERIFY_WITH_TIMEOUT(f.window.canTakeAtOnce(larger), 10000);
    f.window.SetZoom(37);
    EXPECT_TRUE(f.window.SetBitmapArea(larger, {0, 0, 2100, 600}, true));
    EXPECT_EQ(f.window.imgWidth(), 2100);
    EXPECT_NE(f.window.Zoom(), 37.0f);
    EXPECT_EQ(f.window.comingFrom(), 600);
    EXPECT_TRUE(f.window.SetBitmapArea(larger, {0, 600, 2100, 500}, false));
    EXPECT_FALSE(f.window.pictureComing());
    EXPECT_EQ(f.window.Bitmap().Handle()->pixelArgb(2099, 1099), pattern(2099, 1099));
    f.window.endRun();

    // A small picture after it gives the large memory back.
    f.window.SetBitmap(first, false);
    EXPECT_LT(f.window.Bitmap().Handle()->capacity(), int64_t{1} << 20);
    EXPECT_EQ(f.window.Bitmap().Handle()->pixelArgb(63, 47), pattern(63, 47));
}

TEST(PreviewWindow, RightDragZoomsAroundTheCentreAndStopsAtTheMinimum)
{
    PreviewFixture f(800, 500);
    cBitmap image;
    makeBitmap(image, 300, 200, pattern);
    f.window.SetBitmap(image);
    const float cx = f.window.view().GetCenterX();
    const float cy = f.window.view().GetCenterY();

    QTest::mousePress(f.canvas, Qt::RightButton, {}, QPoint(100, 100));
    f.drag(QPoint(120, 140));
    EXPECT_EQ(f.panel("Panel1"), "Zoom: 120 %");
    EXPECT_EQ(f.window.Zoom(), 100.0f);
    f.drag(QPoint(137, 140));
    QTest::mouseRelease(f.canvas, Qt::RightButton, {}, QPoint(137, 140));
    EXPECT_EQ(f.window.Zoom(), 137.0f);
    EXPECT_EQ(f.panel("Panel1"), "Zoom: 137 %");
    EXPECT_NEAR(f.window.view().GetCenterX(), cx, 1e-3);
    EXPECT_NEAR(f.window.view().GetCenterY(), cy, 1e-3);

    // Far left stops at 2 %, and moving back right zooms in again at once.
    f.window.SetZoom(100);
    QTest::mousePress(f.canvas, Qt::RightButton, {}, QPoint(500, 100));
    f.drag(QPoint(300, 100));
    EXPECT_EQ(f.panel("Panel1"), "Zoom: 2 %");
    f.drag(QPoint(310, 100));
    EXPECT_EQ(f.panel("Panel1"), "Zoom: 12 %");
    QTest::mouseRelease(f.canvas, Qt::RightButton, {}, QPoint(310, 100));
    EXPECT_EQ(f.window.Zoom(), 12.0f);

    // A left press cancels a zoom drag; the panel shows the committed zoom.
    QTest::mousePress(f.canvas, Qt::RightButton, {}, QPoint(100, 100));
    f.drag(QPoint(160, 100));
    EXPECT_EQ(f.panel("Panel1"), "Zoom: 72 %");
    QTest::mousePress(f.canvas, Qt::LeftButton, {}, QPoint(160, 100));
    EXPECT_EQ(f.window.Zoom(), 12.0f);
    EXPECT_EQ(f.panel("Panel1"), "Zoom: 12 %");
    EXPECT_FALSE(f.window.view().ZoomDragging());
}

TEST(PreviewWindow, LeftDragPansAndARightPressUndoesIt)
{
    PreviewFixture f(800, 500);
    cBitmap image;
    makeBitmap(image, 3000, 2000, pattern);
    f.window.SetBitmap(image);
    f.window.SetZoom(200);
    f.window.view().StartX = -40;
    f.window.view().StartY = -30;

    QTest::mousePress(f.canvas, Qt::LeftButton, {}, QPoint(200, 200));
    f.drag(QPoint(230, 180));
    EXPECT_EQ(f.window.view().StartX, -40.0f);
    QTest::mouseRelease(f.canvas, Qt::LeftButton, {}, QPoint(230, 180));
    EXPECT_EQ(f.window.view().StartX, -25.0f);
    EXPECT_EQ(f.window.view().StartY, -40.0f);

    QTest::mousePress(f.canvas, Qt::LeftButton, {}, QPoint(200, 200));
    f.drag(QPoint(300, 300));
    QTest::mousePress(f.canvas, Qt::RightButton, {}, QPoint(300, 300));
    EXPECT_FALSE(f.window.view().Panning());
    QTest::mouseRelease(f.canvas, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseRelease(f.canvas, Qt::RightButton, {}, QPoint(300, 300));
    EXPECT_EQ(f.window.view().StartX, -25.0f);
    EXPECT_EQ(f.window.view().StartY, -40.0f);
}

TEST(PreviewWindow, CursorsFollowTheMouseButtons)
{
    PreviewFixture f(400, 300);
    EXPECT_EQ(f.canvas->cursor().hotSpot(), QPoint(12, 1));
    EXPECT_EQ(f.canvas->cursor().pixmap().size(), QSize(32, 32));
    QTest::mousePress(f.canvas, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(f.canvas->cursor().hotSpot(), QPoint(16, 14));
    QTest::mouseRelease(f.canvas, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(f.canvas->cursor().hotSpot(), QPoint(12, 1));
    QTest::mousePress(f.canvas, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(f.canvas->cursor().hotSpot(), QPoint(9, 8));
    // A release of the other button ends nothing, but the open hand returns.
    QTest::mouseRelease(f.canvas, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(f.window.view().ZoomDragging());
    EXPECT_EQ(f.canvas->cursor().hotSpot(), QPoint(12, 1));
}

TEST(PreviewWindow, HoverShowsThePixelAndTheCanvasShowsTheBufferUnscaled)
{
    PreviewFixture f(700, 500);
    cBitmap image;
    makeBitmap(image, 640, 480, pattern);
    image.Handle()->setPixel(10, 20, 0x11223344u);
    f.window.SetBitmap(image);
    f.window.view().StartX = 0;
    f.window.view().StartY = 0;
    f.window.Background_White();

    QTest::mouseMove(f.canvas, QPoint(11, 21));
    EXPECT_EQ(f.panel("Panel2"), "10, 20  [640 x 480]");
    EXPECT_EQ(f.panel("Panel3"), "A: 17   R: 34   G: 51   B: 68");
    QTest::mouseMove(f.canvas, QPoint(0, 5));
    EXPECT_EQ(f.panel("Panel2"), "[640 x 480]");
    EXPECT_EQ(f.panel("Panel3"), "");

    const QImage shown = f.canvas->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shown.size(), QSize(700, 500));
    for (int y = 0; y < 500; y += 7)
        for (int x = 0; x < 700; x += 5) {
            uint32_t want = 0xFFFFFFFFu;
            if (x < 640 && y < 480) image.Handle()->getPixel(x, y, want);
            if (x == 10 && y == 20) continue;
            ASSERT_EQ(shown.pixel(x, y), want) << x << ", " << y;
        }
}

TEST(PreviewWindow, CustomBackgroundComesFromTheColourDialogAndCancelKeepsIt)
{
    PreviewFixture f(200, 150);
    cBitmap image;
    makeBitmap(image, 20, 20, pattern);
    f.window.SetBitmap(image);
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), [](QWidget* d) {
            auto* dialog = qobject_cast<QColorDialog*>(d);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->currentColor(), QColor(0, 0, 0));
            dialog->setCurrentColor(QColor(10, 20, 30));
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        f.window.Background_Custom();
    }
    EXPECT_EQ(f.window.view().BackColor(), 0x1E140A);
    EXPECT_EQ(f.window.view().buffer()->pixelArgb(0, 0), 0xFF0A141Eu);
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), [](QWidget* d) {
            auto* dialog = qobject_cast<QColorDialog*>(d);
            EXPECT_EQ(dialog->currentColor(), QColor(10, 20, 30));
            dialog->setCurrentColor(QColor(200, 0, 0));
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        });
        f.window.Background_Custom();
    }
    EXPECT_EQ(f.window.view().BackColor(), 0x1E140A);
    // The dialog is made for each use and gone after it.
    EXPECT_EQ(f.window.findChild<QColorDialog*>("CommonDialog1"), nullptr);
}

TEST(PreviewWindow, TilesCoverTheViewAndCommandsRedraw)
{
    PreviewFixture f(330, 250);
    cBitmap image;
    makeBitmap(image, 100, 100, pattern);
    f.window.SetBitmap(image);
    f.window.view().StartX = 250;
    f.window.view().StartY = 0;
    f.window.ShowTiles();
    EXPECT_TRUE(f.window.view().TileMode);
    const platform::Image& buffer = *f.window.view().buffer();
    for (int32_t y = 0; y < 250; y += 3)
        for (int32_t x = 0; x < 330; x += 3)
            ASSERT_EQ(buffer.pixelArgb(x, y), image.Handle()->pixelArgb((x + 50) % 100, y % 100)) << x << ", " << y;
    f.window.ShowTiles();
    EXPECT_FALSE(f.window.view().TileMode);

    f.window.SetZoom(50);
    f.window.view().StartX = 0;
    f.window.CenterImage();
    EXPECT_EQ(f.window.view().StartX, 280.0f);
    f.window.FitWindowView();
    EXPECT_EQ(f.window.Zoom(), 250.0f);
}

TEST(PreviewWindow, ClosingAsksThePermissionAndActivationFocusesABoundDialog)
{
    PreviewFixture f(200, 150);
    int asked = 0;
    bool allow = false;
    f.window.setClosePermission([&] {
        ++asked;
        return allow;
    });
    EXPECT_FALSE(f.window.close());
    EXPECT_TRUE(f.window.isVisible());
    allow = true;
    EXPECT_TRUE(f.window.close());
    EXPECT_EQ(asked, 2);

    f.window.setClosePermission(nullptr);
    f.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.window));
    QDialog tool;
    tool.setObjectName("ToolDialog");
    tool.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tool));
    QWidget other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    auto activate = [](QWidget* w) {
        w->activateWindow();
        return QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }, 5000);
    };
    // Not bound yet: the window keeps the focus.
    ASSERT_TRUE(activate(&f.window));
    f.window.registerToolDialog(&tool);
    ASSERT_TRUE(activate(&other));
    f.window.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &tool; }, 5000));

    // A hidden or destroyed dialog is passed over.
    tool.hide();
    ASSERT_TRUE(activate(&other));
    EXPECT_TRUE(activate(&f.window));
    {
        QDialog gone;
        f.window.registerToolDialog(&gone);
    }
    ASSERT_TRUE(activate(&other));
    EXPECT_TRUE(activate(&f.window));
}

}  // namespace
}  // namespace kalvora
