#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "imaging/GDIPSupport.h"

using namespace kalvora::GDIPSupport;

TEST(GDIPSupport, ColorARGBIsTwosComplementWithAlphaOnTop)
{
    EXPECT_EQ(ColorARGB(255, 0, 0, 0), -16777216);
    EXPECT_EQ(ColorARGB(0, 255, 255, 255), 16777215);
    EXPECT_EQ(ColorARGB(255, 255, 255, 255), -1);
    EXPECT_EQ(ColorARGB(0, 0, 0, 0), 0);
    EXPECT_EQ(ColorARGB(128, 0, 0, 0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ColorARGB(127, 255, 255, 255), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ColorARGB(0x12, 0x34, 0x56, 0x78), 0x12345678);
    EXPECT_EQ(ColorARGB(0xFE, 0xDC, 0xBA, 0x98), static_cast<int32_t>(0xFEDCBA98u));
}

TEST(GDIPSupport, HexPaddedKeepsTheLastWidthCharacters)
{
    EXPECT_EQ(HexPadded(255, 2), "FF");
    EXPECT_EQ(HexPadded(255, 8), "000000FF");
    EXPECT_EQ(HexPadded(0xABCDEF, 6), "ABCDEF");
    EXPECT_EQ(HexPadded(0xABC, 2), "BC");
    EXPECT_EQ(HexPadded(0, 2), "00");
    EXPECT_EQ(HexPadded(-1, 8), "FFFFFFFF");
    EXPECT_EQ(HexPadded(-1, 4), "FFFF");
    EXPECT_EQ(HexPadded(std::numeric_limits<int32_t>::min(), 8), "80000000");
    // Seven zeros stand before the digits; a wider request gets all of them.
    EXPECT_EQ(HexPadded(0x12345678, 10), "0012345678");
    EXPECT_EQ(HexPadded(1, 20), "00000001");
    EXPECT_EQ(HexPadded(0x12345678, 40), "000000012345678");
    EXPECT_EQ(HexPadded(255, 0), "");
    EXPECT_EQ(HexPadded(255, -3), "");
}

TEST(GDIPSupport, PlatformColourTurnsIntoOpaqueARGB)
{
    // A platform colour is 0x00BBGGRR.
    const int32_t platformColour = 0x00336699;
    const uint8_t red = LowByte(platformColour);
    const uint8_t green = LowByte(ShiftRight8(platformColour));
    const uint8_t blue = LowByte(ShiftRight16(platformColour));
    EXPECT_EQ(red, 0x99);
    EXPECT_EQ(green, 0x66);
    EXPECT_EQ(blue, 0x33);
    EXPECT_EQ(ColorARGB(255, red, green, blue), static_cast<int32_t>(0xFF996633u));
}

TEST(GDIPSupport, ShiftsTruncateTowardZeroAndLowByteTakesBits0To7)
{
    EXPECT_EQ(ShiftRight8(0x00334455), 0x3344);
    EXPECT_EQ(ShiftRight16(0x00334455), 0x33);
    EXPECT_EQ(ShiftRight8(255), 0);
    EXPECT_EQ(ShiftRight8(-255), 0);
    EXPECT_EQ(ShiftRight8(-257), -1);
    EXPECT_EQ(ShiftRight16(-65537), -1);
    EXPECT_EQ(ShiftRight16(-65535), 0);
    EXPECT_EQ(ShiftRight8(std::numeric_limits<int32_t>::min()), -8388608);
    EXPECT_EQ(LowByte(-1), 255);
    EXPECT_EQ(LowByte(0x1234), 0x34);
    EXPECT_EQ(LowByte(std::numeric_limits<int32_t>::min()), 0);
}
