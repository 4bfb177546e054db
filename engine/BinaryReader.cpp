#include "engine/BinaryReader.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvora {

uint64_t BinaryReader::readLittleEndian(size_t count)
{
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i) value |= static_cast<uint64_t>(m_data[m_position + i]) << (8 * i);
    m_position += count;
    return value;
}

bool BinaryReader::readU8(uint8_t& value)
{
    if (remaining() < 1) return false;
    value = static_cast<uint8_t>(readLittleEndian(1));
    return true;
}

bool BinaryReader::readU16(uint16_t& value)
{
    if (remaining() < 2) return false;
    value = static_cast<uint16_t>(readLittleEndian(2));
    return true;
}

bool BinaryReader::readU32(uint32_t& value)
{
    if (remaining() < 4) return false;
    value = static_cast<uint32_t>(readLittleEndian(4));
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

bool BinaryReader::readView(size_t count, const uint8_t*& view)
{
    if (remaining() < count) return false;
    view = m_data + m_position;
    m_position += count;
    return true;
}

bool BinaryReader::readBytes(size_t count, std::vector<uint8_t>& out)
{
    const uint8_t* view = nullptr;
    if (!readView(count, view)) return false;
    try {
        out.assign(view, view + count);
    } catch (const std::bad_alloc&) {
        m_position -= count;
        return false;
    }
    return true;
}

bool BinaryReader::readString(size_t count, std::string& out)
{
    const uint8_t* view = nullptr;
    if (!readView(count, view)) return false;
    try {
        out.assign(reinterpret_cast<const char*>(view), count);
    } catch (const std::bad_alloc&) {
        m_position -= count;
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

bool BinaryReader::readFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out)
{
    // Non-blocking open, so a named pipe given as a project cannot hang the
    // program; only regular files are read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
              static_cast<uint64_t>(info.st_size) <= maxBytes;
    std::vector<uint8_t> bytes;
    if (ok) {
        try {
            bytes.resize(static_cast<size_t>(info.st_size));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) ok = false;
        else done += static_cast<size_t>(got);
    }
    ::close(fd);
    if (!ok) return false;
    out = std::move(bytes);
    return true;
}

}  // namespace kalvora
