#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "BrickTestSupport.h"
#include "engine/BinaryReader.h"
#include "engine/TaggedValue.h"
#include "engine/cBrickDataFile.h"
#include "tests/support/FakeServices.h"
#include "tests/support/FileSizeLimit.h"

namespace fs = std::filesystem;
using namespace kalvora;
using kalvora::testing::fileBytes;
using kalvora::testing::makeImage;
using kalvora::testing::samePixels;
using kalvora::testing::writeBytes;

namespace {

std::vector<uint8_t> bytesOf(std::initializer_list<int> list)
{
    std::vector<uint8_t> out;
    for (int b : list) out.push_back(static_cast<uint8_t>(b));
    return out;
}

// Every byte of a saved reset project without images.
const std::vector<uint8_t> kResetProject = bytesOf({
    0x08, 0x00, 0x07, 0x00, 'K', 'a', 'l', 'v', 'o', 'r', 'a',
    0x03, 0x00, 0x00, 0x04, 0x00, 0x00,                    // Width 1024
    0x03, 0x00, 0x00, 0x04, 0x00, 0x00,                    // Height 1024
    0x0B, 0x00, 0xFF, 0xFF,                                // MaintainAspectRatio
    0x03, 0x00, 0x00, 0x02, 0x00, 0x00,                    // PreviewWidth 512
    0x03, 0x00, 0x00, 0x02, 0x00, 0x00,                    // PreviewHeight 512
    0x11, 0x00, 0x00,                                      // PreviewQuality 0
    0x08, 0x00, 0x08, 0x00, 'U', 'n', 't', 'i', 't', 'l', 'e', 'd',
    0x08, 0x00, 0x00, 0x00,                                // Description
    0x03, 0x00, 0x00, 0x00, 0x00, 0x00,                    // RowOffset 0
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00,                    // RandomSeed 1
    0x0B, 0x00, 0x00, 0x00,                                // RandomBrickDistribution
    0x04, 0x00, 0x00, 0x00, 0x20, 0x41,                    // MinWidth 10
    0x04, 0x00, 0x00, 0x00, 0x70, 0x41,                    // MaxWidth 15
    0x04, 0x00, 0x00, 0x00, 0xA0, 0x41,                    // MinHeight 20
    0x04, 0x00, 0x00, 0x00, 0xC8, 0x41,                    // MaxHeight 25
    0x04, 0x00, 0x00, 0x00, 0xA0, 0x40,                    // BorderSize 5
    0x04, 0x00, 0x00, 0x00, 0xA0, 0x40,                    // RoundedBorder 5
    0x04, 0x00, 0x00, 0x00, 0x00, 0x00,                    // NoiseStrength 0
    0x04, 0x00, 0x00, 0x00, 0x00, 0x00,                    // NoiseFrequency 0
    0x04, 0x00, 0x00, 0x00, 0x00, 0x00,                    // AntiAlias 0
    0x0B, 0x00, 0xFF, 0xFF,                                // FlipH
    0x0B, 0x00, 0x00, 0x00,                                // FlipV
    0x04, 0x00, 0x00, 0x00, 0xA0, 0x40,                    // ChangeHue 5
    0x04, 0x00, 0x00, 0x00, 0xA0, 0x40,                    // ChangeSaturation 5
    0x04, 0x00, 0x00, 0x00, 0xA0, 0x40,                    // ChangeLuminance 5
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00,                    // RepeatX 1
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00,                    // RepeatY 1
    0x0B, 0x00, 0x00, 0x00,                                // SeamlessH
    0x0B, 0x00, 0x00, 0x00,                                // SeamlessV
    0x04, 0x00, 0x00, 0x00, 0x00, 0x00,                    // BlendBorders 0
    0x03, 0x00, 0x00, 0x00, 0x00, 0x00,                    // no brick images
    0x08, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00,  // mortar without pixels
});

// Byte offsets of the magic, the thirty settings and the brick count, and
// where the brick count ends.
std::vector<size_t> headerValueOffsets(const std::vector<uint8_t>& file)
{
    std::vector<size_t> offsets;
    BinaryReader reader(file.data(), file.size());
    TaggedValue value;
    for (int i = 0; i < 32; ++i) {
        offsets.push_back(reader.position());
        EXPECT_TRUE(TaggedValue::read(reader, value));
    }
    offsets.push_back(reader.position());
    return offsets;
}

// The reset project with value number index (0 the magic, 31 the brick count)
// replaced by other bytes.
std::vector<uint8_t> withValue(size_t index, const std::vector<uint8_t>& value)
{
    const auto at = headerValueOffsets(kResetProject);
    std::vector<uint8_t> file(kResetProject.begin(), kResetProject.begin() + at[index]);
    file.insert(file.end(), value.begin(), value.end());
    file.insert(file.end(), kResetProject.begin() + at[index + 1], kResetProject.end());
    return file;
}

class BrickFileTest : public kalvora::testing::TempFolderTest {
protected:
    // A project with non-default settings, three brick images and a mortar.
    static void fill(cBrickData& p)
    {
        BrickDefaults::reset(p);
        p.Width = 2048;
        p.Height = 300;
        p.PreviewQuality = 2;
        p.Name = "Mauer \xE2\x82\xAC 1";  // with a euro sign
        p.Description = "line one\r\nline two";
        p.RowOffset = 1;
        p.RandomSeed = 65535;
        p.MinWidth = 10.12f;
        p.BlendBorders = 33.33f;
        p.SeamlessV = true;
        p.BrickFiles->Add(makeImage(5, 3, 1, "/bricks/red.png"));
        p.BrickFiles->Add(makeImage(2, 7, 2, "/gone/no-such-file.png"));
        p.BrickFiles->Add(makeImage(1, 1, 3, ""));
        p.MortarFile = makeImage(4, 4, 9, "/mortar/grey.png");
    }

    // The settings and the very image objects, to show a failed load changed nothing.
    struct Snapshot {
        BrickSettings settings;
        std::vector<std::shared_ptr<cInlineBitmap>> bricks;
        std::shared_ptr<cInlineBitmap> mortar;
        std::shared_ptr<cInlineBitmapCollection> list;
    };
    static Snapshot snapshot(const cBrickData& p)
    {
        return {p.settings(), p.BrickFiles->InlineBitmaps, p.MortarFile, p.BrickFiles};
    }
    static void expectUnchanged(const cBrickData& p, const Snapshot& s)
    {
        EXPECT_TRUE(p.settings() == s.settings);
        EXPECT_EQ(p.BrickFiles, s.list);
        EXPECT_EQ(p.BrickFiles->InlineBitmaps, s.bricks);
        EXPECT_EQ(p.MortarFile, s.mortar);
    }

    std::vector<uint8_t> savedProject()
    {
        cBrickData p;
        fill(p);
        const fs::path file = dir / "full.bricks";
        EXPECT_TRUE(p.SaveBrickFile(file.string()));
        return fileBytes(file);
    }

    kalvora::testing::ScopedFakeServices services;
};

}  // namespace

TEST_F(BrickFileTest, ResetProjectSavesToExactBytesAndLoadsBack)
{
    cBrickData p;
    BrickDefaults::reset(p);
    const fs::path file = dir / "reset.bricks";
    ASSERT_TRUE(p.SaveBrickFile(file.string()));
    EXPECT_EQ(fileBytes(file), kResetProject);
    EXPECT_EQ(entries(), 1u);  // no temporary file left

    cBrickData q;
    q.BrickFiles->Add(makeImage(2, 2, 1, "x"));
    ASSERT_TRUE(q.LoadBrickFile(file.string()));
    EXPECT_TRUE(q.settings() == BrickDefaults::settings());
    EXPECT_EQ(q.BrickFiles->Count(), 0);
    EXPECT_EQ(q.MortarFile->Bitmap.Handle(), nullptr);
    EXPECT_EQ(q.MortarFile->FileName, "");
    EXPECT_TRUE(services.messageBox.shown.empty());
    EXPECT_EQ(services.cursor.calls, (std::vector<std::string>{"busy", "normal", "busy", "normal"}));
}

TEST_F(BrickFileTest, ImagesRoundTripWithPixelsAlphaNamesAndOrder)
{
    cBrickData p;
    fill(p);
    const fs::path file = dir / "images.bricks";
    ASSERT_TRUE(p.SaveBrickFile(file.string()));

    cBrickData q;
    const auto list = q.BrickFiles;
    ASSERT_TRUE(q.LoadBrickFile(file.string()));
    EXPECT_EQ(q.BrickFiles, list);  // the same list object, refilled
    EXPECT_TRUE(q.settings() == p.settings());
    ASSERT_EQ(q.BrickFiles->Count(), 3);
    for (int32_t i = 1; i <= 3; ++i) {
        const auto a = p.BrickFiles->GetInlineBitmap(i);
        const auto b = q.BrickFiles->GetInlineBitmap(i);
        EXPECT_EQ(b->FileName, a->FileName);
        EXPECT_TRUE(samePixels(*a, *b)) << "brick " << i;
        EXPECT_EQ(b->Bitmap.PixelFormat(), platform::kFormat32bppARGB);
    }
    EXPECT_EQ(q.MortarFile->FileName, "/mortar/grey.png");
    EXPECT_TRUE(samePixels(*p.MortarFile, *q.MortarFile));
    uint32_t argb = 0;
    ASSERT_EQ(q.BrickFiles->GetInlineBitmap(1)->Bitmap.Handle()->getPixel(0, 0, argb), platform::Ok);
    EXPECT_EQ(argb >> 24, 0u);
    ASSERT_EQ(q.BrickFiles->GetInlineBitmap(1)->Bitmap.Handle()->getPixel(1, 0, argb), platform::Ok);
    EXPECT_EQ(argb >> 24, 255u);

    // Saving what was read gives the same file again.
    const fs::path again = dir / "again.bricks";
    ASSERT_TRUE(q.SaveBrickFile(again.string()));
    EXPECT_EQ(fileBytes(again), fileBytes(file));
}

TEST_F(BrickFileTest, AProjectLargerThanTheReadWindowRoundTrips)
{
    // A long description and an image of noise whose encoded bytes are far
    // longer than the reader's window put values astride its edges.
    cBrickData p;
    fill(p);
    p.Description = std::string(60000, 'w');
    auto noise = std::make_shared<cInlineBitmap>();
    std::vector<uint8_t> pixels(size_t{240} * 200 * 4);
    uint32_t state = 12345;
    for (uint8_t& b : pixels) b = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 23);
    ASSERT_EQ(noise->Bitmap.CreateFromScan0(240, 200, 240 * 4, platform::kFormat32bppARGB, pixels.data()),
              platform::Ok);
    p.BrickFiles->Add(noise);
    const fs::path file = dir / "large.bricks";
    ASSERT_TRUE(p.SaveBrickFile(file.string()));
    ASSERT_GT(fs::file_size(file), 200000u);

    cBrickData q;
    ASSERT_TRUE(q.LoadBrickFile(file.string()));
    EXPECT_TRUE(q.settings() == p.settings());
    ASSERT_EQ(q.BrickFiles->Count(), 4);
    EXPECT_TRUE(samePixels(*noise, *q.BrickFiles->GetInlineBitmap(4)));
    EXPECT_TRUE(samePixels(*p.MortarFile, *q.MortarFile));
    const fs::path again = dir / "again.bricks";
    ASSERT_TRUE(q.SaveBrickFile(again.string()));
    EXPECT_EQ(fileBytes(again), fileBytes(file));
}

TEST_F(BrickFileTest, SettingsAreStoredAsGivenEvenOutOfRangeOrNotFinite)
{
    cBrickData p;
    BrickDefaults::reset(p);
    p.Width = -5;
    p.RandomSeed = 0;
    p.RowOffset = 7;
    p.PreviewQuality = 255;
    p.MinWidth = std::numeric_limits<float>::quiet_NaN();
    p.MaxWidth = std::numeric_limits<float>::infinity();
    p.NoiseFrequency = -std::numeric_limits<float>::infinity();
    p.Name = "\xE4\xB8\xAD\xC3\xA9";  // a CJK character and e-acute
    const fs::path file = dir / "odd.bricks";
    ASSERT_TRUE(p.SaveBrickFile(file.string()));

    cBrickData q;
    ASSERT_TRUE(q.LoadBrickFile(file.string()));
    EXPECT_EQ(q.Width, -5);
    EXPECT_EQ(q.RandomSeed, 0);
    EXPECT_EQ(q.RowOffset, 7);
    EXPECT_EQ(q.PreviewQuality, 255);
    EXPECT_TRUE(std::isnan(q.MinWidth));
    EXPECT_EQ(q.MaxWidth, std::numeric_limits<float>::infinity());
    EXPECT_EQ(q.NoiseFrequency, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(q.Name, "?\xC3\xA9");  // outside the code page: "?"
}

TEST_F(BrickFileTest, ValuesOfAnotherKnownTypeAreConverted)
{
    // Width as the real 1000.5 (rounds to 1000), MinWidth as the integer 12,
    // Name as the flag true.
    std::vector<uint8_t> file = withValue(1, bytesOf({0x04, 0x00, 0x00, 0x20, 0x7A, 0x44}));
    writeBytes(dir / "a.bricks", file);
    file = withValue(12, bytesOf({0x03, 0x00, 0x0C, 0x00, 0x00, 0x00}));
    writeBytes(dir / "b.bricks", file);
    file = withValue(7, bytesOf({0x0B, 0x00, 0xFF, 0xFF}));
    writeBytes(dir / "c.bricks", file);

    cBrickData q;
    ASSERT_TRUE(q.LoadBrickFile((dir / "a.bricks").string()));
    EXPECT_EQ(q.Width, 1000);
    ASSERT_TRUE(q.LoadBrickFile((dir / "b.bricks").string()));
    EXPECT_EQ(q.MinWidth, 12.0f);
    ASSERT_TRUE(q.LoadBrickFile((dir / "c.bricks").string()));
    EXPECT_EQ(q.Name, "True");
}

TEST_F(BrickFileTest, WrongMagicShowsTheMessageAndChangesNothing)
{
    cBrickData p;
    fill(p);
    const Snapshot before = snapshot(p);
    for (const char* magic : {"kalvora", "Kalvor", "Kalvora ", "KALVORA"}) {
        std::vector<uint8_t> file = kResetProject;
        file.erase(file.begin() + 4, file.begin() + 11);
        file.insert(file.begin() + 4, magic, magic + std::strlen(magic));
        file[2] = static_cast<uint8_t>(std::strlen(magic));
        writeBytes(dir / "wall.bricks", file);
        EXPECT_FALSE(p.LoadBrickFile((dir / "wall.bricks").string())) << magic;
        expectUnchanged(p, before);
    }
    ASSERT_EQ(services.messageBox.shown.size(), 4u);
    EXPECT_EQ(services.messageBox.shown[0].text, "Could not open wall.bricks");
    EXPECT_EQ(services.messageBox.shown[0].title, "Unsupported File Format");
    EXPECT_EQ(services.messageBox.shown[0].style, 48);
    EXPECT_EQ(services.cursor.calls.back(), "normal");

    // Neither a missing file nor a folder is a project.
    EXPECT_FALSE(p.LoadBrickFile((dir / "missing.bricks").string()));
    EXPECT_FALSE(p.LoadBrickFile(dir.string()));
    expectUnchanged(p, before);
    EXPECT_EQ(services.messageBox.shown.back().text, "Could not open " + dir.filename().string());
}

TEST_F(BrickFileTest, EveryTruncationFailsAndLeavesTheProjectUntouched)
{
    const std::vector<uint8_t> full = savedProject();
    cBrickData p;
    BrickDefaults::reset(p);
    p.BrickFiles->Add(makeImage(3, 3, 5, "/keep.png"));
    const Snapshot before = snapshot(p);
    const fs::path file = dir / "cut.bricks";
    for (size_t length = 0; length < full.size(); ++length) {
        writeBytes(file, std::vector<uint8_t>(full.begin(), full.begin() + length));
        ASSERT_FALSE(p.LoadBrickFile(file.string())) << "length " << length;
        expectUnchanged(p, before);
    }
    EXPECT_EQ(services.messageBox.shown.size(), full.size());

    // Bytes after the mortar image record are ignored.
    std::vector<uint8_t> longer = full;
    longer.insert(longer.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    writeBytes(file, longer);
    EXPECT_TRUE(p.LoadBrickFile(file.string()));
    EXPECT_EQ(p.BrickFiles->Count(), 3);
}

TEST_F(BrickFileTest, UnknownTagsAnywhereInTheSettingsFail)
{
    cBrickData p;
    fill(p);
    const Snapshot before = snapshot(p);
    const auto at = headerValueOffsets(kResetProject);
    for (size_t i = 0; i + 1 < at.size(); ++i) {
        for (uint16_t tag : {0x0000, 0x0002, 0x0005, 0x0007, 0x2008, 0xFFFF}) {
            std::vector<uint8_t> file = kResetProject;
            file[at[i]] = static_cast<uint8_t>(tag);
            file[at[i] + 1] = static_cast<uint8_t>(tag >> 8);
            writeBytes(dir / "tag.bricks", file);
            EXPECT_FALSE(p.LoadBrickFile((dir / "tag.bricks").string())) << "value " << i << " tag " << tag;
        }
    }
    expectUnchanged(p, before);
}

TEST_F(BrickFileTest, ValuesThatDoNotFitTheirFieldFail)
{
    cBrickData p;
    fill(p);
    const Snapshot before = snapshot(p);
    const std::vector<std::vector<uint8_t>> bad = {
        withValue(6, bytesOf({0x03, 0x00, 0x00, 0x01, 0x00, 0x00})),   // PreviewQuality 256
        withValue(6, bytesOf({0x0B, 0x00, 0xFF, 0xFF})),               // PreviewQuality True (-1)
        withValue(1, bytesOf({0x04, 0x00, 0x00, 0x00, 0xC0, 0x7F})),   // Width NaN
        withValue(1, bytesOf({0x04, 0x00, 0x00, 0x00, 0x00, 0x4F})),   // Width 2^31
        withValue(1, bytesOf({0x08, 0x00, 0x02, 0x00, '1', 'x'})),     // Width "1x"
        withValue(3, bytesOf({0x11, 0x20, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0})),  // flag as a byte array
        withValue(31, bytesOf({0x03, 0x00, 0xFF, 0xFF, 0xFF, 0xFF})),  // brick count -1
        withValue(31, bytesOf({0x03, 0x00, 0xFF, 0xFF, 0xFF, 0x7F})),  // brick count 2^31 - 1
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        writeBytes(dir / "bad.bricks", bad[i]);
        EXPECT_FALSE(p.LoadBrickFile((dir / "bad.bricks").string())) << "case " << i;
    }
    expectUnchanged(p, before);
}

TEST_F(BrickFileTest, HostileImageRecordsFail)
{
    const std::vector<uint8_t> head(kResetProject.begin(), kResetProject.end() - 16);
    const auto withTail = [&](std::initializer_list<int> tail) {
        std::vector<uint8_t> file = head;
        const auto t = bytesOf(tail);
        file.insert(file.end(), t.begin(), t.end());
        return file;
    };
    const std::vector<std::vector<uint8_t>> bad = {
        // one brick whose byte array claims 4 GB
        withTail({3, 0, 1, 0, 0, 0, 8, 0, 0, 0, 3, 0, 5, 0, 0, 0, 0x11, 0x20, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 1, 2, 3, 4, 5}),
        // byte count and array count disagree
        withTail({3, 0, 0, 0, 0, 0, 8, 0, 0, 0, 3, 0, 2, 0, 0, 0, 0x11, 0x20, 1, 0, 3, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3}),
        // two dimensions
        withTail({3, 0, 0, 0, 0, 0, 8, 0, 0, 0, 3, 0, 1, 0, 0, 0, 0x11, 0x20, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1}),
        // negative byte count
        withTail({3, 0, 0, 0, 0, 0, 8, 0, 0, 0, 3, 0, 0xFF, 0xFF, 0xFF, 0xFF}),
        // file name longer than the file
        withTail({3, 0, 0, 0, 0, 0, 8, 0, 0xFF, 0xFF, 'a', 'b'}),
        // a text where the byte array belongs
        withTail({3, 0, 0, 0, 0, 0, 8, 0, 0, 0, 3, 0, 1, 0, 0, 0, 8, 0, 1, 0, 'x'}),
    };
    cBrickData p;
    fill(p);
    const Snapshot before = snapshot(p);
    for (size_t i = 0; i < bad.size(); ++i) {
        writeBytes(dir / "bad.bricks", bad[i]);
        EXPECT_FALSE(p.LoadBrickFile((dir / "bad.bricks").string())) << "case " << i;
    }
    expectUnchanged(p, before);
}

TEST_F(BrickFileTest, UndecodableImageBytesAreKeptAndWrittenBack)
{
    // One brick "/b.png" holding 5 bytes that are no image, and the mortar.
    std::vector<uint8_t> file(kResetProject.begin(), kResetProject.end() - 16);
    const auto tail = bytesOf({3, 0, 1, 0, 0, 0,
                               8, 0, 6, 0, '/', 'b', '.', 'p', 'n', 'g', 3, 0, 5, 0, 0, 0,
                               0x11, 0x20, 1, 0, 5, 0, 0, 0, 0, 0, 0, 0, 'h', 'e', 'l', 'l', 'o',
                               8, 0, 0, 0, 3, 0, 0, 0, 0, 0});
    file.insert(file.end(), tail.begin(), tail.end());
    writeBytes(dir / "raw.bricks", file);

    cBrickData p;
    ASSERT_TRUE(p.LoadBrickFile((dir / "raw.bricks").string()));
    ASSERT_EQ(p.BrickFiles->Count(), 1);
    const auto brick = p.BrickFiles->GetInlineBitmap(1);
    EXPECT_EQ(brick->Bitmap.Handle(), nullptr);
    EXPECT_EQ(brick->FileName, "/b.png");
    EXPECT_EQ(brick->RawBytes(), bytesOf({'h', 'e', 'l', 'l', 'o'}));

    ASSERT_TRUE(p.SaveBrickFile((dir / "again.bricks").string()));
    EXPECT_EQ(fileBytes(dir / "again.bricks"), file);
}

TEST_F(BrickFileTest, FailedSavesKeepThePreviousFileAndReportOnce)
{
    const fs::path target = dir / "wall.bricks";
    writeBytes(target, kResetProject);
    cBrickData p;
    fill(p);

    // A folder where the file should be.
    fs::create_directory(dir / "folder.bricks");
    EXPECT_FALSE(p.SaveBrickFile((dir / "folder.bricks").string()));
    EXPECT_TRUE(fs::is_directory(dir / "folder.bricks"));
    // A parent that is a regular file.
    const std::string impossible = (target / "x.bricks").string();
    EXPECT_FALSE(p.SaveBrickFile(impossible));
    // A text too long for the file.
    p.Description = std::string(65536, 'd');
    EXPECT_FALSE(p.SaveBrickFile(target.string()));
    EXPECT_EQ(fileBytes(target), kResetProject);
    p.Description = std::string(65535, 'd');
    EXPECT_TRUE(p.SaveBrickFile((dir / "longest.bricks").string()));
    cBrickData q;
    ASSERT_TRUE(q.LoadBrickFile((dir / "longest.bricks").string()));
    EXPECT_EQ(q.Description.size(), 65535u);
    fs::remove(dir / "longest.bricks");

    ASSERT_EQ(services.messageBox.shown.size(), 3u);
    // The system's reason on a second line; none when the system refused
    // nothing and the project itself could not be written.
    EXPECT_EQ(services.messageBox.shown[1].text, "Could not save File " + impossible + "\n" + std::strerror(ENOTDIR));
    EXPECT_EQ(services.messageBox.shown[1].title, "Error");
    EXPECT_EQ(services.messageBox.shown[1].style, 48);
    EXPECT_EQ(services.messageBox.shown[2].text, "Could not save File " + target.string());
    EXPECT_EQ(entries(), 2u);  // wall.bricks and the folder: no temporary files
}

TEST_F(BrickFileTest, SaveCutShortByTheFileSizeLimitKeepsTheOldFile)
{
    const fs::path target = dir / "wall.bricks";
    writeBytes(target, kResetProject);
    cBrickData p;
    fill(p);

    {
        kalvora::testing::FileSizeLimit limit(300);  // the project with its images is larger
        EXPECT_FALSE(p.SaveBrickFile(target.string()));
    }
    EXPECT_EQ(fileBytes(target), kResetProject);
    EXPECT_EQ(entries(), 1u);
    ASSERT_EQ(services.messageBox.shown.size(), 1u);
    EXPECT_EQ(services.messageBox.shown[0].text,
              "Could not save File " + target.string() + "\n" + std::strerror(EFBIG));
    EXPECT_EQ(services.cursor.calls, (std::vector<std::string>{"busy", "normal"}));

    // Without the limit the same save replaces the file.
    EXPECT_TRUE(p.SaveBrickFile(target.string()));
    EXPECT_NE(fileBytes(target), kResetProject);
}

TEST_F(BrickFileTest, EmptyImageReferencesSaveAsImagesWithoutPixels)
{
    cBrickData p;
    BrickDefaults::reset(p);
    p.BrickFiles->InlineBitmaps.push_back(nullptr);
    p.MortarFile = nullptr;
    const fs::path file = dir / "empty.bricks";
    ASSERT_TRUE(p.SaveBrickFile(file.string()));
    EXPECT_EQ(fileBytes(file), kResetProject);

    BrickDefaults::reset(p);
    ASSERT_TRUE(p.MortarFile);
    EXPECT_EQ(p.BrickFiles->Count(), 0);
}
