// A viewer that keeps its own copy of the output and, at each report, brings
// over only the area the generator drew since the report before.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "DrawingTestSupport.h"
#include "engine/BrickLayout.h"

namespace kalvora {
namespace {

bool sameBytes(const cBitmap& a, const cBitmap& b)
{
    const platform::Image* x = a.Handle();
    const platform::Image* y = b.Handle();
    return x && y && x->width() == y->width() && x->height() == y->height() && x->format() == y->format() &&
           std::memcmp(x->data(), y->data(), static_cast<size_t>(x->byteSize())) == 0;
}

TEST(DrawnArea, CopyingOnlyTheDrawnAreaKeepsAViewerEqualToTheOutput)
{
    cBrickData project;
    testing::DrawingHost host;
    cBrickGenerator generator;
    host.listenTo(generator);
    host.editOptions = testing::smallTextureOptions;
    cBitmap viewer;
    int64_t copiedPixels = 0;
    int64_t wholePixels = 0;
    int differing = 0;
    host.onReport = [&](const std::string&) {
        const cBitmap& out = generator.OutBitmap;
        const platform::PixelRect area = generator.takeDrawnArea();
        if (!out.Handle()) return;
        if (!viewer.Handle() || viewer.Width() != out.Width() || viewer.Height() != out.Height())
            ASSERT_EQ(viewer.CreateFromClone(out.Width(), out.Height(), out.Handle(), out.PixelFormat()), platform::Ok);
        else
            ASSERT_EQ(viewer.Handle()->copyPixelsFrom(*out.Handle(), area), platform::Ok);
        copiedPixels += int64_t{area.width} * area.height;
        wholePixels += int64_t{out.Width()} * out.Height();
        differing += !sameBytes(viewer, out);
    };
    for (int32_t style = SeamlessTexture; style <= ColumnTexture; ++style) {
        SCOPED_TRACE(style);
        BrickDefaults::reset(project);
        project.Width = 160;
        project.Height = 120;
        project.NoiseStrength = 10.0f;
        project.BrickFiles->Add(testing::gradientImage(24, 16, true));
        project.BrickFiles->Add(testing::solidImage(10, 30, 0xFF306090u, platform::kFormat24bppRGB));
        project.MortarFile = testing::gradientImage(32, 32);
        copiedPixels = wholePixels = differing = 0;
        ASSERT_TRUE(generator.GenerateBricks(project, style, host));
        EXPECT_EQ(differing, 0);
        // The bricks' reports bring over their own areas, not the whole image
        // (the border pass reports over the whole strip).
        if (style == SeamlessTexture) {
            EXPECT_LT(copiedPixels * 4, wholePixels);
        }
    }
}

// A copy of part of the drawn area comes in whole rows, some maxPixels of
// them, and takes every brick it touches whole; the rest comes later.
TEST(DrawnArea, APartOfTheAreaTakesEveryBrickItTouchesWhole)
{
    const auto rows = [](const platform::PixelRect& r) { return std::vector<int32_t>{r.x, r.y, r.width, r.height}; };
    DrawnArea area;
    area.mark(3, 10, 100, 50);
    EXPECT_EQ(rows(area.takeRows(200, 200, 1099, 0)), (std::vector<int32_t>{3, 10, 100, 50}));
    area.markAll();
    EXPECT_EQ(rows(area.takeRows(100, 50, 1099, 0)), (std::vector<int32_t>{0, 0, 100, 10}));
    EXPECT_EQ(rows(area.takeRows(100, 50, 10, 0)), (std::vector<int32_t>{0, 10, 100, 1}));
    // From a row inside the area the rows above it are left too: all of the
    // area stays.
    EXPECT_EQ(rows(area.takeRows(100, 50, 1000, 30)), (std::vector<int32_t>{0, 30, 100, 10}));
    EXPECT_EQ(rows(area.takeRows(100, 50, 5000, 0)), (std::vector<int32_t>{0, 11, 100, 39}));
    EXPECT_TRUE(area.empty());
    // Bricks of a wall drawn in order, a copy of a few rows after every few
    // bricks, once from the top and once from a front that moves down as a
    // new picture comes in: every brick comes in one copy, and no copy
    // before it brings part of it.
    std::mt19937 random(3);
    for (const bool front : {false, true}) {
        struct Brick {
            int32_t top, bottom;
            bool copied = false;
        };
        std::vector<Brick> drawn;
        int32_t shown = 0;
        area.markAll();
        for (int32_t top = 0; top < 600; top += 20 + int32_t(random() % 20)) {
            for (int32_t left = 0; left < 1000; left += 100) {
                const int32_t height = 20 + int32_t(random() % 30);
                area.markWrapping(left + 50, top, 100, height, 1000);
                drawn.push_back({top, std::min(top + height, 600)});
                if (drawn.size() % 7 != 0) continue;
                const platform::PixelRect part = area.takeRows(1000, 600, 1000 * 25, front ? shown : 0);
                ASSERT_GT(part.height, 0);
                if (part.y <= shown) shown = std::max(shown, part.y + part.height);
                for (Brick& b : drawn) {
                    if (b.copied) continue;
                    const bool inside = b.top >= part.y && b.bottom <= part.y + part.height;
                    EXPECT_TRUE(inside || b.bottom <= part.y || b.top >= part.y + part.height)
                        << b.top << "-" << b.bottom << " cut by " << part.y << "+" << part.height;
                    b.copied = b.copied || inside;
                }
            }
        }
        const platform::PixelRect rest = area.take(1000, 600);
        for (const Brick& b : drawn) EXPECT_TRUE(b.copied || (b.top >= rest.y && b.bottom <= rest.y + rest.height));
    }
}

}  // namespace
}  // namespace kalvora
