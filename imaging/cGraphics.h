#pragma once

#include <cstdint>
#include <memory>

#include "imaging/cGDIP.h"
#include "platform/Image.h"
#include "platform/Status.h"
#include "platform/Surface.h"

namespace kalvora {

// One drawing surface, opened on an image, drawing images onto it with
// integer pixel coordinates. Every member returns a status (0 = success),
// records it, and hands a failure to gdip's Error with "cGraphics". A call
// without an open surface fails with InvalidParameter and draws nothing.
// Pixel-offset, smoothing and compositing modes are set on Handle() directly.
class cGraphics {
public:
    // Session that receives failures; may be empty.
    std::shared_ptr<cGDIP> gdip;

    cGraphics();
    ~cGraphics();
    cGraphics(const cGraphics&) = delete;
    cGraphics& operator=(const cGraphics&) = delete;

    // Fills the whole surface with the colour, alpha included.
    platform::Status Clear(int32_t Color);
    // Device contexts and windows have no surfaces here: NotImplemented.
    platform::Status CreateFromHdc(intptr_t lHdc);
    platform::Status CreateFromHWND(intptr_t lHwnd);
    // Opens a surface that draws into the image (replacing any open surface).
    platform::Status GetGraphicsContext(platform::Image* lBitmap);
    platform::Status CurErr() const { return m_lastStatus; }
    // Closes the surface; harmless when none is open.
    void Dispose();
    platform::Status DrawImageI(const platform::Image* lBmpHandle, int32_t x, int32_t y);
    platform::Status DrawImageRectI(const platform::Image* lBmpHandle, int32_t x, int32_t y, int32_t lWidth,
                                    int32_t lHeight);
    platform::Status DrawImageRectRectI(const platform::Image* lBmpHandle, int32_t dstx, int32_t dsty,
                                        int32_t lDstWidth, int32_t lDstHeight, int32_t srcx, int32_t srcy,
                                        int32_t lSrcWidth, int32_t lSrcHeight);
    platform::Status DrawImageRectRectIAttr(const platform::Image* lBmpHandle, int32_t dstx, int32_t dsty,
                                            int32_t lDstWidth, int32_t lDstHeight, int32_t srcx, int32_t srcy,
                                            int32_t lSrcWidth, int32_t lSrcHeight,
                                            const platform::ImageAttributes* lAttribute);
    // A member of the class; surfaces on this platform have no device context: NotImplemented.
    platform::Status GetDC();
    // A member of the class; there is no device context to release on this platform: NotImplemented.
    platform::Status ReleaseDC();
    platform::Surface* Handle() const { return m_surface.get(); }
    platform::Status ResetTransform();
    // Only rotations by whole turns are possible (the transform is a translation).
    platform::Status RotateTransform(float sngAngle, int32_t eOrder);
    platform::Status SetInterpolationMode(platform::InterpolationMode eMode);
    platform::Status GetInterpolationMode(platform::InterpolationMode& eMode);
    platform::Status SetTextRenderingHint(int32_t eHint);
    platform::Status TranslateTransform(float dx, float dy, int32_t eOrder);

private:
    platform::Status record(platform::Status status);

    std::unique_ptr<platform::Surface> m_surface;
    platform::Status m_lastStatus = platform::Ok;
};

}  // namespace kalvora
