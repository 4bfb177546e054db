#include "uicore/SettingsCopyTable.h"

#include "imaging/UISupport.h"
#include "platform/Numeric.h"

namespace kalvora {

namespace {

using S = BrickSettings;
using K = SettingControl;
using P = SettingPanel;
using R = PixelReference;

constexpr int32_t kMortarCaptionLength = 50;

SettingRow slider(const char* field, int32_t S::*member, P panel, const char* sliderName, const char* textName)
{
    return {field, member, panel, K::SliderWithText, sliderName, sliderName, textName, nullptr, R::None};
}

SettingRow percent(const char* field, float S::*member, const char* text, const char* sliderName,
                   const char* pixels = nullptr, R reference = R::None)
{
    return {field,      member, P::Settings, pixels ? K::PercentWithPixels : K::Percent, text, sliderName, text,
            pixels,     reference};
}

SettingRow check(const char* field, bool S::*member, P panel, const char* name)
{
    return {field, member, panel, K::Check, name, nullptr, nullptr, nullptr, R::None};
}

}  // namespace

const std::array<SettingRow, 30>& settingRows()
{
    static const std::array<SettingRow, 30> rows = {
        slider("Width", &S::Width, P::Output, "OutWidthSlider", "OutWidthText"),
        slider("Height", &S::Height, P::Output, "OutHeightSlider", "OutHeightText"),
        check("MaintainAspectRatio", &S::MaintainAspectRatio, P::Output, "AspectRatioCheck"),
        slider("PreviewWidth", &S::PreviewWidth, P::Output, "PreviewWidthSlider", "PreviewWidthText"),
        slider("PreviewHeight", &S::PreviewHeight, P::Output, "PreviewHeightSlider", "PreviewHeightText"),
        SettingRow{"PreviewQuality", &S::PreviewQuality, P::Output, K::List, "PreviewQualityCombo", nullptr, nullptr,
                   nullptr, R::None},
        SettingRow{"Name", &S::Name, P::Settings, K::Text, "NameText", nullptr, nullptr, nullptr, R::None},
        SettingRow{"Description", &S::Description, P::Settings, K::Text, "DescriptionText", nullptr, nullptr,
                   nullptr, R::None},
        SettingRow{"RowOffset", &S::RowOffset, P::Settings, K::List, "RowOffsetCombo", nullptr, nullptr, nullptr,
                   R::None},
        slider("RandomSeed", &S::RandomSeed, P::Settings, "RandomSlider", "RandomText"),
        check("RandomBrickDistribution", &S::RandomBrickDistribution, P::Settings, "BrickDistributionCheck"),
        percent("MinWidth", &S::MinWidth, "MinWidthText", "MinWidthSlider", "MinWidthPxText", R::OutputWidth),
        percent("MaxWidth", &S::MaxWidth, "MaxWidthText", "MaxWidthSlider", "MaxWidthPxText", R::OutputWidth),
        percent("MinHeight", &S::MinHeight, "MinHeightText", "MinHeightSlider", "MinHeightPxText", R::OutputHeight),
        percent("MaxHeight", &S::MaxHeight, "MaxHeightText", "MaxHeightSlider", "MaxHeightPxText", R::OutputHeight),
        percent("BorderSize", &S::BorderSize, "BorderText", "BorderSlider", "BorderPxText", R::SmallestBrick),
        percent("RoundedBorder", &S::RoundedBorder, "RoundedText", "RoundedSlider", "RoundedPxText",
                R::HalfSmallestBrick),
        percent("NoiseStrength", &S::NoiseStrength, "StrengthText", "StrengthSlider", "StrengthPxText",
                R::SmallestBrick),
        percent("NoiseFrequency", &S::NoiseFrequency, "FreqText", "FreqSlider", "FreqPxText", R::SmallestBrick),
        percent("AntiAlias", &S::AntiAlias, "AntialiasText", "AntialiasSlider", "AntialiasPxText",
                R::HalfBorderPixels),
        check("FlipH", &S::FlipH, P::Settings, "FlipHCheck"),
        check("FlipV", &S::FlipV, P::Settings, "FlipVCheck"),
        percent("ChangeHue", &S::ChangeHue, "HueText", "HueSlider"),
        percent("ChangeSaturation", &S::ChangeSaturation, "SatText", "SatSlider"),
        percent("ChangeLuminance", &S::ChangeLuminance, "LumText", "LumSlider"),
        slider("RepeatX", &S::RepeatX, P::Settings, "RepXSlider", "RepXText"),
        slider("RepeatY", &S::RepeatY, P::Settings, "RepYSlider", "RepYText"),
        check("SeamlessH", &S::SeamlessH, P::Settings, "SeamlessHCheck"),
        check("SeamlessV", &S::SeamlessV, P::Settings, "SeamlessVCheck"),
        percent("BlendBorders", &S::BlendBorders, "SeamlessText", "SeamlessSlider"),
    };
    return rows;
}

int32_t pixelReference(PixelReference reference, const BrickSettings& settings, int32_t borderPixels)
{
    const auto smallestBrick = [&] {
        return platform::roundToInt32(static_cast<double>(settings.MinHeight) * settings.Height / 100.0);
    };
    switch (reference) {
    case R::OutputWidth:
        return settings.Width;
    case R::OutputHeight:
        return settings.Height;
    case R::SmallestBrick:
        return smallestBrick();
    case R::HalfSmallestBrick:
        return smallestBrick() / 2;
    case R::HalfBorderPixels:
        return borderPixels / 2;
    case R::None:
        break;
    }
    return 0;
}

std::string brickFilesCaption(int32_t count) { return std::to_string(count) + " File(s) &Selected..."; }

std::string mortarFileCaption(const std::string& fileName)
{
    if (fileName.empty()) return "&Select File...";
    return UISupport::ShortenText(fileName, kMortarCaptionLength);
}

}  // namespace kalvora
