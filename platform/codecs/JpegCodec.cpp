#include "platform/codecs/JpegCodec.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "platform/ImageLimits.h"

namespace kalvora::platform {

namespace {

// A progressive file with this many scans is refused: each scan costs a
// pass over the whole image, so a small hostile file could otherwise keep
// the decoder busy for minutes.
constexpr int kMaxScans = 1000;
// Lower bound of the decoder's working-memory budget (progressive files keep
// every coefficient of the image).
constexpr int64_t kMinWorkingMemory = int64_t(64) << 20;

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void jpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

// True for the warnings after which the library makes up pixels: the
// entropy-coded data ended early, held a code no table has, or lost its
// restart markers, and the library fills the rest with zero coefficients.
bool warnsOfMissingData(int code)
{
    return code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC;
}

// Warnings are silent, except those of missing or damaged image data,
// which end the decode at once.
void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0 || !warnsOfMissingData(cinfo->err->msg_code)) return;
    cinfo->err->error_exit(cinfo);
}

void jpegOutputMessage(j_common_ptr) {}

void jpegProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_NOT_COMPILED;
        cinfo->err->error_exit(cinfo);
    }
}

void installErrorManager(JpegErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = jpegErrorExit;
    err.pub.emit_message = jpegEmitMessage;
    err.pub.output_message = jpegOutputMessage;
}

// A failed allocation, or working memory beyond the budget, is OutOfMemory.
Status failureStatus(const JpegErrorManager& err, Status otherwise)
{
    const int code = err.pub.msg_code;
    if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE) return OutOfMemory;
    return otherwise;
}

// The file's bytes, handed to the library in one piece. Asking for more
// means the file ended before the image did: the decode stops there
// instead of filling the rest of a declared size, however large, in grey.
void sourceInit(j_decompress_ptr) {}

boolean sourceFill(j_decompress_ptr cinfo)
{
    ERREXIT(cinfo, JERR_INPUT_EOF);
    return FALSE;
}

void sourceSkip(j_decompress_ptr cinfo, long count)
{
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    if (static_cast<unsigned long>(count) > src->bytes_in_buffer) ERREXIT(cinfo, JERR_INPUT_EOF);
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

void sourceTerm(j_decompress_ptr) {}

// Everything a decode needs lives here, in the caller's frame, so the frame
// that calls setjmp holds no C++ object with a destructor.
struct JpegDecodeState {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager err;
    jpeg_progress_mgr progress{};
    jpeg_source_mgr source{};
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::unique_ptr<Image>* out = nullptr;
    Status status = UnknownImageFormat;
};

void installSource(JpegDecodeState& s)
{
    s.source.init_source = sourceInit;
    s.source.fill_input_buffer = sourceFill;
    s.source.skip_input_data = sourceSkip;
    s.source.resync_to_restart = jpeg_resync_to_restart;
    s.source.term_source = sourceTerm;
    s.source.next_input_byte = s.data;
    s.source.bytes_in_buffer = s.size;
    s.cinfo.src = &s.source;
}

inline uint8_t mulDiv255(unsigned a, unsigned b) { return static_cast<uint8_t>((a * b + 127) / 255); }

// CMYK as stored by Adobe software is inverted (0 means full ink); plain
// CMYK is not.
void cmykRowToBgr(const uint8_t* src, uint8_t* dst, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, src += 4, dst += 3) {
        unsigned c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        dst[0] = mulDiv255(y, k);
        dst[1] = mulDiv255(m, k);
        dst[2] = mulDiv255(c, k);
    }
}

Status runDecode(JpegDecodeState& s)
{
    j_decompress_ptr cinfo = &s.cinfo;
    if (setjmp(s.err.jump)) return failureStatus(s.err, s.status);
    jpeg_create_decompress(cinfo);
    int64_t budget = ImageLimits::maxBytes() * 4;
    if (budget < kMinWorkingMemory) budget = kMinWorkingMemory;
    cinfo->mem->max_memory_to_use = static_cast<long>(budget);
    s.progress.progress_monitor = jpegProgress;
    cinfo->progress = &s.progress;
    installSource(s);
    jpeg_read_header(cinfo, TRUE);
    if (!ImageLimits::allows(cinfo->image_width, cinfo->image_height, 3)) return OutOfMemory;

    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_components != (cmyk ? 4 : 3)) return UnknownImageFormat;

    s.status = Image::createUnbacked(static_cast<int32_t>(cinfo->output_width), static_cast<int32_t>(cinfo->output_height),
                             kFormat24bppRGB, *s.out);
    if (s.status != Ok) return s.status;
    s.status = UnknownImageFormat;
    Image& image = **s.out;
    JSAMPARRAY cmykRow = cmyk ? (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                             cinfo->output_width * 4, 1)
                              : nullptr;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int32_t y = static_cast<int32_t>(cinfo->output_scanline);
        JSAMPROW row = cmyk ? cmykRow[0] : image.row(y);
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return UnknownImageFormat;
        if (cmyk) cmykRowToBgr(cmykRow[0], image.row(y), cinfo->output_width, cinfo->saw_Adobe_marker);
    }
    return Ok;
}

struct JpegEncodeState {
    jpeg_compress_struct cinfo{};
    JpegErrorManager err;
    const Image* image = nullptr;
    int quality = 90;
    unsigned char* buffer = nullptr;
    unsigned long bufferSize = 0;
};

Status runEncode(JpegEncodeState& s)
{
    j_compress_ptr cinfo = &s.cinfo;
    if (setjmp(s.err.jump)) return OutOfMemory;
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, &s.buffer, &s.bufferSize);
    const Image& image = *s.image;
    cinfo->image_width = static_cast<JDIMENSION>(image.width());
    cinfo->image_height = static_cast<JDIMENSION>(image.height());
    const bool packed = image.format() == kFormat24bppRGB;
    cinfo->input_components = packed ? 3 : 4;
    // The fourth byte (alpha or padding) is skipped: JPEG has no alpha.
    cinfo->in_color_space = packed ? JCS_EXT_BGR : JCS_EXT_BGRX;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, s.quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<uint8_t*>(image.row(static_cast<int32_t>(cinfo->next_scanline)));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return Ok;
}

}  // namespace

bool JpegCodec::matches(const uint8_t* data, size_t size)
{
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

Status JpegCodec::decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out)
{
    if (!matches(data, size)) return UnknownImageFormat;
    JpegDecodeState s;
    s.data = data;
    s.size = size;
    std::unique_ptr<Image> image;
    s.out = &image;
    installErrorManager(s.err);
    s.cinfo.err = &s.err.pub;
    Status status = runDecode(s);
    jpeg_destroy_decompress(&s.cinfo);
    if (status != Ok) return status;
    out = std::move(image);
    return Ok;
}

Status JpegCodec::encode(const Image& image, int quality, std::vector<uint8_t>& out)
{
    // The format stores sides of at most 65500 pixels; a larger image is a
    // value out of range, not a lack of memory.
    if (image.width() > JPEG_MAX_DIMENSION || image.height() > JPEG_MAX_DIMENSION) return ValueOverflow;
    JpegEncodeState s;
    s.image = &image;
    s.quality = quality < 0 ? 0 : (quality > 100 ? 100 : quality);
    installErrorManager(s.err);
    s.cinfo.err = &s.err.pub;
    Status status = runEncode(s);
    jpeg_destroy_compress(&s.cinfo);
    if (status == Ok) {
        try {
            out.assign(s.buffer, s.buffer + s.bufferSize);
        } catch (...) {
            status = OutOfMemory;
        }
    }
    std::free(s.buffer);
    return status;
}

}  // namespace kalvora::platform
