#include "platform/AtomicFileWriter.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvora::platform {

namespace {

std::atomic<unsigned> g_counter{0};

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string targetPath) : m_target(std::move(targetPath)) {}

AtomicFileWriter::~AtomicFileWriter() { discard(); }

// Keeps the error number of the failed step before cleaning up changes it.
bool AtomicFileWriter::fail()
{
    m_error = errno ? errno : EIO;
    return false;
}

bool AtomicFileWriter::open()
{
    if (m_fd >= 0) return false;
    if (m_target.empty() || m_target.back() == '/') {
        m_error = EISDIR;
        return false;
    }
    resolveLink();
    // A short hidden name, so a target name near the length limit still works.
    const std::string stem = folderOf(m_target) + "/.kalvora-save-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        std::string candidate = stem + std::to_string(g_counter.fetch_add(1)) + ".tmp";
        m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) m_tempPath = std::move(candidate);
        else if (errno != EEXIST) return fail();
    }
    if (m_fd < 0) return fail();
    struct stat existing {};
    if (::stat(m_target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(m_fd, existing.st_mode & 07777);
    return true;
}

void AtomicFileWriter::resolveLink()
{
    // Saving through a symbolic link replaces the file it points at and
    // keeps the link.
    struct stat info {};
    if (::lstat(m_target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return;
    char* resolved = ::realpath(m_target.c_str(), nullptr);
    if (!resolved) return;
    m_target = resolved;
    std::free(resolved);
}

bool AtomicFileWriter::write(const uint8_t* data, size_t count)
{
    if (m_fd < 0) return false;
    while (count > 0) {
        const ssize_t done = ::write(m_fd, data, count);
        if (done < 0 && errno == EINTR) continue;
        if (done == 0) errno = ENOSPC;
        if (done <= 0) return fail();
        data += done;
        count -= static_cast<size_t>(done);
    }
    return true;
}

bool AtomicFileWriter::commit()
{
    if (m_fd < 0) return false;
    errno = 0;
    const bool synced = ::fsync(m_fd) == 0;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (!synced || !closed || ::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
        fail();
        discard();
        return false;
    }
    m_tempPath.clear();
    syncFolder(folderOf(m_target));
    return true;
}

void AtomicFileWriter::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

}  // namespace kalvora::platform
