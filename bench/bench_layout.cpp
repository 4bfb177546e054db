#include <benchmark/benchmark.h>

#include <vector>

#include "engine/BrickDefaults.h"
#include "engine/BrickLayout.h"
#include "engine/BrickSettings.h"
#include "engine/LayoutPixelSizes.h"
#include "engine/LayoutRandomTables.h"
#include "engine/TextureOptionsValues.h"
#include "engine/tBrick.h"

using namespace kalvora;

// The layout of a 16384 x 16384 seamless texture with brick sizes near 1 %
// of the canvas (10,000 bricks), reported in bricks per second.
static void SeamlessLayout(benchmark::State& state)
{
    BrickSettings project = BrickDefaults::settings();
    project.Width = 16384;
    project.Height = 16384;
    project.MinWidth = 1.0f;
    project.MaxWidth = 1.0f;
    project.MinHeight = 1.0f;
    project.MaxHeight = 1.0f;
    TextureOptionsValues options;
    std::vector<tBrick> bricks;
    int64_t placed = 0;
    for (auto _ : state) {
        BrickSettings run = project;
        LayoutPixelSizes sizes = LayoutPixelSizes::compute(run);
        sizes.raiseBrickSizesToUsable();
        LayoutRandomTables random;
        random.InitRandomTables(run.RandomSeed);
        bricks.clear();
        BrickLayout layout(run, 8, sizes, random, options, SeamlessTexture, bricks, [] { return false; });
        layout.layout();
        placed += static_cast<int64_t>(bricks.size());
        benchmark::DoNotOptimize(bricks.data());
    }
    state.counters["bricks"] = static_cast<double>(bricks.size());
    state.counters["bricks_per_s"] = benchmark::Counter(static_cast<double>(placed), benchmark::Counter::kIsRate);
}
BENCHMARK(SeamlessLayout)->Name("Layout/16384_seamless_1pct")->Unit(benchmark::kMillisecond);
