#pragma once

#include <cstddef>
#include <cstdint>

namespace kalvora::platform {

// Lets complete raw deflate streams be joined into one: a stream that ends
// with a final block is turned into one that ends with a non-final block
// followed by an empty stored block on a byte boundary (the sync-flush
// marker 00 00 FF FF), so the next stream's bytes can follow it directly.
// The final block is found by walking every block header and code of the
// stream, without producing output.
class DeflateJoin {
public:
    // Bytes openFinalBlock may add after the stream.
    static constexpr size_t kRoomNeeded = 5;

    struct FinalBlock {
        uint64_t headerBit = 0;  // the bit that marks the block as final
        uint64_t endBit = 0;     // the bit just after its end-of-block code
    };

    // Walks the stream's blocks up to the final one. False when the bytes
    // are not a well-formed deflate stream or end before its final block.
    static bool findFinalBlock(const uint8_t* data, size_t size, FinalBlock& out);

    // Rewrites the stream in place so that it ends non-final and byte
    // aligned; `data` must have kRoomNeeded bytes of room after `size`.
    // Returns the new size, 0 when the stream is not well formed.
    static size_t openFinalBlock(uint8_t* data, size_t size);
};

}  // namespace kalvora::platform
