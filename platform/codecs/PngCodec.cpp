#include "platform/codecs/PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "platform/ImageLimits.h"
#include "platform/codecs/PngWriter.h"

namespace kalvora::platform {

namespace {

// Ancillary chunks larger than this, and more than kMaxCachedChunks of them,
// are refused, so a hostile file cannot make libpng allocate without bound.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(8) << 20;
constexpr png_uint_32 kMaxCachedChunks = 256;
constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

uint32_t readBigEndian32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// libpng reports errors through these: the error handler jumps back to the
// setjmp of the running operation, warnings are dropped.
[[noreturn]] void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

// Everything a decode needs lives here, in the caller's frame, so the frame
// that calls setjmp holds no C++ object with a destructor.
struct PngDecodeState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    std::unique_ptr<Image>* out = nullptr;
    Status status = UnknownImageFormat;
    uint32_t palette[256] = {};
    int paletteCount = 0;
};

void pngReadBytes(png_structp png, png_bytep dst, size_t count)
{
    auto* s = static_cast<PngDecodeState*>(png_get_io_ptr(png));
    if (count > s->size - s->pos) png_error(png, "truncated");
    std::memcpy(dst, s->data + s->pos, count);
    s->pos += count;
}

// Reads the side lengths straight from the IHDR chunk, so an oversized image
// is refused as OutOfMemory before libpng starts.
bool headerWithinLimits(const uint8_t* data, size_t size)
{
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return true;
    uint32_t w = readBigEndian32(data + 16);
    uint32_t h = readBigEndian32(data + 20);
    if (w == 0 || h == 0 || w > 0x7fffffffu || h > 0x7fffffffu) return true;  // libpng refuses these
    return ImageLimits::allows(w, h, 3);
}

void capturePalette(PngDecodeState& s)
{
    png_colorp colors = nullptr;
    int count = 0;
    if (!png_get_PLTE(s.png, s.info, &colors, &count) || count < 1) return;
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p unusedColor = nullptr;
    if (png_get_valid(s.png, s.info, PNG_INFO_tRNS))
        png_get_tRNS(s.png, s.info, &alphas, &alphaCount, &unusedColor);
    s.paletteCount = count > 256 ? 256 : count;
    for (int i = 0; i < s.paletteCount; ++i) {
        uint32_t a = (alphas && i < alphaCount) ? alphas[i] : 0xFF;
        s.palette[i] = (a << 24) | (uint32_t(colors[i].red) << 16) | (uint32_t(colors[i].green) << 8) |
                       colors[i].blue;
    }
}

// Runs libpng. Every failure inside libpng lands on the setjmp with the
// status set before the step that failed.
Status runDecode(PngDecodeState& s)
{
    if (setjmp(png_jmpbuf(s.png))) return s.status;
    png_set_read_fn(s.png, &s, pngReadBytes);
    png_set_user_limits(s.png, static_cast<png_uint_32>(ImageLimits::maxSide()),
                        static_cast<png_uint_32>(ImageLimits::maxSide()));
    png_set_chunk_cache_max(s.png, kMaxCachedChunks);
    png_set_chunk_malloc_max(s.png, kMaxChunkBytes);
    png_read_info(s.png, s.info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(s.png, s.info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(s.png, s.info, PNG_INFO_tRNS);
    if (colorType == PNG_COLOR_TYPE_PALETTE) capturePalette(s);

    png_set_expand(s.png);
    png_set_scale_16(s.png);
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(s.png);
    png_set_bgr(s.png);
    const int passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);

    const PixelFormatId format = alpha ? kFormat32bppARGB : kFormat24bppRGB;
    const size_t channels = alpha ? 4 : 3;
    if (png_get_rowbytes(s.png, s.info) != size_t(width) * channels) return UnknownImageFormat;

    s.status = Image::createUnbacked(static_cast<int32_t>(width), static_cast<int32_t>(height), format, *s.out);
    if (s.status != Ok) return s.status;
    s.status = UnknownImageFormat;
    Image& image = **s.out;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(s.png, image.row(static_cast<int32_t>(y)), nullptr);
    return Ok;
}

}  // namespace

bool PngCodec::matches(const uint8_t* data, size_t size)
{
    return size >= sizeof(kSignature) && std::memcmp(data, kSignature, sizeof(kSignature)) == 0;
}

Status PngCodec::decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out)
{
    if (!matches(data, size)) return UnknownImageFormat;
    if (!headerWithinLimits(data, size)) return OutOfMemory;
    PngDecodeState s;
    s.data = data;
    s.size = size;
    std::unique_ptr<Image> image;
    s.out = &image;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!s.png) return OutOfMemory;
    s.info = png_create_info_struct(s.png);
    Status status = s.info ? runDecode(s) : OutOfMemory;
    png_destroy_read_struct(&s.png, s.info ? &s.info : nullptr, nullptr);
    if (status != Ok) return status;
    if (s.paletteCount > 0) image->setPalette(std::vector<uint32_t>(s.palette, s.palette + s.paletteCount));
    out = std::move(image);
    return Ok;
}

Status PngCodec::encode(const Image& image, std::vector<uint8_t>& out)
{
    return PngWriter::encode(image, out);
}

Status PngCodec::encode(const Image& image, const PngWriter::Sink& sink) { return PngWriter::encode(image, sink); }

}  // namespace kalvora::platform
