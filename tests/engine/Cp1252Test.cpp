#include <gtest/gtest.h>

#include <string>

#include "engine/Cp1252.h"

using kalvora::Cp1252;

TEST(Cp1252Test, CodePageCharactersMapBothWays)
{
    EXPECT_EQ(Cp1252::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e"), "Gr\xFC\xDF" "e");  // Grüße
    EXPECT_EQ(Cp1252::fromUtf8("\xE2\x82\xAC\xE2\x80\x9C\xC5\xB8"), "\x80\x93\x9F");
    EXPECT_EQ(Cp1252::toUtf8("\x80\x99\xFF"), "\xE2\x82\xAC\xE2\x84\xA2\xC3\xBF");
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Cp1252::fromUtf8(Cp1252::toUtf8(all)), all);  // undefined bytes included
}

TEST(Cp1252Test, OtherCharactersAndMalformedBytesBecomeQuestionMarks)
{
    EXPECT_EQ(Cp1252::fromUtf8("a\xE4\xB8\xAD" "b"), "a?b");  // one "?" per character
    EXPECT_EQ(Cp1252::fromUtf8("\xF0\x9F\x98\x80\xCE\xA9"), "??");
    EXPECT_EQ(Cp1252::fromUtf8("\xC2\x80"), "?");             // C1 control without a byte
    EXPECT_EQ(Cp1252::fromUtf8("x\xE2\x82"), "x??");          // cut short at the end
    EXPECT_EQ(Cp1252::fromUtf8("\xC0\xAF\xED\xA0\x80"), "?????");  // overlong, surrogate
}
