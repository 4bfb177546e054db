// Writes the benchmark projects into a folder (argument, or
// $KALVORA_BENCH_DATA): eight 512 x 512 brick images and a 1024 x 1024
// mortar image of smooth noise with fine grain (photograph-like content that
// resamples and compresses like real pictures), in
//   render-1024.bricks  1024 x 1024 final, 512 x 512 low-quality preview,
//                       the default brick sizes;
//   render-4096.bricks  4096 x 4096 final, bricks of 3-5 % of the width and
//                       4-6 % of the height (about 500 bricks);
//   render-16384.bricks 16384 x 16384 final, bricks of 20-30 % of the width
//                       and 10-15 % of the height (about 32 bricks): a long
//                       run of few large bricks.
// All have ragged soft outlines, colour shifts and flips; the mortar keeps
// the default of a new project (one cell, not blended).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/tools/ToolArguments.h"
#include "engine/BrickDefaults.h"
#include "engine/cBrickData.h"
#include "imaging/cInlineBitmap.h"
#include "platform/PixelFormat.h"

namespace {

using namespace kalvora;

// Smooth noise: a coarse grid of random values, bilinearly stretched.
class SmoothNoise {
public:
    SmoothNoise(int32_t cells, std::mt19937& random) : m_cells(cells), m_values((cells + 1) * (cells + 1))
    {
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (float& v : m_values) v = unit(random);
    }

    float at(float u, float v) const
    {
        const float x = u * static_cast<float>(m_cells);
        const float y = v * static_cast<float>(m_cells);
        const int32_t x0 = std::min(static_cast<int32_t>(x), m_cells - 1);
        const int32_t y0 = std::min(static_cast<int32_t>(y), m_cells - 1);
        const float fx = x - static_cast<float>(x0);
        const float fy = y - static_cast<float>(y0);
        const auto value = [&](int32_t cx, int32_t cy) { return m_values[cy * (m_cells + 1) + cx]; };
        const float top = value(x0, y0) * (1 - fx) + value(x0 + 1, y0) * fx;
        const float bottom = value(x0, y0 + 1) * (1 - fx) + value(x0 + 1, y0 + 1) * fx;
        return top * (1 - fy) + bottom * fy;
    }

private:
    int32_t m_cells;
    std::vector<float> m_values;
};

std::shared_ptr<cInlineBitmap> noiseImage(int32_t size, uint32_t seed, float red, float green, float blue,
                                          const std::string& name)
{
    std::mt19937 random(seed);
    const SmoothNoise coarse(6, random);
    const SmoothNoise medium(40, random);
    std::uniform_int_distribution<int> grain(-18, 18);
    std::vector<uint8_t> pixels(static_cast<size_t>(size) * size * 4);
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            const float u = static_cast<float>(x) / static_cast<float>(size);
            const float v = static_cast<float>(y) / static_cast<float>(size);
            const float shade = 0.55f + 0.3f * coarse.at(u, v) + 0.15f * medium.at(u, v);
            const int g = grain(random);
            const auto channel = [&](float base) {
                return static_cast<uint8_t>(std::clamp(static_cast<int>(base * shade * 255.0f) + g, 0, 255));
            };
            uint8_t* p = &pixels[(static_cast<size_t>(y) * size + x) * 4];
            p[0] = channel(blue);
            p[1] = channel(green);
            p[2] = channel(red);
            p[3] = 255;
        }
    }
    auto image = std::make_shared<cInlineBitmap>();
    image->Bitmap.CreateFromScan0(size, size, size * 4, platform::kFormat32bppARGB, pixels.data());
    image->FileName = name;
    return image;
}

// The settings of a benchmark project; the images stay.
void describe(cBrickData& project, int32_t size)
{
    project.settings() = BrickDefaults::settings();
    project.Width = size;
    project.Height = size;
    project.PreviewWidth = 512;
    project.PreviewHeight = 512;
    project.PreviewQuality = 0;
    project.Name = "Benchmark " + std::to_string(size);
    project.RandomSeed = 4242;
    project.NoiseStrength = 5.0f;
    project.NoiseFrequency = 10.0f;
    project.AntiAlias = 50.0f;
    project.FlipV = true;
}

// Brick sizes in percent: width from, width to, height from, height to.
struct BrickPercents {
    float minWidth;
    float maxWidth;
    float minHeight;
    float maxHeight;
};

// The project at size x size with those brick sizes, saved to path.
bool saveSized(cBrickData& project, int32_t size, BrickPercents bricks, const std::string& path)
{
    describe(project, size);
    project.MinWidth = bricks.minWidth;
    project.MaxWidth = bricks.maxWidth;
    project.MinHeight = bricks.minHeight;
    project.MaxHeight = bricks.maxHeight;
    return project.SaveBrickFile(path);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string usage = "usage: kalvora-make-bench-project [FOLDER] (FOLDER defaults to $KALVORA_BENCH_DATA)\n";
    const auto args = bench::parseToolArguments(argc, argv, usage, {}, 0, 1);
    const char* env = std::getenv("KALVORA_BENCH_DATA");
    const std::string folder = !args.positional.empty() ? args.positional[0] : (env ? env : "");
    if (folder.empty()) bench::exitWithUsage(usage);
    std::error_code error;
    std::filesystem::create_directories(folder, error);

    cBrickData project;
    describe(project, 1024);
    const float tints[8][3] = {{0.80f, 0.35f, 0.25f}, {0.70f, 0.40f, 0.30f}, {0.85f, 0.50f, 0.35f},
                               {0.60f, 0.30f, 0.25f}, {0.75f, 0.45f, 0.40f}, {0.65f, 0.55f, 0.45f},
                               {0.90f, 0.40f, 0.20f}, {0.55f, 0.35f, 0.30f}};
    for (uint32_t i = 0; i < 8; ++i)
        project.BrickFiles->Add(
            noiseImage(512, 100 + i, tints[i][0], tints[i][1], tints[i][2], "brick" + std::to_string(i + 1) + ".png"));
    project.MortarFile = noiseImage(1024, 7, 0.75f, 0.73f, 0.70f, "mortar.png");

    const std::string small = folder + "/render-1024.bricks";
    if (!project.SaveBrickFile(small)) return 1;

    // The long runs: about 500 small bricks, and about 32 large ones.
    const std::string large = folder + "/render-4096.bricks";
    if (!saveSized(project, 4096, {3.0f, 5.0f, 4.0f, 6.0f}, large)) return 1;
    const std::string huge = folder + "/render-16384.bricks";
    if (!saveSized(project, 16384, {20.0f, 30.0f, 10.0f, 15.0f}, huge)) return 1;
    std::cout << small << "\n" << large << "\n" << huge << "\n";
    return 0;
}
