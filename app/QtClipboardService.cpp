#include "app/QtClipboardService.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "app/ClipboardImageData.h"
#include "platform/ImageLimits.h"
#include "platform/PixelFormat.h"

namespace kalvora {

namespace {

constexpr int kBytesPerPixel = 4;

// A new 32-bit RGB image of rows in the given format, converted row by row on
// this thread: the pool may be busy with a clipboard encoding.
template <typename RowAt>
platform::Status rgb32Copy(int32_t width, int32_t height, platform::PixelFormatId format, RowAt rowAt,
                           std::unique_ptr<platform::Image>& out)
{
    std::unique_ptr<platform::Image> image;
    const platform::Status status = platform::Image::create(width, height, platform::kFormat32bppRGB, image);
    if (status != platform::Ok) return status;
    for (int32_t y = 0; y < height; ++y)
        platform::convertRow(rowAt(y), format, image->row(y), platform::kFormat32bppRGB, width);
    out = std::move(image);
    return platform::Ok;
}

}  // namespace

QtClipboardService::~QtClipboardService()
{
    for (const auto& encoding : m_encodings) encoding->stop();
}

bool QtClipboardService::putImage(const platform::Image& image)
{
    if (!platform::isSupportedFormat(image.format()) || image.width() < 1 || image.height() < 1) return false;
    // The picture on the clipboard is about to be replaced: its encoding
    // stops, so that the copy below does not wait for the pool.
    for (const auto& encoding : m_encodings) encoding->abandon();
    std::erase_if(m_encodings, [](const auto& encoding) { return encoding->finished(); });
    std::unique_ptr<platform::Image> copy;
    if (image.cloneArea(image.width(), image.height(), platform::kFormat24bppRGB, copy) != platform::Ok) return false;
    const std::shared_ptr<const platform::Image> picture(std::move(copy));
    auto png = std::make_shared<ClipboardPngEncoding>(picture);
    m_encodings.push_back(png);
    QGuiApplication::clipboard()->setMimeData(new ClipboardImageData(picture, std::move(png)));
    return true;
}

bool QtClipboardService::hasImage()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && (qobject_cast<const ClipboardImageData*>(data) || data->hasImage());
}

platform::Status QtClipboardService::getImage(std::unique_ptr<platform::Image>& out)
{
    if (!hasImage()) return platform::GenericError;
    if (const auto* ours = qobject_cast<const ClipboardImageData*>(QGuiApplication::clipboard()->mimeData())) {
        const platform::Image& picture = ours->picture();
        return rgb32Copy(
            picture.width(), picture.height(), picture.format(), [&picture](int32_t y) { return picture.row(y); }, out);
    }
    const QImage held = QGuiApplication::clipboard()->image();
    if (held.isNull()) return platform::GenericError;
    if (!platform::ImageLimits::allows(held.width(), held.height(), kBytesPerPixel)) return platform::OutOfMemory;
    // Premultiplied colours are the colours drawn over black; read as a
    // format without alpha they are the opaque picture.
    const QImage opaque = held.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return rgb32Copy(
        opaque.width(), opaque.height(), platform::kFormat32bppRGB,
        [&opaque](int32_t y) { return opaque.constScanLine(y); }, out);
}

}  // namespace kalvora
