#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <tuple>
#include <memory>
#include <vector>

#include "filters/clsImageFilter.h"
#include "platform/ThreadPool.h"
#include "tests/filters/FilterTestSupport.h"
#include "tests/support/FakeServices.h"

namespace kalvora {
namespace {

using namespace testing;

// A filter loaded with a w x h ARGB image, recording its Progess values.
struct Loaded {
    clsImageFilter filter;
    std::vector<int32_t> progress;

    Loaded(int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& colour)
    {
        cBitmap bitmap;
        makeBitmap(bitmap, w, h, colour);
        filter.SetBitmapIn(bitmap);
        filter.Progess = [this](int32_t& value) { progress.push_back(value); };
    }
    uint32_t at(int32_t x, int32_t y) const { return filter.GetHandle()->pixelArgb(x, y); }
    uint32_t redAt(int32_t x, int32_t y) const { return redOf(at(x, y)); }
};

// Red 10 20 30 / 40 50 60 / 70 80 91; green and blue other patterns; alpha varies.
const int32_t kRed[3][3] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 91}};
uint32_t sample(int32_t x, int32_t y)
{
    return argb(uint32_t(100 + 10 * x + y), uint32_t(kRed[y][x]), uint32_t(255 - kRed[y][x]), uint32_t(7 * x + 3 * y));
}

TEST(ImageFilterKernel, BlurDividesEveryRegionByItsInImageWeights)
{
    Loaded img(3, 3, sample);
    ASSERT_NE(img.filter.CreateBlurFilter1(), nullptr);
    EXPECT_EQ(img.redAt(1, 1), 50u);  // 801 / 16 = 50.06
    EXPECT_EQ(img.redAt(0, 0), 23u);  // (4*10 + 2*20 + 2*40 + 50) / 9 = 23.3
    EXPECT_EQ(img.redAt(1, 0), 30u);  // 360 / 12
    EXPECT_EQ(img.redAt(2, 2), 77u);  // (50 + 2*60 + 2*80 + 4*91) / 9 = 77.1
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(alphaOf(img.at(x, y)), alphaOf(sample(x, y)));

    // A flat image stays flat up to its corners, with blur 2 as well.
    Loaded flat(5, 4, [](int32_t, int32_t) { return argb(200, 33, 144, 251); });
    flat.filter.CreateBlurFilter2();
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(flat.at(x, y), argb(200, 33, 144, 251));
}

TEST(ImageFilterKernel, ZeroSumEmbossRaisesTheBorderCentreWeight)
{
    Loaded img(3, 3, sample);
    img.filter.CreateEmbossFilter2();
    EXPECT_EQ(img.redAt(1, 1), 126u);  // 8*50 - 401 = -1, + 127
    EXPECT_EQ(img.redAt(0, 0), 47u);   // centre 3: 30 - 110 = -80, + 127
    EXPECT_EQ(img.redAt(2, 1), 156u);  // centre 5: 300 - 271 = 29, + 127

    for (auto create : {&clsImageFilter::CreateEmbossFilter1, &clsImageFilter::CreateEmbossFilter2,
                        &clsImageFilter::CreateEmbossFilter4, &clsImageFilter::CreateEmbossFilter5,
                        &clsImageFilter::CreateEmbossFilter6}) {
        Loaded flat(4, 3, [](int32_t, int32_t) { return argb(9, 200, 100, 3); });
        (flat.filter.*create)();
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 4; ++x) ASSERT_EQ(flat.at(x, y), argb(9, 127, 127, 127));
    }
    // Emboss 3 sums to -3, neither zero-sum nor normalised: its border keeps
    // the divisor and the centre weight.
    Loaded flat(4, 3, [](int32_t, int32_t) { return argb(9, 200, 100, 3); });
    flat.filter.CreateEmbossFilter3();
    EXPECT_EQ(flat.at(1, 1), argb(9, 0, 0, 118));      // -3c + 127
    EXPECT_EQ(flat.at(0, 0), argb(9, 255, 227, 130));  // cells 4 - 2 + 1 - 2 = 1: c + 127
}

TEST(ImageFilterKernel, NormalisedSignedKernelsUseTheRegionSumAsDivisor)
{
    Loaded img(3, 3, sample);
    img.filter.CreateEdgeDedectionFilter();
    EXPECT_EQ(img.redAt(0, 2), 40u);  // (40 + 50 + 70 - 80) / 2
    EXPECT_EQ(img.redAt(0, 0), 50u);  // (10 - 20 - 40 - 50) / -2
    EXPECT_EQ(img.redAt(2, 0), 0u);   // region sum 0 -> divisor 1: -60, limited to 0
    EXPECT_EQ(img.redAt(2, 1), 0u);   // (20 + 30 + 50 + 60 - 80 - 91) / 2 = -5.5
    EXPECT_EQ(img.redAt(1, 1), 0u);   // 10+20+30+40+50-60-70-80-91 < 0

    Loaded relief(3, 3, sample);
    relief.filter.CreateRelieveFilter();
    // Interior: 20 + 30 + 40 + 50 - 60 - 70 - 80 = -70 -> 0; top-left corner:
    // K4 K5 / K7 K8 = 10 - 20 - 40 + 0, divisor 1 + (-1) + (-1) + 0 = -1 -> 50.
    EXPECT_EQ(relief.redAt(1, 1), 0u);
    EXPECT_EQ(relief.redAt(0, 0), 50u);

    Loaded identity(3, 3, sample);
    identity.filter.CreateBasisMatrixFilter();
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(identity.at(x, y), sample(x, y));
}

TEST(ImageFilterKernel, SharpenStrengthIsLimitedToHundred)
{
    auto centre = [](auto create, int32_t value) {
        Loaded img(3, 3, sample);
        (img.filter.*create)(value);
        return img.at(1, 1);
    };
    // Strength 0: (59*50 - 401) / 51 = 49.98; strength 100: 9*50 - 401 = 49.
    EXPECT_EQ(redOf(centre(&clsImageFilter::CreateSharpenFilter3, 0)), 50u);
    EXPECT_EQ(redOf(centre(&clsImageFilter::CreateSharpenFilter3, 100)), 49u);
    // Sharpen 2 at 100: (11*50 - 2*(20 + 40 + 60 + 80)) / 3 = 50.
    EXPECT_EQ(redOf(centre(&clsImageFilter::CreateSharpenFilter2, 100)), 50u);
    for (auto create : {&clsImageFilter::CreateSharpenFilter3, &clsImageFilter::CreateSharpenFilter2}) {
        const uint32_t strongest = centre(create, 100);
        EXPECT_EQ(centre(create, 250), strongest);
        EXPECT_EQ(centre(create, -100), strongest);
        EXPECT_EQ(centre(create, INT_MIN), strongest);
    }
}

TEST(ImageFilterKernel, ThinImagesUseTheirInImageNeighbourhood)
{
    // One column: blur weighs only the cells above and below.
    Loaded column(1, 3, [](int32_t, int32_t y) { return argb(255, 0, 0, uint32_t(y == 0 ? 30 : (y == 1 ? 60 : 91))); });
    column.filter.CreateBlurFilter1();
    EXPECT_EQ(blueOf(column.at(0, 0)), 40u);  // (4*30 + 2*60) / 6
    EXPECT_EQ(blueOf(column.at(0, 1)), 60u);  // (2*30 + 4*60 + 2*91) / 8 = 60.25
    EXPECT_EQ(blueOf(column.at(0, 2)), 81u);  // (2*60 + 4*91) / 6 = 80.7

    Loaded row(3, 1, [](int32_t x, int32_t) { return argb(255, 0, 0, uint32_t(x == 0 ? 30 : (x == 1 ? 60 : 91))); });
    row.filter.CreateBlurFilter1();
    EXPECT_EQ(blueOf(row.at(1, 0)), 60u);

    // Every kernel and neighbourhood filter runs on 1 x 1 and thin images.
    for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 4}, std::pair{4, 1}}) {
        Loaded one(w, h, [](int32_t, int32_t) { return argb(255, 10, 20, 99); });
        one.filter.CreateEmbossFilter2();
        EXPECT_EQ(one.at(0, 0), argb(255, 127, 127, 127)) << w << "x" << h;
        one.filter.CreateEdgeDedectionFilter();
        one.filter.CreateErodeFilter();
        one.filter.CreateConturFilter();
        one.filter.CreateEmbossFilter7();
        one.filter.CreateSharpenFilter1(64);
        one.filter.CreatePixelizeFilter(3);
        EXPECT_NE(one.filter.CreateBlackWhiteFilter2(), nullptr);
    }
}

TEST(ImageFilterKernel, ErodeDilateAndContourTakeEachChannelApart)
{
    Loaded img(3, 3, sample);
    img.filter.CreateDilateFilter();
    EXPECT_EQ(img.at(0, 0), argb(255, 50, 245, 10));  // red max 50, green max 255-10, blue max 7+3
    EXPECT_EQ(img.at(1, 1), argb(255, 91, 245, 20));
    img.filter.CreateErodeFilter();
    EXPECT_EQ(img.at(2, 2), argb(255, 50, 164, 10));  // red min 50, green 255-91, blue 7+3
    EXPECT_EQ(img.at(1, 0), argb(255, 10, 195, 0));
    img.filter.CreateConturFilter();
    // 255 - (max - c): red max 91 around the centre, green max 245, blue max 20.
    EXPECT_EQ(img.at(1, 1), argb(255, 255 - 41, 255 - 40, 255 - 10));
    Loaded flat(4, 4, [](int32_t, int32_t) { return argb(3, 60, 70, 80); });
    flat.filter.CreateConturFilter();
    EXPECT_EQ(flat.at(3, 3), argb(255, 255, 255, 255));
}

TEST(ImageFilterKernel, PixelizeCutsTheLastBlocksAndReportsBlockRows)
{
    Loaded img(5, 5, [](int32_t x, int32_t y) { return argb(10, uint32_t(x), uint32_t(y), 0); });
    img.filter.CreatePixelizeFilter(-1);  // blocks of 2
    EXPECT_EQ(img.at(1, 1), argb(255, 0, 0, 0));
    EXPECT_EQ(img.at(3, 2), argb(255, 2, 2, 0));
    EXPECT_EQ(img.at(4, 4), argb(255, 4, 4, 0));
    EXPECT_EQ(img.progress, (std::vector<int32_t>{0, 50, 100}));

    img.filter.CreatePixelizeFilter(0);
    EXPECT_EQ(img.at(3, 2), argb(255, 3, 2, 0));
    img.filter.CreatePixelizeFilter(1000);  // at most 11 pixels a block
    EXPECT_EQ(img.at(4, 4), argb(255, 0, 0, 0));
}

TEST(ImageFilterKernel, DiagonalEmbossAndEngraveAreGrey)
{
    Loaded img(3, 3, sample);
    img.filter.CreateEmbossFilter7();
    // (1, 0) against (0, 1): red |20 - 40 + 128| = 108, green |235 - 215 + 128| = 148,
    // blue |7 - 3 + 128| = 132 -> (77*108 + 150*148 + 28*132) / 255 = 134.
    EXPECT_EQ(img.at(1, 0), argb(255, 134, 134, 134));
    // Column 0 uses column 0, the last row the last row: (0, 2) against itself.
    EXPECT_EQ(img.at(0, 2), argb(255, 128, 128, 128));
    img.filter.CreateEngraveFilter7();
    // red |40 - 20 + 128| = 148, green 108, blue 124 -> 121.
    EXPECT_EQ(img.at(1, 0), argb(255, 121, 121, 121));
}

TEST(ImageFilterKernel, DiagonalSharpenScalesTheDifferenceToTheUpperLeft)
{
    Loaded img(3, 3, sample);
    img.filter.CreateSharpenFilter1(128);  // k = 1
    EXPECT_EQ(img.at(1, 0), (sample(1, 0) | 0xFF000000u));  // first row copied, opaque
    EXPECT_EQ(img.at(0, 2), (sample(0, 2) | 0xFF000000u));  // first column copied
    // red |(50 - 10) + 50| = 90, green |(205 - 245) + 205| = 165, blue |(10 - 0) + 10| = 20.
    EXPECT_EQ(img.at(1, 1), argb(255, 90, 165, 20));
    img.filter.CreateSharpenFilter1(-1e9);  // k = 2
    EXPECT_EQ(img.at(1, 1), argb(255, 130, 125, 30));
    img.filter.CreateSharpenFilter1(0);
    EXPECT_EQ(img.at(2, 2), (sample(2, 2) | 0xFF000000u));
    // A negative result is mirrored: (10 - 50) * 2 + 10 = -70 -> 70; above 255 is 255.
    Loaded two(2, 2, [](int32_t x, int32_t y) {
        return x == 0 && y == 0 ? argb(255, 50, 10, 0) : argb(255, 10, 200, 0);
    });
    two.filter.CreateSharpenFilter1(256);
    EXPECT_EQ(two.at(1, 1), argb(255, 70, 255, 0));
}

TEST(ImageFilterKernel, BasisFilterCopiesWithAlpha)
{
    Loaded img(3, 3, sample);
    std::unique_ptr<platform::Image> picture = img.filter.CreateBasisFilter();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width(), 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(img.at(x, y), sample(x, y));
}

TEST(ImageFilterKernel, BlackWhiteCarriesTheErrorAcrossRowEnds)
{
    // Flat grey 100 is its own mean: white, then the carried -38 makes black,
    // and so on, continuing from one row to the next.
    Loaded img(3, 3, [](int32_t, int32_t) { return argb(7, 100, 100, 100); });
    ASSERT_NE(img.filter.CreateBlackWhiteFilter2(), nullptr);
    for (int32_t i = 0; i < 9; ++i) {
        const uint32_t expected = i % 2 == 0 ? 0xFFFFFFFFu : 0xFF000000u;
        EXPECT_EQ(img.at(i % 3, i / 3), expected) << i;
    }
    // Two passes, each 0..100.
    EXPECT_EQ(img.progress, (std::vector<int32_t>{0, 50, 100, 0, 50, 100}));
}

TEST(ImageFilterKernel, BlackWhiteMeanOfNineMegapixelsDoesNotOverflow)
{
    // 255 per pixel over 9 million pixels passes 2^31: a 32-bit sum would
    // turn the mean negative and the black square white.
    const int32_t side = 3000;
    Loaded img(side, side, [](int32_t x, int32_t y) {
        const bool square = x >= 100 && x < 110 && y >= 100 && y < 110;
        return square ? argb(255, 0, 0, 0) : argb(255, 255, 255, 255);
    });
    img.filter.CreateBlackWhiteFilter2();
    EXPECT_EQ(img.at(105, 105), 0xFF000000u);
    EXPECT_EQ(img.at(2000, 2000), 0xFFFFFFFFu);
}

uint32_t noisePixel(int32_t x, int32_t y)
{
    uint32_t v = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
    v ^= v >> 13;
    return v * 2246822519u;
}

using PictureFilter = std::function<void(clsImageFilter&)>;

std::vector<std::pair<const char*, PictureFilter>> everyNeighbourhoodFilter()
{
    return {
        {"BasisMatrix", [](clsImageFilter& f) { f.CreateBasisMatrixFilter(); }},
        {"EdgeDedection", [](clsImageFilter& f) { f.CreateEdgeDedectionFilter(); }},
        {"Relieve", [](clsImageFilter& f) { f.CreateRelieveFilter(); }},
        {"Emboss1", [](clsImageFilter& f) { f.CreateEmbossFilter1(); }},
        {"Emboss3", [](clsImageFilter& f) { f.CreateEmbossFilter3(); }},
        {"Sharpen3", [](clsImageFilter& f) { f.CreateSharpenFilter3(40); }},
        {"Sharpen2", [](clsImageFilter& f) { f.CreateSharpenFilter2(70); }},
        {"Blur1", [](clsImageFilter& f) { f.CreateBlurFilter1(); }},
        {"Blur2", [](clsImageFilter& f) { f.CreateBlurFilter2(); }},
        {"Erode", [](clsImageFilter& f) { f.CreateErodeFilter(); }},
        {"Dilate", [](clsImageFilter& f) { f.CreateDilateFilter(); }},
        {"Contur", [](clsImageFilter& f) { f.CreateConturFilter(); }},
        {"Emboss7", [](clsImageFilter& f) { f.CreateEmbossFilter7(); }},
        {"Engrave7", [](clsImageFilter& f) { f.CreateEngraveFilter7(); }},
        {"Sharpen1", [](clsImageFilter& f) { f.CreateSharpenFilter1(200.0); }},
        {"Basis", [](clsImageFilter& f) { f.CreateBasisFilter(); }},
    };
}

TEST(ImageFilterKernel, RowsOnThePoolGiveTheSerialResultAndProgress)
{
    std::vector<int32_t> expectedProgress;
    for (int32_t y = 0; y < 150; ++y) expectedProgress.push_back(y * 100 / 149);
    for (const auto& [name, run] : everyNeighbourhoodFilter()) {
        Loaded serial(97, 150, noisePixel);
        serial.filter.setParallelRows(false);
        run(serial.filter);
        Loaded pooled(97, 150, noisePixel);
        run(pooled.filter);
        EXPECT_EQ(pooled.progress, expectedProgress) << name;
        for (int32_t y = 0; y < 150; ++y)
            for (int32_t x = 0; x < 97; ++x) ASSERT_EQ(pooled.at(x, y), serial.at(x, y)) << name << " " << x << "," << y;
    }
}

// Every kernel filter against the region rules written out cell by cell:
// border pixels sum only their in-image cells; a kernel whose weights add up
// to its divisor divides there by those cells' weights (1 for 0), a zero-sum
// kernel weighs the centre by the absolute sum of the in-image neighbours.
uint32_t byRegionRule(const std::vector<uint32_t>& px, int32_t w, int32_t h, int32_t x, int32_t y,
                      const std::vector<int32_t>& k, int32_t divisor, int32_t bias)
{
    int64_t sum = 0, neighbours = 0;
    for (int32_t v : k) sum += v;
    const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
    auto inside = [&](int32_t xx, int32_t yy) { return xx >= 0 && yy >= 0 && xx < w && yy < h; };
    for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx)
            if ((dx || dy) && inside(x + dx, y + dy)) neighbours += k[size_t((dy + 1) * 3 + dx + 1)];
    const int64_t centre = border && sum == 0 ? std::llabs(neighbours) : k[4];
    int64_t d = divisor;
    if (border && sum == divisor) d = neighbours + k[4] == 0 ? 1 : neighbours + k[4];
    uint32_t out = px[size_t(y) * w + x] & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        int64_t s = 0;
        for (int32_t dy = -1; dy <= 1; ++dy)
            for (int32_t dx = -1; dx <= 1; ++dx) {
                if (!inside(x + dx, y + dy)) continue;
                const int64_t weight = dx || dy ? k[size_t((dy + 1) * 3 + dx + 1)] : centre;
                s += weight * ((px[size_t(y + dy) * w + x + dx] >> shift) & 0xFF);
            }
        const double v = std::clamp(std::nearbyint(double(s) / double(d) + bias), 0.0, 255.0);
        out |= uint32_t(v) << shift;
    }
    return out;
}

TEST(ImageFilterKernel, KernelFiltersFollowTheirTablesAndRegionRules)
{
    struct Case {
        std::function<void(clsImageFilter&)> run;
        std::vector<int32_t> k;
        int32_t divisor, bias;
    };
    const std::vector<Case> cases = {
        {[](clsImageFilter& f) { f.CreateBasisMatrixFilter(); }, {0, 0, 0, 0, 1, 0, 0, 0, 0}, 1, 0},
        {[](clsImageFilter& f) { f.CreateEdgeDedectionFilter(); }, {1, 1, 1, 1, 1, -1, -1, -1, -1}, 1, 0},
        {[](clsImageFilter& f) { f.CreateRelieveFilter(); }, {0, 1, 1, 1, 1, -1, -1, -1, 0}, 1, 0},
        {[](clsImageFilter& f) { f.CreateEmbossFilter1(); }, {-1, 0, -1, 0, 4, 0, -1, 0, -1}, 1, 127},
        {[](clsImageFilter& f) { f.CreateEmbossFilter2(); }, {-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 127},
        {[](clsImageFilter& f) { f.CreateEmbossFilter3(); }, {1, -2, 1, -2, 4, -2, -2, 1, -2}, 1, 127},
        {[](clsImageFilter& f) { f.CreateEmbossFilter4(); }, {0, -1, 0, -1, 4, -1, 0, -1, 0}, 1, 127},
        {[](clsImageFilter& f) { f.CreateEmbossFilter5(); }, {0, 0, 0, -1, 2, -1, 0, 0, 0}, 1, 127},
        {[](clsImageFilter& f) { f.CreateEmbossFilter6(); }, {0, -1, 0, 0, 2, 0, 0, -1, 0}, 1, 127},
        {[](clsImageFilter& f) { f.CreateSharpenFilter3(37); }, {-1, -1, -1, -1, 59 - 18, -1, -1, -1, -1}, 51 - 18, 0},
        {[](clsImageFilter& f) { f.CreateSharpenFilter2(-75); }, {0, -2, 0, -2, 61 - 37, -2, 0, -2, 0}, 53 - 37, 0},
        {[](clsImageFilter& f) { f.CreateBlurFilter1(); }, {1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 0},
        {[](clsImageFilter& f) { f.CreateBlurFilter2(); }, {0, 1, 0, 1, 1, 1, 0, 1, 0}, 5, 0},
    };
    for (auto [w, h] : {std::pair{2, 2}, std::pair{5, 3}, std::pair{23, 19}}) {
        std::vector<uint32_t> px;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) px.push_back(noisePixel(x, y));
        for (size_t i = 0; i < cases.size(); ++i) {
            Loaded img(w, h, [&](int32_t x, int32_t y) { return px[size_t(y) * w + x]; });
            cases[i].run(img.filter);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    ASSERT_EQ(img.at(x, y), byRegionRule(px, w, h, x, y, cases[i].k, cases[i].divisor, cases[i].bias))
                        << "case " << i << ", " << w << "x" << h << " at " << x << "," << y;
        }
    }
}

TEST(ImageFilterKernel, WithoutASessionEveryFilterGivesNothing)
{
    testing::ScopedFakeServices services;
    clsImageFilter inert(2);
    EXPECT_EQ(inert.CreateBlurFilter1(), nullptr);
    EXPECT_EQ(inert.CreateEmbossFilter7(), nullptr);
    EXPECT_EQ(inert.CreateErodeFilter(), nullptr);
    EXPECT_EQ(inert.CreatePixelizeFilter(3), nullptr);
    EXPECT_EQ(inert.CreateConturFilter(), nullptr);
    EXPECT_EQ(inert.CreateSharpenFilter1(10), nullptr);
    EXPECT_EQ(inert.CreateBasisFilter(), nullptr);
    EXPECT_EQ(inert.CreateBlackWhiteFilter2(), nullptr);
}

ConvolutionKernel kernelOf(std::initializer_list<int32_t> w, int32_t divisor, int32_t bias)
{
    ConvolutionKernel k;
    int32_t* f[9] = {&k.K0, &k.K1, &k.K2, &k.K3, &k.K4, &k.K5, &k.K6, &k.K7, &k.K8};
    int i = 0;
    for (int32_t v : w) *f[i++] = v;
    k.Divisor = divisor;
    k.Bias = bias;
    return k;
}

TEST(Convolution3x3, DivisorBelowOneIsRaisedInTheCallersKernel)
{
    ConvolutionKernel k = kernelOf({0, 0, 0, 0, 1, 0, 0, 0, 0}, 0, 0);
    Convolution3x3 conv(k);
    EXPECT_EQ(k.Divisor, 1);
    ConvolutionKernel n = kernelOf({0, 0, 0, 0, 1, 0, 0, 0, 0}, -7, 0);
    Convolution3x3 conv2(n);
    EXPECT_EQ(n.Divisor, 1);
}

// The interior fast paths (16-bit lanes, packed 64-bit sums, tables) give
// the per-pixel rule's result for every kernel shape and size.
TEST(Convolution3x3, FastRowsMatchThePixelRule)
{
    std::vector<ConvolutionKernel> kernels = {
        kernelOf({1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 0),
        kernelOf({-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 127),
        kernelOf({-1, 2, -1, 2, 4, 2, -1, 2, -1}, 8, -3),      // odd bias with a power-of-two divisor
        kernelOf({0, 1, 0, 1, 1, 1, 0, 1, 0}, 5, 0),
        kernelOf({60, 0, 0, 0, 41, 0, 0, 0, -60}, 3, 2),       // packed sums with a table
        kernelOf({300, 0, 0, 0, 1, 0, 0, 0, -300}, 2, 0),      // packed sums, no table
        kernelOf({5000, 0, 0, 0, 1, 0, 0, 0, -5000}, 7, 0),    // plain sums
        kernelOf({1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 2000),       // bias too large for 16-bit lanes
        kernelOf({-62, 0, 0, 0, 62, 0, 0, 0, 0}, 3, -1024),    // widest lane sums
        kernelOf({124, 0, 0, 0, 0, 0, 0, 0, 0}, 2047, 1024),
        kernelOf({0, 0, 0, -124, 0, 0, 0, 0, 0}, 2048, 7),
        kernelOf({0, 0, 0, 0, 0, 0, 0, 0, 124}, 2049, 0),
    };
    uint32_t seed = 12345;
    auto next = [&seed](int32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return int32_t((seed >> 8) % uint32_t(2 * range + 1)) - range;
    };
    for (int i = 0; i < 150; ++i) {
        const int32_t range = i < 100 ? 9 : 400;
        ConvolutionKernel k = kernelOf({next(range), next(range), next(range), next(range), next(range),
                                        next(range), next(range), next(range), next(range)},
                                       i % 3 == 0 ? 1 << ((i / 3) % 10) : (i % 3 == 1 ? next(60) : next(2100)), next(300));
        kernels.push_back(k);
    }
    for (ConvolutionKernel k : kernels) {
        Convolution3x3 conv(k);
        for (auto [w, h, checker] : {std::tuple{7, 5, false}, std::tuple{7, 5, true}, std::tuple{1, 6, false},
                                     std::tuple{6, 1, true}, std::tuple{2, 2, false}, std::tuple{3, 4, true}}) {
            // Random pixels, or black and white ones for the widest sums.
            std::vector<uint32_t> pixels(size_t(w) * h);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    pixels[size_t(y) * w + x] = checker ? ((x + y) % 2 ? 0xFFFFFFFFu : 0u)
                                                        : noisePixel(x + int32_t(seed % 7), y);
            const PixelView view{pixels.data(), w, h, w};
            std::vector<uint32_t> rows(pixels.size());
            conv.filterRows(view, 0, h, rows.data(), w);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    ASSERT_EQ(rows[size_t(y) * w + x], conv.at(view, x, y))
                        << w << "x" << h << " at " << x << "," << y << " K0 " << k.K0 << " div " << k.Divisor
                        << " bias " << k.Bias;
        }
    }
}

}  // namespace
}  // namespace kalvora
