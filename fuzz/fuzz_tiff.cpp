#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/ImageLimits.h"
#include "platform/codecs/TiffCodec.h"

using namespace kalvora::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Images stay within 64 MB, far below the fuzzer's memory limit.
    static const bool limited = [] {
        ImageLimits::set(4096, 4096LL * 4096 * 4);
        return true;
    }();
    (void)limited;
    std::unique_ptr<Image> image;
    TiffCodec::decode(data, size, image);
    return 0;
}
