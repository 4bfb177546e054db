// Decoding and encoding a 4096 x 4096 PNG and JPEG (KALVORA_THREADS=1 for one
// thread), and writing the PNG of a generated texture named by
// KALVORA_BENCH_TEXTURE. The same files are timed with `vips copy` and
// ImageMagick by scripts/bench.d/codecs.sh.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/BenchImages.h"
#include "bench/BenchThreads.h"
#include "platform/codecs/Codecs.h"

using namespace kalvora::platform;

namespace {

constexpr int kSide = 4096;
constexpr double kMegapixels = double(kSide) * kSide / 1e6;
constexpr int kJpegQuality = 90;

std::unique_ptr<Image> makeTestImage() { return kalvora::bench::makeGradientNoiseImage(kSide); }

const Image& testImage()
{
    static const std::unique_ptr<Image> image = makeTestImage();
    return *image;
}

std::vector<uint8_t> encoded(const EncoderClsid& clsid)
{
    EncoderParameters params{kJpegQuality};
    std::vector<uint8_t> bytes;
    encodeImage(testImage(), clsid, &params, bytes);
    return bytes;
}

void reportRate(benchmark::State& state)
{
    state.counters["MP/s"] = benchmark::Counter(kMegapixels, benchmark::Counter::kIsIterationInvariantRate);
}

void decodeLoop(benchmark::State& state, const std::vector<uint8_t>& bytes)
{
    for (auto _ : state) {
        std::unique_ptr<Image> image;
        if (decodeImage(bytes.data(), bytes.size(), image) != Ok) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image.get());
    }
    reportRate(state);
}

void encodeLoop(benchmark::State& state, const EncoderClsid& clsid)
{
    const Image& image = testImage();
    EncoderParameters params{kJpegQuality};
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        if (encodeImage(image, clsid, &params, bytes) != Ok) state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = double(bytes.size());
    reportRate(state);
}

void BM_PngDecode4096(benchmark::State& state)
{
    static const std::vector<uint8_t> bytes = encoded(kPngEncoderClsid);
    decodeLoop(state, bytes);
}

void BM_PngEncode4096(benchmark::State& state) { encodeLoop(state, kPngEncoderClsid); }

// The texture as loaded from the file KALVORA_BENCH_TEXTURE; null without one.
const Image* benchTexture()
{
    static const std::unique_ptr<Image> image = [] {
        std::unique_ptr<Image> loaded;
        const char* path = std::getenv("KALVORA_BENCH_TEXTURE");
        if (path) decodeImageFile(path, loaded);
        return loaded;
    }();
    return image.get();
}

void BM_PngEncodeTexture(benchmark::State& state)
{
    const Image* image = benchTexture();
    if (!image) {
        state.SkipWithError("KALVORA_BENCH_TEXTURE names no readable image");
        return;
    }
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        if (encodeImage(*image, kPngEncoderClsid, nullptr, bytes) != Ok) state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = double(bytes.size());
}

void BM_JpegDecode4096(benchmark::State& state)
{
    static const std::vector<uint8_t> bytes = encoded(kJpegEncoderClsid);
    decodeLoop(state, bytes);
}

void BM_JpegEncode4096(benchmark::State& state) { encodeLoop(state, kJpegEncoderClsid); }

}  // namespace

BENCHMARK(BM_PngDecode4096)
    ->Name("BM_PngDecode4096/" + kalvora::bench::threadsLabel())
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PngEncode4096)
    ->Name("BM_PngEncode4096/" + kalvora::bench::threadsLabel())
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PngEncodeTexture)
    ->Name("BM_PngEncodeTexture/" + kalvora::bench::threadsLabel())
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_JpegDecode4096)
    ->Name("BM_JpegDecode4096/" + kalvora::bench::threadsLabel())
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_JpegEncode4096)
    ->Name("BM_JpegEncode4096/" + kalvora::bench::threadsLabel())
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
