#include <gtest/gtest.h>

#include <random>

#include "platform/ImageLimits.h"
#include "platform/codecs/Codecs.h"
#include "tests/platform/BmpTestFiles.h"

using namespace kalvora::platform;
using kalvora::testing::bmpFile;
using kalvora::testing::put32le;

namespace {

constexpr uint8_t kEol[] = {0, 0};
constexpr uint8_t kEob[] = {0, 1};

// A run-length-encoded bitmap: the palette (0x00RRGGBB entries) and the
// stream. Rows run bottom-up.
std::vector<uint8_t> rleBmp(int w, int h, int bits, const std::vector<uint32_t>& palette,
                            const std::vector<uint8_t>& stream)
{
    return bmpFile(w, h, bits, bits == 8 ? 1 : 2, palette, stream);
}

std::vector<uint8_t> join(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<uint8_t> eol() { return {std::begin(kEol), std::end(kEol)}; }
std::vector<uint8_t> eob() { return {std::begin(kEob), std::end(kEob)}; }

Status decodeBytes(const std::vector<uint8_t>& bytes, std::unique_ptr<Image>& image)
{
    image.reset();
    return decodeImage(bytes.data(), bytes.size(), image);
}

// The image's rows as palette indices, matched back through `palette`
// (-1 for a colour not in it), top row first.
std::vector<std::vector<int>> indicesOf(const Image& image, const std::vector<uint32_t>& palette)
{
    std::vector<std::vector<int>> rows(image.height(), std::vector<int>(image.width(), -1));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            for (size_t i = 0; i < palette.size(); ++i)
                if (image.pixelArgb(x, y) == (0xFF000000u | palette[i])) {
                    rows[y][x] = int(i);
                    break;
                }
    return rows;
}

const std::vector<uint32_t> kPalette = {0x0A141E, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF,
                                        0x808080, 0x404040, 0xC0C0C0, 0x800000, 0x008000, 0x000080};

}  // namespace

TEST(CodecsBmpRle, Rle8RunsLiteralsAndEveryEscape)
{
    // 6 x 4. File row 0 (the bottom): a run and an odd literal with its pad
    // byte. Row 1: a run, then end of line. Row 2: a delta over the rest of
    // it into row 3, a run, then end of bitmap.
    const auto stream = join({{3, 1, 0, 3, 2, 3, 4, 0}, eol(), {2, 2}, eol(), {0, 2, 3, 1}, {2, 4}, eob()});
    for (uint32_t indexZero : {0x0A141Eu, 0x000000u}) {
        auto palette = kPalette;
        palette[0] = indexZero;
        std::unique_ptr<Image> image;
        ASSERT_EQ(decodeBytes(rleBmp(6, 4, 8, palette, stream), image), Ok);
        EXPECT_EQ(image->format(), kFormat24bppRGB);
        const std::vector<std::vector<int>> expected = {
            {0, 0, 0, 4, 4, 0},  // file row 3: the delta lands on column 3
            {0, 0, 0, 0, 0, 0},  // file row 2: passed over by the delta
            {2, 2, 0, 0, 0, 0},
            {1, 1, 1, 2, 3, 4},
        };
        EXPECT_EQ(indicesOf(*image, palette), expected) << std::hex << indexZero;
        EXPECT_EQ(image->palette().size(), palette.size());
    }
}

TEST(CodecsBmpRle, Rle4RunsAlternateAndLiteralsReadTheHighHalfFirst)
{
    // 7 x 2. Row 0: a run of four alternating 1, 2, then three literal
    // indices. Row 1: five literal indices (three bytes and a pad byte), a
    // run of two, end of bitmap.
    const auto stream = join({{4, 0x12, 0, 3, 0x34, 0x50}, eol(), {0, 5, 0x67, 0x89, 0xA0, 0, 2, 0xBC}, eob()});
    std::unique_ptr<Image> image;
    ASSERT_EQ(decodeBytes(rleBmp(7, 2, 4, kPalette, stream), image), Ok);
    const std::vector<std::vector<int>> expected = {
        {6, 7, 8, 9, 10, 11, 12},
        {1, 2, 1, 2, 3, 4, 5},
    };
    EXPECT_EQ(indicesOf(*image, kPalette), expected);
}

TEST(CodecsBmpRle, RunsPastTheRowAreCutAndMovesOutOfTheImageAreRefused)
{
    // 6 x 3. A run of 255 and a literal of nine both stop at the row's end;
    // the stream goes on after the literal's padded bytes.
    auto stream = join({{255, 1}, eol(), {0, 9, 2, 3, 2, 3, 2, 3, 4, 4, 4, 0}, eol(), {2, 5}, eob()});
    std::unique_ptr<Image> image;
    ASSERT_EQ(decodeBytes(rleBmp(6, 3, 8, kPalette, stream), image), Ok);
    std::vector<std::vector<int>> expected = {
        {5, 5, 0, 0, 0, 0},
        {2, 3, 2, 3, 2, 3},
        {1, 1, 1, 1, 1, 1},
    };
    EXPECT_EQ(indicesOf(*image, kPalette), expected);

    // The same for four-bit runs.
    ASSERT_EQ(decodeBytes(rleBmp(3, 1, 4, kPalette, join({{200, 0x12}, eob()})), image), Ok);
    EXPECT_EQ(indicesOf(*image, kPalette), (std::vector<std::vector<int>>{{1, 2, 1}}));

    // A delta that leaves the image to the right or above is refused.
    for (const auto& delta : std::vector<std::vector<uint8_t>>{{0, 2, 7, 0}, {0, 2, 0, 3}, {0, 2, 255, 255}}) {
        const auto bytes = rleBmp(6, 3, 8, kPalette, join({{2, 1}, delta, eob()}));
        EXPECT_EQ(decodeBytes(bytes, image), UnknownImageFormat) << int(delta[2]) << ", " << int(delta[3]);
        EXPECT_FALSE(image);
    }
    // Right up to the edge is fine: the last row's end.
    ASSERT_EQ(decodeBytes(rleBmp(6, 3, 8, kPalette, join({{0, 2, 6, 2}, eob()})), image), Ok);

    // Rows beyond the image, after the last one, are ignored.
    ASSERT_EQ(decodeBytes(rleBmp(2, 1, 8, kPalette, join({{2, 3}, eol(), {2, 4}, eol(), {2, 4}})), image), Ok);
    EXPECT_EQ(indicesOf(*image, kPalette), (std::vector<std::vector<int>>{{3, 3}}));
}

TEST(CodecsBmpRle, StreamsThatStopEarlyOrDoNotFitTheHeaderAreRefused)
{
    // 4 x 2, written in full: two runs with an end of line between.
    const auto whole = join({{4, 1}, eol(), {4, 2}});
    std::unique_ptr<Image> image;
    ASSERT_EQ(decodeBytes(rleBmp(4, 2, 8, kPalette, whole), image), Ok);  // complete without an end of bitmap
    for (size_t size = 0; size < whole.size(); ++size) {
        const std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(decodeBytes(rleBmp(4, 2, 8, kPalette, part), image), UnknownImageFormat) << size;
    }
    // Cut inside a literal or a delta.
    EXPECT_EQ(decodeBytes(rleBmp(4, 2, 8, kPalette, {0, 4, 1, 2}), image), UnknownImageFormat);
    EXPECT_EQ(decodeBytes(rleBmp(4, 2, 8, kPalette, {0, 2, 1}), image), UnknownImageFormat);

    // Run-length streams are bottom-up only, and each bit depth has its own form.
    auto topDown = rleBmp(4, 2, 8, kPalette, join({whole, eob()}));
    put32le(topDown, 22, uint32_t(-2));
    EXPECT_EQ(decodeBytes(topDown, image), UnknownImageFormat);
    auto mismatched = rleBmp(4, 2, 8, kPalette, join({whole, eob()}));
    mismatched[28] = 4;
    EXPECT_EQ(decodeBytes(mismatched, image), UnknownImageFormat);
}

TEST(CodecsBmpRle, RandomStreamsEndInAStatusWithoutWritingOutside)
{
    // Run under the address sanitizer, this checks every write stays inside
    // the image.
    ImageLimits::set(4096, 4096LL * 4096 * 4);
    std::mt19937 random(2312);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> stream(random() % 64);
        for (auto& b : stream) b = uint8_t(random() % 4 == 0 ? random() % 3 : random());
        const int w = 1 + int(random() % 9), h = 1 + int(random() % 5);
        std::unique_ptr<Image> image;
        const Status s = decodeBytes(rleBmp(w, h, round % 2 ? 8 : 4, kPalette, stream), image);
        ASSERT_TRUE(s == Ok || s == UnknownImageFormat) << round;
        if (s == Ok) {
            EXPECT_EQ(image->width(), w);
            EXPECT_EQ(image->height(), h);
        }
    }
    ImageLimits::reset();
}
