#include "platform/codecs/BmpRleDecoder.h"

#include <algorithm>

namespace kalvora::platform {

namespace {

// Second bytes of the escape pairs (first byte 0); 3..255 start literal
// pixels.
constexpr uint8_t kEndOfLine = 0;
constexpr uint8_t kEndOfBitmap = 1;
constexpr uint8_t kDelta = 2;

// Where the stream writes next: column x of file row `row`, file rows
// running bottom-up. It only ever moves forward in raster order, so every
// pixel is written once, by the stream or as index 0 when passed over.
class RleCursor {
public:
    RleCursor(Image& image, const uint32_t* lookup)
        : m_image(image), m_lookup(lookup), m_width(image.width()), m_height(image.height())
    {
    }

    bool done() const { return m_row >= m_height; }
    // The last row is written to its end; only an end-of-line or
    // end-of-bitmap escape could still follow.
    bool lastRowComplete() const { return m_row == m_height - 1 && m_x >= m_width; }

    // Writes `count` pixels, the i-th of index indexOf(i); those past the
    // end of the row are dropped.
    template <typename IndexOf>
    void put(int count, IndexOf indexOf)
    {
        const int n = std::min(count, m_width - m_x);
        uint8_t* p = here();
        for (int i = 0; i < n; ++i, p += 3) storeColour(p, m_lookup[indexOf(i)]);
        m_x += std::max(n, 0);
    }

    void endLine() { passTo(0, m_row + 1); }
    void endBitmap() { passTo(0, m_height); }

    // False, and no move, when the target lies outside the image.
    bool moveBy(int dx, int dy)
    {
        const int x = m_x + dx;
        const int row = m_row + dy;
        if (x > m_width || row >= m_height) return false;
        passTo(x, row);
        return true;
    }

private:
    uint8_t* here() { return m_image.pixel(m_x, m_height - 1 - m_row); }

    static void storeColour(uint8_t* p, uint32_t argb)
    {
        p[0] = uint8_t(argb);
        p[1] = uint8_t(argb >> 8);
        p[2] = uint8_t(argb >> 16);
    }

    // Moves to column x of file row `row`, giving every pixel passed over
    // index 0. The image starts zeroed, so a black index 0 costs nothing.
    void passTo(int x, int row)
    {
        while (m_row < row && m_row < m_height) {
            fillIndexZero(m_width - m_x);
            ++m_row;
            m_x = 0;
        }
        if (m_row >= m_height) return;
        fillIndexZero(x - m_x);
        m_x = x;
    }

    void fillIndexZero(int count)
    {
        if ((m_lookup[0] & 0xFFFFFFu) == 0 || count <= 0) return;
        uint8_t* p = here();
        for (int i = 0; i < count; ++i, p += 3) storeColour(p, m_lookup[0]);
    }

    Image& m_image;
    const uint32_t* m_lookup;
    const int m_width;
    const int m_height;
    int m_x = 0;
    int m_row = 0;
};

// A run repeats one index (RLE8) or alternates the two of one byte (RLE4).
void putRun(RleCursor& cursor, int count, uint8_t value, int bits)
{
    if (bits == 8) {
        cursor.put(count, [value](int) { return value; });
        return;
    }
    const uint8_t pair[2] = {uint8_t(value >> 4), uint8_t(value & 0x0F)};
    cursor.put(count, [&pair](int i) { return pair[i & 1]; });
}

// Literal pixels are stored one index per byte (RLE8) or two per byte,
// high half first (RLE4).
void putLiteral(RleCursor& cursor, const uint8_t* src, int count, int bits)
{
    if (bits == 8) {
        cursor.put(count, [src](int i) { return src[i]; });
        return;
    }
    cursor.put(count, [src](int i) { return (i & 1) ? uint8_t(src[i >> 1] & 0x0F) : uint8_t(src[i >> 1] >> 4); });
}

}  // namespace

Status BmpRleDecoder::decode(const uint8_t* data, size_t size, int bits, const uint32_t* lookup, Image& image)
{
    RleCursor cursor(image, lookup);
    size_t pos = 0;
    while (!cursor.done()) {
        if (size - pos < 2) return cursor.lastRowComplete() ? Ok : UnknownImageFormat;
        const uint8_t count = data[pos];
        const uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            putRun(cursor, count, value, bits);
            continue;
        }
        if (value == kEndOfLine) {
            cursor.endLine();
        } else if (value == kEndOfBitmap) {
            cursor.endBitmap();
        } else if (value == kDelta) {
            if (size - pos < 2 || !cursor.moveBy(data[pos], data[pos + 1])) return UnknownImageFormat;
            pos += 2;
        } else {
            // Literal pixels, padded to a whole number of 16-bit words.
            const size_t bytes = bits == 8 ? value : (size_t(value) + 1) / 2;
            if (size - pos < bytes) return UnknownImageFormat;
            putLiteral(cursor, data + pos, value, bits);
            pos += std::min(bytes + (bytes & 1), size - pos);
        }
    }
    return Ok;
}

}  // namespace kalvora::platform
