// Kernel, neighbourhood, seamless, normal-map and noise filters on a
// 4096 x 4096 ARGB image, one thread, in megapixels per second of the loaded
// image (the "MP/s" counter, wall time). The Convolve3x3 figures are the
// convolution alone into a plain buffer; the filter figures are the whole
// call: the working bitmap and, for picture filters, the 24-bit picture.
//
// The image is the raw B, G, R, A file named by KALVORA_BENCH_FILTER_IMAGE
// (exactly 4096 * 4096 * 4 bytes, as scripts/bench.d/filters_kernel.sh makes
// it, so the peers there work on the same pixels); without it, a seeded
// pseudo-random image.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "filters/Convolution3x3.h"
#include "filters/clsImageFilter.h"
#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "platform/ThreadPool.h"

namespace {

using namespace kalvora;

constexpr int32_t kSide = 4096;
constexpr size_t kPixelCount = size_t(kSide) * kSide;

// Every figure is for one thread, the stretch inside the seamless filter included.
const bool kSingleThread = [] {
    platform::ThreadPool::setSize(1);
    return true;
}();

bool readImageFile(const char* path, std::vector<uint32_t>& pixels)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    const size_t got = std::fread(pixels.data(), 4, pixels.size(), file);
    const bool atEnd = std::fgetc(file) == EOF;
    std::fclose(file);
    return got == pixels.size() && atEnd;
}

const std::vector<uint32_t>& testPixels()
{
    static const std::vector<uint32_t> pixels = [] {
        std::vector<uint32_t> p(kPixelCount);
        const char* path = std::getenv("KALVORA_BENCH_FILTER_IMAGE");
        if (path && *path) {
            if (readImageFile(path, p)) return p;
            std::fprintf(stderr, "%s: not a raw 4096 x 4096 BGRA file; using a generated image\n", path);
        }
        uint32_t s = 0x12345678u;
        for (auto& v : p) {
            s = s * 1664525u + 1013904223u;
            v = s | 0x80000000u;
        }
        return p;
    }();
    return pixels;
}

void loadInto(clsImageFilter& filter)
{
    cBitmap bitmap;
    bitmap.CreateFromScan0(kSide, kSide, kSide * 4, platform::kFormat32bppARGB,
                           reinterpret_cast<const uint8_t*>(testPixels().data()));
    filter.SetBitmapIn(bitmap);
}

// A single-threaded filter loaded with the test image.
std::unique_ptr<clsImageFilter> loadedFilter()
{
    auto filter = std::make_unique<clsImageFilter>();
    filter->setParallelRows(false);
    loadInto(*filter);
    return filter;
}

void setRate(benchmark::State& state)
{
    state.counters["MP/s"] = benchmark::Counter(double(kPixelCount) * double(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}

template <typename Run>
void runFilter(benchmark::State& state, Run run)
{
    auto filter = loadedFilter();
    for (auto _ : state) benchmark::DoNotOptimize(run(*filter));
    setRate(state);
}

// The convolution core alone, into a plain buffer.
void convolveRows(benchmark::State& state, ConvolutionKernel kernel)
{
    const Convolution3x3 convolution(kernel);
    const PixelView view{testPixels().data(), kSide, kSide, kSide};
    std::vector<uint32_t> out(kPixelCount);
    for (auto _ : state) {
        convolution.filterRows(view, 0, kSide, out.data(), kSide);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    setRate(state);
}

// Short runs: the whole program stays well under a minute.
#define FILTER_BENCHMARK(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.25)

// The kernels of the blur, sharpen 3, emboss 2 and edge detection filters.
void BM_Convolve3x3Blur(benchmark::State& state) { convolveRows(state, {1, 2, 1, 2, 4, 2, 1, 2, 1, 16, 0}); }
FILTER_BENCHMARK(BM_Convolve3x3Blur);

void BM_Convolve3x3Sharpen(benchmark::State& state)
{
    convolveRows(state, {-1, -1, -1, -1, 59, -1, -1, -1, -1, 51, 0});
}
FILTER_BENCHMARK(BM_Convolve3x3Sharpen);

void BM_Convolve3x3Emboss(benchmark::State& state) { convolveRows(state, {-1, -1, -1, -1, 8, -1, -1, -1, -1, 1, 127}); }
FILTER_BENCHMARK(BM_Convolve3x3Emboss);

void BM_Convolve3x3Edge(benchmark::State& state) { convolveRows(state, {1, 1, 1, 1, 1, -1, -1, -1, -1, 1, 0}); }
FILTER_BENCHMARK(BM_Convolve3x3Edge);

// The whole filter calls.
void BM_BlurFilter1(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateBlurFilter1().get() != nullptr; });
}
FILTER_BENCHMARK(BM_BlurFilter1);

void BM_SharpenFilter3(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateSharpenFilter3(0).get() != nullptr; });
}
FILTER_BENCHMARK(BM_SharpenFilter3);

void BM_EmbossFilter2(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateEmbossFilter2().get() != nullptr; });
}
FILTER_BENCHMARK(BM_EmbossFilter2);

void BM_EdgeDedectionFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateEdgeDedectionFilter().get() != nullptr; });
}
FILTER_BENCHMARK(BM_EdgeDedectionFilter);

void BM_ErodeFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateErodeFilter().get() != nullptr; });
}
FILTER_BENCHMARK(BM_ErodeFilter);

void BM_DilateFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateDilateFilter().get() != nullptr; });
}
FILTER_BENCHMARK(BM_DilateFilter);

void BM_ConturFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateConturFilter(); });
}
FILTER_BENCHMARK(BM_ConturFilter);

// Blocks of 11 x 11 pixels.
void BM_PixelizeFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreatePixelizeFilter(10).get() != nullptr; });
}
FILTER_BENCHMARK(BM_PixelizeFilter);

void BM_BlackWhiteFilter2(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateBlackWhiteFilter2().get() != nullptr; });
}
FILTER_BENCHMARK(BM_BlackWhiteFilter2);

void BM_NormalMap(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateNormalMap(false); });
}
FILTER_BENCHMARK(BM_NormalMap);

// Stretch by the band, blend both strips; the image is loaded again before
// each run, outside the timing, because the filter replaces it.
void BM_SeamlessTexture(benchmark::State& state)
{
    clsImageFilter filter;
    filter.setParallelRows(false);
    for (auto _ : state) {
        state.PauseTiming();
        loadInto(filter);
        state.ResumeTiming();
        benchmark::DoNotOptimize(filter.CreateSeamlessTextureFilter(64, true, true));
    }
    setRate(state);
}
FILTER_BENCHMARK(BM_SeamlessTexture);

void BM_NoiseFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) {
        return f.CreateNoiseFilter(128, 10, platform::InterpolationMode::HighQualityBicubic, false);
    });
}
FILTER_BENCHMARK(BM_NoiseFilter);

void BM_DiscreteNoise(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateDiscreteNoiseFilter(40); });
}
FILTER_BENCHMARK(BM_DiscreteNoise);

void BM_DiffuseFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateDiffuseFilter(5).get() != nullptr; });
}
FILTER_BENCHMARK(BM_DiffuseFilter);

}  // namespace
