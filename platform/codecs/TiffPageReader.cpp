#include "platform/codecs/TiffPageReader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/ImageLimits.h"
#include "platform/Numeric.h"

namespace kalvora::platform {

namespace {

// Lower bound of the largest tile buffer; the bound grows with the image cap.
constexpr int64_t kMinTileAllocation = int64_t(16) << 20;
// channelOf: a grey or palette sample fills all three colour bytes.
constexpr int kAllColourChannels = 4;

inline uint32_t sampleAt(const uint8_t* row, size_t index, int bits)
{
    if (bits == 8) return row[index];
    if (bits == 16) {
        uint16_t v;
        std::memcpy(&v, row + index * 2, 2);
        return v;
    }
    const size_t bit = index * static_cast<size_t>(bits);
    const int shift = 8 - bits - static_cast<int>(bit & 7);
    return (row[bit >> 3] >> shift) & ((1u << bits) - 1);
}

// A sample scaled to 0..255 (16-bit values divide by 257, which never ties).
inline uint8_t to8Bits(uint32_t v, int bits)
{
    switch (bits) {
    case 16: return static_cast<uint8_t>((v + 128) / 257);
    case 8: return static_cast<uint8_t>(v);
    case 4: return static_cast<uint8_t>(v * 17);
    case 2: return static_cast<uint8_t>(v * 85);
    default: return static_cast<uint8_t>(v * 255);
    }
}

inline uint8_t unpremultiply(uint8_t c, uint8_t a)
{
    if (a == 0) return 0;
    if (a == 255) return c;
    return roundToByte(double(c) * 255.0 / double(a));
}

// Divides the colour of `count` B, G, R, A pixels by their alpha.
void unpremultiplyRow(uint8_t* p, int64_t count)
{
    for (int64_t x = 0; x < count; ++x, p += 4) {
        p[0] = unpremultiply(p[0], p[3]);
        p[1] = unpremultiply(p[1], p[3]);
        p[2] = unpremultiply(p[2], p[3]);
    }
}

// The byte of a B, G, R(, A) pixel that file sample `sample` fills, or -1
// for extra samples the image has no place for.
int channelOf(const TiffPageLayout& page, int sample)
{
    const bool rgb = page.kind == TiffSampleKind::Rgb;
    if (!rgb && sample == 0) return kAllColourChannels;
    if (rgb && sample < 3) return 2 - sample;
    return (page.alpha != TiffAlpha::None && sample == (rgb ? 3 : 1)) ? 3 : -1;
}

// Stores file sample `sample` of `count` pixels into its byte of each
// pixel of dst; in src the sample sits at index `at`, then every `stride`.
void storeSample(const TiffPageLayout& page, int sample, const uint8_t* src, size_t at, size_t stride, uint8_t* dst,
                 uint32_t count)
{
    const int channel = channelOf(page, sample);
    if (channel < 0) return;
    const int bpp = page.alpha != TiffAlpha::None ? 4 : 3;
    const int bits = page.bits;
    if (page.kind == TiffSampleKind::Palette) {
        for (uint32_t x = 0; x < count; ++x, at += stride, dst += bpp) {
            const uint32_t argb = page.paletteArgb[sampleAt(src, at, bits)];
            dst[0] = uint8_t(argb);
            dst[1] = uint8_t(argb >> 8);
            dst[2] = uint8_t(argb >> 16);
        }
    } else if (channel == kAllColourChannels) {
        const uint8_t flip = page.minIsWhite ? 255 : 0;
        for (uint32_t x = 0; x < count; ++x, at += stride, dst += bpp)
            dst[0] = dst[1] = dst[2] = to8Bits(sampleAt(src, at, bits), bits) ^ flip;
    } else {
        for (uint32_t x = 0; x < count; ++x, at += stride, dst += bpp)
            dst[channel] = to8Bits(sampleAt(src, at, bits), bits);
    }
}

// Stores `n` interleaved file samples per pixel, the first being file sample
// `first`: all samples of a contiguous page, or one plane of a separate one.
void storeSamples(const TiffPageLayout& page, const uint8_t* src, int first, int n, uint8_t* dst, uint32_t count)
{
    for (int i = 0; i < n; ++i) storeSample(page, first + i, src, size_t(i), size_t(n), dst, count);
}

// The samples of one plane: `first` is the first file sample it holds.
struct Plane {
    uint16_t index = 0;
    int first = 0;
    int samples = 1;
};

// Reads one plane row by row. The only buffer here is one row of the
// page; libtiff reads each strip into a buffer of the strip's byte count.
Status readStripPlane(TIFF* tif, const TiffPageLayout& page, const Plane& plane, Image& image)
{
    const uint64_t rowBytes = TIFFScanlineSize64(tif);
    if (rowBytes == 0 || rowBytes * 8 < uint64_t(page.width) * plane.samples * page.bits) return UnknownImageFormat;
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    for (uint32_t y = 0; y < page.height; ++y) {
        if (TIFFReadScanline(tif, row.data(), y, plane.index) < 0) return UnknownImageFormat;
        storeSamples(page, row.data(), plane.first, plane.samples, image.row(static_cast<int32_t>(y)), page.width);
    }
    return Ok;
}

// Reads one plane tile by tile into one tile buffer, left uninitialised so
// that only the bytes a tile decodes to are touched.
Status readTilePlane(TIFF* tif, const TiffPageLayout& page, const Plane& plane, Image& image)
{
    uint32_t tileW = 0, tileH = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileW);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileH);
    const uint64_t tileBytes = TIFFTileSize64(tif);
    const uint64_t rowBytes = TIFFTileRowSize64(tif);
    if (tileW == 0 || tileH == 0 || rowBytes == 0 || rowBytes * tileH > tileBytes) return UnknownImageFormat;
    if (rowBytes * 8 < uint64_t(tileW) * plane.samples * page.bits) return UnknownImageFormat;
    if (tileBytes > static_cast<uint64_t>(std::max(kMinTileAllocation, ImageLimits::maxBytes()))) return OutOfMemory;
    std::unique_ptr<uint8_t[]> tile(new (std::nothrow) uint8_t[tileBytes]);
    if (!tile) return OutOfMemory;
    for (uint32_t y0 = 0; y0 < page.height; y0 += tileH) {
        const uint32_t rows = std::min(tileH, page.height - y0);
        for (uint32_t x0 = 0; x0 < page.width; x0 += tileW) {
            const tmsize_t got = TIFFReadTile(tif, tile.get(), x0, y0, 0, plane.index);
            if (got < 0 || static_cast<uint64_t>(got) < rowBytes * rows) return UnknownImageFormat;
            const uint32_t cols = std::min(tileW, page.width - x0);
            for (uint32_t r = 0; r < rows; ++r)
                storeSamples(page, tile.get() + rowBytes * r, plane.first, plane.samples,
                             image.pixel(static_cast<int32_t>(x0), static_cast<int32_t>(y0 + r)), cols);
        }
    }
    return Ok;
}

Status readDirect(TIFF* tif, const TiffPageLayout& page, std::unique_ptr<Image>& out)
{
    const bool alpha = page.alpha != TiffAlpha::None;
    std::unique_ptr<Image> image;
    Status s = Image::createUnbacked(static_cast<int32_t>(page.width), static_cast<int32_t>(page.height),
                             alpha ? kFormat32bppARGB : kFormat24bppRGB, image);
    if (s != Ok) return s;
    // A contiguous page is one plane of all samples; a separate one has a
    // plane per sample, of which only those the image uses are read.
    const int planes = page.separatePlanes ? page.usedSamples() : 1;
    for (int p = 0; p < planes && s == Ok; ++p) {
        const Plane plane = page.separatePlanes ? Plane{uint16_t(p), p, 1} : Plane{0, 0, page.samples};
        s = page.tiled ? readTilePlane(tif, page, plane, *image) : readStripPlane(tif, page, plane, *image);
    }
    if (s != Ok) return s;
    if (page.alpha == TiffAlpha::Associated)
        for (int32_t y = 0; y < image->height(); ++y) unpremultiplyRow(image->row(y), image->width());
    if (page.kind == TiffSampleKind::Palette)
        image->setPalette(std::vector<uint32_t>(page.paletteArgb, page.paletteArgb + page.paletteSize));
    out = std::move(image);
    return Ok;
}

struct RgbaImageEnd {
    TIFFRGBAImage* img;
    ~RgbaImageEnd() { TIFFRGBAImageEnd(img); }
};

// Turns libtiff's packed A, B, G, R raster values into B, G, R, A bytes in place.
void rasterRowToBgra(uint8_t* p, int64_t count, bool alpha)
{
    for (int64_t x = 0; x < count; ++x, p += 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        p[0] = uint8_t(v >> 16);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v);
        p[3] = alpha ? uint8_t(v >> 24) : 255;
    }
}

// libtiff's general reader (YCbCr, CMYK, Lab and others). It stops at the
// first strip or tile that fails, and gives rows in stored order. It
// premultiplies colour by alpha, which is undone here.
Status readGeneral(TIFF* tif, const TiffPageLayout& page, std::unique_ptr<Image>& out)
{
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) return UnknownImageFormat;
    TIFFRGBAImage rgba{};
    if (!TIFFRGBAImageBegin(&rgba, tif, 1, message)) return UnknownImageFormat;
    RgbaImageEnd end{&rgba};
    rgba.req_orientation = rgba.orientation;
    std::unique_ptr<Image> image;
    Status s = Image::createUnbacked(static_cast<int32_t>(page.width), static_cast<int32_t>(page.height), kFormat32bppARGB,
                             image);
    if (s != Ok) return s;
    auto* raster = reinterpret_cast<uint32_t*>(image->data());
    if (!TIFFRGBAImageGet(&rgba, raster, page.width, page.height)) return UnknownImageFormat;
    const bool alpha = rgba.alpha != 0;
    const bool premultiplied = alpha && rgba.photometric != PHOTOMETRIC_MINISBLACK &&
                               rgba.photometric != PHOTOMETRIC_MINISWHITE;
    for (int32_t y = 0; y < image->height(); ++y) {
        rasterRowToBgra(image->row(y), image->width(), alpha);
        if (premultiplied) unpremultiplyRow(image->row(y), image->width());
    }
    if (!alpha) {
        std::unique_ptr<Image> rgb;
        s = image->cloneArea(image->width(), image->height(), kFormat24bppRGB, rgb);
        if (s != Ok) return s;
        image = std::move(rgb);
    }
    out = std::move(image);
    return Ok;
}

}  // namespace

Status TiffPageReader::read(TIFF* tif, const TiffPageLayout& page, std::unique_ptr<Image>& out)
{
    std::unique_ptr<Image> image;
    Status s = page.direct ? readDirect(tif, page, image) : readGeneral(tif, page, image);
    if (s != Ok) return s;
    s = image->rotateFlip(page.rotateFlip);
    if (s != Ok) return s;
    out = std::move(image);
    return Ok;
}

}  // namespace kalvora::platform
