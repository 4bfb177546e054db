#include <gtest/gtest.h>

#include <tiffio.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <utility>

#include "platform/codecs/Codecs.h"
#include "tests/platform/CodecTestImages.h"
#include "tests/platform/TiffTestFiles.h"

using namespace kalvora::platform;
using kalvora::testing::TiffBuilder;
using kalvora::testing::encodeOrFail;
using kalvora::testing::makePatternImage;
using kalvora::testing::setTiffValues;
using kalvora::testing::tiffValues;

namespace {

constexpr uint16_t kShort = TiffBuilder::kShort;
constexpr uint16_t kLong = TiffBuilder::kLong;

Status decodeBytes(const std::vector<uint8_t>& bytes, std::unique_ptr<Image>& image)
{
    image.reset();
    return decodeImage(bytes.data(), bytes.size(), image);
}

Status decodeStatus(const std::vector<uint8_t>& bytes)
{
    std::unique_ptr<Image> image;
    return decodeBytes(bytes, image);
}

std::vector<uint8_t> cut(const std::vector<uint8_t>& bytes, size_t size)
{
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}

// How the samples of a page are split into chunks.
struct Split {
    bool planar = false;
    uint32_t rowsPerStrip = 0;  // strips of this many rows, or
    uint32_t tileSide = 0;      // square tiles of this side
};

// Interleaved 8-bit samples (n per pixel, rows top-down) cut into strips or
// tiles in table order: plane by plane when planar, tiles padded with zeros.
std::vector<std::vector<uint8_t>> chunksOf(const std::vector<uint8_t>& samples, uint32_t w, uint32_t h, int n,
                                           const Split& split)
{
    const int planes = split.planar ? n : 1;
    const int perPixel = split.planar ? 1 : n;
    const uint32_t cw = split.tileSide ? split.tileSide : w;
    const uint32_t ch = split.tileSide ? split.tileSide : split.rowsPerStrip;
    std::vector<std::vector<uint8_t>> chunks;
    for (int p = 0; p < planes; ++p)
        for (uint32_t y0 = 0; y0 < h; y0 += ch)
            for (uint32_t x0 = 0; x0 < w; x0 += cw) {
                const uint32_t rows = split.tileSide ? ch : std::min(ch, h - y0);
                std::vector<uint8_t> chunk(size_t(cw) * rows * perPixel, 0);
                for (uint32_t y = y0; y < std::min(h, y0 + rows); ++y)
                    for (uint32_t x = x0; x < std::min(w, x0 + cw); ++x)
                        for (int s = 0; s < perPixel; ++s)
                            chunk[((y - y0) * cw + (x - x0)) * perPixel + s] =
                                samples[(size_t(y) * w + x) * n + (split.planar ? p : s)];
                chunks.push_back(std::move(chunk));
            }
    return chunks;
}

// A page of 8-bit samples: the basic tags plus the chunks of `samples`.
TiffBuilder pageOf(uint32_t w, uint32_t h, uint16_t photometric, int n, const std::vector<uint8_t>& samples,
                   const Split& split)
{
    TiffBuilder b;
    b.tag(256, kLong, {w}).tag(257, kLong, {h}).tag(258, kShort, std::vector<uint32_t>(n, 8));
    b.tag(259, kShort, {COMPRESSION_NONE}).tag(262, kShort, {photometric}).tag(277, kShort, {uint32_t(n)});
    b.tag(284, kShort, {uint32_t(split.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG)});
    if (split.tileSide) b.tiled().tag(322, kLong, {split.tileSide}).tag(323, kLong, {split.tileSide});
    else b.tag(278, kLong, {split.rowsPerStrip});
    for (auto& c : chunksOf(samples, w, h, n, split)) b.chunk(std::move(c));
    return b;
}

std::vector<uint8_t> patternSamples(size_t count)
{
    std::vector<uint8_t> s(count);
    for (size_t i = 0; i < count; ++i) s[i] = uint8_t((i * 37 + i / 7) & 0xFF);
    return s;
}

// PackBits with literal runs only (a header byte n - 1, then n bytes),
// each row packed on its own as the format asks.
std::vector<uint8_t> packBits(const std::vector<uint8_t>& raw, size_t rowBytes)
{
    std::vector<uint8_t> out;
    for (size_t row = 0; row < raw.size(); row += rowBytes)
        for (size_t i = row; i < row + rowBytes; i += 128) {
            const size_t n = std::min<size_t>(128, row + rowBytes - i);
            out.push_back(uint8_t(n - 1));
            out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(i),
                       raw.begin() + static_cast<std::ptrdiff_t>(i + n));
        }
    return out;
}

// Pixels compared as packed ARGB against expected(x, y); the count that differ.
int mismatches(const Image& image, const std::function<uint32_t(int, int)>& expected)
{
    int bad = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelArgb(x, y) != expected(x, y)) ++bad;
    return bad;
}

// Every alpha value 0..255 several times, with colours that vary freely.
uint32_t varied(int i)
{
    const uint32_t hash = uint32_t(i) * 2654435761u;
    return uint32_t(i % 256) << 24 | (hash >> 8 & 0xFFFFFFu);
}

std::vector<uint8_t> rgbaSamples(const std::vector<uint32_t>& argb)
{
    std::vector<uint8_t> s;
    for (uint32_t p : argb) s.insert(s.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
    return s;
}

// Where stored pixel (c, r) of a w x h page shows, from where each
// orientation puts the stored first row and first column.
std::pair<int, int> shownAt(int orientation, int c, int r, int w, int h)
{
    switch (orientation) {
    case 2: return {w - 1 - c, r};          // first row at the top, first column on the right
    case 3: return {w - 1 - c, h - 1 - r};  // bottom, right
    case 4: return {c, h - 1 - r};          // bottom, left
    case 5: return {r, c};                  // first row on the left, first column at the top
    case 6: return {h - 1 - r, c};          // right, top
    case 7: return {h - 1 - r, w - 1 - c};  // right, bottom
    case 8: return {r, w - 1 - c};          // left, bottom
    default: return {c, r};
    }
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A JPEG-compressed RGB page of w x h written by libtiff in one strip.
std::vector<uint8_t> writeJpegTiff(uint32_t w, uint32_t h)
{
    char path[] = "/tmp/kalvora-jpeg-tiff-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return {};
    TIFF* tif = TIFFFdOpen(fd, path, "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            row[x * 3] = uint8_t(x * 4);
            row[x * 3 + 1] = uint8_t(y * 4);
            row[x * 3 + 2] = uint8_t(128 + (x ^ y) % 32);
        }
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
    auto bytes = readFile(path);
    std::remove(path);
    return bytes;
}

}  // namespace

TEST(CodecsTiffLayout, StripAndTileTablesThatMissChunksAreRefused)
{
    // 5 x 8 RGB in strips of two rows: four strips are needed.
    const auto samples = patternSamples(5 * 8 * 3);
    const auto full = pageOf(5, 8, PHOTOMETRIC_RGB, 3, samples, {false, 2, 0});
    std::unique_ptr<Image> image;
    ASSERT_EQ(decodeBytes(full.build(), image), Ok);
    EXPECT_EQ(mismatches(*image, [&](int x, int y) {
                  const uint8_t* s = samples.data() + (y * 5 + x) * 3;
                  return 0xFF000000u | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
              }),
              0);
    for (int listed = 0; listed < 4; ++listed) {
        TiffBuilder shortTable;
        shortTable.tag(256, kLong, {5}).tag(257, kLong, {8}).tag(258, kShort, {8, 8, 8}).tag(262, kShort, {2});
        shortTable.tag(277, kShort, {3}).tag(278, kLong, {2});
        const auto chunks = chunksOf(samples, 5, 8, 3, {false, 2, 0});
        for (int i = 0; i < listed; ++i) shortTable.chunk(chunks[i]);
        EXPECT_EQ(decodeStatus(shortTable.build()), UnknownImageFormat) << listed << " strips listed";
    }

    // A strip of no bytes, one that starts on the header, one that runs past the end.
    auto bytes = full.build();
    auto empty = bytes;
    ASSERT_TRUE(setTiffValues(empty, 279, {30, 30, 0, 30}));
    EXPECT_EQ(decodeStatus(empty), UnknownImageFormat);
    auto onHeader = bytes;
    ASSERT_TRUE(setTiffValues(onHeader, 273, {0, 30, 60, 90}));
    EXPECT_EQ(decodeStatus(onHeader), UnknownImageFormat);
    EXPECT_EQ(decodeStatus(cut(bytes, bytes.size() - 1)), UnknownImageFormat);

    // 20 x 20 in 16 x 16 tiles needs four tiles.
    const auto tileSamples = patternSamples(20 * 20 * 3);
    const auto tiles = chunksOf(tileSamples, 20, 20, 3, {false, 0, 16});
    for (size_t listed = 1; listed <= tiles.size(); ++listed) {
        TiffBuilder tiled;
        tiled.tiled().tag(256, kLong, {20}).tag(257, kLong, {20}).tag(258, kShort, {8, 8, 8});
        tiled.tag(262, kShort, {2}).tag(277, kShort, {3}).tag(322, kLong, {16}).tag(323, kLong, {16});
        for (size_t i = 0; i < listed; ++i) tiled.chunk(tiles[i]);
        EXPECT_EQ(decodeStatus(tiled.build()), listed == tiles.size() ? Ok : UnknownImageFormat) << listed;
    }

    // A written file whose height is raised: the table no longer covers it.
    auto written = encodeOrFail(*makePatternImage(97, 61, kFormat24bppRGB), kTiffEncoderClsid);
    for (uint32_t height : {122u, 4000u, 32768u}) {
        auto taller = written;
        ASSERT_TRUE(setTiffValues(taller, 257, {height}));
        EXPECT_EQ(decodeStatus(taller), UnknownImageFormat) << height;
    }
}

TEST(CodecsTiffLayout, AStripThatEndsEarlyFailsTheWholeDecode)
{
    // Uncompressed RGB in three strips, laid out after the directory: every
    // cut inside the pixel data is refused.
    const auto samples = patternSamples(6 * 9 * 3);
    const auto bytes = pageOf(6, 9, PHOTOMETRIC_RGB, 3, samples, {false, 3, 0}).build();
    const size_t pixelsStart = bytes.size() - samples.size();
    ASSERT_EQ(decodeStatus(bytes), Ok);
    for (size_t size = pixelsStart; size < bytes.size(); ++size)
        EXPECT_EQ(decodeStatus(cut(bytes, size)), UnknownImageFormat) << "cut at " << size;

    // PackBits strips whose byte counts stop short of the rows they hold:
    // RGB through the direct reader, CMYK through the general one (which
    // used to keep the previous strip's rows).
    for (uint16_t photometric : {uint16_t(PHOTOMETRIC_RGB), uint16_t(PHOTOMETRIC_SEPARATED)}) {
        const int n = photometric == PHOTOMETRIC_RGB ? 3 : 4;
        const auto raw = patternSamples(6 * 9 * size_t(n));
        TiffBuilder packed;
        packed.tag(256, kLong, {6}).tag(257, kLong, {9}).tag(258, kShort, std::vector<uint32_t>(n, 8));
        packed.tag(259, kShort, {COMPRESSION_PACKBITS}).tag(262, kShort, {photometric});
        packed.tag(277, kShort, {uint32_t(n)}).tag(278, kLong, {3});
        std::vector<uint32_t> counts;
        for (auto& strip : chunksOf(raw, 6, 9, n, {false, 3, 0})) {
            auto encoded = packBits(strip, 6 * size_t(n));
            counts.push_back(uint32_t(encoded.size()));
            packed.chunk(std::move(encoded));
        }
        const auto whole = packed.build();
        ASSERT_EQ(decodeStatus(whole), Ok) << photometric;
        for (int strip = 0; strip < 3; ++strip)
            for (uint32_t keep : {1u, counts[strip] / 2, counts[strip] - 1}) {
                auto shortStrip = whole;
                auto shorter = counts;
                shorter[strip] = keep;
                ASSERT_TRUE(setTiffValues(shortStrip, 279, shorter));
                EXPECT_EQ(decodeStatus(shortStrip), UnknownImageFormat)
                    << photometric << " strip " << strip << " cut to " << keep;
            }
    }

    // A JPEG-compressed strip cut short: libjpeg would fill the rest grey.
    auto jpeg = writeJpegTiff(64, 64);
    ASSERT_EQ(decodeStatus(jpeg), Ok);
    const std::vector<uint32_t> stripBytes = tiffValues(jpeg, 279);
    ASSERT_EQ(stripBytes.size(), 1u);
    for (uint32_t keep : {stripBytes[0] / 4, stripBytes[0] / 2, stripBytes[0] - 2}) {
        auto cutStrip = jpeg;
        ASSERT_TRUE(setTiffValues(cutStrip, 279, {keep}));
        EXPECT_EQ(decodeStatus(cutStrip), UnknownImageFormat) << keep;
    }
}

TEST(CodecsTiffLayout, APaletteWhoseColourMapIsCutIsRefused)
{
    for (uint32_t bits : {8u, 4u}) {
        const uint32_t entries = 1u << bits;
        auto level = [entries](uint32_t channel, uint32_t i) {
            const uint32_t v = channel == 0 ? i : (channel == 1 ? entries - 1 - i : i * 7 % entries);
            return v * (255 / (entries - 1));
        };
        std::vector<uint32_t> colormap(3 * entries);  // red, green, blue levels in 16 bits
        for (uint32_t c = 0; c < 3; ++c)
            for (uint32_t i = 0; i < entries; ++i) colormap[c * entries + i] = level(c, i) * 257;
        // 4 x 3 indices 0, 1, 2, ...; four-bit indices two to a byte.
        std::vector<uint8_t> indices;
        for (int i = 0; i < 12; ++i)
            if (bits == 8) indices.push_back(uint8_t(i));
            else if (i % 2 == 0) indices.push_back(uint8_t(i << 4 | (i + 1)));
        TiffBuilder b;
        b.tag(256, kLong, {4}).tag(257, kLong, {3}).tag(258, kShort, {bits}).tag(262, kShort, {PHOTOMETRIC_PALETTE});
        b.tag(277, kShort, {1}).tag(278, kLong, {3}).tag(320, kShort, colormap, true).chunk(indices);
        const auto bytes = b.build();
        std::unique_ptr<Image> image;
        ASSERT_EQ(decodeBytes(bytes, image), Ok) << bits;
        EXPECT_EQ(mismatches(*image, [&](int x, int y) {
                      const uint32_t i = uint32_t(y * 4 + x);
                      return 0xFF000000u | level(0, i) << 16 | level(1, i) << 8 | level(2, i);
                  }),
                  0)
            << bits;
        // The colour map is the last thing in the file.
        const size_t mapStart = bytes.size() - colormap.size() * 2;
        for (size_t size : {mapStart, mapStart + 1, mapStart + colormap.size(), bytes.size() - 1})
            EXPECT_EQ(decodeStatus(cut(bytes, size)), UnknownImageFormat) << bits << " bits, cut at " << size;
    }
}

TEST(CodecsTiffLayout, SampleCountsNoReaderUsesAreRefusedAtOnce)
{
    // Eight samples per pixel: the grey one is read, the extra ones skipped.
    const auto eight = patternSamples(3 * 2 * 8);
    std::unique_ptr<Image> image;
    ASSERT_EQ(decodeBytes(pageOf(3, 2, PHOTOMETRIC_MINISBLACK, 8, eight, {false, 2, 0}).build(), image), Ok);
    EXPECT_EQ(image->pixelArgb(2, 1), 0xFF000000u | 0x010101u * eight[(1 * 3 + 2) * 8]);

    const auto start = std::chrono::steady_clock::now();
    for (uint32_t samples : {9u, 100u, 32768u}) {
        for (uint32_t width : {3u, 65535u}) {
            TiffBuilder b;
            b.tag(256, kLong, {width}).tag(257, kLong, {61}).tag(258, kShort, {8}).tag(262, kShort, {1});
            b.tag(277, kShort, {samples}).tag(278, kLong, {61}).chunk(patternSamples(5917));
            EXPECT_EQ(decodeStatus(b.build()), UnknownImageFormat) << samples << " samples, " << width << " wide";
        }
    }
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.5);

    // A 16 x 16 image in one 2048 x 2048 tile: sixteen thousand times the pixels.
    TiffBuilder hugeTile;
    hugeTile.tiled().tag(256, kLong, {16}).tag(257, kLong, {16}).tag(258, kShort, {8}).tag(262, kShort, {1});
    hugeTile.tag(277, kShort, {1}).tag(322, kLong, {2048}).tag(323, kLong, {2048}).chunk(patternSamples(300));
    EXPECT_EQ(decodeStatus(hugeTile.build()), UnknownImageFormat);
}

TEST(CodecsTiffLayout, PlanarAndOrientedRgbaMatchTheTopLeftContiguousPixels)
{
    // 64 x 12: every alpha value three times, colours varying freely.
    const uint32_t w = 64, h = 12;
    std::vector<uint32_t> argb(w * h);
    for (size_t i = 0; i < argb.size(); ++i) argb[i] = varied(int(i));
    const auto samples = rgbaSamples(argb);
    auto page = [&](const Split& split, uint32_t orientation, uint32_t extra) {
        return pageOf(w, h, PHOTOMETRIC_RGB, 4, samples, split)
            .tag(274, kShort, {orientation})
            .tag(338, kShort, {extra})
            .build();
    };

    // Unassociated alpha: the stored colour is kept exactly, even at alpha 0.
    std::unique_ptr<Image> topLeft;
    ASSERT_EQ(decodeBytes(page({false, 5, 0}, 1, EXTRASAMPLE_UNASSALPHA), topLeft), Ok);
    ASSERT_EQ(topLeft->format(), kFormat32bppARGB);
    EXPECT_EQ(mismatches(*topLeft, [&](int x, int y) { return argb[y * w + x]; }), 0);

    for (const Split& split : {Split{true, 5, 0}, Split{true, h, 0}, Split{true, 0, 16}, Split{false, 0, 16}}) {
        for (uint32_t orientation = 1; orientation <= 8; ++orientation) {
            std::unique_ptr<Image> decoded;
            ASSERT_EQ(decodeBytes(page(split, orientation, EXTRASAMPLE_UNASSALPHA), decoded), Ok);
            const bool sideways = orientation >= 5;
            ASSERT_EQ(decoded->width(), int(sideways ? h : w));
            ASSERT_EQ(decoded->height(), int(sideways ? w : h));
            int bad = 0;
            for (uint32_t r = 0; r < h; ++r)
                for (uint32_t c = 0; c < w; ++c) {
                    const auto [x, y] = shownAt(int(orientation), int(c), int(r), int(w), int(h));
                    if (decoded->pixelArgb(x, y) != topLeft->pixelArgb(int(c), int(r))) ++bad;
                }
            EXPECT_EQ(bad, 0) << "planar " << split.planar << ", tiles " << split.tileSide << ", orientation "
                              << orientation;
        }
    }

    // Associated alpha is undone once, the same for planes as for contiguous samples.
    std::unique_ptr<Image> contiguous, planar;
    ASSERT_EQ(decodeBytes(page({false, 5, 0}, 1, EXTRASAMPLE_ASSOCALPHA), contiguous), Ok);
    ASSERT_EQ(decodeBytes(page({true, 5, 0}, 1, EXTRASAMPLE_ASSOCALPHA), planar), Ok);
    EXPECT_EQ(mismatches(*planar, [&](int x, int y) { return contiguous->pixelArgb(x, y); }), 0);
}

TEST(CodecsTiffLayout, GreyAlphaPlanesAndGeneralReaderOrientationAgree)
{
    const uint32_t w = 7, h = 5;
    const auto grey = patternSamples(w * h * 2);
    auto greyPage = [&](bool planar) {
        return pageOf(w, h, PHOTOMETRIC_MINISBLACK, 2, grey, {planar, 2, 0})
            .tag(338, kShort, {EXTRASAMPLE_UNASSALPHA})
            .build();
    };
    std::unique_ptr<Image> contiguous, planar;
    ASSERT_EQ(decodeBytes(greyPage(false), contiguous), Ok);
    ASSERT_EQ(decodeBytes(greyPage(true), planar), Ok);
    EXPECT_EQ(mismatches(*contiguous, [&](int x, int y) {
                  const uint8_t* s = grey.data() + (y * w + x) * 2;
                  return uint32_t(s[1]) << 24 | 0x010101u * s[0];
              }),
              0);
    EXPECT_EQ(mismatches(*planar, [&](int x, int y) { return contiguous->pixelArgb(x, y); }), 0);

    // CMYK goes through libtiff's general reader; the orientation is applied the same way.
    const auto cmyk = patternSamples(w * h * 4);
    std::unique_ptr<Image> upright;
    ASSERT_EQ(decodeBytes(pageOf(w, h, PHOTOMETRIC_SEPARATED, 4, cmyk, {false, 2, 0}).build(), upright), Ok);
    for (uint32_t orientation : {3u, 6u, 8u}) {
        std::unique_ptr<Image> turned;
        ASSERT_EQ(decodeBytes(pageOf(w, h, PHOTOMETRIC_SEPARATED, 4, cmyk, {false, 2, 0})
                                  .tag(274, kShort, {orientation})
                                  .build(),
                              turned),
                  Ok);
        int bad = 0;
        for (uint32_t r = 0; r < h; ++r)
            for (uint32_t c = 0; c < w; ++c) {
                const auto [x, y] = shownAt(int(orientation), int(c), int(r), int(w), int(h));
                if (turned->pixelArgb(x, y) != upright->pixelArgb(int(c), int(r))) ++bad;
            }
        EXPECT_EQ(bad, 0) << orientation;
    }
}
