#pragma once

#include <cstdint>

namespace kalvora::platform {

// Rows of an image as the resampler reads them: straight (non-premultiplied)
// ARGB, four bytes a pixel in memory order B, G, R, A. Implementations are
// read-only and may be called from several threads at once.
class ImageSource {
public:
    virtual ~ImageSource() = default;

    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;

    // Pixels [x0, x1) of row y, with 0 <= x0 < x1 <= width() and
    // 0 <= y < height(). Returns a pointer to 4 * (x1 - x0) bytes: either
    // straight into the image or into scratch, which must hold that many.
    virtual const uint8_t* row(int32_t y, int32_t x0, int32_t x1, uint8_t* scratch) const = 0;

    // A run of row y already in memory as B, G, R, A, so readers can skip the
    // copy: pixels [begin, end) starting at the returned pointer, or nullptr.
    virtual const uint8_t* inPlace(int32_t y, int32_t& begin, int32_t& end) const
    {
        (void)y;
        begin = end = 0;
        return nullptr;
    }
};

}  // namespace kalvora::platform
