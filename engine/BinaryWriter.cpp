#include "engine/BinaryWriter.h"

#include <cstring>

namespace kalvora {

void BinaryWriter::writeLittleEndian(uint64_t value, size_t count)
{
    for (size_t i = 0; i < count; ++i) m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void BinaryWriter::writeF32(float value)
{
    uint32_t bits = 0;
    static_assert(sizeof(float) == sizeof(uint32_t));
    std::memcpy(&bits, &value, sizeof bits);
    writeU32(bits);
}

void BinaryWriter::writeBytes(const uint8_t* data, size_t count)
{
    if (count == 0) return;
    m_bytes.insert(m_bytes.end(), data, data + count);
}

void BinaryWriter::writeString(std::string_view text)
{
    writeBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace kalvora
