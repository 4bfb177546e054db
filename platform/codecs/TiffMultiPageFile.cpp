#include "platform/codecs/TiffMultiPageFile.h"

#include <cerrno>

#include "platform/codecs/Codecs.h"
#include "platform/codecs/TiffCodec.h"

namespace kalvora::platform {

namespace {

bool isWritable(const Image& page) { return isSupportedFormat(page.format()) && page.data(); }

}  // namespace

TiffMultiPageFile::TiffMultiPageFile(std::string path) : m_file(std::move(path)) {}

TiffMultiPageFile::~TiffMultiPageFile() { close(); }

void TiffMultiPageFile::close()
{
    if (m_tif) TIFFClose(m_tif);
    m_tif = nullptr;
}

Status TiffMultiPageFile::dropOnFailure(Status status)
{
    if (status == Ok) return Ok;
    close();
    m_file.discard();
    return status;
}

Status TiffMultiPageFile::failedWrite(int error)
{
    m_error = error;
    return statusForErrno(error);
}

// libtiff writes to the descriptor itself and says only that it failed; the
// error number it leaves tells a failed write (a full disk) from a failed
// allocation, which has none.
Status TiffMultiPageFile::libtiffFailure(int error, Status otherwise)
{
    return dropOnFailure(error ? failedWrite(error) : otherwise);
}

Status TiffMultiPageFile::start(const Image& firstPage)
{
    if (m_tif) return WrongState;
    if (!isWritable(firstPage)) return InvalidParameter;
    m_error = 0;
    if (!m_file.open()) return failedWrite(m_file.lastError());
    errno = 0;
    m_tif = TiffCodec::openFileForWriting(m_file.descriptor());
    if (!m_tif) return libtiffFailure(errno, OutOfMemory);
    return append(firstPage);
}

Status TiffMultiPageFile::append(const Image& page)
{
    if (!m_tif) return WrongState;
    // Refused before anything is written, so the file stays usable.
    if (!isWritable(page)) return InvalidParameter;
    errno = 0;
    const Status s = TiffCodec::writePage(m_tif, page);
    return s == Ok ? Ok : libtiffFailure(errno, s);
}

Status TiffMultiPageFile::finish()
{
    if (!m_tif) return WrongState;
    close();
    if (!m_file.commit()) return failedWrite(m_file.lastError());
    return Ok;
}

}  // namespace kalvora::platform
