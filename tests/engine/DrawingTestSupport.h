#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/BrickDefaults.h"
#include "engine/GeneratorHost.h"
#include "engine/TextureOptionsModel.h"
#include "engine/cBrickData.h"
#include "engine/cBrickGenerator.h"
#include "imaging/cBitmap.h"
#include "imaging/cInlineBitmap.h"
#include "platform/PixelFormat.h"

namespace kalvora::testing {

// A w x h image in the given format whose pixels come from colour(x, y) (ARGB).
inline std::shared_ptr<cInlineBitmap> paintedImage(int32_t w, int32_t h,
                                                   const std::function<uint32_t(int32_t, int32_t)>& colour,
                                                   platform::PixelFormatId format = platform::kFormat32bppARGB)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = colour(x, y);
            uint8_t* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(c);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c >> 16);
            p[3] = static_cast<uint8_t>(c >> 24);
        }
    auto image = std::make_shared<cInlineBitmap>();
    cBitmap argb;
    EXPECT_EQ(argb.CreateFromScan0(w, h, w * 4, platform::kFormat32bppARGB, pixels.data()), platform::Ok);
    EXPECT_EQ(image->Bitmap.CreateFromClone(w, h, argb.Handle(), format), platform::Ok);
    return image;
}

inline std::shared_ptr<cInlineBitmap> solidImage(int32_t w, int32_t h, uint32_t argb,
                                                 platform::PixelFormatId format = platform::kFormat32bppARGB)
{
    return paintedImage(w, h, [argb](int32_t, int32_t) { return argb; }, format);
}

// Red rises from left to right, green from top to bottom; alpha 255 or, with
// withAlpha, falling from left to right.
inline std::shared_ptr<cInlineBitmap> gradientImage(int32_t w, int32_t h, bool withAlpha = false)
{
    return paintedImage(w, h, [=](int32_t x, int32_t y) {
        const uint32_t r = static_cast<uint32_t>(x * 255 / (w > 1 ? w - 1 : 1));
        const uint32_t g = static_cast<uint32_t>(y * 255 / (h > 1 ? h - 1 : 1));
        const uint32_t a = withAlpha ? 255u - r / 2 : 255u;
        return (a << 24) | (r << 16) | (g << 8) | 0x40u;
    });
}

inline uint32_t pixelAt(const cBitmap& image, int32_t x, int32_t y) { return image.Handle()->pixelArgb(x, y); }
inline uint32_t alphaAt(const cBitmap& image, int32_t x, int32_t y) { return pixelAt(image, x, y) >> 24; }

// Same size, format and bytes.
inline bool sameBytes(const cBitmap& a, const cBitmap& b)
{
    const platform::Image* ia = a.Handle();
    const platform::Image* ib = b.Handle();
    if (!ia || !ib) return ia == ib;
    if (ia->width() != ib->width() || ia->height() != ib->height() || ia->format() != ib->format()) return false;
    for (int32_t y = 0; y < ia->height(); ++y)
        for (int32_t x = 0; x < ia->width(); ++x)
            if (ia->pixelArgb(x, y) != ib->pixelArgb(x, y)) return false;
    return true;
}

// Border, arch and column sizes that fit the small test textures.
inline void smallTextureOptions(TextureOptionsValues& o)
{
    o.BorderWidth = 40;
    o.BorderHeight = 120;
    o.BorderAntialias = 3;
    o.ArcWidth = 150;
    o.ArcHeight = 100;
    o.ArcAntialias = 4;
    o.ColumnWidth = 60;
    o.ColumnHeight = 120;
    o.ColumnAntialias = 5;
}

// Runs the generator without windows: the texture options model answers for
// the dialog, with optional changes to its values.
class DrawingHost : public GeneratorHost {
public:
    TextureOptionsModel options;
    std::function<void(TextureOptionsValues&)> editOptions;
    bool preview = false;
    int32_t quality = 2;

    int32_t showTextureOptions(cBrickData& project, int32_t brickStyle) override
    {
        const int32_t result = options.ShowDialog(project, brickStyle);
        if (editOptions) editOptions(options);
        return result;
    }
    TextureOptionsValues textureOptions() const override { return options.values(); }
    bool previewTabShown() const override { return preview; }
    int32_t previewQualityIndex() const override { return quality; }
    void processEvents() override
    {
        if (onYield) onYield();
    }
    // Called at every yield of the run.
    std::function<void()> onYield;

    // Records the generator's reports (and calls onReport with each text).
    void listenTo(cBrickGenerator& generator)
    {
        generator.Progress = [this](int32_t percent, int32_t, const std::string& description, bool) {
            reports.push_back({percent, description});
            if (onReport) onReport(description);
        };
    }

    std::vector<std::pair<int32_t, std::string>> reports;
    // Called with each report's text (for example to cancel the run).
    std::function<void(const std::string&)> onReport;
};

}  // namespace kalvora::testing
