#include "engine/BinaryReader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "platform/ReadOnlyFile.h"

namespace kalvora {

namespace {

// The bytes read from a file at a time for the small values; runs at least
// this long are read straight into their destination.
constexpr size_t kWindowBytes = size_t(64) << 10;

}  // namespace

BinaryReader::BinaryReader(const platform::ReadOnlyFile& file) : m_size(file.size()), m_file(&file) {}

void BinaryReader::rewind(size_t position)
{
    if (position <= m_position) m_position = position;
}

bool BinaryReader::fillWindow(size_t offset)
{
    const size_t count = std::min(kWindowBytes, m_size - offset);
    m_window.resize(count);
    if (m_file->read(offset, m_window.data(), count) != static_cast<int64_t>(count)) {
        m_window.clear();
        return false;
    }
    m_windowStart = offset;
    return true;
}

bool BinaryReader::copyOut(size_t count, uint8_t* destination)
{
    if (count == 0) return true;
    if (!m_file) {
        std::memcpy(destination, m_data + m_position, count);
        m_position += count;
        return true;
    }
    size_t done = 0;
    while (done < count) {
        const size_t at = m_position + done;
        const size_t windowEnd = m_windowStart + m_window.size();
        if (at >= m_windowStart && at < windowEnd) {
            const size_t n = std::min(count - done, windowEnd - at);
            std::memcpy(destination + done, m_window.data() + (at - m_windowStart), n);
            done += n;
        } else if (count - done >= kWindowBytes) {
            const size_t n = count - done;
            if (m_file->read(at, destination + done, n) != static_cast<int64_t>(n)) return false;
            done = count;
        } else if (!fillWindow(at)) {
            return false;
        }
    }
    m_position += count;
    return true;
}

bool BinaryReader::readLittleEndian(size_t count, uint64_t& value)
{
    uint8_t bytes[8] = {};
    if (remaining() < count || !copyOut(count, bytes)) return false;
    value = 0;
    for (size_t i = 0; i < count; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    return true;
}

bool BinaryReader::readU8(uint8_t& value)
{
    uint64_t bits = 0;
    if (!readLittleEndian(1, bits)) return false;
    value = static_cast<uint8_t>(bits);
    return true;
}

bool BinaryReader::readU16(uint16_t& value)
{
    uint64_t bits = 0;
    if (!readLittleEndian(2, bits)) return false;
    value = static_cast<uint16_t>(bits);
    return true;
}

bool BinaryReader::readU32(uint32_t& value)
{
    uint64_t bits = 0;
    if (!readLittleEndian(4, bits)) return false;
    value = static_cast<uint32_t>(bits);
    return true;
}

bool BinaryReader::readI32(int32_t& value)
{
    uint32_t bits = 0;
    if (!readU32(bits)) return false;
    value = static_cast<int32_t>(bits);
    return true;
}

bool BinaryReader::readF32(float& value)
{
    uint32_t bits = 0;
    if (!readU32(bits)) return false;
    static_assert(sizeof(float) == sizeof(uint32_t));
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool BinaryReader::readBytes(size_t count, std::vector<uint8_t>& out)
{
    if (remaining() < count) return false;
    try {
        std::vector<uint8_t> bytes(count);
        if (!copyOut(count, bytes.data())) return false;
        out = std::move(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool BinaryReader::readString(size_t count, std::string& out)
{
    if (remaining() < count) return false;
    try {
        std::string text(count, '\0');
        if (!copyOut(count, reinterpret_cast<uint8_t*>(text.data()))) return false;
        out = std::move(text);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool BinaryReader::skip(size_t count)
{
    if (remaining() < count) return false;
    m_position += count;
    return true;
}

}  // namespace kalvora
