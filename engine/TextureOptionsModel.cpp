#include "engine/TextureOptionsModel.h"

#include <limits>

#include "engine/BrickLayout.h"
#include "engine/BrickSettings.h"
#include "platform/Numeric.h"

namespace kalvora {

namespace {

constexpr int32_t kOffsetItems = 3;

// Sums of sizes in 64 bits, held to the 32-bit range.
int32_t held(int64_t v)
{
    return platform::clampInt(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
}

bool isBorderStyle(int32_t style) { return style >= LeftBorder && style <= BothBorders; }

}  // namespace

int32_t TextureOptionsModel::ShowDialog(const BrickSettings& aBrickData, int32_t aBrickStyle)
{
    if (!prepareShowing(aBrickData, aBrickStyle)) return kResultOk;
    StoreValues(styleValues());
    return kResultOk;
}

bool TextureOptionsModel::prepareShowing(const BrickSettings& aBrickData, int32_t aBrickStyle)
{
    if (aBrickStyle == SeamlessTexture) return false;
    m_brickData = &aBrickData;
    m_brickStyle = aBrickStyle;
    if (!m_initialized) {
        ComputeDefaults(true, true, true, true);
        m_initialized = true;
    } else if (aBrickData.Width != m_lastWidth || aBrickData.Height != m_lastHeight) {
        ComputeDefaults(true, true, true, false);
    }
    m_lastWidth = aBrickData.Width;
    m_lastHeight = aBrickData.Height;
    return true;
}

void TextureOptionsModel::ComputeDefaults(bool doWidth, bool doHeight, bool doBlend, bool doOffset)
{
    if (!m_brickData) return;
    const BrickSettings& project = *m_brickData;
    m_sizes = LayoutPixelSizes::compute(project);
    const LayoutPixelSizes& s = m_sizes;

    // The arch sizes use ArcAntialias as it stands after this group.
    if (doBlend) {
        BorderAntialias = held(2 * int64_t(s.AntiAliasPx));
        ArcAntialias = held(int64_t(s.AntiAliasPx) + s.NoiseStrengthPx + 1);
        ColumnAntialias = held(2 * int64_t(s.AntiAliasPx));
    }
    const int64_t archMargin = int64_t(ArcAntialias) + s.NoiseStrengthPx + s.BorderSizePx;
    if (doWidth) {
        BorderWidth = held((3 * int64_t(s.MaxWidthPx) +
                            2 * (int64_t(s.AntiAliasPx) + s.NoiseStrengthPx + s.RoundedBorderPx + s.BorderSizePx)) /
                           2);
        ArcWidth = held(s.MaxWidthPx + 2 * archMargin);
        ColumnWidth = s.MaxWidthPx;
    }
    if (doHeight) {
        BorderHeight = project.Height;
        ArcHeight = held(project.Height + 2 * archMargin);
        ColumnHeight = project.Height;
    }
    if (doOffset) {
        BorderBrickOffset = project.RowOffset;
        ArcBrickOffset = project.RowOffset;
        ColumnBrickOffset = project.RowOffset;
    }
}

TextureOptionsModel::SliderLimits TextureOptionsModel::sliderLimits() const
{
    SliderLimits limits;
    if (isBorderStyle(m_brickStyle))
        limits.blendMax = m_sizes.MaxWidthPx / 2;
    else if (m_brickStyle == ArchTexture)
        limits.blendMax = m_sizes.MinWidthPx / 2;
    else if (m_brickStyle == ColumnTexture)
        limits.blendMax = m_sizes.MaxWidthPx;
    if (limits.blendMax < limits.blendMin) limits.blendMax = limits.blendMin;
    limits.blendTickFrequency = (limits.blendMax - limits.blendMin) / 8;
    return limits;
}

TextureOptionsModel::StyleValues TextureOptionsModel::styleValues() const
{
    if (isBorderStyle(m_brickStyle))
        return {BorderWidth, BorderHeight, BorderAntialias, BorderBrickOffset};
    if (m_brickStyle == ArchTexture) return {ArcWidth, ArcHeight, ArcAntialias, ArcBrickOffset};
    if (m_brickStyle == ColumnTexture) return {ColumnWidth, ColumnHeight, ColumnAntialias, ColumnBrickOffset};
    return {};
}

void TextureOptionsModel::StoreValues(const StyleValues& values)
{
    const SliderLimits limits = sliderLimits();
    const int32_t width = platform::clampInt(values.width, limits.widthMin, limits.widthMax);
    const int32_t height = platform::clampInt(values.height, limits.heightMin, limits.heightMax);
    const int32_t blend = platform::clampInt(values.blend, limits.blendMin, limits.blendMax);
    const int32_t offset = platform::clampInt(values.offset, 0, kOffsetItems - 1);
    if (isBorderStyle(m_brickStyle)) {
        BorderWidth = width;
        BorderHeight = height;
        BorderAntialias = blend;
        BorderBrickOffset = offset;
    } else if (m_brickStyle == ArchTexture) {
        ArcWidth = width;
        ArcHeight = height;
        ArcAntialias = blend;
        ArcBrickOffset = offset;
    } else if (m_brickStyle == ColumnTexture) {
        ColumnWidth = width;
        ColumnHeight = height;
        ColumnAntialias = blend;
        ColumnBrickOffset = offset;
    }
}

}  // namespace kalvora
