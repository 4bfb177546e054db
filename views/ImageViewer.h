#pragma once

#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "uicore/ImageView.h"

class QLabel;
class QStatusBar;
class QWidget;

namespace kalvora {

class ImageViewCanvas;

// What the image windows offer the rest of the program: the shown image and
// its size, the zoom, redraw and zoom commands, the first status panel, the
// window itself, the focus and the background commands. Tool dialogs hold
// only this. It also carries the parts both windows share: it lays the
// drawing area and StatusBar1 (panels Panel1..Panel3) into the window and
// keeps them in step with the view.
class ImageViewer {
public:
    virtual ~ImageViewer();
    ImageViewer(const ImageViewer&) = delete;
    ImageViewer& operator=(const ImageViewer&) = delete;

    // The shown image itself: dialogs replace its contents in place.
    cBitmap& Bitmap() { return m_view.Bitmap; }
    // The shown image's size; whoever changes the image's size writes it here.
    int32_t& imgWidth() { return m_view.imgWidth; }
    int32_t& imgHeight() { return m_view.imgHeight; }
    float Zoom() const { return m_view.Zoom; }

    // Shows a copy of the bitmap, by each window's own rules.
    virtual void SetBitmap(cBitmap& NewBitmap, bool ChangePosition = true) = 0;
    // Redraws now with the current state.
    void ShowPicture();
    void SetZoom(float z) { m_view.SetZoom(z); }
    void Zoom_CenterImage(float FitToZoom) { m_view.Zoom_CenterImage(FitToZoom); }

    QStatusBar* StatusBar1() const { return m_statusBar; }
    QString panel1Text() const;
    void setPanel1Text(const QString& text);

    void SetFocus();

    void Background_Black();
    void Background_White();
    // The colour dialog (CommonDialog1) from the current colour; Cancel
    // changes nothing.
    void Background_Custom();

    // Exports the shown image: asks for a file name (CommonDialog1, starting
    // in the last folder used), picks the format by the name's extension
    // (asking again when none fits) and saves. After a save the caption names
    // the file; a failed save says so and leaves the caption as it was.
    void SaveBitmapFile();

    // A tool dialog bound to this window gets the focus whenever the window
    // is activated while the dialog is visible. Registering twice is harmless;
    // destroyed dialogs drop out by themselves. When the window is destroyed
    // first, its registered tool dialogs are unbound from it.
    void registerToolDialog(QWidget* dialog);
    void unregisterToolDialog(QWidget* dialog);

    // The viewing engine, for the window's own commands.
    ImageView& view() { return m_view; }
    const ImageView& view() const { return m_view; }
    ImageViewCanvas* canvas() const { return m_canvas; }

protected:
    // Builds the drawing area and the status bar into the window's layout.
    ImageViewer(QWidget* window, bool drawWhenEmpty);

    // Makes the shown image a copy of NewBitmap (in its pixel format) and
    // takes over its size; false, with the shown image kept, when no copy
    // can be made. An image of the same size and format is copied into the
    // shown one, which spares fresh memory at every progress report.
    bool takeCopyOf(cBitmap& NewBitmap);
    // Copies the area's pixels of NewBitmap into the shown image when both
    // have the same size and format. For another shape that the shown
    // image's memory holds, the shown image takes that shape and all of
    // NewBitmap. False (nothing copied) when the memory is too small.
    bool copyAreaIntoShown(const cBitmap& NewBitmap, const platform::PixelRect& area);
    // Makes the image the shown one (its pixels are written next).
    void adoptMemory(std::unique_ptr<platform::Image> image);

    // The file chosen in the open or save dialog (CommonDialog1, starting in
    // the last folder used, which then becomes the chosen file's folder);
    // empty when cancelled.
    QString askFileName(bool forSaving);

private:
    QLabel* addPanel(const char* name, const QString& toolTip);
    // Gives the shown image another shape in its own memory; false when it
    // does not hold it.
    bool reshapeShown(int32_t width, int32_t height, platform::PixelFormatId format);
    // Passes the focus to a visible bound tool dialog whenever the window is
    // activated or takes the focus.
    void passFocusToToolDialog();
    // Saves by the extension's encoder; false when the name needs asking again.
    bool saveByExtension(const std::string& path);

    QWidget* m_window;
    ImageView m_view;
    ImageViewCanvas* m_canvas = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_panels[3] = {};
    std::vector<QPointer<QWidget>> m_toolDialogs;
};

}  // namespace kalvora
