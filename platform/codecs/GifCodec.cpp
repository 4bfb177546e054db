#include "platform/codecs/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "platform/ImageLimits.h"
#include "platform/codecs/ColorQuantizer.h"

namespace kalvora::platform {

namespace {

constexpr int kGraphicsControlLength = 4;
constexpr int kGifMaxSide = 65535;

struct GifInput {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
};

int gifRead(GifFileType* gif, GifByteType* dst, int count)
{
    auto* in = static_cast<GifInput*>(gif->UserData);
    if (count <= 0) return 0;
    const size_t n = std::min(static_cast<size_t>(count), in->size - in->pos);
    std::memcpy(dst, in->data + in->pos, n);
    in->pos += n;
    return static_cast<int>(n);
}

struct GifReaderCloser {
    GifFileType* gif;
    ~GifReaderCloser()
    {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
};

// What the decoder learns before the first frame's pixels.
struct FirstFrame {
    int transparentIndex = -1;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    const ColorMapObject* colors = nullptr;
};

// Skips extensions up to the first image, keeping the transparent index of
// the last graphic control extension; false when the file has no image.
bool readUpToFirstImage(GifFileType* gif, FirstFrame& frame)
{
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) break;
        if (type != EXTENSION_RECORD_TYPE) return false;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= kGraphicsControlLength)
            frame.transparentIndex = (block[1] & 1) ? block[4] : -1;
        while (block) {
            if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
        }
    }
    if (DGifGetImageDesc(gif) != GIF_OK) return false;
    frame.left = gif->Image.Left;
    frame.top = gif->Image.Top;
    frame.width = gif->Image.Width;
    frame.height = gif->Image.Height;
    frame.interlaced = gif->Image.Interlace;
    frame.colors = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    return frame.width > 0 && frame.height > 0 && frame.colors && frame.colors->Colors;
}

// Row of the frame that the n-th coded line fills.
std::vector<int> lineOrder(int height, bool interlaced)
{
    std::vector<int> order;
    order.reserve(static_cast<size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) order.push_back(y);
        return order;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
    return order;
}

Status decodeFrame(GifFileType* gif, const FirstFrame& frame, std::unique_ptr<Image>& out)
{
    // A screen of size 0 (some writers leave it so) is the frame's extent.
    const int screenW = gif->SWidth > 0 ? gif->SWidth : frame.left + frame.width;
    const int screenH = gif->SHeight > 0 ? gif->SHeight : frame.top + frame.height;
    if (!ImageLimits::allows(screenW, screenH, 4) || !ImageLimits::allows(frame.width, frame.height, 1))
        return OutOfMemory;
    const bool covers = frame.left == 0 && frame.top == 0 && frame.width >= screenW && frame.height >= screenH;
    const bool alpha = frame.transparentIndex >= 0 || !covers;
    const PixelFormatId format = alpha ? kFormat32bppARGB : kFormat24bppRGB;
    const int bpp = alpha ? 4 : 3;

    uint32_t argbOf[256];
    std::vector<uint32_t> palette;
    for (int i = 0; i < 256; ++i) {
        argbOf[i] = 0xFF000000u;
        if (i < frame.colors->ColorCount) {
            const GifColorType& c = frame.colors->Colors[i];
            argbOf[i] |= uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue;
            palette.push_back(argbOf[i]);
        }
    }
    if (frame.transparentIndex >= 0) {
        argbOf[frame.transparentIndex] = 0;
        if (frame.transparentIndex < static_cast<int>(palette.size())) palette[frame.transparentIndex] &= 0xFFFFFFu;
    }

    std::unique_ptr<Image> image;
    Status s = Image::createUnbacked(screenW, screenH, format, image);
    if (s != Ok) return s;
    std::vector<GifPixelType> line(static_cast<size_t>(frame.width));
    const std::vector<int> order = lineOrder(frame.height, frame.interlaced);
    const int visibleW = std::max(0, std::min(frame.width, screenW - frame.left));
    for (int y : order) {
        if (DGifGetLine(gif, line.data(), frame.width) != GIF_OK) return UnknownImageFormat;
        const int dstY = frame.top + y;
        if (dstY >= screenH || visibleW == 0) continue;
        uint8_t* dst = image->pixel(frame.left, dstY);
        for (int x = 0; x < visibleW; ++x, dst += bpp) storeArgb(dst, format, argbOf[line[x]]);
    }
    image->setPalette(std::move(palette));
    out = std::move(image);
    return Ok;
}

struct GifOutput {
    std::vector<uint8_t>* bytes = nullptr;
};

int gifWrite(GifFileType* gif, const GifByteType* src, int count)
{
    auto* out = static_cast<GifOutput*>(gif->UserData);
    try {
        out->bytes->insert(out->bytes->end(), src, src + count);
        return count;
    } catch (...) {
        return 0;
    }
}

int bitsFor(size_t colors)
{
    int bits = 1;
    while ((size_t(1) << bits) < colors) ++bits;
    return bits;
}

struct ColorMapFree {
    ColorMapObject* map;
    ~ColorMapFree() { GifFreeMapObject(map); }
};

Status writeGif(GifFileType* gif, const Image& image, const IndexedImage& indexed)
{
    const int bits = bitsFor(indexed.palette.size());
    std::vector<GifColorType> colors(size_t(1) << bits, GifColorType{0, 0, 0});
    for (size_t i = 0; i < indexed.palette.size(); ++i)
        colors[i] = GifColorType{uint8_t(indexed.palette[i] >> 16), uint8_t(indexed.palette[i] >> 8),
                                 uint8_t(indexed.palette[i])};
    ColorMapFree map{GifMakeMapObject(1 << bits, colors.data())};
    if (!map.map) return OutOfMemory;
    if (indexed.transparentIndex >= 0) EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, image.width(), image.height(), bits, 0, map.map) != GIF_OK) return Win32Error;
    if (indexed.transparentIndex >= 0) {
        const GifByteType control[kGraphicsControlLength] = {1, 0, 0, static_cast<GifByteType>(indexed.transparentIndex)};
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, kGraphicsControlLength, control) != GIF_OK)
            return Win32Error;
    }
    if (EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) != GIF_OK) return Win32Error;
    const size_t w = static_cast<size_t>(image.width());
    for (int32_t y = 0; y < image.height(); ++y) {
        auto* row = const_cast<GifPixelType*>(indexed.indices.data() + w * static_cast<size_t>(y));
        if (EGifPutLine(gif, row, image.width()) != GIF_OK) return OutOfMemory;
    }
    return Ok;
}

}  // namespace

bool GifCodec::matches(const uint8_t* data, size_t size)
{
    return size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

Status GifCodec::decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out)
{
    if (!matches(data, size)) return UnknownImageFormat;
    GifInput input{data, size, 0};
    int error = 0;
    GifReaderCloser reader{DGifOpen(&input, gifRead, &error)};
    if (!reader.gif) return error == D_GIF_ERR_NOT_ENOUGH_MEM ? OutOfMemory : UnknownImageFormat;
    FirstFrame frame;
    if (!readUpToFirstImage(reader.gif, frame)) return UnknownImageFormat;
    try {
        return decodeFrame(reader.gif, frame, out);
    } catch (...) {
        return OutOfMemory;
    }
}

Status GifCodec::encode(const Image& image, std::vector<uint8_t>& out)
{
    if (image.width() > kGifMaxSide || image.height() > kGifMaxSide) return InvalidParameter;
    IndexedImage indexed;
    Status s = ColorQuantizer::quantize(image, indexed);
    if (s != Ok) return s;
    std::vector<uint8_t> bytes;
    GifOutput output{&bytes};
    int error = 0;
    GifFileType* gif = EGifOpen(&output, gifWrite, &error);
    if (!gif) return OutOfMemory;
    try {
        s = writeGif(gif, image, indexed);
    } catch (...) {
        s = OutOfMemory;
    }
    if (EGifCloseFile(gif, &error) != GIF_OK && s == Ok) s = OutOfMemory;
    if (s != Ok) return s;
    out = std::move(bytes);
    return Ok;
}

}  // namespace kalvora::platform
