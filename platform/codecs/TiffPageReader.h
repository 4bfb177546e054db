#pragma once

#include <tiffio.h>

#include <memory>

#include "platform/Image.h"
#include "platform/codecs/TiffPageLayout.h"

namespace kalvora::platform {

// Decodes the pixels of a TIFF page whose layout has been read and checked.
// RGB, grey and palette pages are read here, strip by strip or tile by tile
// and plane by plane, so unassociated alpha stays exact; other layouts go
// through libtiff's general reader. Either way the page is turned upright
// afterwards by Image::rotateFlip, and the first strip or tile that reads
// short or fails to decode fails the whole page.
class TiffPageReader {
public:
    static Status read(TIFF* tif, const TiffPageLayout& page, std::unique_ptr<Image>& out);
};

}  // namespace kalvora::platform
