#include <gtest/gtest.h>

#include <tiffio.h>

#include <chrono>
#include <string>

#include "platform/codecs/Codecs.h"
#include "tests/platform/CodecTestImages.h"
#include "tests/platform/JpegTestFiles.h"

using namespace kalvora::platform;
using kalvora::testing::countDifferences;
using kalvora::testing::encodeOrFail;
using kalvora::testing::writeJpeg;

namespace {

// Decoding any of these files takes far less; the bound is the promise. The
// sanitizer build runs the same decoder several times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kMaxSeconds = 2.0;
#else
constexpr double kMaxSeconds = 0.5;
#endif

std::string hostileFile(const std::string& name) { return std::string(KALVORA_TEST_DATA) + "/hostile-images/" + name; }

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Status decodeTimed(const std::vector<uint8_t>& bytes, double& seconds)
{
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<Image> image;
    const Status s = decodeImage(bytes.data(), bytes.size(), image);
    seconds = secondsSince(start);
    return s;
}

// The start of the first frame header: FF C0 (baseline) or FF C2 (progressive).
size_t frameHeader(const std::vector<uint8_t>& jpeg)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) return i;
    return 0;
}

// A copy of `jpeg` declaring w x h pixels, cut to `size` bytes.
std::vector<uint8_t> declareAndCut(std::vector<uint8_t> jpeg, uint16_t w, uint16_t h, size_t size)
{
    const size_t at = frameHeader(jpeg);
    if (at == 0 || size > jpeg.size()) return {};
    jpeg[at + 5] = uint8_t(h >> 8);
    jpeg[at + 6] = uint8_t(h);
    jpeg[at + 7] = uint8_t(w >> 8);
    jpeg[at + 8] = uint8_t(w);
    jpeg.resize(size);
    return jpeg;
}

std::vector<uint8_t> smoothSamples(int w, int h)
{
    std::vector<uint8_t> s;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.insert(s.end(), {uint8_t(x), uint8_t(y), uint8_t((x * y) >> 6)});
    return s;
}

}  // namespace

TEST(CodecsHostileFiles, EachFileGetsItsResultWithinHalfASecond)
{
    const std::pair<const char*, Status> files[] = {
        {"short-strip-table.tif", UnknownImageFormat}, {"cmyk-truncated.tif", UnknownImageFormat},
        {"huge-samples-per-pixel.tif", UnknownImageFormat}, {"huge-truncated.jpg", UnknownImageFormat},
        {"rle8.bmp", Ok}, {"planar-rgba.tif", Ok},
    };
    for (const auto& [name, expected] : files) {
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<Image> image;
        EXPECT_EQ(decodeImageFile(hostileFile(name), image), expected) << name;
        EXPECT_LT(secondsSince(start), kMaxSeconds) << name;
        EXPECT_EQ(image != nullptr, expected == Ok) << name;
    }
}

TEST(CodecsHostileFiles, RunLengthBitmapHoldsTheSamePixelsAsItsUncompressedTwin)
{
    std::unique_ptr<Image> rle, plain;
    ASSERT_EQ(decodeImageFile(hostileFile("rle8.bmp"), rle), Ok);
    ASSERT_EQ(decodeImageFile(hostileFile("rle8-expected.bmp"), plain), Ok);
    EXPECT_EQ(rle->width(), 97);
    EXPECT_EQ(rle->height(), 61);
    EXPECT_EQ(countDifferences(*rle, *plain), 0);
    EXPECT_EQ(rle->palette(), plain->palette());
}

TEST(CodecsHostileFiles, PlanarRgbaKeepsItsStraightColours)
{
    const std::string path = hostileFile("planar-rgba.tif");
    std::unique_ptr<Image> image;
    ASSERT_EQ(decodeImageFile(path, image), Ok);
    ASSERT_EQ(image->format(), kFormat32bppARGB);

    // The stored planes, read raw by libtiff: red, green, blue, alpha.
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_TRUE(tif);
    const size_t pixels = size_t(image->width()) * image->height();
    std::vector<std::vector<uint8_t>> planes(4, std::vector<uint8_t>(pixels));
    for (uint32_t p = 0; p < 4; ++p)
        ASSERT_EQ(TIFFReadEncodedStrip(tif, p, planes[p].data(), tmsize_t(pixels)), tmsize_t(pixels));
    TIFFClose(tif);
    int differ = 0, lowAlpha = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const uint32_t stored = uint32_t(planes[3][i]) << 24 | uint32_t(planes[0][i]) << 16 |
                                uint32_t(planes[1][i]) << 8 | planes[2][i];
        const int x = int(i % size_t(image->width())), y = int(i / size_t(image->width()));
        if (image->pixelArgb(x, y) != stored) ++differ;
        if (planes[3][i] >= 1 && planes[3][i] <= 16) ++lowAlpha;
    }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(lowAlpha, 100);  // the file is what it claims to be
}

TEST(CodecsJpegDamage, DataThatEndsEarlyIsRefusedWhereItEnds)
{
    for (bool progressive : {false, true}) {
        const auto whole = writeJpeg(256, 256, JCS_RGB, 3, smoothSamples(256, 256), progressive);
        double seconds = 0;
        ASSERT_EQ(decodeTimed(whole, seconds), Ok) << progressive;

        // Cut anywhere after the headers, the file is refused.
        const size_t scans = frameHeader(whole) + 200;
        for (size_t size = scans; size < whole.size(); size += (whole.size() - scans) / 23 + 1) {
            std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_EQ(decodeTimed(part, seconds), UnknownImageFormat) << progressive << " cut at " << size;
        }
        // Scan data cut short, though the file still ends properly: the data
        // segment runs into the end-of-image marker.
        std::vector<uint8_t> hollow(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
        hollow.insert(hollow.end(), {0xFF, 0xD9});
        EXPECT_EQ(decodeTimed(hollow, seconds), UnknownImageFormat) << progressive;

        // A few kilobytes declaring 30000 x 23000 pixels stop where the data ends.
        const auto huge = declareAndCut(whole, 30000, 23000, std::min<size_t>(whole.size(), 3000));
        EXPECT_EQ(decodeTimed(huge, seconds), UnknownImageFormat) << progressive;
        EXPECT_LT(seconds, kMaxSeconds) << progressive;
    }
}

TEST(CodecsJpegDamage, ExportBeyondTheFormatsSideLimitIsAValueOverflow)
{
    for (const auto& [w, h] : {std::pair{65501, 1}, std::pair{1, 65501}, std::pair{65535, 2}}) {
        std::unique_ptr<Image> image;
        ASSERT_EQ(Image::create(w, h, kFormat24bppRGB, image), Ok);
        std::vector<uint8_t> bytes;
        EXPECT_EQ(encodeImage(*image, kJpegEncoderClsid, nullptr, bytes), ValueOverflow) << w << " x " << h;
        EXPECT_TRUE(bytes.empty());
    }
    std::unique_ptr<Image> widest;
    ASSERT_EQ(Image::create(65500, 1, kFormat32bppARGB, widest), Ok);
    const auto bytes = encodeOrFail(*widest, kJpegEncoderClsid);
    std::unique_ptr<Image> decoded;
    ASSERT_EQ(decodeImage(bytes.data(), bytes.size(), decoded), Ok);
    EXPECT_EQ(decoded->width(), 65500);
}
