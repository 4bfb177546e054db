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
    showTakenImage(ChangePosition);
}

void PreviewWindow::SetBitmapArea(cBitmap& NewBitmap, const platform::PixelRect& area, bool ChangePosition)
{
    if (!copyAreaIntoShown(NewBitmap, area)) {
        SetBitmap(NewBitmap, ChangePosition);
        return;
    }
    showTakenImage(ChangePosition);
}

void PreviewWindow::showTakenImage(bool ChangePosition)
{
    ImageView& v = view();
    if (ChangePosition) {
        v.OptimalZoom();
        v.CenterSmallImage(true);
    }
    setWindowTitle(kCaption);
    ShowPicture();
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
