#include "imaging/cGraphics.h"

#include <cmath>

namespace kalvora {

using platform::Status;

cGraphics::cGraphics() = default;

cGraphics::~cGraphics() { Dispose(); }

Status cGraphics::record(Status status)
{
    m_lastStatus = status;
    if (status != platform::Ok && gdip) gdip->Error(status, "cGraphics");
    return status;
}

Status cGraphics::Clear(int32_t Color)
{
    if (!m_surface) return record(platform::InvalidParameter);
    return record(m_surface->clear(static_cast<uint32_t>(Color)));
}

Status cGraphics::CreateFromHdc(intptr_t /*lHdc*/)
{
    // Surfaces open on images only; windows draw through their own toolkit.
    return record(platform::NotImplemented);
}

Status cGraphics::CreateFromHWND(intptr_t /*lHwnd*/) { return record(platform::NotImplemented); }

Status cGraphics::GetGraphicsContext(platform::Image* lBitmap)
{
    if (lBitmap == nullptr) return record(platform::InvalidParameter);
    m_surface = std::make_unique<platform::Surface>(*lBitmap);
    return record(platform::Ok);
}

void cGraphics::Dispose() { m_surface.reset(); }

Status cGraphics::DrawImageI(const platform::Image* lBmpHandle, int32_t x, int32_t y)
{
    if (!m_surface || lBmpHandle == nullptr) return record(platform::InvalidParameter);
    return record(m_surface->drawImage(*lBmpHandle, x, y));
}

Status cGraphics::DrawImageRectI(const platform::Image* lBmpHandle, int32_t x, int32_t y, int32_t lWidth,
                                 int32_t lHeight)
{
    if (!m_surface || lBmpHandle == nullptr) return record(platform::InvalidParameter);
    return record(m_surface->drawImageRect(*lBmpHandle, x, y, lWidth, lHeight));
}

Status cGraphics::DrawImageRectRectI(const platform::Image* lBmpHandle, int32_t dstx, int32_t dsty, int32_t lDstWidth,
                                     int32_t lDstHeight, int32_t srcx, int32_t srcy, int32_t lSrcWidth,
                                     int32_t lSrcHeight)
{
    return DrawImageRectRectIAttr(lBmpHandle, dstx, dsty, lDstWidth, lDstHeight, srcx, srcy, lSrcWidth, lSrcHeight,
                                  nullptr);
}

Status cGraphics::DrawImageRectRectIAttr(const platform::Image* lBmpHandle, int32_t dstx, int32_t dsty,
                                         int32_t lDstWidth, int32_t lDstHeight, int32_t srcx, int32_t srcy,
                                         int32_t lSrcWidth, int32_t lSrcHeight,
                                         const platform::ImageAttributes* lAttribute)
{
    if (!m_surface || lBmpHandle == nullptr) return record(platform::InvalidParameter);
    return record(m_surface->drawImageRectRect(*lBmpHandle, dstx, dsty, lDstWidth, lDstHeight, srcx, srcy, lSrcWidth,
                                               lSrcHeight, lAttribute));
}

Status cGraphics::GetDC()
{
    // A surface on an image has no device context to hand out.
    if (!m_surface) return record(platform::InvalidParameter);
    return record(platform::NotImplemented);
}

Status cGraphics::ReleaseDC()
{
    if (!m_surface) return record(platform::InvalidParameter);
    return record(platform::NotImplemented);
}

Status cGraphics::ResetTransform()
{
    if (!m_surface) return record(platform::InvalidParameter);
    m_surface->resetTransform();
    return record(platform::Ok);
}

Status cGraphics::RotateTransform(float sngAngle, int32_t eOrder)
{
    if (!m_surface || eOrder < 0 || eOrder > 1 || !std::isfinite(sngAngle)) return record(platform::InvalidParameter);
    // The surface's transform is a translation: a whole turn is all it can take.
    if (std::fmod(sngAngle, 360.0f) != 0.0f) return record(platform::NotImplemented);
    return record(platform::Ok);
}

Status cGraphics::SetInterpolationMode(platform::InterpolationMode eMode)
{
    if (!m_surface || !platform::interpolationModeFromNumber(static_cast<int32_t>(eMode)))
        return record(platform::InvalidParameter);
    m_surface->setInterpolationMode(eMode);
    return record(platform::Ok);
}

Status cGraphics::GetInterpolationMode(platform::InterpolationMode& eMode)
{
    if (!m_surface) return record(platform::InvalidParameter);
    eMode = m_surface->interpolationMode();
    return record(platform::Ok);
}

Status cGraphics::SetTextRenderingHint(int32_t eHint)
{
    if (!m_surface || eHint < 0 || eHint > 5) return record(platform::InvalidParameter);
    m_surface->setTextRenderingHint(eHint);
    return record(platform::Ok);
}

Status cGraphics::TranslateTransform(float dx, float dy, int32_t eOrder)
{
    if (!m_surface || eOrder < 0 || eOrder > 1 || !std::isfinite(dx) || !std::isfinite(dy))
        return record(platform::InvalidParameter);
    // Translations commute, so prepending and appending give the same transform.
    m_surface->translateTransform(dx, dy);
    return record(platform::Ok);
}

}  // namespace kalvora
