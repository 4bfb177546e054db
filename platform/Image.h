#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/PixelFormat.h"
#include "platform/Status.h"

namespace kalvora::platform {

struct PixelRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

enum LockMode : uint32_t {
    LockRead = 1,
    LockWrite = 2,
};

// A rectangle of an image seen as 32-bit non-premultiplied ARGB (memory order
// B, G, R, A). For a 32bpp ARGB image the pointer goes straight into the
// image; for other formats it points at a converted copy that unlockBits
// writes back when the lock allowed writing.
struct LockedBits {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    uint8_t* scan0 = nullptr;
    uint32_t mode = 0;
    PixelRect rect;
    std::vector<uint8_t> buffer;
    bool direct = false;

    // Row y of the locked rectangle (0 <= y < height).
    uint8_t* row(int32_t y) const { return scan0 + static_cast<int64_t>(y) * stride; }
};

// Rotate-flip types by their numbers: turns clockwise, then a mirror
// left to right (FlipX).
enum class RotateFlipType : int32_t {
    RotateNoneFlipNone = 0,
    Rotate90FlipNone = 1,
    Rotate180FlipNone = 2,
    Rotate270FlipNone = 3,
    RotateNoneFlipX = 4,
    Rotate90FlipX = 5,  // mirrored along the diagonal
    Rotate180FlipX = 6,
    Rotate270FlipX = 7,
    RotateNoneFlipY = Rotate180FlipX,  // a mirror top to bottom is a half turn mirrored
};

// One image: size, pixel format and pixels, owned. Rows are stored top-down,
// each padded to a multiple of four bytes. Never throws: every operation that
// can fail returns a Status.
class Image {
public:
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image();

    // A zeroed image (transparent black for ARGB). Width or height below 1:
    // InvalidParameter; beyond ImageLimits or allocation failure: OutOfMemory.
    // A large image's memory is backed by the system before create returns,
    // written on the pool's threads, so that no reader ever meets untouched
    // memory.
    static Status create(int32_t width, int32_t height, PixelFormatId format, std::unique_ptr<Image>& out);
    // The same, its memory left untouched: for memory readied later in
    // steps (touchMemory) on a thread that cannot wait for all of it, and
    // for decoders, which write each row before anything reads it and must
    // not back all the memory a hostile header declares before its data
    // turns out to be missing.
    static Status createUnbacked(int32_t width, int32_t height, PixelFormatId format, std::unique_ptr<Image>& out);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    PixelFormatId format() const { return m_format; }
    int32_t stride() const { return m_stride; }
    uint8_t* data() { return m_pixels; }
    const uint8_t* data() const { return m_pixels; }
    uint8_t* row(int32_t y) { return m_pixels + static_cast<int64_t>(y) * m_stride; }
    const uint8_t* row(int32_t y) const { return m_pixels + static_cast<int64_t>(y) * m_stride; }
    // The first byte of pixel (x, y), without bounds checks.
    uint8_t* pixel(int32_t x, int32_t y) { return row(y) + static_cast<int64_t>(x) * bytesPerPixel(m_format); }
    const uint8_t* pixel(int32_t x, int32_t y) const
    {
        return row(y) + static_cast<int64_t>(x) * bytesPerPixel(m_format);
    }
    int64_t byteSize() const { return static_cast<int64_t>(m_stride) * m_height; }
    // The bytes of pixel memory the image holds: a reshape within them
    // takes no new memory.
    int64_t capacity() const { return m_capacity; }
    // The bytes of pixel memory an image of that shape needs.
    static int64_t byteSizeFor(int32_t width, int32_t height, PixelFormatId format);

    // Gives the image another size and format in the memory it holds. Its
    // pixels are then whatever that memory held: the caller writes them all.
    // Width or height below 1 or an unknown format: InvalidParameter; more
    // bytes than the capacity: OutOfMemory; while locked: WrongState. On
    // failure nothing changes.
    Status reshape(int32_t width, int32_t height, PixelFormatId format);
    // Has the system back the pixel memory from byte offset on for length
    // bytes (clipped to the capacity) now, so that the first write there
    // takes no page faults. The pixels stay as they are.
    void touchMemory(int64_t offset, int64_t length);

    // Copy of the area (0, 0, w, h) converted to another format. ARGB to RGB
    // drops alpha without compositing; RGB to ARGB gives alpha 255.
    Status cloneArea(int32_t w, int32_t h, PixelFormatId format, std::unique_ptr<Image>& out) const;
    Status clone(std::unique_ptr<Image>& out) const { return cloneArea(m_width, m_height, m_format, out); }
    // Copies the pixels of an image of the same size into this one, converted
    // to this image's format, without allocating (InvalidParameter for another
    // size, WrongState while this image is locked). Rows are split over the
    // thread pool.
    Status copyPixelsFrom(const Image& source);
    // The same for the pixels of one area only (clipped to the image); the
    // rest of this image stays as it is.
    Status copyPixelsFrom(const Image& source, const PixelRect& area);

    // Makes every pixel what a new image of this format holds (zero; opaque
    // black for 32bppRGB), rows split over the thread pool; WrongState while
    // the image is locked.
    Status resetPixels();

    // One pixel as packed ARGB (alpha in the top byte); out of range: InvalidParameter.
    Status getPixel(int32_t x, int32_t y, uint32_t& argb) const;
    Status setPixel(int32_t x, int32_t y, uint32_t argb);

    // Locks a rectangle as 32bpp ARGB; a write lock starts with the current
    // pixels. Only one lock at a time (ObjectBusy... WrongState otherwise).
    Status lockBits(const PixelRect& rect, uint32_t mode, LockedBits& locked);
    Status unlockBits(LockedBits& locked);

    // Turns and mirrors the image in place; a type outside the enumeration
    // is InvalidParameter.
    Status rotateFlip(RotateFlipType type);

    // Palette entries of the image as loaded (empty for direct-colour images).
    const std::vector<uint32_t>& palette() const { return m_palette; }
    void setPalette(std::vector<uint32_t> palette) { m_palette = std::move(palette); }

    // Packed ARGB of pixel (x, y) without bounds checks.
    uint32_t pixelArgb(int32_t x, int32_t y) const;

private:
    static Status create(int32_t width, int32_t height, PixelFormatId format, std::unique_ptr<Image>& out,
                         bool backed);
    // Backs all of the memory (touchMemory) in bands on the pool.
    void backMemory();
    // Mirrors this image's rows into out (same size and format).
    void flipRows(Image& out, bool mirrorX, bool mirrorY) const;
    Image() = default;

    int32_t m_width = 0;
    int32_t m_height = 0;
    PixelFormatId m_format = 0;
    int32_t m_stride = 0;
    int64_t m_capacity = 0;
    uint8_t* m_pixels = nullptr;
    bool m_locked = false;
    std::vector<uint32_t> m_palette;
};

// Converts one row of pixels between formats (count pixels).
void convertRow(const uint8_t* src, PixelFormatId srcFormat, uint8_t* dst, PixelFormatId dstFormat, int32_t count);

}  // namespace kalvora::platform
