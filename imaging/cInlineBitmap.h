#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/cBitmap.h"
#include "imaging/cGDIP.h"
#include "platform/codecs/Codecs.h"

namespace kalvora {

// One image kept inside a project: its pixels and the name of the file they
// came from. It gives its pixels as PNG bytes and takes them back from any
// encoded image, which is how the project file stores it.
//
// Bytes that LoadFromStream could not decode are kept (RawBytes), so that a
// project file written again still holds the image it could not show.
class cInlineBitmap {
public:
    // Full path of the file the image was loaded from; empty when none.
    std::string FileName;
    // The pixels; possibly without an image. It holds the session as its
    // gdip, so on destruction the pixels go first and the session with them.
    cBitmap Bitmap;

    // Starts the image's own session, looks up the PNG encoder through it and
    // attaches the session to an empty Bitmap.
    cInlineBitmap();
    ~cInlineBitmap() = default;
    cInlineBitmap(const cInlineBitmap&) = delete;
    cInlineBitmap& operator=(const cInlineBitmap&) = delete;

    // Releases the pixels and decodes BitmapData into Bitmap; FileName stays.
    // A failure leaves Bitmap without an image, reports nothing, and keeps
    // the bytes in RawBytes; a success drops any kept bytes.
    void LoadFromStream(const std::vector<uint8_t>& BitmapData);

    // Encodes Bitmap as PNG into BitmapData (replaced) and returns the byte
    // count; 0 when there is no image or encoding failed (BitmapData then
    // stays as it was). Kept undecodable bytes are not given here.
    int32_t GetStream(std::vector<uint8_t>& BitmapData);

    // Releases the pixels and kept bytes and loads the file; FileName becomes
    // strFileName only when the load succeeds.
    void LoadFromFile(const std::string& strFileName);

    // The part of FileName after its last "\" or "/".
    std::string FileTitle() const;

    // Deep copy of CloneFrom's pixels (same size and pixel format), file name
    // and kept bytes. Cloning from itself changes nothing.
    void Clone(const cInlineBitmap& CloneFrom);

    // An empty Bitmap without a session, an empty FileName, no kept bytes.
    void Remove();

    // The encoded bytes of the last LoadFromStream that could not be decoded;
    // empty otherwise.
    const std::vector<uint8_t>& RawBytes() const { return m_rawBytes; }

private:
    std::shared_ptr<cGDIP> m_session;
    platform::EncoderClsid m_pngEncoder{};
    std::vector<uint8_t> m_rawBytes;
};

}  // namespace kalvora
