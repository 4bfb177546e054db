// The drawing phases of the generator run: the mortar background, the
// bricks and the post-processing of the partial textures.

#include <cmath>
#include <string>

#include "engine/BrickPainter.h"
#include "engine/MortarBackground.h"
#include "engine/TexturePostProcess.h"
#include "engine/cBrickData.h"
#include "engine/cBrickGenerator.h"
#include "platform/PixelFormat.h"
#include "platform/RandomGenerator.h"
#include "platform/ThreadPool.h"

namespace kalvora {

namespace {

constexpr int kSeedTableSize = 1024;

// The soft outlines draw from the filter's random generator. It is put into
// the state that building the seeded random table leaves (restarted from
// -|seed|, one value discarded, one value per table entry), so the same
// project and seed give the same edges on every run.
void seedOutlineRandom(platform::RandomGenerator& random, int32_t seed)
{
    const double argument = -std::fabs(static_cast<double>(seed));
    random.reseedFromNumber(argument);
    random.next(argument);
    for (int i = 0; i < kSeedTableSize; ++i) random.next();
}

}  // namespace

void cBrickGenerator::DrawMortarBackground()
{
    const cBrickData& project = *BrickData;
    CreateTargetBitmap(project.Width, project.Height);
    if (!Aborted) PrepareGraphics();
    if (Aborted) {
        // No canvas to draw on: the run ends with an empty result.
        OutGraphics.Dispose();
        OutBitmap.Dispose();
        return;
    }
    // A new output image is already transparent black: no clearing pass.
    noteStatus(MortarBackground::DrawMortarTiles(project, m_sizes.BlendBordersPx, ResizeMode, OutGraphics, ImageFilter,
                                                 [this] {
                                                     yieldToEvents();
                                                     return Aborted;
                                                 }));
}

void cBrickGenerator::DrawAllBricks()
{
    // After a cancel or failure no brick is drawn.
    if (Aborted) return;
    PrepareGraphics();
    seedOutlineRandom(ImageFilter.randomGenerator(), BrickData->RandomSeed);
    const BrickPainter painter(*BrickData, m_sizes, ResizeMode);
    const platform::Status status = painter.DrawAllBricks(
        Bricks, OutGraphics, WorkBitmap, ImageFilter, platform::ThreadPool::size(), [this] { return Aborted; },
        [this](size_t i, size_t n) {
            const tBrick& b = Bricks[i - 1];
            m_drawn.markWrapping(b.Left, b.Top, b.Width, b.Height, BrickData->Width);
            const float value = static_cast<float>(static_cast<double>(i) / static_cast<double>(n) - 0.00001);
            ReportProgress(value, "Drawing Brick (" + std::to_string(i) + " of " + std::to_string(n) + ")");
        });
    noteStatus(status);
    OutGraphics.Dispose();
}

void cBrickGenerator::DrawBrick(const tBrick& b)
{
    noteStatus(BrickPainter(*BrickData, m_sizes, ResizeMode).DrawBrick(b, OutGraphics, WorkBitmap, ImageFilter));
}

void cBrickGenerator::ProcessBorders()
{
    OutGraphics.Dispose();
    noteStatus(TexturePostProcess(*BrickData, m_sizes, m_options, OutBitmap, WorkBitmap, ImageFilter)
                   .ProcessBorders(
                       Bricks, [this] { return Aborted; },
                       [this](float value, const std::string& description) {
                           m_drawn.markAll();
                           ReportProgress(value, description);
                       }));
}

void cBrickGenerator::PostProcessArch()
{
    OutGraphics.Dispose();
    noteStatus(TexturePostProcess(*BrickData, m_sizes, m_options, OutBitmap, WorkBitmap, ImageFilter).PostProcessArch());
}

void cBrickGenerator::PostProcessColumn()
{
    OutGraphics.Dispose();
    noteStatus(
        TexturePostProcess(*BrickData, m_sizes, m_options, OutBitmap, WorkBitmap, ImageFilter).PostProcessColumn());
}

}  // namespace kalvora
