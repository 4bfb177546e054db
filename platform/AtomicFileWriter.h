#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalvora::platform {

// Writes a file so that its previous content survives any failure: the bytes
// go to a new temporary file in the same folder, which is flushed to disk and
// then renamed over the target. Until commit() succeeds the target is not
// touched; an uncommitted temporary file is removed. The writer holds a lock
// on its temporary file until the file is renamed or removed, and each
// open() removes the temporary files of earlier saves into the same folder
// whose process was killed before it could clean up: those whose process is
// gone and whose lock nobody holds.
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
    // The open temporary file (-1 when none), for writers that seek and read
    // back; it stays the writer's to close.
    int descriptor() const { return m_fd; }
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
