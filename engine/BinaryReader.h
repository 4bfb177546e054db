#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kalvora {

// Reads little-endian values from a byte buffer it does not own. Every read
// is checked against the bytes left: a read that does not fit returns false
// and leaves the position where it was, and nothing is allocated before
// that check.
class BinaryReader {
public:
    BinaryReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t position() const { return m_position; }
    size_t remaining() const { return m_size - m_position; }
    bool atEnd() const { return m_position == m_size; }

    bool readU8(uint8_t& value);
    bool readU16(uint16_t& value);
    bool readU32(uint32_t& value);
    bool readI32(int32_t& value);
    bool readF32(float& value);

    // Points at the next count bytes and moves past them.
    bool readView(size_t count, const uint8_t*& view);
    // Copies the next count bytes; out is replaced only on success.
    bool readBytes(size_t count, std::vector<uint8_t>& out);
    bool readString(size_t count, std::string& out);
    bool skip(size_t count);

    // Reads a whole file. Fails when it cannot be opened or read, or when it
    // is larger than maxBytes (checked before anything is allocated).
    static bool readFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out);

private:
    uint64_t readLittleEndian(size_t count);

    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

}  // namespace kalvora
