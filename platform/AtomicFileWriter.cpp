#include "platform/AtomicFileWriter.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvora::platform {

namespace {

std::atomic<unsigned> g_counter{0};

// Temporary files are named prefix, process id, "-", counter, suffix.
constexpr char kTempPrefix[] = ".kalvora-save-";
constexpr char kTempSuffix[] = ".tmp";

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

// The process id in the name of one of our temporary files; 0 for other names.
pid_t writerOf(const char* name)
{
    const size_t prefixLength = sizeof kTempPrefix - 1;
    if (std::strncmp(name, kTempPrefix, prefixLength) != 0) return 0;
    const char* end = name + std::strlen(name);
    long pid = 0;
    unsigned long counter = 0;
    const auto [afterPid, pidError] = std::from_chars(name + prefixLength, end, pid);
    if (pidError != std::errc() || pid <= 0 || pid > INT_MAX || afterPid == end || *afterPid != '-') return 0;
    const auto [afterCounter, counterError] = std::from_chars(afterPid + 1, end, counter);
    if (counterError != std::errc() || std::strcmp(afterCounter, kTempSuffix) != 0) return 0;
    return static_cast<pid_t>(pid);
}

// A process we may not signal is alive too.
bool processIsAlive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

// Removes the temporary file unless a writer holds its lock: a writer in
// another process namespace or on another machine sharing the folder.
// A file system without locks leaves only the process check.
void removeUnlessLocked(int folderFd, const char* name)
{
    const int fd = ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    // A shared lock conflicts with the writer's exclusive one and needs no
    // write access, also where locks are emulated by record locks.
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK) ::unlinkat(folderFd, name, 0);
    ::close(fd);
}

// Temporary files of saves that were killed midway, whose process is gone.
void removeLeftovers(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t writer = writerOf(entry->d_name);
        if (writer > 0 && !processIsAlive(writer)) removeUnlessLocked(::dirfd(dir), entry->d_name);
    }
    ::closedir(dir);
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
    const std::string folder = folderOf(m_target);
    removeLeftovers(folder);
    // A short hidden name, so a target name near the length limit still works.
    const std::string stem = folder + "/" + kTempPrefix + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        std::string candidate = stem + std::to_string(g_counter.fetch_add(1)) + kTempSuffix;
        m_fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) m_tempPath = std::move(candidate);
        else if (errno != EEXIST) return fail();
    }
    if (m_fd < 0) return fail();
    ::flock(m_fd, LOCK_EX | LOCK_NB);
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
    // Renamed while still open, so the lock lasts as long as the name.
    const bool renamed = ::fsync(m_fd) == 0 && ::rename(m_tempPath.c_str(), m_target.c_str()) == 0;
    if (!renamed) {
        fail();
        discard();
        return false;
    }
    m_tempPath.clear();
    // The bytes are on disk and in place: closing has nothing left to report.
    ::close(m_fd);
    m_fd = -1;
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
