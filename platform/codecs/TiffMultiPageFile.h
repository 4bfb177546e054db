#pragma once

#include <tiffio.h>

#include <string>

#include "platform/AtomicFileWriter.h"
#include "platform/Image.h"

namespace kalvora::platform {

// A TIFF file written page by page. The pages go to a temporary file beside
// the target, which replaces the target only when finish() succeeds; a file
// dropped unfinished, or one whose page failed, is removed and the target
// stays as it was.
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

private:
    void close();
    Status dropOnFailure(Status status);

    AtomicFileWriter m_file;
    TIFF* m_tif = nullptr;
};

}  // namespace kalvora::platform
