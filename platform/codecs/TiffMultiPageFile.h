#pragma once

#include <tiffio.h>

#include <string>

#include "platform/AtomicFileWriter.h"
#include "platform/Image.h"

namespace kalvora::platform {

// A TIFF file written page by page. The pages go to a temporary file beside
// the target, which replaces the target only when finish() succeeds; a file
// dropped unfinished, or one whose page failed, is removed and the target
// stays as it was. A failed file operation gives the status of its error
// number (Win32Error for a full disk), a failed allocation OutOfMemory.
class TiffMultiPageFile {
public:
    explicit TiffMultiPageFile(std::string path);
    ~TiffMultiPageFile();
    TiffMultiPageFile(const TiffMultiPageFile&) = delete;
    TiffMultiPageFile& operator=(const TiffMultiPageFile&) = delete;

    // Creates the temporary file and writes the image as the first page.
    Status start(const Image& firstPage);
    Status append(const Image& page);
    // Closes the file and puts it in the target's place.
    Status finish();
    // False once finished or failed: the file takes no more pages.
    bool isOpen() const { return m_tif != nullptr; }
    // The system's error number of the step that failed last (ENOSPC for a
    // full disk); 0 when none failed in the system.
    int lastError() const { return m_error; }

private:
    void close();
    Status dropOnFailure(Status status);
    Status failedWrite(int error);
    Status libtiffFailure(int error, Status otherwise);

    AtomicFileWriter m_file;
    TIFF* m_tif = nullptr;
    int m_error = 0;
};

}  // namespace kalvora::platform
