#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchThreads.h"
#include "engine/BrickDefaults.h"
#include "engine/cBrickData.h"
#include "imaging/cInlineBitmap.h"
#include "imaging/cInlineBitmapCollection.h"

using namespace kalvora;

namespace {

// A 1024 x 1024 brick-like picture: smooth shading with hashed grain, so
// PNG compression has real work to do.
std::vector<uint8_t> brickPixels(int index)
{
    const int size = 1024;
    std::vector<uint8_t> px(size_t(size) * size * 4);
    uint32_t h = 2166136261u ^ uint32_t(index);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            h = (h ^ uint32_t(x * 31 + y)) * 16777619u;
            uint8_t grain = uint8_t(h >> 27);
            uint8_t* p = &px[(size_t(y) * size + x) * 4];
            p[0] = uint8_t(60 + (x >> 4) + grain);
            p[1] = uint8_t(70 + (y >> 4) + grain);
            p[2] = uint8_t(150 + ((x + y) >> 5) + grain);
            p[3] = 255;
        }
    }
    return px;
}

std::string projectPath()
{
    const char* dir = std::getenv("KALVORA_BENCH_DATA");
    return std::string(dir && *dir ? dir : "/tmp") + "/bench-20-bricks.bricks";
}

void fillProject(cBrickData& project)
{
    BrickDefaults::reset(project);
    for (int i = 0; i < 20; ++i) {
        auto item = std::make_shared<cInlineBitmap>();
        std::vector<uint8_t> px = brickPixels(i);
        item->Bitmap.CreateFromScan0(1024, 1024, 1024 * 4, platform::kFormat32bppARGB, px.data());
        item->FileName = "brick" + std::to_string(i) + ".png";
        project.BrickFiles->Add(item);
    }
}

}  // namespace

// Saving a project of 20 brick images of 1024 x 1024 (mostly PNG encoding,
// one image per pool thread).
static void SaveProject(benchmark::State& state)
{
    cBrickData project;
    fillProject(project);
    for (auto _ : state) {
        if (!project.SaveBrickFile(projectPath())) state.SkipWithError("save failed");
    }
    state.counters["MP_per_s"] =
        benchmark::Counter(20.0 * 1024 * 1024 / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(SaveProject)
    ->Name("BrickFile/save_20x1024/" + bench::threadsLabel())
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// Loading it back (mostly PNG decoding).
static void LoadProject(benchmark::State& state)
{
    {
        cBrickData project;
        fillProject(project);
        project.SaveBrickFile(projectPath());
    }
    cBrickData project;
    for (auto _ : state) {
        if (!project.LoadBrickFile(projectPath())) state.SkipWithError("load failed");
    }
    state.counters["MP_per_s"] =
        benchmark::Counter(20.0 * 1024 * 1024 / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(LoadProject)
    ->Name("BrickFile/load_20x1024/" + bench::threadsLabel())
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
