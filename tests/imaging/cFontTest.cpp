#include "imaging/cFont.h"

#include <gtest/gtest.h>

namespace kalvora {
namespace {

TEST(cFontTest, RecordKeepsItsPropertiesAndRefusesBadOnes)
{
    cFont font;
    EXPECT_EQ(font.Handle(), 0);
    EXPECT_EQ(font.CreateFromFont("", 10.0f, false, false, false, false), platform::FontFamilyNotFound);
    EXPECT_EQ(font.CreateFromFont("Sans", 0.0f, false, false, false, false), platform::InvalidParameter);
    ASSERT_EQ(font.CreateFromFont("Sans", 12.0f, true, false, true, false), platform::Ok);
    EXPECT_NE(font.Handle(), 0);
    EXPECT_EQ(font.Name(), "Sans");
    EXPECT_EQ(font.Style(), cFont::kStyleBold | cFont::kStyleUnderline);
    EXPECT_TRUE(font.Bold());
    EXPECT_FALSE(font.Italic());
    EXPECT_TRUE(font.Underline());
    EXPECT_FALSE(font.StrikeOut());
    EXPECT_EQ(font.Height(), 16.0f);
    EXPECT_EQ(font.Unit(), cFont::kUnitPoint);
    EXPECT_EQ(font.CreateFromHdc(1), platform::NotImplemented);
    font.Dispose();
    EXPECT_EQ(font.Handle(), 0);
}

}  // namespace
}  // namespace kalvora
