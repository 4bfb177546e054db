// The image view engine without any window: view state, zoom rules, the
// status texts, mouse drags with a fake clock, and the rendered pixels.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "imaging/cBitmap.h"
#include "platform/Compositor.h"
#include "platform/PixelFormat.h"
#include "uicore/ImageView.h"

using kalvora::platform::InterpolationMode;
using enum kalvora::platform::InterpolationMode;

namespace kalvora {
namespace {

// An image whose every pixel tells its coordinates: B = x, G = y, R = 7,
// alpha opaque.
void fillCoordinates(cBitmap& bitmap, int32_t w, int32_t h)
{
    ASSERT_EQ(bitmap.CreateFromScan0(w, h, 0, platform::kFormat32bppARGB), platform::Ok);
    platform::Image& image = *bitmap.Handle();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) image.setPixel(x, y, 0xFF070000u | ((y & 0xFF) << 8) | (x & 0xFF));
}

void fillUniform(cBitmap& bitmap, int32_t w, int32_t h, uint32_t argb)
{
    ASSERT_EQ(bitmap.CreateFromScan0(w, h, 0, platform::kFormat32bppARGB), platform::Ok);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) bitmap.Handle()->setPixel(x, y, argb);
}

uint32_t bufferPixel(const ImageView& view, int32_t x, int32_t y)
{
    uint32_t argb = 0;
    EXPECT_EQ(view.buffer()->getPixel(x, y, argb), platform::Ok);
    return argb;
}

// A view of the given size showing an image of the given size, with the
// image's numbers set as the windows set them.
struct ViewFixture {
    ImageView view;
    double now = 1000.0;

    ViewFixture(int32_t viewW, int32_t viewH, int32_t imgW, int32_t imgH)
    {
        view.setClock([this] { return now; });
        if (imgW > 0) fillCoordinates(view.Bitmap, imgW, imgH);
        view.imgWidth = imgW;
        view.imgHeight = imgH;
        view.resize(viewW, viewH);
    }
};

TEST(ImageView, LoadStateAndZoomRules)
{
    ImageView view;
    EXPECT_EQ(view.Zoom, 100.0f);
    EXPECT_EQ(view.imgWidth, 0);
    EXPECT_EQ(view.StartX, 0.0f);
    EXPECT_FALSE(view.TileMode);
    EXPECT_EQ(view.CurrentInterpolationMode, NearestNeighbor);
    EXPECT_EQ(view.BackColor(), 0);
    EXPECT_EQ(view.cursor(), 101);
    EXPECT_EQ(view.panelText(1), "Zoom: 100 %");
    EXPECT_EQ(view.panelText(2), "0; 0  [0 x 0]");
    EXPECT_EQ(view.panelText(3), "");

    view.SetZoom(1);
    EXPECT_EQ(view.Zoom, 2.0f);
    EXPECT_EQ(view.panelText(1), "Zoom: 2 %");
    view.SetZoom(12.5f);
    EXPECT_EQ(view.panelText(1), "Zoom: 12 %");
    view.SetZoom(13.5f);
    EXPECT_EQ(view.panelText(1), "Zoom: 14 %");
    // The current zoom changes nothing, not even the panel.
    view.setPanelText(1, "progress");
    view.SetZoom(13.5f);
    EXPECT_EQ(view.panelText(1), "progress");

    view.SetZoom(2.5f);
    view.ZoomOut();
    EXPECT_EQ(view.Zoom, 2.0f);
    view.ZoomOut();
    EXPECT_EQ(view.Zoom, 2.0f);
    view.ZoomIn();
    EXPECT_EQ(view.Zoom, 12.0f);
    view.SetZoom(10);
    view.ZoomOut();
    EXPECT_EQ(view.Zoom, 9.0f);
    // Huge zooms are written out in digits.
    view.SetZoom(3e38f);
    EXPECT_EQ(view.panelText(1).size(), std::string("Zoom:  %").size() + 39);
}

TEST(ImageView, ZoomKeepsTheCentreAndAutomaticZoomFitsOrCentres)
{
    ViewFixture f(600, 400, 300, 200);
    ImageView& v = f.view;
    v.StartX = 150;
    v.StartY = 100;
    v.SetZoom(200);
    EXPECT_EQ(v.StartX, 0.0f);
    EXPECT_EQ(v.StartY, 0.0f);

    v.SetZoom(50);
    v.OptimalZoom();
    v.CenterSmallImage(true);
    EXPECT_EQ(v.Zoom, 100.0f);
    EXPECT_EQ(v.StartX, 150.0f);
    EXPECT_EQ(v.StartY, 100.0f);

    v.resize(200, 200);
    v.FitToWindow();
    EXPECT_FLOAT_EQ(v.Zoom, 200.0f / 3.0f);
    EXPECT_EQ(v.panelText(1), "Zoom: 67 %");
    EXPECT_NEAR(v.StartX, 0.0f, 1e-4);
    EXPECT_NEAR(v.StartY, 50.0f, 1e-4);

    // Too large both ways: fitted by the smaller factor and centred.
    ViewFixture big(600, 400, 2048, 2048);
    big.view.OptimalZoom();
    big.view.CenterSmallImage(true);
    EXPECT_EQ(big.view.Zoom, 19.53125f);
    EXPECT_EQ(big.view.panelText(1), "Zoom: 20 %");
    EXPECT_EQ(big.view.StartX, 512.0f);
    EXPECT_EQ(big.view.StartY, 0.0f);

    // An empty image is given 100 % and left alone by FitToWindow.
    ViewFixture empty(600, 400, 0, 0);
    empty.view.SetZoom(50);
    empty.view.FitToWindow();
    EXPECT_EQ(empty.view.Zoom, 50.0f);
    empty.view.OptimalZoom();
    EXPECT_EQ(empty.view.Zoom, 100.0f);
}

TEST(ImageView, SmallImagesAreCentredOnlyWhenTheyFitBothWaysAndNeverInTiles)
{
    ViewFixture f(600, 400, 500, 500);
    f.view.StartX = 3;
    f.view.StartY = 4;
    f.view.CenterSmallImage(true);
    EXPECT_EQ(f.view.StartX, 3.0f);
    f.view.CenterSmallImage(false);
    EXPECT_EQ(f.view.StartX, 50.0f);
    EXPECT_EQ(f.view.StartY, 4.0f);
    f.view.resize(700, 500);
    EXPECT_EQ(f.view.StartX, 100.0f);
    EXPECT_EQ(f.view.StartY, 0.0f);
    f.view.TileMode = true;
    f.view.resize(900, 900);
    EXPECT_EQ(f.view.StartX, 100.0f);
}

TEST(ImageView, ClippedDrawsAreCutAtBothEdgesOfTheView)
{
    ViewFixture f(600, 400, 100, 100);
    f.view.SetZoom(200);
    f.view.StartX = -10;
    f.view.StartY = 0;
    const float x0 = f.view.StartX * f.view.Zoom / 100;
    ImageView::ClippedDraw c = f.view.DrawImageClipped(x0, 0, 200, 200, 0, 0, 100, 100);
    EXPECT_EQ(c.dstX, 0.0f);
    EXPECT_EQ(c.dstWidth, 181.0f);
    EXPECT_EQ(c.srcX, 10.0f);
    EXPECT_EQ(c.srcWidth, 90.0f);
    EXPECT_EQ(c.dstHeight, 201.0f);

    // Starting left of the view and running past its right edge.
    c = f.view.DrawImageClipped(-20, 0, 2000, 200, 0, 0, 1000, 100);
    EXPECT_EQ(c.dstX, 0.0f);
    EXPECT_EQ(c.dstWidth, 601.0f);
    EXPECT_EQ(c.srcX, 10.0f);
    EXPECT_EQ(c.srcWidth, 300.0f);
}

TEST(ImageView, PointerTextsReadThePixelUnderTheMouse)
{
    ViewFixture f(640, 480, 640, 480);
    ImageView& v = f.view;
    v.Bitmap.Handle()->setPixel(10, 20, 0x80FF4000u);
    v.mouseMove(false, 11, 21);
    EXPECT_EQ(v.panelText(2), "10, 20  [640 x 480]");
    EXPECT_EQ(v.panelText(3), "A: 128   R: 255   G: 64   B: 0");
    v.mouseMove(false, 0, 5);
    EXPECT_EQ(v.panelText(2), "[640 x 480]");
    EXPECT_EQ(v.panelText(3), "");
    v.mouseMove(false, 640, 5);
    EXPECT_EQ(v.panelText(2), "[640 x 480]");
    // ix = 0.5 reads column 0, ix = 1.5 column 2: halves go to the even one.
    v.mouseMove(false, 1, 1);
    EXPECT_EQ(v.panelText(2), "0, 0  [640 x 480]");
    v.mouseMove(false, 2, 1);
    EXPECT_EQ(v.panelText(2), "2, 0  [640 x 480]");
}

TEST(ImageView, DragsRedrawAtMostEveryTwentyMillisecondsExceptPastMidnight)
{
    ViewFixture f(200, 200, 100, 100);
    ImageView& v = f.view;
    v.mouseDown(ViewButton::Left, 50, 50);
    EXPECT_TRUE(v.mouseMove(true, 60, 50).repaint);
    f.now += 0.01;
    EXPECT_FALSE(v.mouseMove(true, 70, 50).repaint);
    f.now += 0.011;
    EXPECT_TRUE(v.mouseMove(true, 80, 50).repaint);
    // The clock passed midnight: the due time lies far ahead, so it redraws.
    f.now = 0.001;
    EXPECT_TRUE(v.mouseMove(true, 90, 50).repaint);
    // Moves without a button only update the texts.
    f.now += 1;
    EXPECT_FALSE(v.mouseMove(false, 95, 50).repaint);
    EXPECT_EQ(v.StartX, 50.0f);
    EXPECT_EQ(v.mouseUp(ViewButton::Left, 95, 50).cursor, 101);
    EXPECT_EQ(v.StartX, 95.0f);
}

TEST(ImageView, RenderedPixelsAtOneToOneShowTheImageOverTheBackground)
{
    ViewFixture f(50, 40, 30, 20);
    ImageView& v = f.view;
    v.StartX = 0;
    v.StartY = 0;
    ASSERT_TRUE(v.ShowPicture());
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 50; ++x) {
            const uint32_t want = (x < 30 && y < 20) ? (0xFF070000u | (y << 8) | x) : 0xFF000000u;
            ASSERT_EQ(bufferPixel(v, x, y), want) << x << ", " << y;
        }
    v.Background_White();
    EXPECT_EQ(bufferPixel(v, 45, 35), 0xFFFFFFFFu);
    EXPECT_EQ(bufferPixel(v, 29, 19), 0xFF07131Du);
}

TEST(ImageView, TilesRepeatTheImageOnTheGridThroughItsOrigin)
{
    ViewFixture f(330, 250, 100, 100);
    ImageView& v = f.view;
    v.TileMode = true;
    v.StartX = 250;
    v.StartY = 0;
    ASSERT_TRUE(v.ShowPicture());
    for (int32_t y = 0; y < 250; ++y)
        for (int32_t x = 0; x < 330; ++x)
            ASSERT_EQ(bufferPixel(v, x, y), 0xFF070000u | ((y % 100) << 8) | ((x + 50) % 100)) << x << ", " << y;

    // A 1 x 1 image at the smallest zoom: millions of copies, drawn at once.
    ViewFixture tiny(1920, 1080, 1, 1);
    tiny.view.TileMode = true;
    tiny.view.SetZoom(2);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(tiny.view.ShowPicture());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(bufferPixel(tiny.view, 1919, 1079), 0xFF070000u);
}

TEST(ImageView, UniformImagesStayUniformAndExtremeViewsStayInsideTheBuffer)
{
    ViewFixture f(120, 90, 0, 0);
    ImageView& v = f.view;
    fillUniform(v.Bitmap, 37, 23, 0xFF5A3C1Eu);
    v.imgWidth = 37;
    v.imgHeight = 23;
    for (InterpolationMode mode : {Bilinear, Bicubic, NearestNeighbor, HighQualityBilinear, HighQualityBicubic})
        for (bool tiles : {false, true})
            for (float zoom : {2.0f, 33.3f, 100.0f, 417.0f}) {
                v.CurrentInterpolationMode = mode;
                v.TileMode = tiles;
                v.SetZoom(zoom);
                v.StartX = 0;
                v.StartY = 0;
                ASSERT_TRUE(v.ShowPicture());
                // Inside the image every pixel keeps the colour.
                const int32_t w = tiles ? 120 : std::min(120, static_cast<int32_t>(37 * zoom / 100));
                const int32_t h = tiles ? 90 : std::min(90, static_cast<int32_t>(23 * zoom / 100));
                for (int32_t y = 0; y < h; ++y)
                    for (int32_t x = 0; x < w; ++x)
                        ASSERT_EQ(bufferPixel(v, x, y), 0xFF5A3C1Eu) << "mode " << int(mode) << " tiles " << tiles
                                                                     << " zoom " << zoom << " at " << x << ", " << y;
            }
    // Far pans and huge zooms draw nothing outside the buffer (the sanitizer
    // build watches) and never hang.
    for (float zoom : {2.0f, 1e6f, 3e38f})
        for (float start : {-1e9f, -37.5f, 1e9f, 3e38f})
            for (bool tiles : {false, true}) {
                v.TileMode = tiles;
                v.SetZoom(zoom);
                v.StartX = start;
                v.StartY = -start;
                v.ShowPicture();
            }
}

TEST(ImageView, TranslucentImagesCompositeOverTheBackground)
{
    ViewFixture f(10, 10, 0, 0);
    ImageView& v = f.view;
    fillUniform(v.Bitmap, 4, 4, 0x80FF0000u);
    v.imgWidth = 4;
    v.imgHeight = 4;
    v.StartX = 0;
    v.StartY = 0;
    v.Background_White();
    uint8_t below[4] = {255, 255, 255, 255};
    const uint8_t red[4] = {0, 0, 255, 128};
    platform::Compositor::blendPixel(below, red);
    const uint32_t overWhite = (uint32_t(below[3]) << 24) | (below[2] << 16) | (below[1] << 8) | below[0];
    EXPECT_EQ(bufferPixel(v, 1, 1), overWhite);
    EXPECT_EQ(bufferPixel(v, 5, 5), 0xFFFFFFFFu);
    v.Background_Black();
    EXPECT_NE(bufferPixel(v, 1, 1), overWhite);
    EXPECT_EQ(bufferPixel(v, 5, 5), 0xFF000000u);
}

TEST(ImageView, NothingIsRenderedWithoutAViewOrWithoutAnImageWhereOneIsNeeded)
{
    ViewFixture preview(100, 100, 0, 0);
    EXPECT_FALSE(preview.view.ShowPicture());
    EXPECT_EQ(preview.view.buffer(), nullptr);

    ImageView editor(true);
    editor.resize(0, 0);
    EXPECT_FALSE(editor.ShowPicture());
    editor.resize(8, 6);
    editor.Background_White();
    ASSERT_NE(editor.buffer(), nullptr);
    EXPECT_EQ(bufferPixel(editor, 7, 5), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace kalvora
