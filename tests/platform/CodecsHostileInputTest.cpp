#include <gtest/gtest.h>

#include <random>

#include "platform/ImageLimits.h"
#include "platform/codecs/Codecs.h"
#include "tests/platform/CodecTestImages.h"

using namespace kalvora::platform;
using kalvora::testing::encodeOrFail;
using kalvora::testing::makePaletteLikeImage;
using kalvora::testing::makePatternImage;
using kalvora::testing::makeSmoothImage;

namespace {

// Lowers the image cap as the fuzz targets do, so a corrupted size field
// cannot make a test allocate gigabytes; restores the defaults afterwards.
class CodecsHostileInput : public ::testing::Test {
protected:
    void SetUp() override { ImageLimits::set(4096, 4096LL * 4096 * 4); }
    void TearDown() override { ImageLimits::reset(); }
};

struct Sample {
    const char* name;
    std::vector<uint8_t> bytes;
};

std::vector<Sample> validFiles()
{
    auto argb = makePatternImage(24, 17, kFormat32bppARGB);
    auto rgb = makePatternImage(23, 9, kFormat24bppRGB);
    auto smooth = makeSmoothImage(40, 24);
    auto holes = makePaletteLikeImage(30, 20, 40, true);
    return {
        {"png argb", encodeOrFail(*argb, kPngEncoderClsid)},
        {"png rgb", encodeOrFail(*rgb, kPngEncoderClsid)},
        {"bmp argb", encodeOrFail(*argb, kBmpEncoderClsid)},
        {"bmp rgb", encodeOrFail(*rgb, kBmpEncoderClsid)},
        {"tiff argb", encodeOrFail(*argb, kTiffEncoderClsid)},
        {"tiff rgb", encodeOrFail(*rgb, kTiffEncoderClsid)},
        {"gif", encodeOrFail(*holes, kGifEncoderClsid)},
        {"gif many colours", encodeOrFail(*rgb, kGifEncoderClsid)},
        {"jpeg", encodeOrFail(*smooth, kJpegEncoderClsid)},
    };
}

// Every decode of damaged bytes ends in a status: a sane image, or a refusal.
void expectStatusOnly(const std::vector<uint8_t>& bytes, const std::string& what)
{
    std::unique_ptr<Image> image;
    const Status s = decodeImage(bytes.data(), bytes.size(), image);
    ASSERT_TRUE(s == Ok || s == UnknownImageFormat || s == OutOfMemory) << what << ": status " << int(s);
    if (s == Ok) {
        ASSERT_TRUE(image) << what;
        EXPECT_GE(image->width(), 1) << what;
        EXPECT_LE(image->width(), 4096) << what;
        EXPECT_LE(image->height(), 4096) << what;
    } else {
        EXPECT_FALSE(image) << what;
    }
}

}  // namespace

TEST_F(CodecsHostileInput, TruncatedFilesGiveAStatus)
{
    for (const Sample& sample : validFiles()) {
        const size_t size = sample.bytes.size();
        const size_t step = std::max<size_t>(1, size / 300);
        for (size_t cut = 0; cut < size; cut += (cut < 64 ? 1 : step)) {
            std::vector<uint8_t> part(sample.bytes.begin(), sample.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
            expectStatusOnly(part, std::string(sample.name) + " cut at " + std::to_string(cut));
        }
    }
}

TEST_F(CodecsHostileInput, TruncatedPixelDataIsRefusedNotFilledIn)
{
    for (const Sample& sample : validFiles()) {
        // The last quarter of the file holds pixel data in every format here.
        std::vector<uint8_t> part(sample.bytes.begin(),
                                  sample.bytes.begin() + static_cast<std::ptrdiff_t>(sample.bytes.size() * 3 / 4));
        std::unique_ptr<Image> image;
        EXPECT_EQ(decodeImage(part.data(), part.size(), image), UnknownImageFormat) << sample.name;
    }
}

TEST_F(CodecsHostileInput, BitFlipsAndOverwrittenHeadersGiveAStatus)
{
    std::mt19937 random(20261207);
    for (const Sample& sample : validFiles()) {
        const size_t size = sample.bytes.size();
        for (int round = 0; round < 400; ++round) {
            std::vector<uint8_t> damaged = sample.bytes;
            const int flips = 1 + int(random() % 4);
            for (int i = 0; i < flips; ++i) {
                // Half the damage lands in the first 64 bytes, where the sizes live.
                const size_t at = (round % 2 == 0) ? random() % std::min<size_t>(64, size) : random() % size;
                damaged[at] ^= uint8_t(1u << (random() % 8));
            }
            if (round % 10 == 0) {
                const size_t at = random() % std::min<size_t>(64, size);
                damaged[at] = (round % 20 == 0) ? 0xFF : 0x00;
            }
            expectStatusOnly(damaged, std::string(sample.name) + " round " + std::to_string(round));
        }
    }
}

TEST_F(CodecsHostileInput, RandomBytesBehindEachSignatureGiveAStatus)
{
    std::mt19937 random(7);
    const std::vector<std::vector<uint8_t>> signatures = {
        {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}, {0xFF, 0xD8, 0xFF}, {'G', 'I', 'F', '8', '9', 'a'},
        {'I', 'I', 42, 0}, {'M', 'M', 0, 42}, {'B', 'M'}};
    for (const auto& signature : signatures)
        for (int round = 0; round < 200; ++round) {
            std::vector<uint8_t> bytes = signature;
            const size_t extra = random() % 300;
            for (size_t i = 0; i < extra; ++i) bytes.push_back(uint8_t(random()));
            expectStatusOnly(bytes, "random round " + std::to_string(round));
        }
}
