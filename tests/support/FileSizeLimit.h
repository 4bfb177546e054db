#pragma once

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

namespace kalvora::testing {

// While it lives, no file this process (or a program it starts) writes can
// grow past the given size: the write that would fails with EFBIG ("File too
// large"), as a write to a full disk fails with ENOSPC, and the signal the
// system would send for it is ignored.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &m_old), 0);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = m_old;
        tight.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

}  // namespace kalvora::testing
