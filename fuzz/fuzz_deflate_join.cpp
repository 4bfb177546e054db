// Walks arbitrary bytes as a deflate stream and, where one is found, opens
// its final block: no read or write outside the stream and its room.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/codecs/DeflateJoin.h"

using kalvora::platform::DeflateJoin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so that any read past the end is caught.
    std::vector<uint8_t> stream(data, data + size);
    DeflateJoin::FinalBlock block;
    const bool found = DeflateJoin::findFinalBlock(stream.data(), stream.size(), block);
    if (found && (block.headerBit >= block.endBit || block.endBit > uint64_t(size) * 8)) __builtin_trap();
    stream.resize(size + DeflateJoin::kRoomNeeded);
    const size_t opened = DeflateJoin::openFinalBlock(stream.data(), size);
    if ((opened != 0) != found || opened > size + DeflateJoin::kRoomNeeded) __builtin_trap();
    return 0;
}
