// Colour, tone and alpha filters on a 4096 x 4096 ARGB image, one thread,
// in megapixels per second (the "MP/s" counter).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "filters/clsImageFilter.h"
#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "platform/ThreadPool.h"

namespace {

using kalvora::cBitmap;
using kalvora::clsImageFilter;

constexpr int32_t kSide = 4096;

clsImageFilter& loadedFilter()
{
    static std::unique_ptr<clsImageFilter> filter = [] {
        kalvora::platform::ThreadPool::setSize(1);
        std::vector<uint32_t> pixels(static_cast<size_t>(kSide) * kSide);
        std::mt19937 gen(1);
        for (uint32_t& p : pixels) p = gen();
        cBitmap bitmap;
        bitmap.CreateFromScan0(kSide, kSide, kSide * 4, kalvora::platform::kFormat32bppARGB,
                               reinterpret_cast<const uint8_t*>(pixels.data()));
        auto f = std::make_unique<clsImageFilter>();
        f->SetBitmapIn(bitmap);
        return f;
    }();
    return *filter;
}

void run(benchmark::State& state, const std::function<void(clsImageFilter&)>& filter)
{
    clsImageFilter& f = loadedFilter();
    for (auto _ : state) {
        filter(f);
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSide * kSide / 1e6,
                                                benchmark::Counter::kIsRate);
}

#define FILTER_BENCH(name, call)                                                      \
    void name(benchmark::State& state) { run(state, [](clsImageFilter& f) { call; }); } \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()

FILTER_BENCH(Brightness, f.CreateBrightnessFilter(20));
FILTER_BENCH(Contrast, f.CreateContrastFilter(40));
FILTER_BENCH(Gamma, f.CreateGammaFilter(1.8));
FILTER_BENCH(Threshold, f.CreateThresholdFilter(128));
FILTER_BENCH(ShiftRGB, f.CreateShiftRGBFilter(10, -20, 30));
FILTER_BENCH(Invert, f.CreateInvertFilter());
FILTER_BENCH(HSL, f.CreateHSLFilter(30, 10, -5));
FILTER_BENCH(Sepia, f.CreateSepiaFilter());
FILTER_BENCH(GrayScale, f.CreateGrayScaleFilter());
FILTER_BENCH(Equalize, f.CreateEqualizeFilter());
FILTER_BENCH(Saturation, f.CreateSaturationFilter(50));
FILTER_BENCH(SwapColor, f.CreateSwapColorFilter(3));
FILTER_BENCH(ShiftKeyed, f.CreateShiftFilter(0x204080, 20, 30));
FILTER_BENCH(BlackWhite1, f.CreateBlackWhiteFilter1(128));
FILTER_BENCH(BlackWhite3, f.CreateBlackWhiteFilter3());
FILTER_BENCH(AlphaRamp, f.CreateAlphaRamp(0, 255, true));
FILTER_BENCH(AlphaAsGray, f.CreateAlphaAsGray());
FILTER_BENCH(TransparentBorder, f.CreateTransparentBorder(8, 32, 6, 64.0f, 4));

void DrawAlphaOnly(benchmark::State& state)
{
    static cBitmap mask;
    if (!mask.Handle()) mask.CreateFromScan0(kSide, kSide, 0, kalvora::platform::kFormat32bppARGB);
    run(state, [](clsImageFilter& f) { f.CreateDrawAlphaOnly(mask, 0, 0, kSide, kSide, 0, 0, kSide, kSide, true, true); });
}
BENCHMARK(DrawAlphaOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
