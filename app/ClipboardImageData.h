#pragma once

#include <QMimeData>
#include <memory>

#include "app/ClipboardPngEncoding.h"
#include "platform/Image.h"

namespace kalvora {

// What the clipboard holds when this program copies a picture: the opaque
// pixels as handed over, which pastes inside the program read directly (and
// as application/x-qt-image, a QImage over the same memory), and their PNG
// file, the one format offered to other programs. Listing
// application/x-qt-image would make Qt offer every image format it can write
// and encode a requested one on the UI thread, which for a large texture
// holds the window for a minute.
class ClipboardImageData : public QMimeData {
    Q_OBJECT
public:
    ClipboardImageData(std::shared_ptr<const platform::Image> picture, std::shared_ptr<ClipboardPngEncoding> png);
    // The encoding is abandoned: the clipboard has another owner.
    ~ClipboardImageData() override;

    const platform::Image& picture() const { return *m_picture; }

    QStringList formats() const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    const std::shared_ptr<const platform::Image> m_picture;
    const std::shared_ptr<ClipboardPngEncoding> m_png;
};

}  // namespace kalvora
