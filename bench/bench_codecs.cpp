// Decoding and encoding a 4096 x 4096 PNG and JPEG on one thread. The same
// files are timed with `vips copy` by scripts/bench.d/codecs.sh.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/codecs/Codecs.h"

using namespace kalvora::platform;

namespace {

constexpr int kSide = 4096;
constexpr double kMegapixels = double(kSide) * kSide / 1e6;
constexpr int kJpegQuality = 90;

// Smooth gradients with per-pixel noise, so neither codec meets a flat image.
// bench/tools/kalvora-make-test-image.cpp draws the same picture.
std::unique_ptr<Image> makeTestImage()
{
    std::unique_ptr<Image> image;
    if (Image::create(kSide, kSide, kFormat24bppRGB, image) != Ok) return nullptr;
    uint32_t state = 12345;
    for (int y = 0; y < kSide; ++y) {
        uint8_t* row = image->row(y);
        for (int x = 0; x < kSide; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 27) - 16;
            const int r = x * 255 / (kSide - 1) + noise;
            const int g = y * 255 / (kSide - 1) + noise / 2;
            const int b = (x + y) * 255 / (2 * kSide - 2) - noise;
            row[x * 3 + 0] = uint8_t(b < 0 ? 0 : (b > 255 ? 255 : b));
            row[x * 3 + 1] = uint8_t(g < 0 ? 0 : (g > 255 ? 255 : g));
            row[x * 3 + 2] = uint8_t(r < 0 ? 0 : (r > 255 ? 255 : r));
        }
    }
    return image;
}

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

void BM_JpegDecode4096(benchmark::State& state)
{
    static const std::vector<uint8_t> bytes = encoded(kJpegEncoderClsid);
    decodeLoop(state, bytes);
}

void BM_JpegEncode4096(benchmark::State& state) { encodeLoop(state, kJpegEncoderClsid); }

}  // namespace

BENCHMARK(BM_PngDecode4096)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngEncode4096)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegDecode4096)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegEncode4096)->Unit(benchmark::kMillisecond)->UseRealTime();
