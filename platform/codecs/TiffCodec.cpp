#include "platform/codecs/TiffCodec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "platform/ImageLimits.h"
#include "platform/codecs/TiffPageLayout.h"
#include "platform/codecs/TiffPageReader.h"

namespace kalvora::platform {

namespace {

// Lower bound of the largest single allocation libtiff may make (strip
// offset tables, compressed strips); the bound grows with the image cap.
constexpr int64_t kMinSingleAllocation = int64_t(16) << 20;

// The bytes libtiff reads from, or the growing buffer it writes into.
struct TiffMemory {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::vector<uint8_t>* out = nullptr;
    uint64_t pos = 0;
};

uint64_t memorySize(const TiffMemory& m) { return m.out ? m.out->size() : m.size; }

tmsize_t tiffRead(thandle_t handle, void* dst, tmsize_t count)
{
    auto* m = static_cast<TiffMemory*>(handle);
    const uint64_t size = memorySize(*m);
    if (count <= 0 || m->pos >= size) return 0;
    const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(count), size - m->pos);
    const uint8_t* src = m->out ? m->out->data() : m->data;
    std::memcpy(dst, src + m->pos, n);
    m->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t tiffWrite(thandle_t handle, void* src, tmsize_t count)
{
    auto* m = static_cast<TiffMemory*>(handle);
    if (!m->out || count < 0) return 0;
    const uint64_t end = m->pos + static_cast<uint64_t>(count);
    try {
        if (end > m->out->size()) m->out->resize(end);
    } catch (...) {
        return 0;
    }
    std::memcpy(m->out->data() + m->pos, src, static_cast<size_t>(count));
    m->pos = end;
    return count;
}

toff_t tiffSeek(thandle_t handle, toff_t offset, int whence)
{
    auto* m = static_cast<TiffMemory*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = m->pos;
    else if (whence == SEEK_END) base = memorySize(*m);
    const uint64_t target = base + offset;
    // Positions far past the end can only come from a corrupt file.
    if (target < base || target > (uint64_t(1) << 40)) return static_cast<toff_t>(-1);
    m->pos = target;
    return target;
}

int tiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t handle) { return memorySize(*static_cast<TiffMemory*>(handle)); }

// Nothing is mapped: libtiff copies what it reads, so the caller's bytes
// are never written to.
int tiffMap(thandle_t, void**, toff_t*) { return 0; }

void tiffUnmap(thandle_t, void*, toff_t) {}

int tiffQuiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// What libtiff reported while a page was decoded.
struct TiffMessages {
    bool damagedJpeg = false;
};

// libjpeg, inside libtiff, only warns when a JPEG-compressed strip or tile
// runs out of data or holds corrupt data, and fills the rest in grey; any of
// its warnings means the page holds pixels the file does not.
int tiffWarning(TIFF*, void* user, const char* module, const char*, va_list)
{
    auto* messages = static_cast<TiffMessages*>(user);
    if (messages && module && std::strcmp(module, "JPEGLib") == 0) messages->damagedJpeg = true;
    return 1;
}

void silenceGlobalHandlers()
{
    static const bool silenced = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)silenced;
}

struct TiffCloser {
    TIFF* tif = nullptr;
    ~TiffCloser()
    {
        if (tif) TIFFClose(tif);
    }
};

// Options that bound libtiff's allocations and route its messages to us.
struct TiffOptions {
    TIFFOpenOptions* options;
    explicit TiffOptions(TiffMessages* messages) : options(TIFFOpenOptionsAlloc())
    {
        silenceGlobalHandlers();
        if (!options) return;
        const int64_t maxAlloc = std::max(kMinSingleAllocation, ImageLimits::maxBytes());
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(maxAlloc));
        TIFFOpenOptionsSetErrorHandlerExtR(options, tiffQuiet, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options, tiffWarning, messages);
    }
    ~TiffOptions() { TIFFOpenOptionsFree(options); }
    TiffOptions(const TiffOptions&) = delete;
    TiffOptions& operator=(const TiffOptions&) = delete;
};

TIFF* openMemory(TiffMemory& memory, const char* mode, TiffMessages* messages)
{
    TiffOptions options(messages);
    if (!options.options) return nullptr;
    return TIFFClientOpenExt("memory", mode, &memory, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize, tiffMap,
                             tiffUnmap, options.options);
}

}  // namespace

TIFF* TiffCodec::openFileForWriting(int fd)
{
    TiffOptions options(nullptr);
    if (!options.options) return nullptr;
    // libtiff closes the descriptor it is given, so it gets a copy.
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return nullptr;
    TIFF* tif = TIFFFdOpenExt(copy, "page file", "w", options.options);
    if (!tif) ::close(copy);
    return tif;
}

Status TiffCodec::writePage(TIFF* tif, const Image& image)
{
    if (!isSupportedFormat(image.format()) || !image.data()) return InvalidParameter;
    const bool alpha = image.format() == kFormat32bppARGB;
    const int samples = alpha ? 4 : 3;
    const uint32_t w = static_cast<uint32_t>(image.width());
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (alpha) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<uint8_t> row(size_t(w) * samples);
    const int srcBpp = bytesPerPixel(image.format());
    for (int32_t y = 0; y < image.height(); ++y) {
        const uint8_t* src = image.row(y);
        uint8_t* dst = row.data();
        for (uint32_t x = 0; x < w; ++x, src += srcBpp, dst += samples) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            if (alpha) dst[3] = src[3];
        }
        if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) < 0) return OutOfMemory;
    }
    return TIFFWriteDirectory(tif) ? Ok : OutOfMemory;
}

bool TiffCodec::matches(const uint8_t* data, size_t size)
{
    if (size < 4) return false;
    const bool little = data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0;
    const bool big = data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
    return little || big;
}

Status TiffCodec::decode(const uint8_t* data, size_t size, std::unique_ptr<Image>& out)
{
    if (!matches(data, size)) return UnknownImageFormat;
    try {
        TiffMemory memory;
        memory.data = data;
        memory.size = size;
        TiffMessages messages;
        TiffCloser closer{openMemory(memory, "rm", &messages)};
        if (!closer.tif) return UnknownImageFormat;
        TiffPageLayout page;
        Status s = TiffPageLayout::read(closer.tif, data, size, page);
        if (s != Ok) return s;
        std::unique_ptr<Image> image;
        s = TiffPageReader::read(closer.tif, page, image);
        if (s != Ok) return s;
        if (messages.damagedJpeg) return UnknownImageFormat;
        out = std::move(image);
        return Ok;
    } catch (...) {
        return OutOfMemory;
    }
}

Status TiffCodec::encode(const Image& image, std::vector<uint8_t>& out)
{
    try {
        std::vector<uint8_t> bytes;
        TiffMemory memory;
        memory.out = &bytes;
        Status s = Ok;
        {
            TiffCloser closer{openMemory(memory, "wm", nullptr)};
            if (!closer.tif) return OutOfMemory;
            s = writePage(closer.tif, image);
        }
        if (s != Ok) return s;
        out = std::move(bytes);
        return Ok;
    } catch (...) {
        return OutOfMemory;
    }
}

}  // namespace kalvora::platform
