// A viewer that keeps its own copy of the output and, at each report, brings
// over only the area the generator drew since the report before.

#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
}  // namespace kalvora
