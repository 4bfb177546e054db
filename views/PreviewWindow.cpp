#include "views/PreviewWindow.h"

#include <QCloseEvent>

namespace kalvora {

namespace {

const QString kCaption = QStringLiteral("Preview");

}  // namespace

PreviewWindow::PreviewWindow(QWidget* parent) : QWidget(parent), ImageViewer(this, false)
{
    setObjectName(QStringLiteral("PreviewWindow"));
    setWindowTitle(kCaption);
    setFocusPolicy(Qt::StrongFocus);
}

void PreviewWindow::SetBitmap(cBitmap& NewBitmap, bool ChangePosition)
{
    if (NewBitmap.Width() <= 0 || NewBitmap.Height() <= 0) return;
    if (!takeCopyOf(NewBitmap)) return;
    ImageView& v = view();
    v.imgWidth = v.Bitmap.Width();
    v.imgHeight = v.Bitmap.Height();
    if (ChangePosition) {
        v.OptimalZoom();
        v.CenterSmallImage(true);
    }
    setWindowTitle(kCaption);
    ShowPicture();
}

bool PreviewWindow::takeCopyOf(cBitmap& NewBitmap)
{
    // An image of the same size and format is copied into the shown one:
    // during a run every report brings one, and fresh memory for each would
    // cost more than the copy itself.
    platform::Image* shown = view().Bitmap.Handle();
    const platform::Image* source = NewBitmap.Handle();
    const bool sameShape = shown && source && shown->width() == source->width() &&
                           shown->height() == source->height() && shown->format() == source->format();
    if (sameShape && shown->copyPixelsFrom(*source) == platform::Ok) return true;
    // A fresh copy is made first, so a copy that fails leaves the shown image.
    cBitmap copy;
    if (copy.CreateFromClone(NewBitmap.Width(), NewBitmap.Height(), NewBitmap.Handle(), NewBitmap.PixelFormat()) !=
        platform::Ok)
        return false;
    view().Bitmap = std::move(copy);
    return true;
}

void PreviewWindow::CenterImage()
{
    view().Zoom_CenterImage(view().Zoom);
    ShowPicture();
}

void PreviewWindow::OptimalView()
{
    view().OptimalZoom();
    view().CenterSmallImage(true);
    ShowPicture();
}

void PreviewWindow::FitWindowView()
{
    view().FitToWindow();
    ShowPicture();
}

void PreviewWindow::ShowTiles()
{
    view().TileMode = !view().TileMode;
    ShowPicture();
}

void PreviewWindow::setClosePermission(std::function<bool()> mayClose) { m_mayClose = std::move(mayClose); }

void PreviewWindow::closeEvent(QCloseEvent* event)
{
    if (m_mayClose && !m_mayClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace kalvora
