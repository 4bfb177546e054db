#include "platform/codecs/Codecs.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/AtomicFileWriter.h"
#include "platform/ImageLimits.h"
#include "platform/ReadOnlyFile.h"
#include "platform/codecs/BmpCodec.h"
#include "platform/codecs/GifCodec.h"
#include "platform/codecs/JpegCodec.h"
#include "platform/codecs/PngCodec.h"
#include "platform/codecs/TiffCodec.h"

namespace kalvora::platform {

namespace {

constexpr int kDefaultJpegQuality = 90;
// Files larger than this cannot hold an image within the cap (twice the
// largest image covers 16-bit samples stored uncompressed, plus headers).
constexpr int64_t kFileSlack = int64_t(64) << 20;

Status readWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    // Opened without blocking, so a named pipe in the path's place is refused
    // below instead of waiting for a writer forever; regular files read the same.
    ReadOnlyFile file;
    if (const int error = file.open(path)) return statusForErrno(error);
    if (file.kind() == ReadOnlyFile::Kind::Folder) return AccessDenied;
    if (file.kind() != ReadOnlyFile::Kind::Regular) return UnknownImageFormat;
    const int64_t cap = ImageLimits::maxBytes() * 2 + kFileSlack;
    if (file.size() > static_cast<uint64_t>(cap)) return OutOfMemory;
    try {
        bytes.resize(static_cast<size_t>(file.size()));
    } catch (...) {
        return OutOfMemory;
    }
    const int64_t done = file.read(0, bytes.data(), bytes.size());
    if (done < 0) return statusForErrno(errno);
    bytes.resize(static_cast<size_t>(done));  // fewer when the file shrank while being read
    return Ok;
}

// The status of the writer's failed step; its error number goes to writeError.
Status failedWrite(const AtomicFileWriter& file, int& writeError)
{
    writeError = file.lastError();
    return statusForErrno(writeError);
}

Status writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, int& writeError)
{
    AtomicFileWriter file(path);
    if (!file.open() || !file.write(bytes.data(), bytes.size()) || !file.commit())
        return failedWrite(file, writeError);
    return Ok;
}

// PNG goes to the file as it is compressed, without the whole file in memory.
Status writePngFileAtomically(const std::string& path, const Image& image, int& writeError)
{
    AtomicFileWriter file(path);
    if (!file.open()) return failedWrite(file, writeError);
    const Status s =
        PngCodec::encode(image, [&file](const uint8_t* data, size_t size) { return file.write(data, size); });
    if (s != Ok) return file.lastError() ? failedWrite(file, writeError) : s;
    if (!file.commit()) return failedWrite(file, writeError);
    return Ok;
}

}  // namespace

Status statusForErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return FileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return AccessDenied;
    case ENOMEM:
        return OutOfMemory;
    default:
        return Win32Error;
    }
}

std::string errorNumberText(int error) { return std::generic_category().message(error); }

const std::vector<EncoderInfo>& imageEncoders()
{
    static const std::vector<EncoderInfo> encoders = {
        {kBmpEncoderClsid, "Kalvora BMP encoder", "BMP", "*.BMP;*.DIB;*.RLE", "image/bmp"},
        {kJpegEncoderClsid, "Kalvora JPEG encoder", "JPEG", "*.JPG;*.JPEG;*.JPE;*.JFIF", "image/jpeg"},
        {kGifEncoderClsid, "Kalvora GIF encoder", "GIF", "*.GIF", "image/gif"},
        {kTiffEncoderClsid, "Kalvora TIFF encoder", "TIFF", "*.TIF;*.TIFF", "image/tiff"},
        {kPngEncoderClsid, "Kalvora PNG encoder", "PNG", "*.PNG", "image/png"},
    };
    return encoders;
}

Status decodeImage(const uint8_t* data, size_t size, std::unique_ptr<Image>& out)
{
    if (!data && size > 0) return InvalidParameter;
    if (!data) return UnknownImageFormat;
    if (PngCodec::matches(data, size)) return PngCodec::decode(data, size, out);
    if (JpegCodec::matches(data, size)) return JpegCodec::decode(data, size, out);
    if (GifCodec::matches(data, size)) return GifCodec::decode(data, size, out);
    if (TiffCodec::matches(data, size)) return TiffCodec::decode(data, size, out);
    if (BmpCodec::matches(data, size)) return BmpCodec::decode(data, size, out);
    return UnknownImageFormat;
}

Status decodeImageFile(const std::string& path, std::unique_ptr<Image>& out)
{
    if (path.empty()) return FileNotFound;
    std::vector<uint8_t> bytes;
    Status s = readWholeFile(path, bytes);
    if (s != Ok) return s;
    return decodeImage(bytes.data(), bytes.size(), out);
}

Status encodeImage(const Image& image, const EncoderClsid& encoder, const EncoderParameters* params,
                   std::vector<uint8_t>& out)
{
    if (!isSupportedFormat(image.format()) || !image.data()) return InvalidParameter;
    if (params && params->saveFlag != 0) return InvalidParameter;
    if (encoder == kBmpEncoderClsid) return BmpCodec::encode(image, out);
    if (encoder == kJpegEncoderClsid) {
        const int quality = (params && params->quality >= 0) ? params->quality : kDefaultJpegQuality;
        return JpegCodec::encode(image, quality, out);
    }
    if (encoder == kGifEncoderClsid) return GifCodec::encode(image, out);
    if (encoder == kTiffEncoderClsid) return TiffCodec::encode(image, out);
    if (encoder == kPngEncoderClsid) return PngCodec::encode(image, out);
    return UnknownImageFormat;
}

Status encodeImageFile(const Image& image, const std::string& path, const EncoderClsid& encoder,
                       const EncoderParameters* params, int* writeError)
{
    int unused = 0;
    int& error = writeError ? *writeError : unused;
    error = 0;
    if (path.empty()) return InvalidParameter;
    if (encoder == kPngEncoderClsid && isSupportedFormat(image.format()) && image.data())
        return writePngFileAtomically(path, image, error);
    std::vector<uint8_t> bytes;
    Status s = encodeImage(image, encoder, params, bytes);
    if (s != Ok) return s;
    return writeFileAtomically(path, bytes, error);
}

}  // namespace kalvora::platform
