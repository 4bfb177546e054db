// Writes the 4096 x 4096 codec benchmark picture as PNG and as JPEG
// (quality 90), for timing other programs on the same files.
// Usage: kalvora-make-test-image OUT.png OUT.jpg
#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/codecs/Codecs.h"

using namespace kalvora::platform;

namespace {

constexpr int kSide = 4096;

// The same picture as bench/bench_codecs.cpp: gradients plus noise.
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUT.png OUT.jpg\n", argv[0]);
        return 2;
    }
    auto image = makeTestImage();
    if (!image) return 1;
    EncoderParameters params{90};
    if (encodeImageFile(*image, argv[1], kPngEncoderClsid, nullptr) != Ok ||
        encodeImageFile(*image, argv[2], kJpegEncoderClsid, &params) != Ok) {
        std::fprintf(stderr, "could not write the test images\n");
        return 1;
    }
    return 0;
}
