#include "platform/codecs/TiffCodec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

#include "platform/ImageLimits.h"
#include "platform/Numeric.h"

namespace kalvora::platform {

namespace {

// Lower bound of the largest single allocation libtiff may make (strip
// offset tables, compressed strips); the bound grows with the image cap.
constexpr int64_t kMinSingleAllocation = int64_t(16) << 20;

// The bytes libtiff reads from, or the growing buffer it writes into.
struct TiffMemory {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::vector<uint8_t>* out = nullptr;
    uint64_t pos = 0;
};

uint64_t memorySize(const TiffMemory& m) { return m.out ? m.out->size() : m.size; }

tmsize_t tiffRead(thandle_t handle, void* dst, tmsize_t count)
{
    auto* m = static_cast<TiffMemory*>(handle);
    const uint64_t size = memorySize(*m);
    if (count <= 0 || m->pos >= size) return 0;
    const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(count), size - m->pos);
    const uint8_t* src = m->out ? m->out->data() : m->data;
    std::memcpy(dst, src + m->pos, n);
    m->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t tiffWrite(thandle_t handle, void* src, tmsize_t count)
{
    auto* m = static_cast<TiffMemory*>(handle);
    if (!m->out || count < 0) return 0;
    const uint64_t end = m->pos + static_cast<uint64_t>(count);
    try {
        if (end > m->out->size()) m->out->resize(end);
    } catch (...) {
        return 0;
    }
    std::memcpy(m->out->data() + m->pos, src, static_cast<size_t>(count));
    m->pos = end;
    return count;
}

toff_t tiffSeek(thandle_t handle, toff_t offset, int whence)
{
    auto* m = static_cast<TiffMemory*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = m->pos;
    else if (whence == SEEK_END) base = memorySize(*m);
    const uint64_t target = base + offset;
    // Positions far past the end can only come from a corrupt file.
    if (target < base || target > (uint64_t(1) << 40)) return static_cast<toff_t>(-1);
    m->pos = target;
    return target;
}

int tiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t handle) { return memorySize(*static_cast<TiffMemory*>(handle)); }

// Nothing is mapped: libtiff copies what it reads, so the caller's bytes
// are never written to.
int tiffMap(thandle_t, void**, toff_t*) { return 0; }

void tiffUnmap(thandle_t, void*, toff_t) {}

int tiffQuiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

void silenceGlobalHandlers()
{
    static const bool silenced = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)silenced;
}

struct TiffCloser {
    TIFF* tif = nullptr;
    ~TiffCloser()
    {
        if (tif) TIFFClose(tif);
    }
};

TIFF* openMemory(TiffMemory& memory, const char* mode)
{
    silenceGlobalHandlers();
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    const int64_t maxAlloc = std::max(kMinSingleAllocation, ImageLimits::maxBytes());
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(maxAlloc));
    TIFFOpenOptionsSetErrorHandlerExtR(options, tiffQuiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, tiffQuiet, nullptr);
    TIFF* tif = TIFFClientOpenExt("memory", mode, &memory, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize,
                                  tiffMap, tiffUnmap, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

enum class SampleKind { Rgb, Grey, Palette };
enum class AlphaKind { None, Unassociated, Associated };

// How the first page stores its pixels, when this file reads it directly.
struct PageLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    SampleKind kind = SampleKind::Rgb;
    AlphaKind alpha = AlphaKind::None;
    int bits = 8;
    int samples = 1;
    bool minIsWhite = false;
    uint32_t paletteArgb[256] = {};
    int paletteSize = 0;
};

AlphaKind alphaOf(TIFF* tif, int samples, int colorSamples, bool rgb)
{
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) || extraCount == 0 || !extra)
        // Four RGB samples without a note on the fourth: associated alpha, as
        // libtiff itself reads them.
        return (rgb && samples == 4) ? AlphaKind::Associated : AlphaKind::None;
    if (samples <= colorSamples) return AlphaKind::None;
    if (extra[0] == EXTRASAMPLE_ASSOCALPHA) return AlphaKind::Associated;
    if (extra[0] == EXTRASAMPLE_UNASSALPHA) return AlphaKind::Unassociated;
    return AlphaKind::None;
}

bool readPalette(TIFF* tif, PageLayout& page)
{
    uint16_t* r = nullptr;
    uint16_t* g = nullptr;
    uint16_t* b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return false;
    page.paletteSize = 1 << page.bits;
    // Some writers store 8-bit values in the 16-bit colour map.
    bool eightBit = true;
    for (int i = 0; i < page.paletteSize; ++i)
        if (r[i] > 255 || g[i] > 255 || b[i] > 255) eightBit = false;
    auto to8 = [eightBit](uint16_t v) { return eightBit ? uint32_t(v) : uint32_t((v + 128) / 257); };
    for (int i = 0; i < page.paletteSize; ++i)
        page.paletteArgb[i] = 0xFF000000u | to8(r[i]) << 16 | to8(g[i]) << 8 | to8(b[i]);
    return true;
}

// True when the page is a layout read here sample by sample; anything else
// goes through libtiff's general RGBA reader.
bool directLayout(TIFF* tif, PageLayout& page)
{
    uint16_t photometric = 0, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
    uint16_t orientation = ORIENTATION_TOPLEFT, bits = 1, samples = 1;
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (planar != PLANARCONFIG_CONTIG || format != SAMPLEFORMAT_UINT || orientation != ORIENTATION_TOPLEFT)
        return false;
    page.bits = bits;
    page.samples = samples;
    switch (photometric) {
    case PHOTOMETRIC_RGB:
        if ((bits != 8 && bits != 16) || samples < 3) return false;
        page.kind = SampleKind::Rgb;
        page.alpha = alphaOf(tif, samples, 3, true);
        return true;
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
        if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) return false;
        if (samples > 1 && bits < 8) return false;
        page.kind = SampleKind::Grey;
        page.minIsWhite = photometric == PHOTOMETRIC_MINISWHITE;
        page.alpha = alphaOf(tif, samples, 1, false);
        return true;
    case PHOTOMETRIC_PALETTE:
        if ((bits != 1 && bits != 2 && bits != 4 && bits != 8) || samples != 1) return false;
        page.kind = SampleKind::Palette;
        return readPalette(tif, page);
    default:
        return false;
    }
}

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

// One pixel as B, G, R and, with alpha, A; premultiplied colours are
// divided by alpha first.
inline void storePixel(uint8_t* dst, uint8_t r, uint8_t g, uint8_t b, uint8_t a, bool premultiplied, bool alpha)
{
    if (premultiplied) {
        r = unpremultiply(r, a);
        g = unpremultiply(g, a);
        b = unpremultiply(b, a);
    }
    dst[0] = b;
    dst[1] = g;
    dst[2] = r;
    if (alpha) dst[3] = a;
}

// Converts `count` pixels of one decoded row into B, G, R(, A).
void convertSamples(const PageLayout& page, const uint8_t* src, uint8_t* dst, uint32_t count)
{
    const bool alpha = page.alpha != AlphaKind::None;
    const int bpp = alpha ? 4 : 3;
    const int n = page.samples;
    for (uint32_t x = 0; x < count; ++x, dst += bpp) {
        const size_t first = size_t(x) * n;
        uint8_t r, g, b, a = 255;
        if (page.kind == SampleKind::Palette) {
            const uint32_t argb = page.paletteArgb[sampleAt(src, first, page.bits)];
            r = uint8_t(argb >> 16);
            g = uint8_t(argb >> 8);
            b = uint8_t(argb);
        } else if (page.kind == SampleKind::Grey) {
            uint8_t v = to8Bits(sampleAt(src, first, page.bits), page.bits);
            if (page.minIsWhite) v = 255 - v;
            r = g = b = v;
            if (alpha) a = to8Bits(sampleAt(src, first + 1, page.bits), page.bits);
        } else {
            r = to8Bits(sampleAt(src, first, page.bits), page.bits);
            g = to8Bits(sampleAt(src, first + 1, page.bits), page.bits);
            b = to8Bits(sampleAt(src, first + 2, page.bits), page.bits);
            if (alpha) a = to8Bits(sampleAt(src, first + 3, page.bits), page.bits);
        }
        storePixel(dst, r, g, b, a, page.alpha == AlphaKind::Associated, alpha);
    }
}

// Reads the page strip by strip or tile by tile; a strip is a chunk as wide
// as the image.
Status readChunks(TIFF* tif, const PageLayout& page, Image& image)
{
    const bool tiled = TIFFIsTiled(tif);
    uint32_t chunkW = page.width;
    uint32_t chunkH = 0;
    uint64_t chunkBytes = 0;
    uint64_t rowBytes = 0;
    if (tiled) {
        if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &chunkW) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &chunkH))
            return UnknownImageFormat;
        chunkBytes = TIFFTileSize64(tif);
        rowBytes = TIFFTileRowSize64(tif);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &chunkH);
        chunkH = std::min(chunkH, page.height);
        chunkBytes = TIFFStripSize64(tif);
        rowBytes = TIFFScanlineSize64(tif);
    }
    if (chunkW == 0 || chunkH == 0 || chunkBytes == 0 || rowBytes == 0) return UnknownImageFormat;
    if (rowBytes * chunkH > chunkBytes) return UnknownImageFormat;
    if (rowBytes * 8 < uint64_t(chunkW) * page.samples * page.bits) return UnknownImageFormat;
    if (chunkBytes > static_cast<uint64_t>(std::max(kMinSingleAllocation, ImageLimits::maxBytes())))
        return OutOfMemory;
    std::vector<uint8_t> chunk(static_cast<size_t>(chunkBytes));
    for (uint32_t y0 = 0; y0 < page.height; y0 += chunkH) {
        for (uint32_t x0 = 0; x0 < page.width; x0 += chunkW) {
            tmsize_t got = tiled ? TIFFReadTile(tif, chunk.data(), x0, y0, 0, 0)
                                 : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y0, 0), chunk.data(),
                                                        static_cast<tmsize_t>(chunkBytes));
            const uint32_t rows = std::min(chunkH, page.height - y0);
            if (got < 0 || static_cast<uint64_t>(got) < rowBytes * rows) return UnknownImageFormat;
            const uint32_t cols = std::min(chunkW, page.width - x0);
            for (uint32_t r = 0; r < rows; ++r)
                convertSamples(page, chunk.data() + rowBytes * r,
                               image.pixel(static_cast<int32_t>(x0), static_cast<int32_t>(y0 + r)), cols);
        }
    }
    return Ok;
}

Status decodeDirect(TIFF* tif, PageLayout& page, std::unique_ptr<Image>& out)
{
    const bool alpha = page.alpha != AlphaKind::None;
    std::unique_ptr<Image> image;
    Status s = Image::create(static_cast<int32_t>(page.width), static_cast<int32_t>(page.height),
                             alpha ? kFormat32bppARGB : kFormat24bppRGB, image);
    if (s != Ok) return s;
    s = readChunks(tif, page, *image);
    if (s != Ok) return s;
    if (page.kind == SampleKind::Palette)
        image->setPalette(std::vector<uint32_t>(page.paletteArgb, page.paletteArgb + page.paletteSize));
    out = std::move(image);
    return Ok;
}

struct RgbaImageEnd {
    TIFFRGBAImage* img;
    ~RgbaImageEnd() { TIFFRGBAImageEnd(img); }
};

// libtiff's general reader (YCbCr, CMYK, separate planes, other orders).
// It premultiplies colour by alpha, which is undone here.
Status decodeGeneral(TIFF* tif, const PageLayout& page, std::unique_ptr<Image>& out)
{
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) return UnknownImageFormat;
    TIFFRGBAImage rgba{};
    if (!TIFFRGBAImageBegin(&rgba, tif, 0, message)) return UnknownImageFormat;
    RgbaImageEnd end{&rgba};
    rgba.req_orientation = ORIENTATION_TOPLEFT;
    std::unique_ptr<Image> image;
    Status s = Image::create(static_cast<int32_t>(page.width), static_cast<int32_t>(page.height), kFormat32bppARGB,
                             image);
    if (s != Ok) return s;
    auto* raster = reinterpret_cast<uint32_t*>(image->data());
    if (!TIFFRGBAImageGet(&rgba, raster, page.width, page.height)) return UnknownImageFormat;
    const bool alpha = rgba.alpha != 0;
    const bool premultiplied = alpha && rgba.photometric != PHOTOMETRIC_MINISBLACK &&
                               rgba.photometric != PHOTOMETRIC_MINISWHITE;
    for (int32_t y = 0; y < image->height(); ++y) {
        uint8_t* p = image->row(y);
        for (int32_t x = 0; x < image->width(); ++x, p += 4) {
            uint32_t v;
            std::memcpy(&v, p, 4);
            const uint8_t a = alpha ? uint8_t(v >> 24) : 255;
            storePixel(p, uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), a, premultiplied, true);
        }
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

Status writePage(TIFF* tif, const Image& image)
{
    const bool alpha = image.format() == kFormat32bppARGB;
    const int samples = alpha ? 4 : 3;
    const uint32_t w = static_cast<uint32_t>(image.width());
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (alpha) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<uint8_t> row(size_t(w) * samples);
    const int srcBpp = bytesPerPixel(image.format());
    for (int32_t y = 0; y < image.height(); ++y) {
        const uint8_t* src = image.row(y);
        uint8_t* dst = row.data();
        for (uint32_t x = 0; x < w; ++x, src += srcBpp, dst += samples) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            if (alpha) dst[3] = src[3];
        }
        if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) < 0) return OutOfMemory;
    }
    return TIFFWriteDirectory(tif) ? Ok : OutOfMemory;
}

}  // namespace

bool TiffCodec::matches(const uint8_t* data, size_t size)
{
    if (size < 4) return false;
    const bool little = data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0;
    const bool big = data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
    return little || big;
}

Status TiffCodec::decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out)
{
    if (!matches(data, size)) return UnknownImageFormat;
    try {
        TiffMemory memory;
        memory.data = data;
        memory.size = size;
        TiffCloser closer{openMemory(memory, "rm")};
        if (!closer.tif) return UnknownImageFormat;
        PageLayout page;
        if (!TIFFGetField(closer.tif, TIFFTAG_IMAGEWIDTH, &page.width) ||
            !TIFFGetField(closer.tif, TIFFTAG_IMAGELENGTH, &page.height) || page.width == 0 || page.height == 0)
            return UnknownImageFormat;
        if (!ImageLimits::allows(page.width, page.height, 3)) return OutOfMemory;
        if (directLayout(closer.tif, page)) return decodeDirect(closer.tif, page, out);
        return decodeGeneral(closer.tif, page, out);
    } catch (...) {
        return OutOfMemory;
    }
}

Status TiffCodec::encode(const Image& image, std::vector<uint8_t>& out)
{
    try {
        std::vector<uint8_t> bytes;
        TiffMemory memory;
        memory.out = &bytes;
        Status s = Ok;
        {
            TiffCloser closer{openMemory(memory, "wm")};
            if (!closer.tif) return OutOfMemory;
            s = writePage(closer.tif, image);
        }
        if (s != Ok) return s;
        out = std::move(bytes);
        return Ok;
    } catch (...) {
        return OutOfMemory;
    }
}

}  // namespace kalvora::platform
