#include "app/QtClipboardService.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <cstring>

#include "platform/ImageLimits.h"
#include "platform/PixelFormat.h"

namespace kalvora {

namespace {

constexpr int kBytesPerPixel = 4;

}  // namespace

bool QtClipboardService::putImage(const platform::Image& image)
{
    if (!platform::isSupportedFormat(image.format()) || image.width() < 1 || image.height() < 1) return false;
    QImage opaque(image.width(), image.height(), QImage::Format_RGB32);
    if (opaque.isNull()) return false;
    for (int32_t y = 0; y < image.height(); ++y)
        platform::convertRow(image.row(y), image.format(), opaque.scanLine(y), platform::kFormat32bppRGB,
                             image.width());
    QGuiApplication::clipboard()->setImage(opaque);
    return true;
}

bool QtClipboardService::hasImage()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

platform::Status QtClipboardService::getImage(std::unique_ptr<platform::Image>& out)
{
    if (!hasImage()) return platform::GenericError;
    const QImage held = QGuiApplication::clipboard()->image();
    if (held.isNull()) return platform::GenericError;
    if (!platform::ImageLimits::allows(held.width(), held.height(), kBytesPerPixel)) return platform::OutOfMemory;
    // Premultiplied colours are the colours drawn over black; read as a
    // format without alpha they are the opaque picture.
    const QImage opaque = held.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    std::unique_ptr<platform::Image> image;
    const platform::Status status =
        platform::Image::create(opaque.width(), opaque.height(), platform::kFormat32bppRGB, image);
    if (status != platform::Ok) return status;
    for (int32_t y = 0; y < opaque.height(); ++y)
        platform::convertRow(opaque.constScanLine(y), platform::kFormat32bppRGB, image->row(y),
                             platform::kFormat32bppRGB, opaque.width());
    out = std::move(image);
    return platform::Ok;
}

}  // namespace kalvora
