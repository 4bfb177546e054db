#include "app/ImagePreviewBox.h"

#include <QPainter>

#include "imaging/GDIPSupport.h"
#include "imaging/cGraphics.h"
#include "platform/PixelFormat.h"
#include "platform/Surface.h"

namespace kalvora {

namespace {

constexpr double kBoxTwips = 1935;

}  // namespace

ImagePreviewBox::ImagePreviewBox(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewPicture"));
    setFixedSize(boxWidth(), boxHeight());
    clear();
}

int32_t ImagePreviewBox::boxWidth() const { return twipsToPixels(kBoxTwips, logicalDpiX()); }

int32_t ImagePreviewBox::boxHeight() const { return twipsToPixels(kBoxTwips, logicalDpiY()); }

FittedPreview ImagePreviewBox::fit(const cBitmap& image) const
{
    FittedPreview preview;
    preview.at = fitPreview(image.Width(), image.Height(), boxWidth(), boxHeight());
    if (!image.Handle() || preview.at.width < 1 || preview.at.height < 1) return preview;
    if (preview.pixels.CreateFromScan0(preview.at.width, preview.at.height, 0, platform::kFormat32bppARGB) !=
        platform::Ok)
        return preview;
    cGraphics graphics;
    if (graphics.GetGraphicsContext(preview.pixels.Handle()) != platform::Ok) return preview;
    graphics.Handle()->setPixelOffsetMode(platform::PixelOffsetMode::Half);
    graphics.SetInterpolationMode(platform::InterpolationMode::HighQualityBilinear);
    graphics.DrawImageRectI(image.Handle(), 0, 0, preview.at.width, preview.at.height);
    return preview;
}

void ImagePreviewBox::show(const FittedPreview* preview)
{
    if (m_buffer.Width() != boxWidth() || m_buffer.Height() != boxHeight()) {
        m_buffer.Dispose();
        m_buffer.CreateFromScan0(boxWidth(), boxHeight(), 0, platform::kFormat32bppARGB);
    }
    cGraphics graphics;
    if (graphics.GetGraphicsContext(m_buffer.Handle()) == platform::Ok) {
        const QColor back = palette().color(backgroundRole());
        graphics.Clear(GDIPSupport::ColorARGB(255, back.red(), back.green(), back.blue()));
        // The fitted pixels were drawn over nothing, so composited here they
        // give what a direct draw into the box would.
        if (preview && preview->pixels.Handle())
            graphics.DrawImageI(preview->pixels.Handle(), preview->at.x, preview->at.y);
    }
    update();
}

void ImagePreviewBox::paintEvent(QPaintEvent*)
{
    const platform::Image* buffer = m_buffer.Handle();
    if (!buffer) return;
    QPainter painter(this);
    painter.drawImage(
        0, 0, QImage(buffer->data(), buffer->width(), buffer->height(), buffer->stride(), QImage::Format_ARGB32));
}

}  // namespace kalvora
