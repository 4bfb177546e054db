#pragma once

#include "views/FilterDialogFrame.h"

class QCheckBox;

namespace kalvora {

// "Texture Filters": makes the editor's image tile seamlessly, gives it
// transparent, rounded, ragged borders, or turns it as a height map into a
// normal map. Its sliders are percentages of the image's sizes.
class TextureFilterWindow : public FilterDialogFrame {
    Q_OBJECT
public:
    TextureFilterWindow();

    // The program's one texture filter dialog, made on the first call.
    static TextureFilterWindow& instance();

    // 11, 12, 13 show pages 0, 1, 2; other indexes leave the page as it is.
    void selectFilter(int filterIndex) override;

protected:
    platform::Image* runPageFilters() override;

private:
    enum Pair { Seamless, BorderSize, RoundedEdges, NoiseStrength, NoiseFrequency, Antialias, PairCount };

    void buildPages();
    QCheckBox* addCheck(QGridLayout* grid, const char* name, const QString& caption);
    platform::Image* runSeamless();
    platform::Image* runTransparentBorder();

    SliderTextPair* m_pairs[PairCount] = {};
    QCheckBox* SeamlessHorizontalCheck = nullptr;
    QCheckBox* SeamlessVerticalCheck = nullptr;
    QCheckBox* HeightMapToAlphaCheck = nullptr;
};

}  // namespace kalvora
