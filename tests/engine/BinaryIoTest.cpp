#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/BinaryReader.h"
#include "engine/BinaryWriter.h"
#include "engine/TaggedValue.h"

using kalvora::BinaryReader;
using kalvora::BinaryWriter;
using kalvora::TaggedValue;

TEST(BinaryIoTest, ShortReadsFailAndKeepThePosition)
{
    const std::vector<uint8_t> bytes{0x34, 0x12, 3};
    BinaryReader r(bytes.data(), bytes.size());
    uint32_t u32 = 7;
    EXPECT_FALSE(r.readU32(u32));
    EXPECT_EQ(u32, 7u);
    std::vector<uint8_t> out{9};
    EXPECT_FALSE(r.readBytes(SIZE_MAX, out));
    EXPECT_EQ(out, std::vector<uint8_t>{9});
    EXPECT_EQ(r.position(), 0u);
    uint16_t u16 = 0;
    EXPECT_TRUE(r.readU16(u16));
    EXPECT_EQ(u16, 0x1234);

    // A byte array claiming 4 GB fails and leaves the reader where it was.
    const std::vector<uint8_t> huge{0x11, 0x20, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 1};
    BinaryReader h(huge.data(), huge.size());
    TaggedValue v;
    EXPECT_FALSE(TaggedValue::read(h, v));
    EXPECT_EQ(h.position(), 0u);
}

TEST(BinaryIoTest, TextLimitIsInBytesOfTheCodePage)
{
    BinaryWriter w;
    EXPECT_TRUE(TaggedValue::writeText(w, std::string(65535, 'a')));
    EXPECT_EQ(w.size(), 4u + 65535u);
    w.clear();
    EXPECT_FALSE(TaggedValue::writeText(w, std::string(65536, 'a')));
    EXPECT_EQ(w.size(), 0u);
    std::string umlauts;  // 65535 characters of two UTF-8 bytes, one byte each in the file
    for (int i = 0; i < 65535; ++i) umlauts += "\xC3\xBC";
    EXPECT_TRUE(TaggedValue::writeText(w, umlauts));
}

TEST(BinaryIoTest, ValuesConvertToOtherFieldTypes)
{
    TaggedValue v;
    int32_t i = 0;
    float f = 0;
    bool b = false;
    uint8_t u8 = 0;
    std::string t;

    v.tag = TaggedValue::TagSingle;
    v.singleValue = 2.5f;
    ASSERT_TRUE(v.toInt32(i));
    EXPECT_EQ(i, 2);  // half to even
    v.singleValue = 3.5f;
    ASSERT_TRUE(v.toByte(u8));
    EXPECT_EQ(u8, 4);
    v.singleValue = 3e9f;
    EXPECT_FALSE(v.toInt32(i));
    v.singleValue = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(v.toInt32(i));
    ASSERT_TRUE(v.toSingle(f));  // NaN stays NaN in a real field
    EXPECT_TRUE(std::isnan(f));

    v.tag = TaggedValue::TagInt32;
    v.int32Value = 256;
    EXPECT_FALSE(v.toByte(u8));
    v.int32Value = 16777217;
    ASSERT_TRUE(v.toSingle(f));
    EXPECT_EQ(f, 16777216.0f);
    ASSERT_TRUE(v.toText(t));
    EXPECT_EQ(t, "16777217");

    v.tag = TaggedValue::TagFlag;
    v.flagValue = true;
    ASSERT_TRUE(v.toInt32(i));
    EXPECT_EQ(i, -1);
    EXPECT_FALSE(v.toByte(u8));  // -1 does not fit a byte

    v.tag = TaggedValue::TagText;
    v.textBytes = "false";
    ASSERT_TRUE(v.toFlag(b));
    EXPECT_FALSE(b);
    for (const char* bad : {"", "abc", "12x", "1e999", "nan", "inf"}) {
        v.textBytes = bad;
        EXPECT_FALSE(v.toSingle(f)) << bad;
        EXPECT_FALSE(v.toInt32(i)) << bad;
    }

    v.tag = TaggedValue::TagByteArray;
    EXPECT_FALSE(v.toInt32(i));
    EXPECT_FALSE(v.toText(t));
    EXPECT_FALSE(v.toFlag(b));
}
