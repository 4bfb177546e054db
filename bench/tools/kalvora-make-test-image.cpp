// Writes the 4096 x 4096 codec benchmark picture as PNG and as JPEG
// (quality 90), for timing other programs on the same files.
// Usage: kalvora-make-test-image OUT.png OUT.jpg
#include <cstdint>
#include <cstdio>
#include <memory>

#include "bench/BenchImages.h"
#include "bench/tools/ToolArguments.h"
#include "platform/codecs/Codecs.h"

using namespace kalvora::platform;

namespace {

constexpr int kSide = 4096;

std::unique_ptr<Image> makeTestImage() { return kalvora::bench::makeGradientNoiseImage(kSide); }

}  // namespace

int main(int argc, char** argv)
{
    const auto args = kalvora::bench::parseToolArguments(argc, argv, "usage: kalvora-make-test-image OUT.png OUT.jpg\n",
                                                         {}, 2, 2);
    auto image = makeTestImage();
    if (!image) return 1;
    EncoderParameters params{90};
    if (encodeImageFile(*image, args.positional[0], kPngEncoderClsid, nullptr) != Ok ||
        encodeImageFile(*image, args.positional[1], kJpegEncoderClsid, &params) != Ok) {
        std::fprintf(stderr, "could not write the test images\n");
        return 1;
    }
    return 0;
}
