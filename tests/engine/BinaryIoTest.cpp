#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "BrickTestSupport.h"
#include "engine/BinaryReader.h"
#include "engine/BinaryWriter.h"
#include "engine/TaggedValue.h"
#include "platform/ReadOnlyFile.h"

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

namespace {

class BinaryFileReadTest : public kalvora::testing::TempFolderTest {
protected:
    // A file of count patterned bytes, opened; the bytes stay in memory too.
    void makeFile(size_t count)
    {
        bytes.resize(count);
        for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
        path = dir / "values.bin";
        kalvora::testing::writeBytes(path, bytes);
        ASSERT_EQ(file.open(path.string()), 0);
        ASSERT_EQ(file.size(), count);
    }

    std::vector<uint8_t> bytes;
    std::filesystem::path path;
    kalvora::platform::ReadOnlyFile file;
};

}  // namespace

TEST_F(BinaryFileReadTest, AFileGivesTheSameValuesAsItsBytesInMemory)
{
    makeFile(400000);
    BinaryReader fromFile(file);
    BinaryReader fromMemory(bytes.data(), bytes.size());
    // Values of every width and runs of bytes shorter and longer than the
    // file reader's window, straddling its edges.
    for (size_t run : {1, 3, 65533, 5, 70000, 2, 65536, 1000, 40000, 65535}) {
        SCOPED_TRACE(run);
        uint8_t a8 = 0, b8 = 1;
        uint16_t a16 = 0, b16 = 1;
        uint32_t a32 = 0, b32 = 1;
        ASSERT_TRUE(fromFile.readU8(a8) && fromMemory.readU8(b8));
        ASSERT_TRUE(fromFile.readU16(a16) && fromMemory.readU16(b16));
        ASSERT_TRUE(fromFile.readU32(a32) && fromMemory.readU32(b32));
        EXPECT_EQ(a8, b8);
        EXPECT_EQ(a16, b16);
        EXPECT_EQ(a32, b32);
        std::vector<uint8_t> fileRun, memoryRun;
        ASSERT_TRUE(fromFile.readBytes(run, fileRun) && fromMemory.readBytes(run, memoryRun));
        EXPECT_TRUE(fileRun == memoryRun);
        std::string fileText, memoryText;
        ASSERT_TRUE(fromFile.readString(run % 300, fileText) && fromMemory.readString(run % 300, memoryText));
        EXPECT_EQ(fileText, memoryText);
        EXPECT_EQ(fromFile.position(), fromMemory.position());
    }
    // Back to a place the window has left behind.
    fromFile.rewind(2);
    uint32_t value = 0;
    ASSERT_TRUE(fromFile.readU32(value));
    EXPECT_EQ(value, uint32_t(bytes[2]) | uint32_t(bytes[3]) << 8 | uint32_t(bytes[4]) << 16 | uint32_t(bytes[5]) << 24);

    // The end: one byte too many fails and leaves the position.
    ASSERT_TRUE(fromFile.skip(bytes.size() - 6 - 3));
    std::vector<uint8_t> tail{9};
    EXPECT_FALSE(fromFile.readBytes(4, tail));
    EXPECT_EQ(tail, std::vector<uint8_t>{9});
    ASSERT_TRUE(fromFile.readBytes(3, tail));
    EXPECT_EQ(tail, std::vector<uint8_t>(bytes.end() - 3, bytes.end()));
    EXPECT_TRUE(fromFile.atEnd());
}

TEST_F(BinaryFileReadTest, AFileCutWhileBeingReadFailsTheReadAndKeepsThePosition)
{
    makeFile(200000);
    BinaryReader reader(file);
    uint32_t value = 0;
    ASSERT_TRUE(reader.readU32(value));
    std::filesystem::resize_file(path, 100);
    // The first bytes are still in the window; the rest is gone.
    std::vector<uint8_t> run{7};
    EXPECT_FALSE(reader.readBytes(150000, run));
    EXPECT_EQ(run, std::vector<uint8_t>{7});
    EXPECT_EQ(reader.position(), 4u);
    EXPECT_FALSE(reader.skip(200000));
    ASSERT_TRUE(reader.skip(70000));
    uint16_t tag = 0;
    EXPECT_FALSE(reader.readU16(tag));
    EXPECT_EQ(reader.position(), 70004u);
}
