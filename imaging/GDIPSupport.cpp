#include "imaging/GDIPSupport.h"

namespace kalvora::GDIPSupport {

int32_t ColorARGB(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue)
{
    const uint32_t packed = (static_cast<uint32_t>(alpha) << 24) | (static_cast<uint32_t>(red) << 16) |
                            (static_cast<uint32_t>(green) << 8) | static_cast<uint32_t>(blue);
    return static_cast<int32_t>(packed);
}

std::string HexPadded(int32_t value, int32_t width)
{
    static const char kDigits[] = "0123456789ABCDEF";
    uint32_t bits = static_cast<uint32_t>(value);
    std::string hex;
    do {
        hex.insert(hex.begin(), kDigits[bits & 0xFu]);
        bits >>= 4;
    } while (bits != 0);

    const std::string padded = "0000000" + hex;
    if (width <= 0) return std::string();
    const auto keep = static_cast<size_t>(width);
    if (keep >= padded.size()) return padded;
    return padded.substr(padded.size() - keep);
}

uint8_t LowByte(int32_t value)
{
    return static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFFu);
}

int32_t ShiftRight8(int32_t value)
{
    return value / 256;
}

int32_t ShiftRight16(int32_t value)
{
    return value / 65536;
}

}  // namespace kalvora::GDIPSupport
