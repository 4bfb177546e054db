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

namespace {

std::vector<uint8_t> bytesOf(std::initializer_list<int> list)
{
    std::vector<uint8_t> out;
    for (int b : list) out.push_back(static_cast<uint8_t>(b));
    return out;
}

bool readValue(const std::vector<uint8_t>& bytes, TaggedValue& value)
{
    BinaryReader reader(bytes.data(), bytes.size());
    return TaggedValue::read(reader, value) && reader.atEnd();
}

}  // namespace

TEST(BinaryIoTest, NumbersAreLittleEndian)
{
    BinaryWriter w;
    w.writeU16(0x1234);
    w.writeI32(-2);
    w.writeF32(10.0f);
    EXPECT_EQ(w.bytes(), bytesOf({0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x20, 0x41}));

    BinaryReader r(w.bytes().data(), w.size());
    uint16_t u16 = 0;
    int32_t i32 = 0;
    float f32 = 0;
    ASSERT_TRUE(r.readU16(u16) && r.readI32(i32) && r.readF32(f32));
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(i32, -2);
    EXPECT_EQ(f32, 10.0f);
    EXPECT_TRUE(r.atEnd());
}

TEST(BinaryIoTest, ShortReadsFailAndKeepThePosition)
{
    const auto bytes = bytesOf({1, 2, 3});
    BinaryReader r(bytes.data(), bytes.size());
    uint32_t u32 = 7;
    EXPECT_FALSE(r.readU32(u32));
    EXPECT_EQ(u32, 7u);
    EXPECT_EQ(r.position(), 0u);
    std::vector<uint8_t> out{9};
    EXPECT_FALSE(r.readBytes(SIZE_MAX, out));
    EXPECT_EQ(out, bytesOf({9}));
    EXPECT_TRUE(r.readBytes(3, out));
    EXPECT_EQ(out, bytes);
    EXPECT_FALSE(r.skip(1));
}

TEST(BinaryIoTest, TaggedValuesHaveTheirFileLayout)
{
    BinaryWriter w;
    TaggedValue::writeInt32(w, 1024);
    TaggedValue::writeFlag(w, true);
    TaggedValue::writeFlag(w, false);
    TaggedValue::writeByte(w, 2);
    TaggedValue::writeSingle(w, 10.0f);
    ASSERT_TRUE(TaggedValue::writeText(w, "Untitled"));
    ASSERT_TRUE(TaggedValue::writeText(w, ""));
    TaggedValue::writeByteArrayHeader(w, 5);
    EXPECT_EQ(w.bytes(), bytesOf({0x03, 0x00, 0x00, 0x04, 0x00, 0x00,  // 1024
                                  0x0B, 0x00, 0xFF, 0xFF, 0x0B, 0x00, 0x00, 0x00,
                                  0x11, 0x00, 0x02,
                                  0x04, 0x00, 0x00, 0x00, 0x20, 0x41,
                                  0x08, 0x00, 0x08, 0x00, 'U', 'n', 't', 'i', 't', 'l', 'e', 'd',
                                  0x08, 0x00, 0x00, 0x00,
                                  0x11, 0x20, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(BinaryIoTest, TextLimitIsInBytesOfTheCodePage)
{
    BinaryWriter w;
    EXPECT_TRUE(TaggedValue::writeText(w, std::string(65535, 'a')));
    EXPECT_EQ(w.size(), 4u + 65535u);
    w.clear();
    EXPECT_FALSE(TaggedValue::writeText(w, std::string(65536, 'a')));
    EXPECT_EQ(w.size(), 0u);
    // 65535 two-byte UTF-8 characters are 65535 bytes in the file.
    std::string umlauts;
    for (int i = 0; i < 65535; ++i) umlauts += "\xC3\xBC";
    EXPECT_TRUE(TaggedValue::writeText(w, umlauts));
}

TEST(BinaryIoTest, ReadsEveryKnownTagAndRefusesOthers)
{
    TaggedValue v;
    ASSERT_TRUE(readValue(bytesOf({0x0B, 0x00, 0xFF, 0xFF}), v));
    EXPECT_TRUE(v.flagValue);
    ASSERT_TRUE(readValue(bytesOf({0x11, 0x00, 0xFE}), v));
    EXPECT_EQ(v.byteValue, 0xFE);
    ASSERT_TRUE(readValue(bytesOf({0x08, 0x00, 0x02, 0x00, 0xE9, 'x'}), v));
    std::string text;
    ASSERT_TRUE(v.toText(text));
    EXPECT_EQ(text, "\xC3\xA9x");
    const auto array = bytesOf({0x11, 0x20, 0x01, 0x00, 0x02, 0, 0, 0, 0, 0, 0, 0, 7, 8});
    ASSERT_TRUE(readValue(array, v));  // the value points into array
    ASSERT_EQ(v.arraySize, 2u);
    EXPECT_EQ(v.arrayData[1], 8);

    EXPECT_FALSE(readValue(bytesOf({0x02, 0x00, 0x01, 0x00}), v));  // 16-bit integer: not ours
    EXPECT_FALSE(readValue(bytesOf({0x05, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}), v));
    EXPECT_FALSE(readValue(bytesOf({0x11, 0x20, 0x02, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0}), v));  // two dimensions
}

TEST(BinaryIoTest, HostileLengthsFailBeforeAnyAllocation)
{
    TaggedValue v;
    const auto hugeArray = bytesOf({0x11, 0x20, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 1, 2, 3});
    BinaryReader r(hugeArray.data(), hugeArray.size());
    EXPECT_FALSE(TaggedValue::read(r, v));
    EXPECT_EQ(r.position(), 0u);
    EXPECT_FALSE(readValue(bytesOf({0x08, 0x00, 0xFF, 0xFF, 'a'}), v));
    EXPECT_FALSE(readValue(bytesOf({0x03, 0x00, 0x01}), v));
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
    ASSERT_TRUE(v.toInt32(i));
    EXPECT_EQ(i, 4);
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
    ASSERT_TRUE(v.toFlag(b));
    EXPECT_TRUE(b);
    ASSERT_TRUE(v.toText(t));
    EXPECT_EQ(t, "16777217");

    v.tag = TaggedValue::TagFlag;
    v.flagValue = true;
    ASSERT_TRUE(v.toInt32(i));
    EXPECT_EQ(i, -1);
    EXPECT_FALSE(v.toByte(u8));  // -1 does not fit a byte
    ASSERT_TRUE(v.toText(t));
    EXPECT_EQ(t, "True");

    v.tag = TaggedValue::TagText;
    v.textBytes = " 12.5 ";
    ASSERT_TRUE(v.toSingle(f));
    EXPECT_EQ(f, 12.5f);
    ASSERT_TRUE(v.toInt32(i));
    EXPECT_EQ(i, 12);
    v.textBytes = "false";
    ASSERT_TRUE(v.toFlag(b));
    EXPECT_FALSE(b);
    for (const char* bad : {"", "abc", "12x", "1e999", "nan", "inf"}) {
        v.textBytes = bad;
        EXPECT_FALSE(v.toSingle(f)) << bad;
        EXPECT_FALSE(v.toInt32(i)) << bad;
    }

    v.tag = TaggedValue::TagByteArray;
    v.arraySize = 0;
    EXPECT_FALSE(v.toInt32(i));
    EXPECT_FALSE(v.toText(t));
    EXPECT_FALSE(v.toFlag(b));
}
