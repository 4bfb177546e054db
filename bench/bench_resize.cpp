// cBitmap::ResizePicture with high-quality bicubic (mode 7), the edge-padded
// resample the generator and the filters use, from 4096 x 4096 to
// 1024 x 1024 and from 512 x 512 to 160 x 96. Figures are wall-clock time
// and source megapixels per second; copying the source in before each run is
// not timed.
//
// The thread pool's size is fixed once per process: KALVORA_THREADS=n sets
// it (1 = serial) before any benchmark runs, and the names say
// threads:1 or threads:all. scripts/bench.d/resize.sh runs this program
// both ways next to libvips and ImageMagick.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchThreads.h"
#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "platform/ThreadPool.h"

namespace {

using namespace kalvora;

// A textured ARGB image: smooth gradients, fine grain and a little alpha.
std::vector<uint8_t> texturePixels(int32_t side)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(side) * side * 4);
    uint32_t state = 0x9E3779B9u;
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            state = state * 1664525u + 1013904223u;
            const uint32_t grain = state >> 27;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * side + x) * 4];
            p[0] = static_cast<uint8_t>((x * 255 / side + grain) & 0xFF);
            p[1] = static_cast<uint8_t>((y * 255 / side + grain) & 0xFF);
            p[2] = static_cast<uint8_t>(((x ^ y) & 0xFF) / 2 + grain);
            p[3] = static_cast<uint8_t>(255 - ((x / 64 + y / 64) % 4) * 16);
        }
    }
    return pixels;
}

// The source images, made once per size for all runs.
const cBitmap& sourceImage(int32_t side)
{
    static std::map<int32_t, std::unique_ptr<cBitmap>> images;
    auto& image = images[side];
    if (!image) {
        image = std::make_unique<cBitmap>();
        const std::vector<uint8_t> pixels = texturePixels(side);
        image->CreateFromScan0(side, side, side * 4, platform::kFormat32bppARGB, pixels.data());
    }
    return *image;
}

void resizePicture(benchmark::State& state, int32_t side, int32_t newWidth, int32_t newHeight)
{
    const cBitmap& source = sourceImage(side);
    if (!source.Handle()) {
        state.SkipWithError("cannot create the source image");
        return;
    }
    cBitmap work;
    for (auto _ : state) {
        state.PauseTiming();
        work.Dispose();
        work.CreateFromClone(side, side, source.Handle(), platform::kFormat32bppARGB);
        state.ResumeTiming();
        work.ResizePicture(newWidth, newHeight, platform::InterpolationMode::HighQualityBicubic);
        benchmark::DoNotOptimize(work.Handle());
    }
    if (work.Width() != newWidth || work.Height() != newHeight) state.SkipWithError("resize failed");
    state.counters["Mpixel/s"] = benchmark::Counter(double(side) * side * double(state.iterations()) / 1e6,
                                                    benchmark::Counter::kIsRate);
    state.counters["threads"] = platform::ThreadPool::size();
}

const bool kRegistered = [] {
    const std::string threads = bench::threadsLabel();
    struct Case {
        const char* name;
        int32_t side, width, height;
    };
    for (const Case& c : {Case{"4096_to_1024", 4096, 1024, 1024}, Case{"512_to_160x96", 512, 160, 96}}) {
        const std::string name = std::string("ResizePicture/") + c.name + "/" + threads;
        benchmark::RegisterBenchmark(name.c_str(), resizePicture, c.side, c.width, c.height)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
