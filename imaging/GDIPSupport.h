#pragma once

#include <cstdint>
#include <string>

// Packing of four 8-bit channels into the signed 32-bit ARGB colour the
// imaging classes and filters use, and taking single bytes out of a colour.
namespace kalvora::GDIPSupport {

// alpha in bits 24..31, then red, green, blue; read as two's complement, so a
// colour with alpha 128 or more is negative.
int32_t ColorARGB(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue);

// Upper-case hexadecimal digits of value (two's complement for negatives),
// written after "0000000" and cut to the last width characters. A width of
// 0 or less gives an empty text; a width beyond that text gives all of it.
std::string HexPadded(int32_t value, int32_t width);

// Bits 0..7 of value.
uint8_t LowByte(int32_t value);

// value / 256 and value / 65536, truncating toward zero.
int32_t ShiftRight8(int32_t value);
int32_t ShiftRight16(int32_t value);

}  // namespace kalvora::GDIPSupport
