#include "platform/codecs/DeflateJoin.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

namespace kalvora::platform {

namespace {

constexpr int kMaxCodeBits = 15;
constexpr int kCodeLengthBits = 7;
constexpr int kLitLenSymbols = 288;
constexpr int kDistanceSymbols = 32;
constexpr int kCodeLengthSymbols = 19;
constexpr int kEndOfBlock = 256;
constexpr int kFirstLength = 257;

constexpr uint8_t kLengthExtraBits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint8_t kDistanceExtraBits[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

// A decoding table entry: the bits to skip (the code and its extra bits,
// at most 28), what the code stands for, and for code-length codes the
// symbol. Literal/length and distance entries fit in a byte, which keeps
// their tables small enough for the first-level cache.
enum Kind : uint32_t { Invalid = 0, Plain = 1, Length = 2, End = 3 };

constexpr uint32_t entry(uint32_t bits, Kind kind, uint32_t symbol = 0) { return bits | kind << 5 | symbol << 7; }
constexpr uint32_t entryBits(uint32_t e) { return e & 31; }
constexpr Kind entryKind(uint32_t e) { return Kind((e >> 5) & 3); }
constexpr uint32_t entrySymbol(uint32_t e) { return e >> 7; }

// Reads the stream least significant bit first; bits past the end read as
// zero, and overrun() tells when the position went beyond the last bit.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : m_data(data), m_size(size), m_totalBits(uint64_t(size) * 8) {}

    // At least 57 bits from the current position.
    uint64_t peek() const
    {
        const size_t byte = size_t(m_pos >> 3);
        uint64_t v = 0;
        if (byte + 8 <= m_size) {
            std::memcpy(&v, m_data + byte, 8);
            if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
        } else {
            for (size_t i = 0; i < 8 && byte + i < m_size; ++i) v |= uint64_t(m_data[byte + i]) << (8 * i);
        }
        return v >> (m_pos & 7);
    }
    uint32_t take(int bits)
    {
        const uint32_t v = uint32_t(peek() & ((uint64_t(1) << bits) - 1));
        m_pos += uint64_t(bits);
        return v;
    }
    void skip(uint64_t bits) { m_pos += bits; }
    void alignToByte() { m_pos = (m_pos + 7) & ~uint64_t(7); }
    uint64_t position() const { return m_pos; }
    bool overrun() const { return m_pos > m_totalBits; }

private:
    const uint8_t* m_data;
    size_t m_size;
    uint64_t m_totalBits;
    uint64_t m_pos = 0;
};

// A table indexed by the next `bits` stream bits; codes shorter than that
// fill every entry that starts with them.
template <typename Entry, int MaxBits = kMaxCodeBits>
struct DecodeTable {
    Entry entries[1 << MaxBits];
    int bits = 1;

    uint64_t mask() const { return (uint64_t(1) << bits) - 1; }
    uint32_t lookup(uint64_t streamBits) const { return entries[streamBits & mask()]; }
};

uint32_t reversed(uint32_t code, int length)
{
    uint32_t r = 0;
    for (int i = 0; i < length; ++i, code >>= 1) r = (r << 1) | (code & 1);
    return r;
}

using EntryForSymbol = uint32_t (*)(int symbol, int codeLength);

// Builds the canonical Huffman table of the code lengths. Incomplete codes
// are allowed (their missing codes decode as Invalid); over-subscribed ones
// are refused.
template <typename Entry, int MaxBits>
bool buildTable(const uint8_t* lengths, int count, EntryForSymbol entryFor, DecodeTable<Entry, MaxBits>& table)
{
    int perLength[kMaxCodeBits + 1] = {};
    for (int s = 0; s < count; ++s) ++perLength[lengths[s]];
    int left = 1;
    int maxLength = 0;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
        left = (left << 1) - perLength[len];
        if (left < 0) return false;
        if (perLength[len]) maxLength = len;
    }
    if (maxLength > MaxBits) return false;
    table.bits = maxLength > 0 ? maxLength : 1;
    const size_t size = size_t(1) << table.bits;
    std::fill(table.entries, table.entries + size, Entry(Invalid));
    uint32_t next[kMaxCodeBits + 2] = {};
    for (int len = 1; len <= kMaxCodeBits; ++len) next[len + 1] = (next[len] + uint32_t(perLength[len])) << 1;
    for (int s = 0; s < count; ++s) {
        const int len = lengths[s];
        if (len == 0) continue;
        const Entry e = Entry(entryFor(s, len));
        for (size_t i = reversed(next[len]++, len); i < size; i += size_t(1) << len) table.entries[i] = e;
    }
    return true;
}

uint32_t litLenEntry(int symbol, int len)
{
    if (symbol < kEndOfBlock) return entry(uint32_t(len), Plain);
    if (symbol == kEndOfBlock) return entry(uint32_t(len), End);
    if (symbol - kFirstLength >= int(sizeof(kLengthExtraBits))) return Invalid;
    return entry(uint32_t(len + kLengthExtraBits[symbol - kFirstLength]), Length);
}

uint32_t distanceEntry(int symbol, int len)
{
    if (symbol >= int(sizeof(kDistanceExtraBits))) return Invalid;
    return entry(uint32_t(len + kDistanceExtraBits[symbol]), Plain);
}

uint32_t codeLengthEntry(int symbol, int len) { return entry(uint32_t(len), Plain, uint32_t(symbol)); }

class BlockWalker {
public:
    BlockWalker(const uint8_t* data, size_t size) : m_in(data, size) {}

    bool findFinalBlock(DeflateJoin::FinalBlock& out)
    {
        for (;;) {
            const uint64_t header = m_in.position();
            const bool final = m_in.take(1) != 0;
            const uint32_t type = m_in.take(2);
            bool ok = false;
            if (type == 0) ok = skipStoredBlock();
            if (type == 1) ok = useFixedCodes() && skipCodes();
            if (type == 2) ok = readDynamicCodes() && skipCodes();
            if (!ok || m_in.overrun()) return false;
            if (final) {
                out.headerBit = header;
                out.endBit = m_in.position();
                return true;
            }
        }
    }

private:
    bool skipStoredBlock()
    {
        m_in.alignToByte();
        const uint32_t length = m_in.take(16);
        const uint32_t inverse = m_in.take(16);
        if ((length ^ inverse) != 0xffff) return false;
        m_in.skip(uint64_t(length) * 8);
        return true;
    }

    bool useFixedCodes()
    {
        uint8_t lengths[kLitLenSymbols + kDistanceSymbols];
        std::fill(lengths, lengths + 144, uint8_t(8));
        std::fill(lengths + 144, lengths + 256, uint8_t(9));
        std::fill(lengths + 256, lengths + 280, uint8_t(7));
        std::fill(lengths + 280, lengths + kLitLenSymbols, uint8_t(8));
        std::fill(lengths + kLitLenSymbols, lengths + kLitLenSymbols + kDistanceSymbols, uint8_t(5));
        return buildTable(lengths, kLitLenSymbols, litLenEntry, m_litLen) &&
               buildTable(lengths + kLitLenSymbols, kDistanceSymbols, distanceEntry, m_distance);
    }

    bool readDynamicCodes()
    {
        const int litLenCount = int(m_in.take(5)) + 257;
        const int distanceCount = int(m_in.take(5)) + 1;
        const int codeLengthCount = int(m_in.take(4)) + 4;
        if (litLenCount > 286 || distanceCount > 30) return false;
        uint8_t codeLengthLengths[kCodeLengthSymbols] = {};
        for (int i = 0; i < codeLengthCount; ++i) codeLengthLengths[kCodeLengthOrder[i]] = uint8_t(m_in.take(3));
        if (!buildTable(codeLengthLengths, kCodeLengthSymbols, codeLengthEntry, m_codeLengths)) return false;

        uint8_t lengths[kLitLenSymbols + kDistanceSymbols] = {};
        const int total = litLenCount + distanceCount;
        for (int i = 0; i < total;) {
            if (m_in.overrun()) return false;
            const uint32_t e = m_codeLengths.lookup(m_in.peek());
            if (entryKind(e) == Invalid) return false;
            m_in.skip(entryBits(e));
            const uint32_t symbol = entrySymbol(e);
            if (symbol < 16) {
                lengths[i++] = uint8_t(symbol);
                continue;
            }
            if (symbol == 16 && i == 0) return false;
            const uint8_t value = symbol == 16 ? lengths[i - 1] : 0;
            const int repeat = symbol == 16 ? 3 + int(m_in.take(2)) : symbol == 17 ? 3 + int(m_in.take(3))
                                                                                    : 11 + int(m_in.take(7));
            if (i + repeat > total) return false;
            std::fill(lengths + i, lengths + i + repeat, value);
            i += repeat;
        }
        if (lengths[kEndOfBlock] == 0) return false;
        return buildTable(lengths, litLenCount, litLenEntry, m_litLen) &&
               buildTable(lengths + litLenCount, distanceCount, distanceEntry, m_distance);
    }

    // Skips literal, length and distance codes (with their extra bits) up to
    // and including the end-of-block code. Each peek gives at least 57 bits;
    // codes are taken from them while the longest that may come next (20 bits
    // for a literal or length, 28 for a distance) is still among them.
    bool skipCodes()
    {
        constexpr int kPeekedBits = 57;
        constexpr int kLongestLength = 20;
        constexpr int kLongestDistance = 28;
        const uint64_t litLenMask = m_litLen.mask();
        const uint64_t distanceMask = m_distance.mask();
        for (;;) {
            if (m_in.overrun()) return false;
            uint64_t bits = m_in.peek();
            int used = 0;
            while (used <= kPeekedBits - kLongestLength) {
                const uint32_t e = m_litLen.entries[bits & litLenMask];
                bits >>= entryBits(e);
                used += int(entryBits(e));
                const Kind kind = entryKind(e);
                if (kind == Plain) continue;
                if (kind != Length) {
                    m_in.skip(uint64_t(used));
                    return kind == End;
                }
                if (used > kPeekedBits - kLongestDistance) {
                    m_in.skip(uint64_t(used));
                    if (m_in.overrun()) return false;
                    bits = m_in.peek();
                    used = 0;
                }
                const uint32_t d = m_distance.entries[bits & distanceMask];
                if (entryKind(d) == Invalid) return false;
                bits >>= entryBits(d);
                used += int(entryBits(d));
            }
            m_in.skip(uint64_t(used));
        }
    }

    BitReader m_in;
    DecodeTable<uint8_t> m_litLen;
    DecodeTable<uint8_t> m_distance;
    DecodeTable<uint16_t, kCodeLengthBits> m_codeLengths;
};

}  // namespace

bool DeflateJoin::findFinalBlock(const uint8_t* data, size_t size, FinalBlock& out)
{
    if (!data) return false;
    std::unique_ptr<BlockWalker> walker(new (std::nothrow) BlockWalker(data, size));
    return walker && walker->findFinalBlock(out);
}

size_t DeflateJoin::openFinalBlock(uint8_t* data, size_t size)
{
    FinalBlock block;
    if (!findFinalBlock(data, size, block)) return 0;
    data[block.headerBit >> 3] &= uint8_t(~(1u << (block.headerBit & 7)));
    // After the end-of-block code: a stored block header (not final, type 0:
    // three zero bits), zero bits up to the byte boundary, then length 0 and
    // its complement.
    if (block.endBit & 7) data[block.endBit >> 3] &= uint8_t((1u << (block.endBit & 7)) - 1);
    const size_t aligned = size_t((block.endBit + 3 + 7) >> 3);
    for (size_t i = size_t((block.endBit + 7) >> 3); i < aligned; ++i) data[i] = 0;
    const uint8_t emptyStoredLength[4] = {0x00, 0x00, 0xff, 0xff};
    std::memcpy(data + aligned, emptyStoredLength, sizeof(emptyStoredLength));
    return aligned + sizeof(emptyStoredLength);
}

}  // namespace kalvora::platform
