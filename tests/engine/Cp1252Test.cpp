#include <gtest/gtest.h>

#include <string>

#include "engine/Cp1252.h"

using kalvora::Cp1252;

TEST(Cp1252Test, AsciiAndLatin1PassUnchangedInValue)
{
    EXPECT_EQ(Cp1252::fromUtf8("Untitled"), "Untitled");
    EXPECT_EQ(Cp1252::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e"), "Gr\xFC\xDF" "e");  // Grüße
    EXPECT_EQ(Cp1252::toUtf8("Gr\xFC\xDF" "e"), "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(Cp1252::fromUtf8("\xC2\xA0\xC3\xBF"), "\xA0\xFF");
}

TEST(Cp1252Test, PunctuationBlockMapsToItsOwnBytes)
{
    EXPECT_EQ(Cp1252::fromUtf8("\xE2\x82\xAC"), "\x80");   // euro sign
    EXPECT_EQ(Cp1252::fromUtf8("\xE2\x80\x9C" "a" "\xE2\x80\x9D"), "\x93" "a" "\x94");
    EXPECT_EQ(Cp1252::fromUtf8("\xC5\xB8"), "\x9F");        // Y with diaeresis
    EXPECT_EQ(Cp1252::toUtf8("\x80\x99"), "\xE2\x82\xAC\xE2\x84\xA2");
}

TEST(Cp1252Test, EveryByteSurvivesARoundTrip)
{
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Cp1252::fromUtf8(Cp1252::toUtf8(all)), all);
}

TEST(Cp1252Test, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach)
{
    EXPECT_EQ(Cp1252::fromUtf8("a\xE4\xB8\xAD" "b"), "a?b");          // CJK
    EXPECT_EQ(Cp1252::fromUtf8("\xF0\x9F\x98\x80"), "?");              // emoji, 4 bytes
    EXPECT_EQ(Cp1252::fromUtf8("\xCE\xA9\xCE\xB1"), "??");             // Greek
    EXPECT_EQ(Cp1252::fromUtf8("\xC2\x80"), "?");                      // C1 control without a byte
}

TEST(Cp1252Test, MalformedUtf8BecomesQuestionMarksWithoutReadingPastTheEnd)
{
    EXPECT_EQ(Cp1252::fromUtf8("\xFF"), "?");
    EXPECT_EQ(Cp1252::fromUtf8("x\xE2\x82"), "x??");          // cut short
    EXPECT_EQ(Cp1252::fromUtf8("\xC0\xAF"), "??");            // overlong "/"
    EXPECT_EQ(Cp1252::fromUtf8("\xED\xA0\x80"), "???");       // surrogate
    EXPECT_EQ(Cp1252::fromUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}
