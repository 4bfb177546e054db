#include "platform/codecs/TiffPageLayout.h"

#include <algorithm>

#include "platform/ImageLimits.h"

namespace kalvora::platform {

namespace {

// A pixel has at most four colour samples and an alpha; a few more extra
// samples are skipped, but no layout either reader can use needs more than
// eight. Larger counts only inflate the rows a reader would allocate.
constexpr int kMaxSamplesPerPixel = 8;
// A tile may cover more pixels than the whole image (writers often use one
// fixed tile size), but only up to this many; beyond that the tile buffer
// would hold far more pixels than the image can show.
constexpr uint64_t kMaxSmallTilePixels = uint64_t(1) << 20;

uint16_t defaulted16(TIFF* tif, uint32_t tag, uint16_t fallback)
{
    uint16_t v = fallback;
    TIFFGetFieldDefaulted(tif, tag, &v);
    return v;
}

uint64_t readUnsigned(const uint8_t* p, int bytes, bool bigEndian)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        v |= uint64_t(p[i]) << shift;
    }
    return v;
}

// The photometric interpretation as the page's directory states it, or -1.
// libtiff quietly turns a palette page whose colour map it could not read
// into a grey or RGB page; only the stored value tells the two apart.
int storedPhotometric(TIFF* tif, const uint8_t* data, size_t size)
{
    const bool big = TIFFIsBigTIFF(tif);
    const bool bigEndian = TIFFIsBigEndian(tif);
    const int countBytes = big ? 8 : 2;
    const size_t entryBytes = big ? 20 : 12;
    const uint64_t dir = TIFFCurrentDirOffset(tif);
    if (dir > size || size - dir < uint64_t(countBytes)) return -1;
    const uint64_t fits = (size - dir - countBytes) / entryBytes;
    const uint64_t count = std::min(readUnsigned(data + dir, countBytes, bigEndian), fits);
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* entry = data + dir + countBytes + i * entryBytes;
        if (readUnsigned(entry, 2, bigEndian) != TIFFTAG_PHOTOMETRIC) continue;
        const uint64_t type = readUnsigned(entry + 2, 2, bigEndian);
        const uint8_t* value = entry + (big ? 12 : 8);
        if (type == TIFF_SHORT) return int(readUnsigned(value, 2, bigEndian));
        if (type == TIFF_LONG) return int(readUnsigned(value, 4, bigEndian) & 0xFFFF);
        return -1;
    }
    return -1;
}

RotateFlipType rotateFlipFor(uint16_t orientation)
{
    switch (orientation) {
    case ORIENTATION_TOPRIGHT: return RotateFlipType::RotateNoneFlipX;    // mirrored left to right
    case ORIENTATION_BOTRIGHT: return RotateFlipType::Rotate180FlipNone;  // upside down
    case ORIENTATION_BOTLEFT: return RotateFlipType::RotateNoneFlipY;     // mirrored top to bottom
    case ORIENTATION_LEFTTOP: return RotateFlipType::Rotate90FlipX;       // rows are columns
    case ORIENTATION_RIGHTTOP: return RotateFlipType::Rotate90FlipNone;   // lying on its left side
    case ORIENTATION_RIGHTBOT: return RotateFlipType::Rotate270FlipX;
    case ORIENTATION_LEFTBOT: return RotateFlipType::Rotate270FlipNone;  // lying on its right side
    default: return RotateFlipType::RotateNoneFlipNone;
    }
}

TiffAlpha alphaOf(TIFF* tif, int samples, int colorSamples, bool rgb)
{
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) || extraCount == 0 || !extra)
        // Four RGB samples without a note on the fourth: associated alpha, as
        // libtiff itself reads them.
        return (rgb && samples == 4) ? TiffAlpha::Associated : TiffAlpha::None;
    if (samples <= colorSamples) return TiffAlpha::None;
    if (extra[0] == EXTRASAMPLE_ASSOCALPHA) return TiffAlpha::Associated;
    if (extra[0] == EXTRASAMPLE_UNASSALPHA) return TiffAlpha::Unassociated;
    return TiffAlpha::None;
}

bool readPalette(TIFF* tif, TiffPageLayout& page)
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

// Fills in the sample layout when the page is one read here directly.
// A palette page whose colour map cannot be read is refused, not read grey.
Status readDirectLayout(TIFF* tif, TiffPageLayout& page)
{
    uint16_t photometric = 0;
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return Ok;
    if (defaulted16(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT) != SAMPLEFORMAT_UINT) return Ok;
    const int bits = page.bits;
    switch (photometric) {
    case PHOTOMETRIC_RGB:
        if ((bits != 8 && bits != 16) || page.samples < 3) return Ok;
        page.kind = TiffSampleKind::Rgb;
        page.alpha = alphaOf(tif, page.samples, 3, true);
        break;
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
        if (page.samples > 1 && bits < 8) return Ok;
        page.kind = TiffSampleKind::Grey;
        page.minIsWhite = photometric == PHOTOMETRIC_MINISWHITE;
        page.alpha = alphaOf(tif, page.samples, 1, false);
        break;
    case PHOTOMETRIC_PALETTE:
        if (bits > 8 || page.samples != 1) return Ok;
        page.kind = TiffSampleKind::Palette;
        if (!readPalette(tif, page)) return UnknownImageFormat;
        break;
    default:
        return Ok;
    }
    page.direct = true;
    return Ok;
}

uint64_t chunksAcross(uint64_t length, uint64_t chunk) { return (length + chunk - 1) / chunk; }

// Checks that every strip or tile the page needs is listed, holds bytes and
// lies inside the file. libtiff fills a short table with offset 0 and byte
// count 0, which would otherwise be read as the file's own header bytes.
Status checkChunkTable(TIFF* tif, const TiffPageLayout& page, size_t size)
{
    const uint64_t planes = page.separatePlanes ? uint64_t(page.samples) : 1;
    uint64_t needed = 0;
    uint64_t listed = 0;
    if (page.tiled) {
        uint32_t tileW = 0, tileH = 0;
        if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileW) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileH) ||
            tileW == 0 || tileH == 0)
            return UnknownImageFormat;
        const uint64_t imagePixels = uint64_t(page.width) * page.height;
        if (uint64_t(tileW) * tileH > std::max(imagePixels, kMaxSmallTilePixels)) return UnknownImageFormat;
        needed = chunksAcross(page.width, tileW) * chunksAcross(page.height, tileH) * planes;
        listed = TIFFNumberOfTiles(tif);
    } else {
        uint32_t rowsPerStrip = 0;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        if (rowsPerStrip == 0) return UnknownImageFormat;
        needed = chunksAcross(page.height, std::min(rowsPerStrip, page.height)) * planes;
        listed = TIFFNumberOfStrips(tif);
    }
    if (listed < needed) return UnknownImageFormat;
    const uint64_t headerBytes = TIFFIsBigTIFF(tif) ? 16 : 8;
    for (uint64_t i = 0; i < needed; ++i) {
        int error = 0;
        const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, static_cast<uint32_t>(i), &error);
        const uint64_t bytes = TIFFGetStrileByteCountWithErr(tif, static_cast<uint32_t>(i), &error);
        if (error || bytes == 0 || offset < headerBytes || offset > size || bytes > size - offset)
            return UnknownImageFormat;
    }
    return Ok;
}

}  // namespace

int TiffPageLayout::usedSamples() const
{
    const int color = kind == TiffSampleKind::Rgb ? 3 : 1;
    return alpha == TiffAlpha::None ? color : color + 1;
}

Status TiffPageLayout::read(TIFF* tif, const uint8_t* data, size_t size, TiffPageLayout& page)
{
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.height) ||
        page.width == 0 || page.height == 0)
        return UnknownImageFormat;
    if (!ImageLimits::allows(page.width, page.height, 3)) return OutOfMemory;
    page.bits = defaulted16(tif, TIFFTAG_BITSPERSAMPLE, 1);
    page.samples = defaulted16(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    if (page.bits != 1 && page.bits != 2 && page.bits != 4 && page.bits != 8 && page.bits != 16)
        return UnknownImageFormat;
    if (page.samples < 1 || page.samples > kMaxSamplesPerPixel) return UnknownImageFormat;
    page.separatePlanes = defaulted16(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == PLANARCONFIG_SEPARATE;
    page.tiled = TIFFIsTiled(tif);
    page.rotateFlip = rotateFlipFor(defaulted16(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT));
    if (storedPhotometric(tif, data, size) == PHOTOMETRIC_PALETTE) {
        uint16_t photometric = 0;
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
        if (photometric != PHOTOMETRIC_PALETTE) return UnknownImageFormat;
    }
    const Status s = readDirectLayout(tif, page);
    if (s != Ok) return s;
    return checkChunkTable(tif, page, size);
}

}  // namespace kalvora::platform
