#include "views/ImageFilterWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QTabWidget>

#include "platform/PixelFormat.h"
#include "platform/Services.h"

namespace kalvora {

namespace {

enum Page { ContrastPage, RgbPage, HslPage, GammaPage, SharpenPage, NoisePage, EffectsPage };

constexpr int kFirstEffectIndex = 6;
constexpr int kLastEffectIndex = 10;

// Label, slider, text box, range, start position, digits, large step, tick
// spacing, "%" label; in the order of the pages.
constexpr SliderTextPair::Definition kPairs[] = {
    {"Brightness:", "BrightnessSlider", "BrightnessText", -255, 255, 0, 0, 10, 64, false},
    {"Contrast:", "ContrastSlider", "ContrastText", -255, 255, 0, 0, 10, 64, false},
    {"Red:", "RedSlider", "RedText", -255, 255, 0, 0, 10, 64, false},
    {"Green: ", "GreenSlider", "GreenText", -255, 255, 0, 0, 10, 64, false},
    {"Blue:", "BlueSlider", "BlueText", -255, 255, 0, 0, 10, 64, false},
    {"Hue:", "HueSlider", "HueText", -180, 180, 0, 0, 15, 45, false},
    {"Saturation:", "SaturationSlider", "SaturationText", -100, 100, 0, 0, 10, 25, false},
    {"Luminance:", "LuminanceSlider", "LuminanceText", -100, 100, 0, 0, 10, 25, false},
    {"Gamma:", "GammaSlider", "GammaText", 0, 1000, 100, 2, 100, 100, false},
    {"Threshold:", "ThresholdSlider", "ThresholdText", 0, 255, 128, 0, 10, 32, false},
    {"Strength:", "SharpenSlider", "SharpenText", 0, 255, 128, 0, 10, 32, false},
    {"Strength:", "NoiseSlider", "NoiseText", 0, 255, 128, 0, 10, 32, false},
    {"Noise Frequency:", "NoiseFrequencySlider", "NoiseFrequencyText", 0, 10000, 0, 2, 100, 1000, true},
};

// The page of each pair, in the order of kPairs.
constexpr Page kPairPages[] = {ContrastPage, ContrastPage, RgbPage,     RgbPage,     RgbPage,   HslPage,  HslPage,
                               HslPage,      GammaPage,    GammaPage,   SharpenPage, NoisePage, NoisePage};

// Interpolation modes of the noise entries "Cubic", "Linear", "None".
constexpr platform::InterpolationMode kNoiseModes[] = {platform::InterpolationMode::HighQualityBicubic,
                                                       platform::InterpolationMode::HighQualityBilinear,
                                                       platform::InterpolationMode::NearestNeighbor};

const char* const kPageTitles[] = {"Contrast", "RGB", "HSL", "Gamma", "Sharpen", "Noise", "Effects"};

}  // namespace

ImageFilterWindow::ImageFilterWindow() : FilterDialogFrame(QStringLiteral("ImageFilterWindow"), tr("Image Filters"))
{
    buildPages();
}

ImageFilterWindow& ImageFilterWindow::instance()
{
    // Lives as long as the program and is only ever hidden.
    static ImageFilterWindow* dialog = new ImageFilterWindow;
    return *dialog;
}

void ImageFilterWindow::buildPages()
{
    QGridLayout* grids[std::size(kPageTitles)] = {};
    for (size_t page = 0; page < std::size(kPageTitles); ++page) grids[page] = addPage(tr(kPageTitles[page]));
    for (int pair = 0; pair < PairCount; ++pair) m_pairs[pair] = addPair(kPairs[pair], grids[kPairPages[pair]]);
    buildNoiseChoices(grids[NoisePage]);
    buildEffectsPage(grids[EffectsPage]);
}

void ImageFilterWindow::buildNoiseChoices(QGridLayout* grid)
{
    QWidget* page = grid->parentWidget();
    NoiseMonochromeCheck = new QCheckBox(tr("Monochrome"), page);
    NoiseMonochromeCheck->setObjectName(QStringLiteral("NoiseMonochromeCheck"));
    const int row = grid->rowCount();
    grid->addWidget(NoiseMonochromeCheck, row, 1);
    NoiseInterpolationCombo = new QComboBox(page);
    NoiseInterpolationCombo->setObjectName(QStringLiteral("NoiseInterpolationCombo"));
    NoiseInterpolationCombo->addItems({tr("Cubic"), tr("Linear"), tr("None")});
    NoiseInterpolationCombo->setCurrentIndex(0);
    grid->addWidget(new QLabel(tr("Interpolation Mode:"), page), row + 1, 0);
    grid->addWidget(NoiseInterpolationCombo, row + 1, 1);
    grid->setRowStretch(row + 2, 1);
}

void ImageFilterWindow::buildEffectsPage(QGridLayout* grid)
{
    QWidget* page = grid->parentWidget();
    FilterEffectsCombo = new QComboBox(page);
    FilterEffectsCombo->setObjectName(QStringLiteral("FilterEffectsCombo"));
    FilterEffectsCombo->addItems({tr("Grayscale Image"), tr("Sepia Toning"), tr("Histogram Equalize"),
                                  tr("Show Contours"), tr("Show Alpha Channel")});
    FilterEffectsCombo->setCurrentIndex(-1);
    grid->addWidget(new QLabel(tr("Choose Filter:"), page), 0, 0);
    grid->addWidget(FilterEffectsCombo, 0, 1);
    grid->setRowStretch(1, 1);
}

void ImageFilterWindow::selectFilter(int filterIndex)
{
    if (filterIndex >= 0 && filterIndex < kFirstEffectIndex) {
        Tab1->setCurrentIndex(filterIndex);
        return;
    }
    if (filterIndex < kFirstEffectIndex || filterIndex > kLastEffectIndex) return;
    Tab1->setCurrentIndex(EffectsPage);
    FilterEffectsCombo->setCurrentIndex(filterIndex - kFirstEffectIndex);
}

platform::InterpolationMode ImageFilterWindow::noiseInterpolationMode() const
{
    const int entry = NoiseInterpolationCombo->currentIndex();
    return entry >= 0 && entry < static_cast<int>(std::size(kNoiseModes)) ? kNoiseModes[entry] : kNoiseModes[0];
}

platform::Image* ImageFilterWindow::runPageFilters()
{
    switch (Tab1->currentIndex()) {
    case ContrastPage:
        if (!takeIntermediate(cFilter.CreateBrightnessFilter(m_pairs[Brightness]->asDouble()))) return nullptr;
        return cFilter.CreateContrastFilter(m_pairs[Contrast]->asDouble());
    case RgbPage:
        return cFilter.CreateShiftRGBFilter(m_pairs[Red]->asInteger(), m_pairs[Green]->asInteger(),
                                            m_pairs[Blue]->asInteger());
    case HslPage:
        return cFilter.CreateHSLFilter(m_pairs[Hue]->asSingle(), m_pairs[Saturation]->asSingle(),
                                       m_pairs[Luminance]->asSingle());
    case GammaPage:
        if (!takeIntermediate(cFilter.CreateGammaFilter(m_pairs[Gamma]->asDouble()))) return nullptr;
        return cFilter.CreateThresholdFilter(m_pairs[Threshold]->asInteger());
    case SharpenPage:
        return cFilter.CreateSharpenFilter1(m_pairs[Sharpen]->asDouble());
    case NoisePage:
        return cFilter.CreateNoiseFilter(m_pairs[Noise]->asByte(), m_pairs[NoiseFrequency]->asByte(),
                                         noiseInterpolationMode(), NoiseMonochromeCheck->isChecked());
    case EffectsPage:
        return runEffect();
    default:
        return cFilter.GetHandle();
    }
}

platform::Image* ImageFilterWindow::runEffect()
{
    switch (FilterEffectsCombo->currentIndex()) {
    case 0:
        return cFilter.CreateGrayScaleFilter();
    case 1:
        return cFilter.CreateSepiaFilter();
    case 2:
        return cFilter.CreateEqualizeFilter();
    case 3:
        return cFilter.CreateConturFilter();
    case 4:
        return cFilter.CreateAlphaAsGray();
    default:
        // No effect chosen: the message, the list takes the focus, and the
        // window gets the unfiltered image.
        platform::Services::messageBox().show("Please select a Filter Effect", "No Filter selected",
                                              platform::ButtonsOk + platform::IconExclamation);
        FilterEffectsCombo->setFocus();
        return cFilter.GetHandle();
    }
}

}  // namespace kalvora
