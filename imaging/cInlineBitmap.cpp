#include "imaging/cInlineBitmap.h"

#include <utility>

#include "imaging/UISupport.h"

namespace kalvora {

cInlineBitmap::cInlineBitmap()
    : m_session(std::make_shared<cGDIP>())
{
    // Without a PNG encoder the identifier stays zero and GetStream gives 0.
    m_session->GetEncoderClsid("image/png", m_pngEncoder);
    Bitmap.gdip = m_session;
}

void cInlineBitmap::LoadFromStream(const std::vector<uint8_t>& BitmapData)
{
    Bitmap.Dispose();
    if (Bitmap.CreateFromStream(BitmapData) == platform::Ok) {
        m_rawBytes = std::vector<uint8_t>();
        return;
    }
    m_rawBytes = BitmapData;
}

int32_t cInlineBitmap::GetStream(std::vector<uint8_t>& BitmapData)
{
    if (Bitmap.Handle() == nullptr) return 0;
    return Bitmap.SaveToByteArray(BitmapData, m_pngEncoder, nullptr);
}

void cInlineBitmap::LoadFromFile(const std::string& strFileName)
{
    Bitmap.Dispose();
    m_rawBytes = std::vector<uint8_t>();
    if (Bitmap.LoadFromFile(strFileName) == platform::Ok) FileName = strFileName;
}

std::string cInlineBitmap::FileTitle() const
{
    return UISupport::FileTitleFromPath(FileName);
}

void cInlineBitmap::Clone(const cInlineBitmap& CloneFrom)
{
    if (&CloneFrom == this) return;
    Remove();
    const platform::Image* source = CloneFrom.Bitmap.Handle();
    if (source != nullptr) {
        Bitmap.CreateFromClone(CloneFrom.Bitmap.Width(), CloneFrom.Bitmap.Height(), source,
                               CloneFrom.Bitmap.PixelFormat());
    }
    FileName = CloneFrom.FileName;
    m_rawBytes = CloneFrom.m_rawBytes;
}

void cInlineBitmap::Remove()
{
    Bitmap = cBitmap();
    FileName.clear();
    m_rawBytes = std::vector<uint8_t>();
}

}  // namespace kalvora
