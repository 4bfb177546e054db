#pragma once

#include <cstdint>

#include "engine/LayoutPixelSizes.h"
#include "engine/TextureOptionsValues.h"

namespace kalvora {

struct BrickSettings;

// What the texture options dialog holds, without the dialog: the twelve
// values, their defaults computed from the project, the rule that keeps the
// user's values until the size to generate changes, and the ranges of the
// dialog's sliders. The dialog shows this model; a headless caller uses
// ShowDialog directly and gets exactly what OK in the dialog would return.
class TextureOptionsModel : public TextureOptionsValues {
public:
    // The ranges of the dialog's three sliders and the blend slider's tick
    // spacing for one texture type.
    struct SliderLimits {
        int32_t widthMin = 16;
        int32_t widthMax = 16384;
        int32_t heightMin = 16;
        int32_t heightMax = 16384;
        int32_t blendMin = 0;
        int32_t blendMax = 0;
        int32_t blendTickFrequency = 0;
    };

    // The four values one texture type shows: size, blend size and offset.
    struct StyleValues {
        int32_t width = 0;
        int32_t height = 0;
        int32_t blend = 0;
        int32_t offset = 0;
    };

    static constexpr int32_t kResultOk = 1;
    static constexpr int32_t kResultCancel = 2;

    // Headless showing: the steps before the dialog appears, then the
    // texture type's values held to the slider ranges as OK stores them.
    // Returns 1 (go on); type 0 returns 1 at once and touches nothing.
    int32_t ShowDialog(const BrickSettings& aBrickData, int32_t aBrickStyle);

    // The steps before the dialog appears: remembers the project and type,
    // computes all defaults on first use and the sizes and blend sizes
    // again when the project's size changed since the last showing.
    // Returns false for type 0, which shows nothing and changes nothing.
    bool prepareShowing(const BrickSettings& aBrickData, int32_t aBrickStyle);

    // Recomputes the chosen groups from the project of the last showing;
    // the pixel sizes are always recomputed. Does nothing before a showing.
    void ComputeDefaults(bool doWidth, bool doHeight, bool doBlend, bool doOffset);

    // The dialog's "Defaults" button: all four groups.
    void restoreDefaults() { ComputeDefaults(true, true, true, true); }

    // Slider ranges for the texture type of the current showing.
    SliderLimits sliderLimits() const;
    // The current texture type's values, and storing them back held to the
    // slider ranges and the offset list (other types' values stay).
    StyleValues styleValues() const;
    void StoreValues(const StyleValues& values);

    int32_t brickStyle() const { return m_brickStyle; }
    bool Initialized() const { return m_initialized; }
    int32_t LastWidth() const { return m_lastWidth; }
    int32_t LastHeight() const { return m_lastHeight; }
    const LayoutPixelSizes& pixelSizes() const { return m_sizes; }

    const TextureOptionsValues& values() const { return *this; }

private:
    const BrickSettings* m_brickData = nullptr;
    int32_t m_brickStyle = 0;
    bool m_initialized = false;
    int32_t m_lastWidth = 0;
    int32_t m_lastHeight = 0;
    LayoutPixelSizes m_sizes;
};

}  // namespace kalvora
