#include "uicore/FilterInputImage.h"

#include <memory>
#include <utility>

#include "platform/PixelFormat.h"

namespace kalvora {

namespace {

void whitenTransparentPixels(platform::Image& image)
{
    for (int32_t y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.row(y));
        for (int32_t x = 0; x < image.width(); ++x)
            if ((row[x] >> 24) == 0) row[x] = kTransparentWhite;
    }
}

}  // namespace

platform::Status convertToFilterInput(cBitmap& image)
{
    cBitmap converted;
    const platform::Status status =
        converted.CreateFromClone(image.Width(), image.Height(), image.Handle(), platform::kFormat32bppARGB);
    if (status != platform::Ok) return status;
    whitenTransparentPixels(*converted.Handle());
    // The image keeps the session that receives its failures.
    std::shared_ptr<cGDIP> session = std::move(image.gdip);
    image = std::move(converted);
    image.gdip = std::move(session);
    return platform::Ok;
}

}  // namespace kalvora
