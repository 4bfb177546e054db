#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kalvora {

// Appends little-endian values to a growing byte buffer. Growth may throw
// std::bad_alloc; callers that must not throw catch it.
class BinaryWriter {
public:
    void writeU8(uint8_t value) { m_bytes.push_back(value); }
    void writeU16(uint16_t value) { writeLittleEndian(value, 2); }
    void writeU32(uint32_t value) { writeLittleEndian(value, 4); }
    void writeI32(int32_t value) { writeU32(static_cast<uint32_t>(value)); }
    void writeF32(float value);
    void writeBytes(const uint8_t* data, size_t count);
    void writeString(std::string_view text);

    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    size_t size() const { return m_bytes.size(); }
    void clear() { m_bytes.clear(); }

private:
    void writeLittleEndian(uint64_t value, size_t count);

    std::vector<uint8_t> m_bytes;
};

}  // namespace kalvora
