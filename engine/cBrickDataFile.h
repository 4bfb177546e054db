#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kalvora {

class cBrickData;
class cInlineBitmap;
class BinaryReader;

// The byte layout of a "*.bricks" project file: the magic text, the thirty
// settings as tagged values in their fixed order, the brick image count,
// one image record per brick image and one for the mortar image. An image
// record is the file name (text), the byte count of the encoded image
// (32-bit integer) and, when that is above 0, the bytes (byte array).
class cBrickDataFile {
public:
    static constexpr std::string_view kMagic = "Kalvora";

    // Receives the file's bytes in order; false stops the writing.
    using Sink = std::function<bool(const uint8_t* data, size_t count)>;

    // Writes the whole project. Images with pixels are stored as PNG; an
    // image whose bytes could not be decoded when it was read is stored with
    // those bytes unchanged. False when a text is longer than 65535 bytes,
    // an image cannot be encoded, the sink refuses or memory runs out.
    static bool write(const cBrickData& project, const Sink& sink);

    // Reads a whole project into a new project object, value by value from
    // the first byte on, so a file that does not start like a project fails
    // at its first value. Every length and count is checked against the bytes
    // left before anything is allocated; false on a wrong magic text, an
    // unknown tag, a value that does not fit its field, or a file that ends
    // early. Bytes after the mortar image record are ignored. On false, into
    // may hold part of the file.
    static bool read(BinaryReader& reader, cBrickData& into);
    static bool read(const uint8_t* data, size_t size, cBrickData& into);
    // Reads the project file at path. Only regular files up to 16 GiB are
    // read: a named pipe, folder or device fails at once without blocking.
    // Besides the new project it holds at most the encoded image bytes (less
    // than the file's size) and the images being decoded.
    static bool readFile(const std::string& path, cBrickData& into);

private:
    // An image record as read: the encoded bytes are kept until every
    // record is read, then all images are decoded at once.
    struct ReadRecord {
        cInlineBitmap* image = nullptr;
        std::vector<uint8_t> bytes;
    };
    // An image record to write: its file name and the bytes to store.
    struct WriteRecord {
        cInlineBitmap* image = nullptr;
        std::vector<uint8_t> encoded;
        bool encodedOk = true;
    };

    static bool readSettings(BinaryReader& reader, cBrickData& into);
    static bool readImageRecord(BinaryReader& reader, cInlineBitmap& image, std::vector<ReadRecord>& pending);
    // Decodes the images on the thread pool (each image is independent) and
    // lets each record's bytes go once its image holds them.
    static bool decodeImages(std::vector<ReadRecord>& pending);
    // Encodes the images with pixels as PNG on the thread pool.
    static void encodeImages(std::vector<WriteRecord>& records);
    // A missing image (empty reference) is written as one without pixels.
    static bool writeImageRecord(const WriteRecord& record, const Sink& sink);
};

}  // namespace kalvora
