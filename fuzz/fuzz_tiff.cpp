#include "fuzz/FuzzDecode.h"
#include "platform/codecs/TiffCodec.h"

// Deflate, LZW, fax and JPEG compression make any pixel count per byte
// possible, so only the heap is held to the data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return kalvora::fuzzing::decodeChecked(data, size, kalvora::platform::TiffCodec::decode,
                                           kalvora::fuzzing::anyPixelCount);
}
