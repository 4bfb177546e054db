#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalvora::platform {

// A file opened for reading by offset. Opening never blocks: a named pipe
// given as a path opens at once instead of waiting for a writer, and kind()
// tells a regular file from a folder or anything else (pipe, device, socket),
// which callers refuse before reading a byte.
class ReadOnlyFile {
public:
    enum class Kind { Regular, Folder, Other };

    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens the path; 0 on success, otherwise the error number of the step
    // that failed (nothing is open then).
    int open(const std::string& path);

    Kind kind() const { return m_kind; }
    // The size when opened (0 for anything but a regular file).
    uint64_t size() const { return m_size; }

    // Reads up to count bytes from offset into data, fewer only at the end
    // of the file; -1 when reading fails.
    int64_t read(uint64_t offset, uint8_t* data, size_t count) const;

private:
    int m_fd = -1;
    Kind m_kind = Kind::Other;
    uint64_t m_size = 0;
};

}  // namespace kalvora::platform
