#pragma once

#include "platform/Surface.h"
#include "views/FilterDialogFrame.h"

class QCheckBox;
class QComboBox;

namespace kalvora {

// "Image Filters": one page per group of colour, tone, sharpen, noise and
// effect filters, run on the editor's image from its backup.
class ImageFilterWindow : public FilterDialogFrame {
    Q_OBJECT
public:
    ImageFilterWindow();

    // The program's one image filter dialog, made on the first call.
    static ImageFilterWindow& instance();

    // 0..5 show pages 0..5; 6..10 show the "Effects" page with the effect
    // index - 6 chosen; other indexes leave the page as it is.
    void selectFilter(int filterIndex) override;

protected:
    platform::Image* runPageFilters() override;

private:
    enum Pair {
        Brightness,
        Contrast,
        Red,
        Green,
        Blue,
        Hue,
        Saturation,
        Luminance,
        Gamma,
        Threshold,
        Sharpen,
        Noise,
        NoiseFrequency,
        PairCount
    };

    void buildPages();
    void buildNoiseChoices(QGridLayout* grid);
    void buildEffectsPage(QGridLayout* grid);
    // The interpolation mode of the chosen noise entry.
    platform::InterpolationMode noiseInterpolationMode() const;
    platform::Image* runEffect();

    SliderTextPair* m_pairs[PairCount] = {};
    QCheckBox* NoiseMonochromeCheck = nullptr;
    QComboBox* NoiseInterpolationCombo = nullptr;
    QComboBox* FilterEffectsCombo = nullptr;
};

}  // namespace kalvora
