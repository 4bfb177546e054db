#include "platform/ReadOnlyFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvora::platform {

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_fd >= 0) ::close(m_fd);
}

int ReadOnlyFile::open(const std::string& path)
{
    if (m_fd >= 0) return EBUSY;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    m_fd = fd;
    m_kind = S_ISREG(info.st_mode) ? Kind::Regular : S_ISDIR(info.st_mode) ? Kind::Folder : Kind::Other;
    m_size = m_kind == Kind::Regular && info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
    return 0;
}

int64_t ReadOnlyFile::read(uint64_t offset, uint8_t* data, size_t count) const
{
    if (m_fd < 0) return -1;
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(m_fd, data + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;  // the end of the file
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

}  // namespace kalvora::platform
