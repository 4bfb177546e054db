#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "filters/clsImageFilter.h"
#include "platform/Numeric.h"
#include "tests/filters/FilterTestSupport.h"
#include "tests/support/FakeServices.h"

namespace kalvora {
namespace {

using namespace testing;

std::vector<int32_t> progressOf(clsImageFilter& filter, const std::function<void()>& run)
{
    std::vector<int32_t> values;
    filter.Progess = [&](int32_t& value) { values.push_back(value); };
    run();
    filter.Progess = nullptr;
    return values;
}

TEST(ImageFilterEngine, StatusTextsEndInAFullStop)
{
    EXPECT_EQ(clsImageFilter::GetGdipErrorText(1), "Generic Error.");
    EXPECT_EQ(clsImageFilter::GetGdipErrorText(2), "Invalid Parameter.");
    EXPECT_EQ(clsImageFilter::GetGdipErrorText(3), "Out Of Memory.");
    EXPECT_EQ(clsImageFilter::GetGdipErrorText(14), "FontFamily Not Found.");
    EXPECT_EQ(clsImageFilter::GetGdipErrorText(17), "Unsupported Gdiplus Version.");
    EXPECT_EQ(clsImageFilter::GetGdipErrorText(18), "Gdiplus Not Initialized.");
    EXPECT_EQ(clsImageFilter::GetGdipErrorText(20), "Property Not Supported.");
    EXPECT_EQ(clsImageFilter::GetGdipErrorText(0), "Unknown GDI+ Error.");
    EXPECT_EQ(clsImageFilter::GetGdipErrorText(21), "Unknown GDI+ Error.");
    EXPECT_EQ(clsImageFilter::GetGdipErrorText(-1), "Unknown GDI+ Error.");
}

TEST(ImageFilterEngine, AFailedStartShowsBothMessagesAndLeavesTheInstanceInert)
{
    testing::ScopedFakeServices services;
    clsImageFilter filter(2);
    ASSERT_EQ(services.messageBox.shown.size(), 2u);
    EXPECT_EQ(services.messageBox.shown[0].text, "Unsupported Gdiplus Version. GDI+ Error:17");
    EXPECT_EQ(services.messageBox.shown[0].title, "GDI Error");
    EXPECT_EQ(services.messageBox.shown[0].style, 0);
    EXPECT_EQ(services.messageBox.shown[1].text, "GDI+ not inizialized.");
    EXPECT_EQ(services.messageBox.shown[1].title, "GDI Error");
    EXPECT_EQ(services.messageBox.shown[1].style, 0);
    EXPECT_FALSE(filter.hasSession());

    cBitmap bitmap;
    makeSolid(bitmap, 4, 4, argb(255, 1, 2, 3));
    filter.SetBitmapIn(bitmap);
    EXPECT_EQ(filter.loadedWidth(), 0);
    EXPECT_EQ(filter.GetHandle(), nullptr);
    EXPECT_EQ(filter.CreateBrightnessFilter(10), nullptr);
    EXPECT_EQ(filter.CreateHSLFilter(10), nullptr);
    EXPECT_EQ(filter.CreateInvertFilter(), nullptr);
    EXPECT_EQ(filter.CreateSwapColorFilter(1), nullptr);
    EXPECT_EQ(filter.CreateTransparentBorder(1, 1, 0, 4, 1), nullptr);
    EXPECT_EQ(filter.CreateDrawAlphaOnly(bitmap, 0, 0, 2, 2, 0, 0, 2, 2, true, true), nullptr);
    EXPECT_EQ(filter.CreateNoise(true), nullptr);
    EXPECT_EQ(services.messageBox.shown.size(), 2u);
}

TEST(ImageFilterEngine, FilteringWithNothingLoadedReportsAnInvalidParameter)
{
    testing::ScopedFakeServices services;
    clsImageFilter filter;
    EXPECT_TRUE(services.messageBox.shown.empty());
    EXPECT_EQ(filter.CreateGrayScaleFilter(), nullptr);
    ASSERT_EQ(services.messageBox.shown.size(), 1u);
    EXPECT_EQ(services.messageBox.shown[0].text, "Invalid Parameter. GDI+ Error:2");
    EXPECT_EQ(services.messageBox.shown[0].title, "GDI Error");
    EXPECT_EQ(filter.CreateInvertFilter(), nullptr);

    // Loading an empty bitmap fails the same way and loads nothing.
    cBitmap empty;
    filter.SetBitmapIn(empty);
    EXPECT_EQ(services.messageBox.shown.back().text, "Invalid Parameter. GDI+ Error:2");
    EXPECT_EQ(filter.GetHandle(), nullptr);
}

TEST(ImageFilterEngine, ProgressReportsEveryRowOnceAndEndsAt100)
{
    cBitmap bitmap;
    makeSolid(bitmap, 3, 100, argb(255, 9, 9, 9));
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    std::vector<int32_t> expected;
    for (int32_t v = 0; v <= 98; ++v) expected.push_back(v);
    expected.push_back(100);
    EXPECT_EQ(progressOf(filter, [&] { filter.CreateHSLFilter(10, 10, 10); }), expected);
    EXPECT_EQ(progressOf(filter, [&] { filter.CreateInvertFilter(); }), expected);
    EXPECT_EQ(progressOf(filter, [&] { filter.CreateNoise(false); }), expected);

    // The equalizer's histogram pass reports nothing; its second pass reports as usual.
    EXPECT_EQ(progressOf(filter, [&] { filter.CreateEqualizeFilter(); }), expected);

    // A single row reports 100 once, without dividing by zero.
    cBitmap row;
    makeSolid(row, 5, 1, argb(255, 9, 9, 9));
    filter.SetBitmapIn(row);
    EXPECT_EQ(progressOf(filter, [&] { filter.CreateSepiaFilter(); }), std::vector<int32_t>{100});
    EXPECT_EQ(progressOf(filter, [&] { filter.CreateTransparentBorder(0, 0, 0, 1, 0); }), std::vector<int32_t>{100});

    // Three rows: 0, 50, 100.
    cBitmap three;
    makeSolid(three, 2, 3, argb(255, 9, 9, 9));
    filter.SetBitmapIn(three);
    EXPECT_EQ(progressOf(filter, [&] { filter.CreateGammaFilter(2); }), (std::vector<int32_t>{0, 50, 100}));
}

TEST(ImageFilterEngine, ParallelRowsGiveTheSameImageAndProgress)
{
    std::mt19937 gen(11);
    cBitmap bitmap;
    makeBitmap(bitmap, 97, 203, [&](int32_t, int32_t) { return static_cast<uint32_t>(gen()); });
    clsImageFilter serial;
    serial.setParallelRows(false);
    serial.SetBitmapIn(bitmap);
    clsImageFilter parallel;
    parallel.SetBitmapIn(bitmap);
    auto same = [&](const std::function<platform::Image*(clsImageFilter&)>& run) {
        std::vector<int32_t> a = progressOf(serial, [&] { run(serial); });
        std::vector<int32_t> b = progressOf(parallel, [&] { run(parallel); });
        EXPECT_EQ(a, b);
        const platform::Image* x = serial.GetHandle();
        const platform::Image* y = parallel.GetHandle();
        for (int32_t row = 0; row < 203; ++row)
            for (int32_t col = 0; col < 97; ++col) ASSERT_EQ(x->pixelArgb(col, row), y->pixelArgb(col, row));
    };
    same([](clsImageFilter& f) { return f.CreateHSLFilter(33, -20, 12.5f); });
    same([](clsImageFilter& f) { return f.CreateContrastFilter(40); });
    same([](clsImageFilter& f) { return f.CreateGrayScaleFilter(); });
    same([](clsImageFilter& f) { return f.CreateTransparentBorder(3, 10, 0, 8, 4); });
}

std::vector<uint32_t> pixelsOf(const platform::Image* image)
{
    std::vector<uint32_t> pixels;
    if (!image) return pixels;
    for (int32_t y = 0; y < image->height(); ++y)
        for (int32_t x = 0; x < image->width(); ++x) pixels.push_back(image->pixelArgb(x, y));
    return pixels;
}

// A Progess handler that throws at its third row.
void throwAtTheThirdRow(clsImageFilter& filter)
{
    filter.Progess = [rows = 0](int32_t&) mutable {
        if (++rows == 3) throw std::runtime_error("the progress bar is gone");
    };
}

TEST(ImageFilterEngine, AProgessHandlerThatThrowsLeavesTheFilterUsable)
{
    testing::ScopedFakeServices services;
    cBitmap mask;
    makeBitmap(mask, 20, 20, [](int32_t x, int32_t) { return argb(12 * x, 0, 0, 0); });
    // One filter for each way the working bitmap is locked across Progess.
    using Run = std::function<std::vector<uint32_t>(clsImageFilter&)>;
    const std::pair<const char*, Run> filters[] = {
        {"rows", [](clsImageFilter& f) { return pixelsOf(f.CreateGrayScaleFilter()); }},
        {"row blocks", [](clsImageFilter& f) { return pixelsOf(f.CreateBlurFilter1().get()); }},
        {"pixel blocks", [](clsImageFilter& f) { return pixelsOf(f.CreatePixelizeFilter(3).get()); }},
        {"alpha stamp",
         [&mask](clsImageFilter& f) {
             return pixelsOf(f.CreateDrawAlphaOnly(mask, 5, 5, 20, 20, 0, 0, 20, 20, true, false));
         }},
    };
    // Locked in place (32 bits) and through a converted copy (24 bits).
    for (const platform::PixelFormatId format : {platform::kFormat32bppARGB, platform::kFormat24bppRGB}) {
        cBitmap bitmap;
        makeBitmap(
            bitmap, 40, 30, [](int32_t x, int32_t y) { return argb(200 + x, 6 * x, 8 * y, (x * y) & 0xFF); }, format);
        for (const auto& [name, run] : filters) {
            SCOPED_TRACE(::testing::Message() << name << ", format " << format);
            clsImageFilter fresh;
            fresh.SetBitmapIn(bitmap);
            const std::vector<uint32_t> expected = run(fresh);
            ASSERT_FALSE(expected.empty());
            clsImageFilter filter;
            filter.SetBitmapIn(bitmap);
            throwAtTheThirdRow(filter);
            EXPECT_THROW(run(filter), std::runtime_error);
            filter.Progess = nullptr;
            EXPECT_EQ(run(filter), expected);
        }
        // The seamless filter's column and row passes: the stretched image
        // they leave behind takes the next filter.
        for (bool columns : {true, false}) {
            clsImageFilter filter;
            filter.SetBitmapIn(bitmap);
            throwAtTheThirdRow(filter);
            EXPECT_THROW(filter.CreateSeamlessTextureFilter(4, columns, !columns), std::runtime_error);
            filter.Progess = nullptr;
            const platform::Image* next = filter.CreateGrayScaleFilter();
            ASSERT_NE(next, nullptr);
            EXPECT_EQ(next->width(), columns ? 44 : 40);
            EXPECT_EQ(next->height(), columns ? 30 : 34);
        }
    }
    EXPECT_TRUE(services.messageBox.shown.empty());
}

TEST(ImageFilterEngine, TheWorkingBitmapKeepsTheSourceFormat)
{
    cBitmap bitmap;
    makeBitmap(bitmap, 4, 3, [](int32_t x, int32_t) { return argb(255, 10 * x, 20, 30); }, platform::kFormat24bppRGB);
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    platform::Image* out = filter.CreateAlphaRamp(0, 255, true);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->format(), platform::kFormat24bppRGB);
    // No alpha to write into: every pixel reads back opaque, colours kept.
    EXPECT_EQ(out->pixelArgb(0, 0), argb(255, 0, 20, 30));
    EXPECT_EQ(out->pixelArgb(3, 2), argb(255, 30, 20, 30));
}

TEST(ImageFilterEngine, FiltersAlwaysStartFromTheLoadedImage)
{
    cBitmap bitmap;
    makeSolid(bitmap, 2, 2, argb(255, 100, 100, 100));
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    platform::Image* first = filter.CreateBrightnessFilter(50);
    EXPECT_EQ(first->pixelArgb(1, 1), argb(255, 150, 150, 150));
    platform::Image* second = filter.CreateBrightnessFilter(-50);
    EXPECT_EQ(second, first);  // one working bitmap
    EXPECT_EQ(second->pixelArgb(1, 1), argb(255, 50, 50, 50));

    // The snapshot is a copy: changing the source afterwards changes nothing.
    bitmap.Handle()->setPixel(1, 1, argb(255, 0, 0, 0));
    EXPECT_EQ(filter.CreateBrightnessFilter(0)->pixelArgb(1, 1), argb(255, 100, 100, 100));
    EXPECT_EQ(filter.GetHandle()->pixelArgb(1, 1), argb(255, 100, 100, 100));

    // A new load replaces both.
    cBitmap other;
    makeSolid(other, 3, 1, argb(255, 7, 7, 7));
    filter.SetBitmapIn(other);
    EXPECT_EQ(filter.GetHandle()->width(), 3);
    EXPECT_EQ(filter.CreateBrightnessFilter(1)->pixelArgb(2, 0), argb(255, 8, 8, 8));
}

TEST(ImageFilterEngine, PicturesAreIndependentPlainBitmaps)
{
    cBitmap bitmap;
    makeSolid(bitmap, 2, 2, argb(255, 10, 20, 30));
    clsImageFilter filter;
    filter.SetBitmapIn(bitmap);
    std::unique_ptr<platform::Image> picture = filter.CreateInvertFilter();
    ASSERT_NE(picture, nullptr);
    EXPECT_NE(picture.get(), filter.GetHandle());
    EXPECT_EQ(picture->pixelArgb(1, 1), argb(255, 245, 235, 225));

    // A picture loaded back comes in without alpha.
    clsImageFilter second;
    second.SetPictureIn(picture.get());
    EXPECT_FALSE(platform::formatHasAlpha(second.GetHandle()->format()));
    EXPECT_EQ(second.CreateAlphaAsGray()->pixelArgb(0, 0), argb(255, 255, 255, 255));
}

TEST(ImageFilterEngine, TheRandomGeneratorIsTheOneSetOnTheFilter)
{
    cBitmap bitmap;
    makeSolid(bitmap, 3, 2, 0);
    platform::RandomGenerator mine;
    mine.reseedFromNumber(42);
    clsImageFilter filter;
    filter.setRandomGenerator(&mine);
    filter.SetBitmapIn(bitmap);
    const float before = platform::RandomGenerator::processDefault().lastValue();
    platform::Image* out = filter.CreateNoise(false);
    EXPECT_EQ(platform::RandomGenerator::processDefault().lastValue(), before);

    platform::RandomGenerator replay;
    replay.reseedFromNumber(42);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x) {
            const uint32_t r = platform::roundToByte(replay.next() * 255.0);
            const uint32_t g = platform::roundToByte(replay.next() * 255.0);
            const uint32_t b = platform::roundToByte(replay.next() * 255.0);
            EXPECT_EQ(out->pixelArgb(x, y), argb(255, r, g, b));
        }
    // Monochrome: one draw a pixel.
    out = filter.CreateNoise(true);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x) {
            const uint32_t v = platform::roundToByte(replay.next() * 255.0);
            EXPECT_EQ(out->pixelArgb(x, y), argb(255, v, v, v));
        }
    filter.setRandomGenerator(nullptr);
    EXPECT_EQ(&filter.randomGenerator(), &platform::RandomGenerator::processDefault());
}

}  // namespace
}  // namespace kalvora

namespace kalvora {
namespace {

TEST(ImageFilterEngine, MessagesOfAWorkerAreKeptAndShownByTheCaller)
{
    testing::ScopedFakeServices services;
    std::vector<clsImageFilter::MessageDeferral::Message> kept;
    std::thread worker([&] {
        clsImageFilter::MessageDeferral deferral;
        clsImageFilter failed(3);
        clsImageFilter empty;
        empty.CreateSepiaFilter();
        kept = deferral.messages();
    });
    worker.join();
    EXPECT_TRUE(services.messageBox.shown.empty());
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].text, "Unsupported Gdiplus Version. GDI+ Error:17");
    EXPECT_EQ(kept[1].text, "GDI+ not inizialized.");
    EXPECT_EQ(kept[2].text, "Invalid Parameter. GDI+ Error:2");
    clsImageFilter::MessageDeferral::showAll(kept);
    ASSERT_EQ(services.messageBox.shown.size(), 3u);
    EXPECT_EQ(services.messageBox.shown[1].title, "GDI Error");
    // Without a deferral the message shows at once.
    clsImageFilter().CreateSepiaFilter();
    EXPECT_EQ(services.messageBox.shown.size(), 4u);
}

}  // namespace
}  // namespace kalvora
