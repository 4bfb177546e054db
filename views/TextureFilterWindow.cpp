#include "views/TextureFilterWindow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QTabWidget>

#include "uicore/TextureFilterArguments.h"

namespace kalvora {

namespace {

enum Page { SeamlessPage, TransparentBordersPage, NormalMapPage };

constexpr int kFirstFilterIndex = 11;

// Every pair is a percentage from 0 to 100 with two decimals. "Blend
// Borders:" and "Border Size:" start at 10 %, the others at 0.
constexpr SliderTextPair::Definition percentPair(const char* label, const char* slider, const char* text, int32_t start)
{
    return {label, slider, text, 0, 10000, start, 2, 100, 1000, true};
}

constexpr SliderTextPair::Definition kPairs[] = {
    percentPair("Blend Borders:", "SeamlessSlider", "SeamlessText", 1000),
    percentPair("Border Size:", "BorderSizeSlider", "BorderSizeText", 1000),
    percentPair("Rounded Edges:", "RoundedEdgesSlider", "RoundedEdgesText", 0),
    percentPair("Noise Strength:", "NoiseStrengthSlider", "NoiseStrengthText", 0),
    percentPair("Noise Frequency:", "NoiseFrequencySlider", "NoiseFrequencyText", 0),
    percentPair("Blend Size:", "AntialiasSlider", "AntialiasText", 0),
};

}  // namespace

TextureFilterWindow::TextureFilterWindow()
    : FilterDialogFrame(QStringLiteral("TextureFilterWindow"), tr("Texture Filters"))
{
    buildPages();
}

TextureFilterWindow& TextureFilterWindow::instance()
{
    // Lives as long as the program and is only ever hidden.
    static TextureFilterWindow* dialog = new TextureFilterWindow;
    return *dialog;
}

QCheckBox* TextureFilterWindow::addCheck(QGridLayout* grid, const char* name, const QString& caption)
{
    auto* check = new QCheckBox(caption, grid->parentWidget());
    check->setObjectName(QString::fromLatin1(name));
    check->setChecked(true);
    grid->addWidget(check, grid->rowCount(), 1);
    return check;
}

void TextureFilterWindow::buildPages()
{
    QGridLayout* seamless = addPage(tr("Make Seamless"));
    m_pairs[Seamless] = addPair(kPairs[Seamless], seamless);
    SeamlessHorizontalCheck = addCheck(seamless, "SeamlessHorizontalCheck", tr("Horizontally Seamless"));
    SeamlessVerticalCheck = addCheck(seamless, "SeamlessVerticalCheck", tr("Vertically Seamless"));
    seamless->setRowStretch(seamless->rowCount(), 1);

    QGridLayout* borders = addPage(tr("Transparent Borders"));
    for (int pair = BorderSize; pair <= Antialias; ++pair) m_pairs[pair] = addPair(kPairs[pair], borders);
    borders->setRowStretch(borders->rowCount(), 1);

    QGridLayout* normalMap = addPage(tr("Generate Normal Map"));
    HeightMapToAlphaCheck = addCheck(normalMap, "HeightMapToAlphaCheck", tr("Save Height Map to Alpha Channel"));
    normalMap->setRowStretch(normalMap->rowCount(), 1);
}

void TextureFilterWindow::selectFilter(int filterIndex)
{
    const int page = filterIndex - kFirstFilterIndex;
    if (page >= 0 && page < Tab1->count()) Tab1->setCurrentIndex(page);
}

platform::Image* TextureFilterWindow::runPageFilters()
{
    switch (Tab1->currentIndex()) {
    case SeamlessPage:
        return runSeamless();
    case TransparentBordersPage:
        return runTransparentBorder();
    case NormalMapPage:
        return cFilter.CreateNormalMap(HeightMapToAlphaCheck->isChecked());
    default:
        return cFilter.GetHandle();
    }
}

platform::Image* TextureFilterWindow::runSeamless()
{
    // The overlap comes from the image width and serves both directions;
    // the window keeps the top-left part of the enlarged result.
    const int32_t overlap = TextureFilterArguments::seamlessOverlap(m_pairs[Seamless]->asInteger(),
                                                                    cFilter.loadedWidth());
    return cFilter.CreateSeamlessTextureFilter(overlap, SeamlessHorizontalCheck->isChecked(),
                                               SeamlessVerticalCheck->isChecked());
}

platform::Image* TextureFilterWindow::runTransparentBorder()
{
    const TransparentBorderArguments a = TextureFilterArguments::transparentBorder(
        cFilter.loadedWidth(), cFilter.loadedHeight(), m_pairs[BorderSize]->asInteger(),
        m_pairs[RoundedEdges]->asInteger(), m_pairs[NoiseStrength]->asSingle(),
        m_pairs[NoiseFrequency]->asSingle(), m_pairs[Antialias]->asSingle());
    return cFilter.CreateTransparentBorder(a.BorderSize, a.RoundedEdgeSize, a.NoiseStrength, a.NoiseLength,
                                           a.AntiAlias);
}

}  // namespace kalvora
