// Writes the 4096 x 4096 codec benchmark picture as PNG and as JPEG
// (quality 90), for timing other programs on the same files.
// Usage: kalvora-make-test-image OUT.png OUT.jpg
#include <cstdint>
#include <cstdio>
#include <memory>

#include "bench/BenchImages.h"
#include "platform/codecs/Codecs.h"

using namespace kalvora::platform;

namespace {

constexpr int kSide = 4096;

std::unique_ptr<Image> makeTestImage() { return kalvora::bench::makeGradientNoiseImage(kSide); }

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
