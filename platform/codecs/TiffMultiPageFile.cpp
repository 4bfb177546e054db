#include "platform/codecs/TiffMultiPageFile.h"

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

Status TiffMultiPageFile::start(const Image& firstPage)
{
    if (m_tif) return WrongState;
    if (!isWritable(firstPage)) return InvalidParameter;
    if (!m_file.open()) return statusForErrno(m_file.lastError());
    m_tif = TiffCodec::openFileForWriting(m_file.descriptor());
    if (!m_tif) return dropOnFailure(OutOfMemory);
    return append(firstPage);
}

Status TiffMultiPageFile::append(const Image& page)
{
    if (!m_tif) return WrongState;
    // Refused before anything is written, so the file stays usable.
    if (!isWritable(page)) return InvalidParameter;
    return dropOnFailure(TiffCodec::writePage(m_tif, page));
}

Status TiffMultiPageFile::finish()
{
    if (!m_tif) return WrongState;
    close();
    if (!m_file.commit()) return statusForErrno(m_file.lastError());
    return Ok;
}

}  // namespace kalvora::platform
