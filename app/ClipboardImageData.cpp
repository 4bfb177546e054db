#include "app/ClipboardImageData.h"

#include <QImage>
#include <QPointer>

namespace kalvora {

namespace {

const QString kPngType = QStringLiteral("image/png");
const QString kQtImageType = QStringLiteral("application/x-qt-image");

// Lets go of the picture a QImage was wrapped around.
void releasePicture(void* holder) { delete static_cast<std::shared_ptr<const platform::Image>*>(holder); }

}  // namespace

ClipboardImageData::ClipboardImageData(std::shared_ptr<const platform::Image> picture,
                                       std::shared_ptr<ClipboardPngEncoding> png)
    : m_picture(std::move(picture)), m_png(std::move(png))
{
}

ClipboardImageData::~ClipboardImageData() { m_png->abandon(); }

QStringList ClipboardImageData::formats() const { return {kPngType}; }

QVariant ClipboardImageData::retrieveData(const QString& mimeType, QMetaType) const
{
    if (mimeType == kQtImageType) {
        // The picture's rows are B, G, R bytes; the QImage keeps the picture
        // alive for as long as it lives.
        const platform::Image& p = *m_picture;
        return QImage(p.data(), p.width(), p.height(), p.stride(), QImage::Format_BGR888, releasePicture,
                      new std::shared_ptr<const platform::Image>(m_picture));
    }
    if (mimeType != kPngType) return {};
    // The paste may wait for the encoding in a local event loop. Another
    // program taking the clipboard meanwhile does not delete this object
    // before the request is served (ClipboardLossHold); all the same, only
    // locals are used after the wait.
    const std::shared_ptr<ClipboardPngEncoding> png = m_png;
    const QPointer<const ClipboardImageData> self(this);
    QByteArray bytes = png->waitForBytes();
    // After an empty answer Qt's X11 clipboard asks this object once more
    // whether it holds an image; one that is gone must not be asked.
    if (bytes.isEmpty() && !self) bytes = QByteArray(1, '\0');
    return bytes;
}

}  // namespace kalvora
