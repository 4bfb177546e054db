#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>

#include "platform/ImageLimits.h"
#include "platform/codecs/Codecs.h"
#include "platform/codecs/TiffMultiPageFile.h"
#include "tests/platform/BmpTestFiles.h"
#include "tests/platform/CodecTestImages.h"
#include "tests/platform/JpegTestFiles.h"
#include "tests/support/FileSizeLimit.h"

using namespace kalvora::platform;
using kalvora::testing::countDifferences;
using kalvora::testing::encodeOrFail;
using kalvora::testing::FileSizeLimit;
using kalvora::testing::makePaletteLikeImage;
using kalvora::testing::makePatternImage;
using kalvora::testing::makeSmoothImage;
using kalvora::testing::put32le;
using kalvora::testing::writeBmp;
using kalvora::testing::writeJpeg;

namespace {

std::unique_ptr<Image> decodeOrFail(const std::vector<uint8_t>& bytes)
{
    std::unique_ptr<Image> image;
    EXPECT_EQ(decodeImage(bytes.data(), bytes.size(), image), Ok);
    return image;
}

// --- Files written with the libraries directly, in layouts our encoders never produce.

struct PngShape {
    PngShape(int w, int h, int type, int bits, bool interlace = false)
        : width(w), height(h), colorType(type), depth(bits), interlaced(interlace)
    {
    }
    int width;
    int height;
    int colorType;
    int depth;
    bool interlaced;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    bool greyKey = false;
    png_uint_16 greyKeyValue = 0;
};

void appendPng(png_structp png, png_bytep data, size_t n)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

std::vector<uint8_t> writePng(const PngShape& shape, const std::vector<std::vector<uint8_t>>& rows)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendPng, nullptr);
    png_set_IHDR(png, info, shape.width, shape.height, shape.depth, shape.colorType,
                 shape.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!shape.palette.empty()) png_set_PLTE(png, info, shape.palette.data(), int(shape.palette.size()));
    if (!shape.paletteAlpha.empty())
        png_set_tRNS(png, info, shape.paletteAlpha.data(), int(shape.paletteAlpha.size()), nullptr);
    if (shape.greyKey) {
        png_color_16 key{};
        key.gray = shape.greyKeyValue;
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (const auto& row : rows) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A TIFF file written by libtiff with the given tags and packed rows.
struct TiffShape {
    TiffShape(uint32_t w, uint32_t h, uint16_t photo, uint16_t bitsPerSample, uint16_t samplesPerPixel,
             uint16_t extraSample = 0)
        : width(w), height(h), photometric(photo), bits(bitsPerSample), samples(samplesPerPixel), extra(extraSample)
    {
    }
    uint32_t width;
    uint32_t height;
    uint16_t photometric;
    uint16_t bits;
    uint16_t samples;
    uint16_t extra;  // the kind of the extra sample, 0 for none
    bool separatePlanes = false;
    uint32_t tileSide = 0;
    std::vector<uint16_t> colormap;  // 3 * (1 << bits) entries for palette images
};

std::vector<uint8_t> readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> writeTiff(const std::string& path, const TiffShape& shape, const std::vector<uint8_t>& data)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, shape.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, shape.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, shape.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, shape.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, shape.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, shape.separatePlanes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    if (shape.extra) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &shape.extra);
    if (!shape.colormap.empty()) {
        const size_t n = shape.colormap.size() / 3;
        TIFFSetField(tif, TIFFTAG_COLORMAP, shape.colormap.data(), shape.colormap.data() + n,
                     shape.colormap.data() + 2 * n);
    }
    if (shape.tileSide) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, shape.tileSide);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, shape.tileSide);
        // data holds whole tiles in tile order
        const size_t tileBytes = size_t(TIFFTileSize(tif));
        for (uint32_t t = 0; t < TIFFNumberOfTiles(tif); ++t)
            TIFFWriteEncodedTile(tif, t, const_cast<uint8_t*>(data.data() + t * tileBytes), tileBytes);
    } else if (shape.separatePlanes) {
        const size_t planeRow = (size_t(shape.width) * shape.bits + 7) / 8;
        for (uint16_t plane = 0; plane < shape.samples; ++plane)
            for (uint32_t y = 0; y < shape.height; ++y)
                TIFFWriteScanline(tif, const_cast<uint8_t*>(data.data() + (plane * shape.height + y) * planeRow), y,
                                  plane);
    } else {
        const size_t rowBytes = (size_t(shape.width) * shape.bits * shape.samples + 7) / 8;
        for (uint32_t y = 0; y < shape.height; ++y)
            TIFFWriteScanline(tif, const_cast<uint8_t*>(data.data() + y * rowBytes), y, 0);
    }
    TIFFClose(tif);
    return readFileBytes(path);
}

int appendGif(GifFileType* gif, const GifByteType* data, int n)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

// A GIF whose only frame covers part of its screen, interlaced.
std::vector<uint8_t> writeOffsetInterlacedGif()
{
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendGif, &error);
    GifColorType colors[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colors);
    EGifPutScreenDesc(gif, 6, 12, 2, 0, map);
    EGifPutImageDesc(gif, 2, 1, 3, 10, true, nullptr);
    // Interlaced order: rows 0, 8, then 4, then 2, 6, then the odd rows.
    const int order[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    for (int row : order) {
        GifPixelType line[3] = {GifPixelType(row % 4), GifPixelType((row + 1) % 4), 3};
        EGifPutLine(gif, line, 3);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/kalvora-codecs-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    size_t entries() const
    {
        size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(m_path)) (void)e, ++n;
        return n;
    }

private:
    std::string m_path;
};

}  // namespace

TEST(Codecs, EncoderListHasFixedOrderMimeTypesAndPatterns)
{
    const auto& encoders = imageEncoders();
    ASSERT_EQ(encoders.size(), 5u);
    const char* mimes[] = {"image/bmp", "image/jpeg", "image/gif", "image/tiff", "image/png"};
    const char* patterns[] = {"*.BMP;*.DIB;*.RLE", "*.JPG;*.JPEG;*.JPE;*.JFIF", "*.GIF", "*.TIF;*.TIFF", "*.PNG"};
    const EncoderClsid ids[] = {kBmpEncoderClsid, kJpegEncoderClsid, kGifEncoderClsid, kTiffEncoderClsid,
                                kPngEncoderClsid};
    for (size_t i = 0; i < encoders.size(); ++i) {
        EXPECT_EQ(encoders[i].mimeType, mimes[i]);
        EXPECT_EQ(encoders[i].fileExtensions, patterns[i]);
        EXPECT_EQ(encoders[i].clsid, ids[i]);
        for (size_t j = 0; j < i; ++j) EXPECT_NE(encoders[i].clsid, encoders[j].clsid);
    }
}

TEST(Codecs, LosslessFormatsRoundTripWithAlphaAndKeepTheFormat)
{
    for (PixelFormatId format : {kFormat32bppARGB, kFormat24bppRGB}) {
        auto original = makePatternImage(37, 23, format);
        for (const EncoderClsid& clsid : {kPngEncoderClsid, kBmpEncoderClsid, kTiffEncoderClsid}) {
            auto decoded = decodeOrFail(encodeOrFail(*original, clsid));
            ASSERT_TRUE(decoded);
            EXPECT_EQ(decoded->format(), format) << int(clsid[15]);
            EXPECT_EQ(countDifferences(*original, *decoded), 0) << int(clsid[15]);
        }
    }
}

TEST(Codecs, ThirtyTwoBitRgbEncodesAsOpaqueRgb)
{
    auto original = makePatternImage(19, 11, kFormat32bppRGB);
    for (const EncoderClsid& clsid : {kPngEncoderClsid, kBmpEncoderClsid, kTiffEncoderClsid, kGifEncoderClsid}) {
        auto decoded = decodeOrFail(encodeOrFail(*original, clsid));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->format(), kFormat24bppRGB);
        EXPECT_EQ(countDifferences(*original, *decoded), 0) << int(clsid[15]);
    }
}

TEST(Codecs, GifIsExactUpTo256ColoursAndKeepsTransparency)
{
    auto withHole = makePaletteLikeImage(41, 29, 255, true);
    auto decoded = decodeOrFail(encodeOrFail(*withHole, kGifEncoderClsid));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat32bppARGB);
    EXPECT_EQ(countDifferences(*withHole, *decoded), 0);

    auto opaque = makePaletteLikeImage(41, 29, 256, false);
    decoded = decodeOrFail(encodeOrFail(*opaque, kGifEncoderClsid));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
    EXPECT_EQ(countDifferences(*opaque, *decoded), 0);
    EXPECT_EQ(decoded->palette().size(), 256u);
}

TEST(Codecs, GifQuantisesManyColoursCloselyAndKeepsHoles)
{
    auto smooth = makeSmoothImage(64, 48);
    std::unique_ptr<Image> argb;
    ASSERT_EQ(smooth->cloneArea(64, 48, kFormat32bppARGB, argb), Ok);
    argb->setPixel(3, 4, 0);
    auto decoded = decodeOrFail(encodeOrFail(*argb, kGifEncoderClsid));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat32bppARGB);
    uint32_t hole = 1;
    decoded->getPixel(3, 4, hole);
    EXPECT_EQ(hole, 0u);
    double error = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            if (x == 3 && y == 4) continue;
            uint32_t a = argb->pixelArgb(x, y), b = decoded->pixelArgb(x, y);
            EXPECT_EQ(b >> 24, 0xFFu);
            for (int shift : {0, 8, 16}) error += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
        }
    EXPECT_LT(error / (64 * 48 * 3), 4.0);
}

TEST(Codecs, JpegStaysCloseAndHonoursQuality)
{
    auto original = makeSmoothImage(64, 48);
    auto bytes = encodeOrFail(*original, kJpegEncoderClsid);
    auto decoded = decodeOrFail(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
    int worst = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            uint32_t a = original->pixelArgb(x, y), b = decoded->pixelArgb(x, y);
            for (int shift : {0, 8, 16})
                worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
        }
    EXPECT_LE(worst, 12);

    EncoderParameters ninety{90}, low{5}, best{100}, tooHigh{250};
    EXPECT_EQ(encodeOrFail(*original, kJpegEncoderClsid, &ninety), bytes);
    EXPECT_LT(encodeOrFail(*original, kJpegEncoderClsid, &low).size(), bytes.size());
    EXPECT_GT(encodeOrFail(*original, kJpegEncoderClsid, &best).size(), bytes.size());
    EXPECT_EQ(encodeOrFail(*original, kJpegEncoderClsid, &tooHigh), encodeOrFail(*original, kJpegEncoderClsid, &best));

    auto argb = makePatternImage(16, 16, kFormat32bppARGB);
    decoded = decodeOrFail(encodeOrFail(*argb, kJpegEncoderClsid));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
}

TEST(Codecs, UnknownEncoderIsRefused)
{
    auto image = makePatternImage(4, 4, kFormat24bppRGB);
    EncoderClsid unknown = kPngEncoderClsid;
    unknown[15] = 0x77;
    std::vector<uint8_t> bytes{1, 2, 3};
    EXPECT_EQ(encodeImage(*image, unknown, nullptr, bytes), UnknownImageFormat);
    EXPECT_EQ(bytes.size(), 3u);
}

TEST(CodecsPng, SixteenBitGreyPaletteAndInterlacedVariants)
{
    // 16-bit RGB: each sample scales by 1/257, rounded.
    PngShape rgb16{2, 1, PNG_COLOR_TYPE_RGB, 16};
    auto decoded = decodeOrFail(writePng(rgb16, {{0xFF, 0xFF, 0x80, 0x80, 0x00, 0x80, 0x01, 0x01, 0x12, 0x34, 0x00, 0x00}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFFFF8000u);
    EXPECT_EQ(decoded->pixelArgb(1, 0), 0xFF011200u);

    // Palette with tRNS: alpha per entry, entries past tRNS opaque.
    PngShape pal{3, 1, PNG_COLOR_TYPE_PALETTE, 4};
    pal.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    pal.paletteAlpha = {0, 128};
    decoded = decodeOrFail(writePng(pal, {{0x01, 0x20}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat32bppARGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0x00FF0000u);
    EXPECT_EQ(decoded->pixelArgb(1, 0), 0x8000FF00u);
    EXPECT_EQ(decoded->pixelArgb(2, 0), 0xFF0000FFu);
    EXPECT_EQ(decoded->palette().size(), 3u);

    // Palette without tRNS: opaque 24bpp.
    pal.paletteAlpha.clear();
    decoded = decodeOrFail(writePng(pal, {{0x01, 0x20}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);

    // 2-bit grey with a transparent grey level.
    PngShape grey{4, 1, PNG_COLOR_TYPE_GRAY, 2};
    grey.greyKey = true;
    grey.greyKeyValue = 1;
    decoded = decodeOrFail(writePng(grey, {{0x1B}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat32bppARGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFF000000u);
    EXPECT_EQ(decoded->pixelArgb(1, 0) >> 24, 0u);
    EXPECT_EQ(decoded->pixelArgb(2, 0), 0xFFAAAAAAu);
    EXPECT_EQ(decoded->pixelArgb(3, 0), 0xFFFFFFFFu);

    // Interlaced grey + alpha gives the same pixels as the rows written.
    PngShape ga{9, 7, PNG_COLOR_TYPE_GRAY_ALPHA, 8, true};
    std::vector<std::vector<uint8_t>> rows;
    for (int y = 0; y < 7; ++y) {
        rows.emplace_back();
        for (int x = 0; x < 9; ++x) {
            rows.back().push_back(uint8_t(x * 20 + y));
            rows.back().push_back(uint8_t(255 - x * y));
        }
    }
    decoded = decodeOrFail(writePng(ga, rows));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat32bppARGB);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) {
            uint32_t v = uint32_t(x * 20 + y);
            EXPECT_EQ(decoded->pixelArgb(x, y), uint32_t(255 - x * y) << 24 | v << 16 | v << 8 | v);
        }
}

TEST(CodecsJpeg, GreyAndAdobeCmykDecodeToRgb)
{
    std::vector<uint8_t> grey(16 * 16);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(100 + i % 16);
    auto decoded = decodeOrFail(writeJpeg(16, 16, JCS_GRAYSCALE, 1, grey));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
    uint32_t p = decoded->pixelArgb(5, 5);
    EXPECT_EQ(p & 0xFF, (p >> 8) & 0xFF);
    EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF);
    EXPECT_NEAR(int(p & 0xFF), 105, 3);

    // libjpeg writes CMYK with an Adobe marker, so the samples count as inverted:
    // 255 is no ink.
    std::vector<uint8_t> cmyk;
    for (int i = 0; i < 16 * 16; ++i) {
        const bool cyan = i % 16 < 8;
        cmyk.insert(cmyk.end(), {uint8_t(cyan ? 0 : 255), 255, 255, 255});
    }
    decoded = decodeOrFail(writeJpeg(16, 16, JCS_CMYK, 4, cmyk));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
    uint32_t c = decoded->pixelArgb(2, 8), w = decoded->pixelArgb(13, 8);
    EXPECT_LE(int((c >> 16) & 0xFF), 8);
    EXPECT_GE(int(c & 0xFF), 247);
    EXPECT_GE(int(w & 0xFF), 247);
    EXPECT_GE(int((w >> 16) & 0xFF), 247);
}

TEST(CodecsBmp, PaletteBitFieldsAndTopDownVariants)
{
    // 4-bit palette, bottom-up: the first file row is the last image row.
    std::vector<uint32_t> palette = {0x000000FF, 0x0000FF00};  // blue, green (B, G, R, 0 bytes)
    auto decoded = decodeOrFail(writeBmp(3, 2, 4, 0, palette, {{0x01, 0x00}, {0x10, 0x10}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFF00FF00u);
    EXPECT_EQ(decoded->pixelArgb(1, 0), 0xFF0000FFu);
    EXPECT_EQ(decoded->pixelArgb(0, 1), 0xFF0000FFu);
    EXPECT_EQ(decoded->pixelArgb(1, 1), 0xFF00FF00u);
    EXPECT_EQ(decoded->palette().size(), 2u);  // the entries before the pixels

    // 1-bit, top-down (negative height).
    auto topDown = writeBmp(9, 2, 1, 0, {0x00000000, 0x00FFFFFF}, {{0x80, 0x80}, {0x7F, 0x00}});
    put32le(topDown, 22, uint32_t(-2));
    decoded = decodeOrFail(topDown);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(decoded->pixelArgb(1, 0), 0xFF000000u);
    EXPECT_EQ(decoded->pixelArgb(8, 0), 0xFFFFFFFFu);
    EXPECT_EQ(decoded->pixelArgb(0, 1), 0xFF000000u);
    EXPECT_EQ(decoded->pixelArgb(1, 1), 0xFFFFFFFFu);

    // 16-bit 5-6-5 bit fields: full fields scale to 255.
    auto rgb565 = writeBmp(2, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, {{0x00, 0xF8, 0x1F, 0x04}});
    decoded = decodeOrFail(rgb565);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFFFF0000u);
    EXPECT_EQ(decoded->pixelArgb(1, 0), 0xFF0082FFu);  // green 32 of 63, blue 31 of 31

    // 16-bit without masks is 5-5-5.
    decoded = decodeOrFail(writeBmp(1, 1, 16, 0, {}, {{0xE0, 0x03}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFF00FF00u);

    // 32-bit plain: alpha byte ignored, reported as 32bpp RGB.
    decoded = decodeOrFail(writeBmp(1, 1, 32, 0, {}, {{0x10, 0x20, 0x30, 0x00}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat32bppRGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFF302010u);

    // 32-bit with an alpha mask after the basic header.
    decoded = decodeOrFail(writeBmp(1, 1, 32, 6, {0xFF00, 0xFF0000, 0xFF000000, 0xFF}, {{0x40, 0x10, 0x20, 0x30}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat32bppARGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0x40102030u);
}

TEST(CodecsFiles, MissingGarbageAndRoundTripThroughFiles)
{
    TempDir dir;
    std::unique_ptr<Image> image;
    EXPECT_EQ(decodeImageFile(dir.file("missing.png"), image), FileNotFound);
    EXPECT_EQ(decodeImageFile(dir.file("no/such/folder.png"), image), FileNotFound);

    {
        std::ofstream garbage(dir.file("garbage.png"), std::ios::binary);
        garbage << "this is not an image at all";
    }
    EXPECT_EQ(decodeImageFile(dir.file("garbage.png"), image), UnknownImageFormat);
    {
        std::ofstream empty(dir.file("empty.bmp"), std::ios::binary);
    }
    EXPECT_EQ(decodeImageFile(dir.file("empty.bmp"), image), UnknownImageFormat);
    EXPECT_EQ(decodeImage(nullptr, 0, image), UnknownImageFormat);
    EXPECT_EQ(decodeImage(nullptr, 5, image), InvalidParameter);
    EXPECT_FALSE(image);

    auto original = makePatternImage(21, 13, kFormat32bppARGB);
    const std::string target = dir.file("out.png");
    ASSERT_EQ(encodeImageFile(*original, target, kPngEncoderClsid, nullptr), Ok);
    ASSERT_EQ(decodeImageFile(target, image), Ok);
    EXPECT_EQ(countDifferences(*original, *image), 0);

    // Overwriting replaces the file; a failed encode leaves it whole; no
    // temporary files stay behind.
    auto other = makePatternImage(5, 5, kFormat24bppRGB);
    ASSERT_EQ(encodeImageFile(*other, target, kPngEncoderClsid, nullptr), Ok);
    ASSERT_EQ(decodeImageFile(target, image), Ok);
    EXPECT_EQ(image->width(), 5);
    EncoderClsid unknown = kPngEncoderClsid;
    unknown[0] ^= 0xFF;
    EXPECT_EQ(encodeImageFile(*original, target, unknown, nullptr), UnknownImageFormat);
    ASSERT_EQ(decodeImageFile(target, image), Ok);
    EXPECT_EQ(image->width(), 5);
    EXPECT_EQ(encodeImageFile(*original, dir.file("missing/out.png"), kPngEncoderClsid, nullptr), FileNotFound);
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_EQ(encodeImageFile(*original, dir.file("folder"), kPngEncoderClsid, nullptr), AccessDenied);
    EXPECT_EQ(decodeImageFile(dir.file("folder"), image), AccessDenied);
    EXPECT_EQ(dir.entries(), 4u);  // garbage.png, empty.bmp, out.png, folder
}

TEST(CodecsFiles, ANamedPipeIsRefusedWithoutWaitingForAWriter)
{
    TempDir dir;
    const std::string pipe = dir.file("pipe.png");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::unique_ptr<Image> image;
    EXPECT_EQ(decodeImageFile(pipe, image), UnknownImageFormat);
    EXPECT_FALSE(image);
}

TEST(CodecsLimits, OversizedImagesAreRefusedBeforeDecoding)
{
    auto wide = makePatternImage(300, 4, kFormat32bppARGB);
    std::vector<std::vector<uint8_t>> files;
    for (const EncoderClsid& clsid :
         {kPngEncoderClsid, kBmpEncoderClsid, kTiffEncoderClsid, kGifEncoderClsid, kJpegEncoderClsid})
        files.push_back(encodeOrFail(*wide, clsid));
    ImageLimits::set(200, 200 * 200 * 4);
    for (const auto& bytes : files) {
        std::unique_ptr<Image> image;
        EXPECT_EQ(decodeImage(bytes.data(), bytes.size(), image), OutOfMemory);
        EXPECT_FALSE(image);
    }
    ImageLimits::set(1000, 1000);
    for (const auto& bytes : files) {
        std::unique_ptr<Image> image;
        EXPECT_EQ(decodeImage(bytes.data(), bytes.size(), image), OutOfMemory);
    }
    ImageLimits::reset();

    // A PNG header claiming 60000 x 60000 pixels (valid CRC) within the
    // default limits of sides, but 10.8 GB of pixels.
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60, 8, 2, 0, 0, 0};
    uint32_t crc = uint32_t(crc32(0, png.data() + 12, 17));
    for (int i = 3; i >= 0; --i) png.push_back(uint8_t(crc >> (8 * i)));
    std::unique_ptr<Image> image;
    EXPECT_EQ(decodeImage(png.data(), png.size(), image), OutOfMemory);

    auto bmp = writeBmp(1, 1, 24, 0, {}, {{1, 2, 3}});
    put32le(bmp, 18, 60000);
    put32le(bmp, 22, 60000);
    EXPECT_EQ(decodeImage(bmp.data(), bmp.size(), image), OutOfMemory);
    put32le(bmp, 18, 1000);
    put32le(bmp, 22, 1000);
    EXPECT_EQ(decodeImage(bmp.data(), bmp.size(), image), UnknownImageFormat);  // data missing
}

TEST(CodecsTiff, AlphaKindsGreyPaletteTilesAndPlanes)
{
    TempDir dir;
    const std::string path = dir.file("variant.tif");

    // Associated alpha is divided out: 100 * 255 / 128 = 199.2, 50 * 255 / 128 = 99.6.
    auto decoded = decodeOrFail(writeTiff(path, TiffShape{1, 1, PHOTOMETRIC_RGB, 8, 4, EXTRASAMPLE_ASSOCALPHA}, {100, 50, 0, 128}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat32bppARGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0x80C76400u);
    // Unassociated alpha is kept as stored.
    decoded = decodeOrFail(writeTiff(path, TiffShape{1, 1, PHOTOMETRIC_RGB, 8, 4, EXTRASAMPLE_UNASSALPHA}, {100, 50, 0, 128}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0x80643200u);

    // 16-bit grey with alpha, 1-bit min-is-white.
    decoded = decodeOrFail(writeTiff(path, TiffShape{2, 1, PHOTOMETRIC_MINISBLACK, 16, 2, EXTRASAMPLE_UNASSALPHA},
                                     {0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat32bppARGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFF808080u);  // 0x8000 / 257 = 127.5 rounds to 128 (stored little-endian)
    EXPECT_EQ(decoded->pixelArgb(1, 0), 0x00FFFFFFu);
    decoded = decodeOrFail(writeTiff(path, TiffShape{3, 1, PHOTOMETRIC_MINISWHITE, 1, 1}, {0x40}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(decoded->pixelArgb(1, 0), 0xFF000000u);

    // 4-bit palette with a 16-bit colour map.
    TiffShape pal{2, 1, PHOTOMETRIC_PALETTE, 4, 1};
    pal.colormap.assign(48, 0);
    pal.colormap[1] = 0xFFFF;        // entry 1 red
    pal.colormap[16 + 2] = 0x8080;   // entry 2 green 128
    decoded = decodeOrFail(writeTiff(path, pal, {0x12}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFFFF0000u);
    EXPECT_EQ(decoded->pixelArgb(1, 0), 0xFF008000u);
    EXPECT_EQ(decoded->palette().size(), 16u);

    // Tiles (20 x 20 in four 16 x 16 tiles) and separate planes reach the same pixels.
    TiffShape tiled{20, 20, PHOTOMETRIC_RGB, 8, 3};
    tiled.tileSide = 16;
    std::vector<uint8_t> tiles(4 * 16 * 16 * 3, 0);
    for (int t = 0; t < 4; ++t)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                uint8_t* p = tiles.data() + ((t * 16 + y) * 16 + x) * 3;
                p[0] = uint8_t((t % 2) * 16 + x);
                p[1] = uint8_t((t / 2) * 16 + y);
                p[2] = uint8_t(t);
            }
    decoded = decodeOrFail(writeTiff(path, tiled, tiles));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->pixelArgb(19, 3), 0xFF130301u);
    EXPECT_EQ(decoded->pixelArgb(2, 17), 0xFF021102u);

    TiffShape planes{2, 2, PHOTOMETRIC_RGB, 8, 3};
    planes.separatePlanes = true;
    decoded = decodeOrFail(writeTiff(path, planes, {1, 2, 3, 4, 10, 20, 30, 40, 100, 110, 120, 130}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format(), kFormat24bppRGB);
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0xFF010A64u);
    EXPECT_EQ(decoded->pixelArgb(1, 1), 0xFF042882u);
}

TEST(CodecsGif, FirstFrameSitsOnItsScreenDeinterlaced)
{
    auto decoded = decodeOrFail(writeOffsetInterlacedGif());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 6);
    EXPECT_EQ(decoded->height(), 12);
    EXPECT_EQ(decoded->format(), kFormat32bppARGB);  // the frame leaves part of the screen empty
    const uint32_t colors[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    for (int row = 0; row < 10; ++row) {
        EXPECT_EQ(decoded->pixelArgb(2, 1 + row), colors[row % 4]) << row;
        EXPECT_EQ(decoded->pixelArgb(3, 1 + row), colors[(row + 1) % 4]) << row;
        EXPECT_EQ(decoded->pixelArgb(4, 1 + row), colors[3]) << row;
    }
    EXPECT_EQ(decoded->pixelArgb(0, 0), 0u);
    EXPECT_EQ(decoded->pixelArgb(5, 5), 0u);
    EXPECT_EQ(decoded->pixelArgb(3, 11), 0u);
}

TEST(CodecsFiles, AFailedWriteIsWin32ErrorWithItsCauseKeepsTheOldFileAndLeavesNoTemporary)
{
    // BMP is written whole, PNG as it is compressed.
    for (const EncoderClsid& encoder : {kBmpEncoderClsid, kPngEncoderClsid}) {
        TempDir dir;
        const std::string target = dir.file("keep.img");
        auto small = makePatternImage(4, 4, kFormat24bppRGB);
        ASSERT_EQ(encodeImageFile(*small, target, encoder, nullptr), Ok);
        const auto before = readFileBytes(target);

        // A file-size limit makes the write of a larger file fail part-way.
        auto large = makePatternImage(200, 200, kFormat24bppRGB);
        Status s = Ok;
        int error = -1;
        {
            FileSizeLimit limit(4096);
            s = encodeImageFile(*large, target, encoder, nullptr, &error);
        }
        EXPECT_EQ(s, Win32Error);
        EXPECT_EQ(error, EFBIG);
        EXPECT_EQ(readFileBytes(target), before);
        EXPECT_EQ(dir.entries(), 1u);
    }
    // A multi-page TIFF is written page by page by libtiff.
    TempDir dir;
    const std::string target = dir.file("pages.tif");
    auto large = makePatternImage(200, 200, kFormat24bppRGB);
    TiffMultiPageFile file(target);
    Status s = Ok;
    {
        FileSizeLimit limit(4096);
        s = file.start(*large);
    }
    EXPECT_EQ(s, Win32Error);
    EXPECT_EQ(file.lastError(), EFBIG);
    EXPECT_EQ(dir.entries(), 0u);
}

TEST(CodecsFiles, FilesTooLargeForAnyAllowedImageAreNotRead)
{
    TempDir dir;
    const std::string path = dir.file("huge.png");
    {
        std::ofstream out(path, std::ios::binary);
        out.write("\x89PNG\r\n\x1a\n", 8);
    }
    // Sparse: no disk space or memory is used for the hole.
    std::filesystem::resize_file(path, 80u << 20);
    ImageLimits::set(100, 1000);
    std::unique_ptr<Image> image;
    EXPECT_EQ(decodeImageFile(path, image), OutOfMemory);
    ImageLimits::reset();
    EXPECT_EQ(decodeImageFile(path, image), UnknownImageFormat);
}
