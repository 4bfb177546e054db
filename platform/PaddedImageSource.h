#pragma once

#include <vector>

#include "platform/Image.h"
#include "platform/ImageSource.h"

namespace kalvora::platform {

// An image surrounded by a border of pad pixels that smears its outer rows
// and columns outward, read without ever building the padded image. The
// padded image is Wp x Hp = (W + 2 pad) x (H + 2 pad); its pixel (X, Y), with
// i = min(X, Y, Wp - 1 - X, Hp - 1 - Y, pad), has the colour of the source
// pixel (floor((X - i + 0.5) W / (Wp - 2i)), floor((Y - i + 0.5) H / (Hp - 2i))).
// That is the image stretched by nearest neighbour into the nested rectangles
// (i, i, Wp - 2i, Hp - 2i), each pixel taking the innermost one covering it,
// so colours and alpha are kept exactly and nothing compounds.
class PaddedImageSource final : public ImageSource {
public:
    // The caller guarantees pad >= 0 and W + 2 pad, H + 2 pad within int32.
    PaddedImageSource(const Image& image, int32_t pad);

    int32_t width() const override { return m_paddedWidth; }
    int32_t height() const override { return m_paddedHeight; }
    const uint8_t* row(int32_t y, int32_t x0, int32_t x1, uint8_t* scratch) const override;
    // Rows of the unscaled image within the border offer it in place.
    const uint8_t* inPlace(int32_t y, int32_t& begin, int32_t& end) const override;

    // Source coordinate of padded coordinate p at nesting level i along an
    // axis of source length n and padded length np.
    static int32_t sourceIndex(int64_t p, int64_t i, int64_t n, int64_t np)
    {
        // floor(num / den) through a double division (pipelined, unlike the
        // integer one) and an exact integer correction of the last step.
        const int64_t num = (2 * (p - i) + 1) * n;
        const int64_t den = 2 * (np - 2 * i);
        int64_t q = static_cast<int64_t>(static_cast<double>(num) / static_cast<double>(den));
        if (q * den > num)
            --q;
        else if ((q + 1) * den <= num)
            ++q;
        return static_cast<int32_t>(q);
    }

private:
    void copyPixel(int32_t sx, int32_t sy, uint8_t* out) const;
    void copyEdgePixel(const std::vector<uint8_t>& column, int32_t sx, int32_t sy, uint8_t* out) const;

    const Image& m_image;
    int32_t m_pad;
    int32_t m_paddedWidth;
    int32_t m_paddedHeight;
    // The image's first and last columns as B, G, R, A, read by the corners
    // of the border; empty when they could not be allocated.
    std::vector<uint8_t> m_firstColumn;
    std::vector<uint8_t> m_lastColumn;
};

}  // namespace kalvora::platform
