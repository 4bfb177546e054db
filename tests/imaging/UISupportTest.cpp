#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "imaging/UISupport.h"

using namespace kalvora::UISupport;

TEST(UISupport, Pow10AndCheckValues)
{
    EXPECT_EQ(Pow10(10, 0), 1);
    EXPECT_EQ(Pow10(10, 1), 10);
    EXPECT_EQ(Pow10(10, 2), 100);
    EXPECT_EQ(Pow10(10, 12), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(Pow10(10, -1), 1);
    EXPECT_EQ(BoolToCheckValue(true), 1);
    EXPECT_EQ(BoolToCheckValue(false), 0);
}

TEST(UISupport, MapRangeIsLinearAndUnclamped)
{
    EXPECT_EQ(MapRange(50.0f, 0.0f, 100.0f, 255.0f, 0.0f), 127.5f);
    EXPECT_EQ(MapRange(-10.0f, 0.0f, 100.0f, 0.0f, 1.0f), -0.1f);
    EXPECT_EQ(MapRange(150.0f, 0.0f, 100.0f, 0.0f, 10.0f), 15.0f);
    EXPECT_EQ(MapRange(0.0f, 0.0f, 100.0f, 20.0f, 1.0f), 20.0f);
    EXPECT_EQ(MapRange(100.0f, 0.0f, 100.0f, 20.0f, 1.0f), 1.0f);
    // An empty input range has no slope: the start of the output range.
    EXPECT_EQ(MapRange(5.0f, 3.0f, 3.0f, 7.0f, 9.0f), 7.0f);
}

TEST(UISupport, MapRangeTakesTheInputSpanInSinglePrecision)
{
    // 0.3f - 0.1f is not a float; rounded to one it is a little larger than
    // the exact difference, so the top of the range maps just below 1.
    const float result = MapRange(0.3f, 0.1f, 0.3f, 0.0f, 1.0f);
    EXPECT_EQ(result, std::nextafter(1.0f, 0.0f));
}

TEST(UISupport, ShortenTextKeepsTheLastCharacters)
{
    std::string path70 = "C:\\Textures\\";
    while (path70.size() < 66) path70 += 'a';
    path70 += ".png";
    ASSERT_EQ(path70.size(), 70u);
    const std::string shortened = ShortenText(path70, 65);
    EXPECT_EQ(shortened.size(), 65u);
    EXPECT_EQ(shortened, "..." + path70.substr(8));

    const std::string path65 = path70.substr(5);
    EXPECT_EQ(ShortenText(path65, 65), path65);
    EXPECT_EQ(ShortenText("", 50), "");

    // Names longer than 50 show as "..." and the last 47 characters.
    const std::string longName(80, 'x');
    EXPECT_EQ(ShortenText(longName, 50), "..." + std::string(47, 'x'));
}

TEST(UISupport, ShortenTextCountsCharactersNotBytes)
{
    // Ten Greek letters: twenty bytes, ten characters.
    const std::string greek = "\u03b1\u03b2\u03b3\u03b4\u03b5\u03b6\u03b7\u03b8\u03b9\u03ba";
    ASSERT_EQ(greek.size(), 20u);
    EXPECT_EQ(ShortenText(greek, 10), greek);
    EXPECT_EQ(ShortenText(greek, 6), "...\u03b8\u03b9\u03ba");

    // Characters of one, two, three and four bytes (outside the 16-bit plane).
    const std::string mixed = "a\u00e9\u6f22\U0001F642b\U0001F600";
    EXPECT_EQ(ShortenText(mixed, 6), mixed);
    EXPECT_EQ(ShortenText(mixed, 5), "...b\U0001F600");
    EXPECT_EQ(ShortenText(mixed, 4), "...\U0001F600");
    EXPECT_EQ(ShortenText(mixed, 3), "...");
    EXPECT_EQ(ShortenText(mixed, 2), "..");
    EXPECT_EQ(ShortenText(mixed, 0), "");
}

TEST(UISupport, FileTitleSplitsAtEitherSeparator)
{
    EXPECT_EQ(FileTitleFromPath("C:\\Textures\\red brick.png"), "red brick.png");
    EXPECT_EQ(FileTitleFromPath("/home/user/walls/old wall.bricks"), "old wall.bricks");
    EXPECT_EQ(FileTitleFromPath("C:\\mixed/folders\\last.png"), "last.png");
    EXPECT_EQ(FileTitleFromPath("/mixed\\folders/last.png"), "last.png");
    EXPECT_EQ(FileTitleFromPath("plain name.png"), "plain name.png");
    EXPECT_EQ(FileTitleFromPath("C:\\Textures\\"), "");
    EXPECT_EQ(FileTitleFromPath("/tmp/"), "");
    EXPECT_EQ(FileTitleFromPath(""), "");
    EXPECT_EQ(FileTitleFromPath("/\u00e4\u00f6\u00fc/\u6f22\u5b57.png"), "\u6f22\u5b57.png");
}
