#pragma once

#include <tiffio.h>

#include <cstddef>
#include <cstdint>

#include "platform/Image.h"
#include "platform/Status.h"

namespace kalvora::platform {

enum class TiffSampleKind { Rgb, Grey, Palette };
enum class TiffAlpha { None, Unassociated, Associated };

// How the first page of a TIFF file stores its pixels, read from its tags
// and checked against the file's bytes before any pixel is decoded.
struct TiffPageLayout {
    uint32_t width = 0;   // as stored, before the orientation is applied
    uint32_t height = 0;
    // Read here sample by sample; otherwise through libtiff's general reader
    // (YCbCr, CMYK, Lab and other layouts).
    bool direct = false;
    TiffSampleKind kind = TiffSampleKind::Rgb;
    TiffAlpha alpha = TiffAlpha::None;
    int bits = 8;
    int samples = 1;
    bool separatePlanes = false;
    bool tiled = false;
    bool minIsWhite = false;
    // The Image::rotateFlip type that turns the stored rows upright.
    RotateFlipType rotateFlip = RotateFlipType::RotateNoneFlipNone;
    uint32_t paletteArgb[256] = {};
    int paletteSize = 0;

    // The samples a direct read stores (colour, then alpha); later samples
    // are skipped.
    int usedSamples() const;

    // Reads the layout of the open page of the file `data`. A layout the
    // file cannot hold (missing or empty strips or tiles, pixel data outside
    // the file, sample counts no reader uses, a palette without its colour
    // map) gives UnknownImageFormat; a size beyond ImageLimits OutOfMemory.
    static Status read(TIFF* tif, const uint8_t* data, size_t size, TiffPageLayout& page);
};

}  // namespace kalvora::platform
