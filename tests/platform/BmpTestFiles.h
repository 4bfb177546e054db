#pragma once

#include <cstdint>
#include <vector>

namespace kalvora::testing {

inline void put32le(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A BMP file from its basic header fields, the palette or masks that follow
// the header, and the pixel bytes as stored.
inline std::vector<uint8_t> bmpFile(int w, int h, int bits, uint32_t compression, const std::vector<uint32_t>& extra,
                                    const std::vector<uint8_t>& pixels)
{
    const size_t offset = 14 + 40 + extra.size() * 4;
    std::vector<uint8_t> b(offset, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32le(b, 2, uint32_t(offset + pixels.size()));
    put32le(b, 10, uint32_t(offset));
    put32le(b, 14, 40);
    put32le(b, 18, uint32_t(w));
    put32le(b, 22, uint32_t(h));
    b[26] = 1;
    b[28] = uint8_t(bits);
    put32le(b, 30, compression);
    for (size_t i = 0; i < extra.size(); ++i) put32le(b, 54 + i * 4, extra[i]);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// An uncompressed BMP from packed rows in file order, each padded to four bytes.
inline std::vector<uint8_t> writeBmp(int w, int h, int bits, uint32_t compression, const std::vector<uint32_t>& extra,
                                     const std::vector<std::vector<uint8_t>>& fileRows)
{
    const size_t rowBytes = (size_t(w) * bits + 31) / 32 * 4;
    std::vector<uint8_t> pixels;
    for (const auto& row : fileRows) {
        pixels.insert(pixels.end(), row.begin(), row.end());
        pixels.resize(pixels.size() + rowBytes - row.size(), 0);
    }
    return bmpFile(w, h, bits, compression, extra, pixels);
}

}  // namespace kalvora::testing
