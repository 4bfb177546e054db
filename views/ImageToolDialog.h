#pragma once

#include <QDialog>

namespace kalvora {

class ImageViewer;

// A dialog that edits the image of the window that opened it (resize,
// image filters, texture filters). The editor binds it with Init, places it,
// picks its page and shows it modally; the dialog hides itself when done.
class ImageToolDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    ~ImageToolDialog() override;

    // Binds the dialog to the window and takes its backup of the image.
    virtual void Init(ImageViewer& parent) = 0;
    // Filter dialogs write their progress into the window's first status
    // panel, which the editor puts back afterwards.
    virtual bool writesProgress() const { return false; }
    // Shows the page of a filter by its index (see PreviewDialog); other
    // indexes leave the page as it is.
    virtual void selectFilter(int filterIndex) { (void)filterIndex; }
    // The window is being destroyed: a dialog still bound to it lets go of
    // it. Called by the windows for the dialogs registered with them.
    virtual void unbind(ImageViewer& opener) { (void)opener; }
};

}  // namespace kalvora
