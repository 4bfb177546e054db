#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imaging/cInlineBitmap.h"
#include "imaging/cInlineBitmapCollection.h"
#include "platform/PixelFormat.h"
#include "platform/codecs/Codecs.h"

using namespace kalvora;

namespace {

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

uint32_t patternPixel(int32_t x, int32_t y)
{
    static const uint32_t alphas[] = {0, 1, 127, 128, 254, 255};
    const uint32_t a = alphas[(x + 2 * y) % 6];
    return (a << 24) | (static_cast<uint32_t>(x * 37 + y) & 0xFFu) << 16 |
           (static_cast<uint32_t>(y * 53 + 7) & 0xFFu) << 8 | (static_cast<uint32_t>(x ^ y) & 0xFFu);
}

// A w x h 32bpp ARGB image with a pattern that uses every kind of alpha.
void fillPattern(cBitmap& bitmap, int32_t w, int32_t h)
{
    ASSERT_EQ(bitmap.CreateFromScan0(w, h, 0, platform::kFormat32bppARGB), platform::Ok);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) ASSERT_EQ(bitmap.Handle()->setPixel(x, y, patternPixel(x, y)), platform::Ok);
}

uint32_t pixelOf(const cBitmap& bitmap, int32_t x, int32_t y)
{
    uint32_t argb = 0;
    EXPECT_EQ(bitmap.Handle()->getPixel(x, y, argb), platform::Ok);
    return argb;
}

class TempFolder {
public:
    TempFolder()
    {
        m_path = std::filesystem::temp_directory_path() /
                 ("kalvora-inline-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const std::string path = (m_path / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

private:
    std::filesystem::path m_path;
};

std::vector<uint8_t> pngOf(int32_t w, int32_t h)
{
    cInlineBitmap image;
    fillPattern(image.Bitmap, w, h);
    std::vector<uint8_t> bytes;
    EXPECT_GT(image.GetStream(bytes), 0);
    return bytes;
}

}  // namespace

TEST(InlineBitmap, GetStreamWritesACompletePngOrNothing)
{
    cInlineBitmap image;
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_EQ(image.GetStream(bytes), 0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));

    fillPattern(image.Bitmap, 1, 1);
    const int32_t count = image.GetStream(bytes);
    ASSERT_GT(count, 8);
    ASSERT_EQ(static_cast<size_t>(count), bytes.size());
    EXPECT_TRUE(std::equal(kPngSignature, kPngSignature + 8, bytes.begin()));
    // A complete file ends with the IEND chunk.
    const uint8_t iend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    EXPECT_TRUE(std::equal(iend, iend + 12, bytes.end() - 12));
}

TEST(InlineBitmap, PngRoundTripKeepsPixelsAndAlpha)
{
    cInlineBitmap source;
    fillPattern(source.Bitmap, 13, 7);
    std::vector<uint8_t> bytes;
    ASSERT_GT(source.GetStream(bytes), 0);

    cInlineBitmap copy;
    copy.FileName = "C:\\Textures\\kept.png";
    copy.LoadFromStream(bytes);
    EXPECT_EQ(copy.FileName, "C:\\Textures\\kept.png");
    ASSERT_EQ(copy.Bitmap.Width(), 13);
    ASSERT_EQ(copy.Bitmap.Height(), 7);
    EXPECT_EQ(copy.Bitmap.PixelFormat(), platform::kFormat32bppARGB);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 13; ++x) EXPECT_EQ(pixelOf(copy.Bitmap, x, y), patternPixel(x, y)) << x << "," << y;
    EXPECT_TRUE(copy.RawBytes().empty());
}

TEST(InlineBitmap, AnyDecodableFormatComesInAndPngGoesOut)
{
    cInlineBitmap source;
    ASSERT_EQ(source.Bitmap.CreateFromScan0(3, 2, 0, platform::kFormat24bppRGB), platform::Ok);
    ASSERT_EQ(source.Bitmap.Handle()->setPixel(2, 1, 0xFF102030u), platform::Ok);
    const platform::EncoderInfo* bmp = nullptr;
    for (const auto& encoder : platform::imageEncoders())
        if (encoder.mimeType == "image/bmp") bmp = &encoder;
    ASSERT_NE(bmp, nullptr);
    std::vector<uint8_t> bmpBytes;
    ASSERT_EQ(platform::encodeImage(*source.Bitmap.Handle(), bmp->clsid, nullptr, bmpBytes), platform::Ok);

    cInlineBitmap image;
    image.LoadFromStream(bmpBytes);
    ASSERT_EQ(image.Bitmap.Width(), 3);
    EXPECT_EQ(pixelOf(image.Bitmap, 2, 1), 0xFF102030u);
    std::vector<uint8_t> png;
    ASSERT_GT(image.GetStream(png), 8);
    EXPECT_TRUE(std::equal(kPngSignature, kPngSignature + 8, png.begin()));
}

TEST(InlineBitmap, UndecodableBytesAreKeptUntilReplaced)
{
    cInlineBitmap image;
    fillPattern(image.Bitmap, 2, 2);
    image.FileName = "brick.png";
    const std::vector<uint8_t> garbage = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    image.LoadFromStream(garbage);
    EXPECT_EQ(image.Bitmap.Handle(), nullptr);
    EXPECT_EQ(image.Bitmap.Width(), 0);
    EXPECT_EQ(image.FileName, "brick.png");
    EXPECT_EQ(image.RawBytes(), garbage);
    std::vector<uint8_t> out;
    EXPECT_EQ(image.GetStream(out), 0);
    EXPECT_TRUE(out.empty());

    // A truncated PNG is kept whole as well.
    std::vector<uint8_t> truncated = pngOf(4, 4);
    truncated.resize(truncated.size() / 2);
    image.LoadFromStream(truncated);
    EXPECT_EQ(image.Bitmap.Handle(), nullptr);
    EXPECT_EQ(image.RawBytes(), truncated);

    cInlineBitmap clone;
    clone.Clone(image);
    EXPECT_EQ(clone.RawBytes(), truncated);
    EXPECT_EQ(clone.FileName, "brick.png");

    image.LoadFromStream(pngOf(3, 2));
    EXPECT_TRUE(image.RawBytes().empty());
    EXPECT_EQ(image.Bitmap.Width(), 3);

    clone.Remove();
    EXPECT_TRUE(clone.RawBytes().empty());

    image.LoadFromStream(garbage);
    TempFolder folder;
    image.LoadFromFile(folder.write("tile.png", pngOf(2, 2)));
    EXPECT_TRUE(image.RawBytes().empty());
}

TEST(InlineBitmap, LoadFromFileKeepsTheNameOnlyOnSuccess)
{
    TempFolder folder;
    const std::string good = folder.write("red brick.png", pngOf(5, 4));
    const std::string text = folder.write("notes.txt", {'h', 'e', 'l', 'l', 'o'});

    cInlineBitmap image;
    image.LoadFromFile(good);
    EXPECT_EQ(image.FileName, good);
    EXPECT_EQ(image.Bitmap.Width(), 5);
    EXPECT_EQ(image.Bitmap.Height(), 4);
    EXPECT_EQ(image.FileTitle(), "red brick.png");

    image.LoadFromFile(text);
    EXPECT_EQ(image.FileName, good);
    EXPECT_EQ(image.Bitmap.Handle(), nullptr);
    EXPECT_EQ(image.Bitmap.Width(), 0);

    image.LoadFromFile(folder.write("empty.png", {}));
    EXPECT_EQ(image.FileName, good);
    image.LoadFromFile((std::filesystem::path(good).parent_path() / "missing.png").string());
    EXPECT_EQ(image.FileName, good);
    EXPECT_EQ(image.Bitmap.Width(), 0);
}

TEST(InlineBitmap, CloneIsADeepCopy)
{
    cInlineBitmap source;
    fillPattern(source.Bitmap, 6, 3);
    source.FileName = "/walls/source.png";

    cInlineBitmap copy;
    fillPattern(copy.Bitmap, 9, 9);
    copy.FileName = "old.png";
    copy.Clone(source);
    EXPECT_EQ(copy.FileName, "/walls/source.png");
    ASSERT_EQ(copy.Bitmap.Width(), 6);
    ASSERT_EQ(copy.Bitmap.Height(), 3);
    EXPECT_EQ(copy.Bitmap.PixelFormat(), source.Bitmap.PixelFormat());
    EXPECT_NE(copy.Bitmap.Handle(), source.Bitmap.Handle());

    ASSERT_EQ(copy.Bitmap.Handle()->setPixel(1, 1, 0x12345678u), platform::Ok);
    EXPECT_EQ(pixelOf(source.Bitmap, 1, 1), patternPixel(1, 1));
    EXPECT_EQ(pixelOf(copy.Bitmap, 2, 2), patternPixel(2, 2));

    // A 24-bit image stays 24-bit.
    cInlineBitmap rgb;
    ASSERT_EQ(rgb.Bitmap.CreateFromScan0(4, 2, 0, platform::kFormat24bppRGB), platform::Ok);
    copy.Clone(rgb);
    EXPECT_EQ(copy.Bitmap.PixelFormat(), platform::kFormat24bppRGB);

    // A source without pixels gives a copy without pixels but with its name.
    cInlineBitmap empty;
    empty.FileName = "named.png";
    copy.Clone(empty);
    EXPECT_EQ(copy.Bitmap.Handle(), nullptr);
    EXPECT_EQ(copy.FileName, "named.png");

    // Cloning from itself changes nothing.
    source.Clone(source);
    EXPECT_EQ(source.FileName, "/walls/source.png");
    ASSERT_EQ(source.Bitmap.Width(), 6);
    EXPECT_EQ(pixelOf(source.Bitmap, 3, 2), patternPixel(3, 2));
}

TEST(InlineBitmap, RemoveEmptiesTheImageAndName)
{
    cInlineBitmap image;
    EXPECT_NE(image.Bitmap.gdip, nullptr);
    fillPattern(image.Bitmap, 2, 2);
    image.FileName = "x.png";
    image.Remove();
    EXPECT_EQ(image.Bitmap.Handle(), nullptr);
    EXPECT_EQ(image.Bitmap.Width(), 0);
    EXPECT_EQ(image.FileName, "");
    EXPECT_EQ(image.Bitmap.gdip, nullptr);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(image.GetStream(bytes), 0);
}

TEST(InlineBitmapCollection, CloneSharesTheItems)
{
    cInlineBitmapCollection source;
    for (int i = 0; i < 3; ++i) {
        auto item = std::make_shared<cInlineBitmap>();
        fillPattern(item->Bitmap, 2 + i, 2);
        item->FileName = "brick" + std::to_string(i + 1) + ".png";
        source.Add(item);
    }
    cInlineBitmapCollection copy;
    copy.AddNewFromImage("/nowhere/missing.png");
    copy.Clone(source);
    ASSERT_EQ(copy.Count(), 3);
    for (int32_t i = 1; i <= 3; ++i) EXPECT_EQ(copy.GetInlineBitmap(i), source.GetInlineBitmap(i));

    ASSERT_EQ(copy.GetInlineBitmap(2)->Bitmap.Handle()->setPixel(0, 0, 0xFF00FF00u), platform::Ok);
    EXPECT_EQ(pixelOf(source.GetInlineBitmap(2)->Bitmap, 0, 0), 0xFF00FF00u);

    // The lists themselves stay apart.
    copy.Remove(1);
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_EQ(source.Count(), 3);

    copy.Clone(copy);
    EXPECT_EQ(copy.Count(), 2);

    // A shared item lives until the last collection lets it go.
    std::weak_ptr<cInlineBitmap> watched = source.GetInlineBitmap(3);
    source.RemoveAll();
    EXPECT_FALSE(watched.expired());
    copy.RemoveAll();
    EXPECT_TRUE(watched.expired());
}

TEST(InlineBitmapCollection, IndexesRunFromOne)
{
    cInlineBitmapCollection list;
    list.RemoveAll();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.GetInlineBitmap(1), nullptr);

    std::vector<std::shared_ptr<cInlineBitmap>> items;
    for (int i = 0; i < 4; ++i) {
        items.push_back(std::make_shared<cInlineBitmap>());
        items.back()->FileName = std::to_string(i + 1);
        list.Add(items.back());
    }
    list.Add(nullptr);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.GetInlineBitmap(1), items[0]);
    EXPECT_EQ(list.GetInlineBitmap(4), items[3]);

    for (int32_t bad : {0, -1, 5, 32767, -32768}) {
        EXPECT_EQ(list.GetInlineBitmap(bad), nullptr) << bad;
        list.Remove(bad);
        EXPECT_EQ(list.Count(), 4) << bad;
    }

    list.Remove(2);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetInlineBitmap(2)->FileName, "3");
    EXPECT_EQ(list.InlineBitmaps.back()->FileName, "4");
    list.Remove(3);
    list.Remove(1);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetInlineBitmap(1)->FileName, "3");
}

TEST(InlineBitmapCollection, AddNewFromImageAppendsEvenWhenTheLoadFails)
{
    TempFolder folder;
    const std::string text = folder.write("readme.txt", {'b', 'r', 'i', 'c', 'k'});
    const std::string png = folder.write("stone.png", pngOf(3, 5));

    cInlineBitmapCollection list;
    list.AddNewFromImage(png);
    list.AddNewFromImage(text);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetInlineBitmap(1)->FileName, png);
    EXPECT_EQ(list.GetInlineBitmap(1)->Bitmap.Width(), 3);
    EXPECT_EQ(list.GetInlineBitmap(2)->FileName, "");
    EXPECT_EQ(list.GetInlineBitmap(2)->Bitmap.Width(), 0);
    EXPECT_EQ(list.GetInlineBitmap(2)->Bitmap.Handle(), nullptr);
}
