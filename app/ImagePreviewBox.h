#pragma once

#include <QWidget>

#include "imaging/cBitmap.h"
#include "uicore/PreviewFit.h"

namespace kalvora {

// An image scaled to fit a preview box once: the fitted pixels and where
// they sit in the box. Making one averages every source pixel, so the
// dialogs keep them and selecting an entry only draws the fitted pixels.
struct FittedPreview {
    cBitmap pixels;
    PreviewRect at;
};

// The square preview box of the brick and mortar dialogs (1935 twips a
// side): an off-screen buffer of the box's size, cleared to the box's
// background, into which a fitted image is drawn; painting only shows it.
class ImagePreviewBox : public QWidget {
    Q_OBJECT
public:
    explicit ImagePreviewBox(QWidget* parent);

    // The box's size in pixels at the screen's resolution.
    int32_t boxWidth() const;
    int32_t boxHeight() const;

    // The image fitted to the box with high-quality bilinear scaling at
    // half-pixel offsets; empty pixels for an image without any.
    FittedPreview fit(const cBitmap& image) const;
    // Clears the box and draws the fitted image (nullptr: just clears).
    void show(const FittedPreview* preview);
    void clear() { show(nullptr); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    cBitmap m_buffer;
};

}  // namespace kalvora
