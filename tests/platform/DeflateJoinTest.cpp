#include "platform/codecs/DeflateJoin.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace kalvora::platform;

namespace {

// Pieces that give stored blocks (noise, level 0), fixed codes (a few bytes),
// dynamic codes over several blocks (long text-like data) and an empty piece.
std::vector<std::vector<uint8_t>> samplePieces()
{
    std::vector<std::vector<uint8_t>> pieces(5);
    uint32_t seed = 12345;
    for (int i = 0; i < 70000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        pieces[0].push_back(uint8_t(seed >> 24));
    }
    pieces[1] = {'a', 'b', 'a', 'b', 'a'};
    for (int i = 0; i < 400000; ++i) pieces[2].push_back(uint8_t("brick and mortar "[i % 17] + (i / 9973) % 3));
    for (int i = 0; i < 3000; ++i) pieces[4].push_back(uint8_t(i * i % 251));
    return pieces;
}

std::vector<uint8_t> compress(const std::vector<uint8_t>& data, int level)
{
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    std::vector<uint8_t> out(libdeflate_deflate_compress_bound(compressor, data.size()) + DeflateJoin::kRoomNeeded);
    const size_t size = libdeflate_deflate_compress(compressor, data.data(), data.size(), out.data(), out.size());
    libdeflate_free_compressor(compressor);
    out.resize(size);
    return out;
}

std::vector<uint8_t> inflateRaw(const std::vector<uint8_t>& stream, size_t expected)
{
    z_stream zs{};
    EXPECT_EQ(inflateInit2(&zs, -15), Z_OK);
    std::vector<uint8_t> out(expected + 16);
    zs.next_in = const_cast<Bytef*>(stream.data());
    zs.avail_in = uInt(stream.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(zs.avail_in, 0u) << "bytes after the final block";
    out.resize(zs.total_out);
    inflateEnd(&zs);
    return out;
}

}  // namespace

// Streams of every block type and several levels, each opened but the last,
// then simply concatenated, inflate to the concatenated data; the final
// block's end lies in the stream's last byte.
TEST(DeflateJoin, OpenedStreamsConcatenateIntoOneStream)
{
    const auto pieces = samplePieces();
    for (int level : {0, 1, 6, 12}) {
        SCOPED_TRACE("level " + std::to_string(level));
        std::vector<uint8_t> joined;
        std::vector<uint8_t> expected;
        for (size_t i = 0; i < pieces.size(); ++i) {
            std::vector<uint8_t> stream = compress(pieces[i], level);
            DeflateJoin::FinalBlock block;
            ASSERT_TRUE(DeflateJoin::findFinalBlock(stream.data(), stream.size(), block)) << "piece " << i;
            EXPECT_EQ((block.endBit + 7) / 8, stream.size()) << "piece " << i;
            EXPECT_LT(block.headerBit, block.endBit);
            if (i + 1 < pieces.size()) {
                const size_t size = stream.size();
                stream.resize(size + DeflateJoin::kRoomNeeded);
                const size_t opened = DeflateJoin::openFinalBlock(stream.data(), size);
                ASSERT_GT(opened, 0u);
                ASSERT_LE(opened, size + DeflateJoin::kRoomNeeded);
                stream.resize(opened);
                const std::vector<uint8_t> marker(stream.end() - 4, stream.end());
                EXPECT_EQ(marker, (std::vector<uint8_t>{0, 0, 0xff, 0xff}));
            }
            joined.insert(joined.end(), stream.begin(), stream.end());
            expected.insert(expected.end(), pieces[i].begin(), pieces[i].end());
        }
        EXPECT_TRUE(inflateRaw(joined, expected.size()) == expected);
    }
}

// Every truncation of a valid stream, a reserved block type, a stored block
// whose length and complement disagree, and bytes that are no stream at all
// are refused without reading past the end.
TEST(DeflateJoin, MalformedAndTruncatedStreamsAreRefused)
{
    const auto pieces = samplePieces();
    for (int level : {0, 6}) {
        const std::vector<uint8_t> stream = compress(pieces[4], level);
        for (size_t size = 0; size < stream.size(); ++size) {
            std::vector<uint8_t> cut(stream.begin(), stream.begin() + long(size));
            DeflateJoin::FinalBlock block;
            EXPECT_FALSE(DeflateJoin::findFinalBlock(cut.data(), cut.size(), block)) << level << " " << size;
        }
    }
    const std::vector<std::vector<uint8_t>> hostile = {
        {0x07},                          // final block of the reserved type 3
        {0x01, 0x05, 0x00, 0xfa, 0xfe},  // stored, length 5, wrong complement
        {0xfd, 0xff, 0xff, 0xff, 0xff},  // dynamic, 288 literal/length codes
        {0x02},                          // non-final fixed block, then nothing
        // codes whose all-zero bits past the end read as lengths for ever
        {0x4c, 0x4a, 0x00, 0x44, 0x23, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44,
         0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x01, 0x00, 0x00, 0x00, 0x44, 0x44,
         0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44,
         0x44, 0x44, 0x44, 0x44, 0x4c, 0x4a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
         0x28, 0x4e},
    };
    for (const auto& bytes : hostile) {
        std::vector<uint8_t> copy = bytes;
        copy.resize(bytes.size() + DeflateJoin::kRoomNeeded);
        EXPECT_EQ(DeflateJoin::openFinalBlock(copy.data(), bytes.size()), 0u) << int(bytes[0]);
    }
}
