#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kalvora {

namespace platform {
class ReadOnlyFile;
}

// Reads little-endian values from a byte buffer it does not own, or from an
// open regular file it does not own. Every read is checked against the bytes
// left: a read that does not fit returns false and leaves the position where
// it was, and nothing is allocated before that check.
//
// From a file the bytes left are counted from the file's size as opened,
// and the reader holds only a window of a few kilobytes besides what a read
// returns: a file that is no project is refused after its first bytes, not
// after reading it whole. Long runs of bytes go straight from the file into
// their destination. A file that turns out shorter than its size (cut while
// being read) or cannot be read fails the read.
class BinaryReader {
public:
    BinaryReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    explicit BinaryReader(const platform::ReadOnlyFile& file);
    BinaryReader(const BinaryReader&) = delete;
    BinaryReader& operator=(const BinaryReader&) = delete;

    size_t position() const { return m_position; }
    size_t remaining() const { return m_size - m_position; }
    bool atEnd() const { return m_position == m_size; }
    // Goes back to an earlier position, such as the start of a value that
    // could not be read.
    void rewind(size_t position);

    bool readU8(uint8_t& value);
    bool readU16(uint16_t& value);
    bool readU32(uint32_t& value);
    bool readI32(int32_t& value);
    bool readF32(float& value);

    // Copies the next count bytes; out is replaced only on success.
    bool readBytes(size_t count, std::vector<uint8_t>& out);
    bool readString(size_t count, std::string& out);
    bool skip(size_t count);

private:
    bool readLittleEndian(size_t count, uint64_t& value);
    // Copies the next count bytes (all of them left, checked) to destination
    // and moves past them; false, position unchanged, when a file read fails.
    bool copyOut(size_t count, uint8_t* destination);
    // Loads the file's window with the bytes from offset on.
    bool fillWindow(size_t offset);

    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_position = 0;
    const platform::ReadOnlyFile* m_file = nullptr;
    std::vector<uint8_t> m_window;
    size_t m_windowStart = 0;
};

}  // namespace kalvora
