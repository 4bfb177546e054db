#include "fuzz/FuzzDecode.h"
#include "platform/codecs/BmpCodec.h"

namespace {

uint32_t le(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint32_t(p[i]) << (8 * i);
    return v;
}

// Uncompressed rows hold at most 8 / bits pixels per byte after the pixel
// offset. Run-length streams (compression 1 and 2) can describe any number
// with an end-of-bitmap or delta escape, so for them only the heap counts.
uint64_t bmpPixelCapacity(const uint8_t* data, size_t size)
{
    if (size < 26) return 0;
    const bool core = le(data + 14, 4) == 12;
    if (!core && size < 34) return 0;
    const uint32_t bits = core ? le(data + 24, 2) : le(data + 28, 2);
    const uint32_t compression = core ? 0 : le(data + 30, 4);
    if (compression == 1 || compression == 2) return UINT64_MAX;
    const uint32_t offset = le(data + 10, 4);
    if (offset > size || bits == 0) return 0;
    return uint64_t(size - offset) * 8 / bits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return kalvora::fuzzing::decodeChecked(data, size, kalvora::platform::BmpCodec::decode, bmpPixelCapacity);
}
