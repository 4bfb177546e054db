// Kernel, neighbourhood, seamless, normal-map and noise filters on a
// 2048 x 2048 ARGB image, one thread, in megapixels per second of the loaded
// image. The Convolve3x3 figures are the convolution alone; the filter
// figures include writing the working bitmap and, for picture filters, the
// picture.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "filters/Convolution3x3.h"
#include "filters/clsImageFilter.h"
#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "platform/ThreadPool.h"

namespace {

using namespace kalvora;

constexpr int32_t kSide = 2048;

// Every figure is for one thread, the stretch inside the seamless filter included.
const bool kSingleThread = [] {
    platform::ThreadPool::setSize(1);
    return true;
}();

const std::vector<uint32_t>& testPixels()
{
    static const std::vector<uint32_t> pixels = [] {
        std::vector<uint32_t> p(size_t(kSide) * kSide);
        uint32_t s = 0x12345678u;
        for (auto& v : p) {
            s = s * 1664525u + 1013904223u;
            v = s | 0x80000000u;
        }
        return p;
    }();
    return pixels;
}

// A single-threaded filter loaded with the test image.
std::unique_ptr<clsImageFilter> loadedFilter()
{
    auto filter = std::make_unique<clsImageFilter>();
    filter->setParallelRows(false);
    cBitmap bitmap;
    bitmap.CreateFromScan0(kSide, kSide, kSide * 4, platform::kFormat32bppARGB,
                           reinterpret_cast<const uint8_t*>(testPixels().data()));
    filter->SetBitmapIn(bitmap);
    return filter;
}

void setRate(benchmark::State& state)
{
    state.counters["Mpixel/s"] =
        benchmark::Counter(double(kSide) * kSide * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
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
    std::vector<uint32_t> out(testPixels().size());
    for (auto _ : state) {
        convolution.filterRows(view, 0, kSide, out.data(), kSide);
        benchmark::DoNotOptimize(out.data());
    }
    setRate(state);
}

void BM_Convolve3x3Blur(benchmark::State& state)
{
    ConvolutionKernel k{1, 2, 1, 2, 4, 2, 1, 2, 1, 16, 0};
    convolveRows(state, k);
}
BENCHMARK(BM_Convolve3x3Blur)->Unit(benchmark::kMillisecond);

void BM_Convolve3x3Emboss(benchmark::State& state)
{
    ConvolutionKernel k{-1, -1, -1, -1, 8, -1, -1, -1, -1, 1, 127};
    convolveRows(state, k);
}
BENCHMARK(BM_Convolve3x3Emboss)->Unit(benchmark::kMillisecond);

void BM_Convolve3x3Sharpen(benchmark::State& state)
{
    ConvolutionKernel k{-1, -1, -1, -1, 59, -1, -1, -1, -1, 51, 0};
    convolveRows(state, k);
}
BENCHMARK(BM_Convolve3x3Sharpen)->Unit(benchmark::kMillisecond);

// The whole filter call: convolution into the working bitmap plus the
// picture result.
void BM_BlurFilter1(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateBlurFilter1().get() != nullptr; });
}
BENCHMARK(BM_BlurFilter1)->Unit(benchmark::kMillisecond);

void BM_ConturFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateConturFilter(); });
}
BENCHMARK(BM_ConturFilter)->Unit(benchmark::kMillisecond);

void BM_ErodeFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateErodeFilter().get() != nullptr; });
}
BENCHMARK(BM_ErodeFilter)->Unit(benchmark::kMillisecond);

void BM_PixelizeFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreatePixelizeFilter(10).get() != nullptr; });
}
BENCHMARK(BM_PixelizeFilter)->Unit(benchmark::kMillisecond);

void BM_NormalMap(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateNormalMap(false); });
}
BENCHMARK(BM_NormalMap)->Unit(benchmark::kMillisecond);

// Stretch by the band, blend both strips; reloads the image each time.
void BM_SeamlessTexture(benchmark::State& state)
{
    cBitmap bitmap;
    bitmap.CreateFromScan0(kSide, kSide, kSide * 4, platform::kFormat32bppARGB,
                           reinterpret_cast<const uint8_t*>(testPixels().data()));
    clsImageFilter filter;
    filter.setParallelRows(false);
    for (auto _ : state) {
        state.PauseTiming();
        filter.SetBitmapIn(bitmap);
        state.ResumeTiming();
        benchmark::DoNotOptimize(filter.CreateSeamlessTextureFilter(64, true, true));
    }
    setRate(state);
}
BENCHMARK(BM_SeamlessTexture)->Unit(benchmark::kMillisecond);

void BM_NoiseFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateNoiseFilter(128, 10, 7, false); });
}
BENCHMARK(BM_NoiseFilter)->Unit(benchmark::kMillisecond);

void BM_DiffuseFilter(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateDiffuseFilter(5).get() != nullptr; });
}
BENCHMARK(BM_DiffuseFilter)->Unit(benchmark::kMillisecond);

void BM_DiscreteNoise(benchmark::State& state)
{
    runFilter(state, [](clsImageFilter& f) { return f.CreateDiscreteNoiseFilter(40); });
}
BENCHMARK(BM_DiscreteNoise)->Unit(benchmark::kMillisecond);

}  // namespace
