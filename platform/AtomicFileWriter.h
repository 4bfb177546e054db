#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalvora::platform {

// Writes a file so that its previous content survives any failure: the bytes
// go to a new temporary file in the same folder, which is flushed to disk and
// then renamed over the target. Until commit() succeeds the target is not
// touched; an uncommitted temporary file is removed.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string targetPath);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file; it takes the permissions of an existing
    // target (else the usual ones for a new file).
    bool open();
    bool write(const uint8_t* data, size_t count);
    // Flushes, closes and renames the temporary file over the target.
    bool commit();
    // Closes and removes the temporary file; the target stays as it was.
    void discard();

    const std::string& temporaryPath() const { return m_tempPath; }
    // The error number of the step that failed last (0 when none failed).
    int lastError() const { return m_error; }

private:
    void resolveLink();
    bool fail();

    std::string m_target;
    std::string m_tempPath;
    int m_fd = -1;
    int m_error = 0;
};

}  // namespace kalvora::platform
