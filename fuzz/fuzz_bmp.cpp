#include "fuzz/FuzzDecode.h"
#include "platform/codecs/BmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return kalvora::fuzzing::decodeOnce(data, size, kalvora::platform::BmpCodec::decode);
}
