#include "views/PreviewWindow.h"

#include <QCloseEvent>
#include <utility>

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
    const platform::PixelRect whole{0, 0, NewBitmap.Width(), NewBitmap.Height()};
    if (showGathered(NewBitmap, whole, ChangePosition)) return;
    if (!takeCopyOf(NewBitmap)) return;
    showTakenImage(ChangePosition);
}

bool PreviewWindow::SetBitmapArea(cBitmap& NewBitmap, const platform::PixelRect& area, bool ChangePosition)
{
    const platform::Image* source = NewBitmap.Handle();
    if (!source) return true;
    if (isShownShape(*source)) {
        if (!copyAreaIntoShown(NewBitmap, area)) return true;
        showTakenImage(ChangePosition);
        return true;
    }
    if (showGathered(NewBitmap, area, ChangePosition)) return true;
    SetBitmap(NewBitmap, ChangePosition);
    return isShownShape(*source);
}

bool PreviewWindow::showGathered(cBitmap& NewBitmap, const platform::PixelRect& area, bool ChangePosition)
{
    const platform::Image* source = NewBitmap.Handle();
    if (!source || isShownShape(*source) || !m_reserve.gather(*source, area)) return false;
    // The shown picture stays until all of the new one has come; a view
    // reset asked for meanwhile is made when it is shown.
    m_resetWhenShown = m_resetWhenShown || ChangePosition;
    if (!m_reserve.complete()) return true;
    adoptMemory(m_reserve.exchange(Bitmap().releaseImage()));
    showTakenImage(std::exchange(m_resetWhenShown, false));
    return true;
}

bool PreviewWindow::isShownShape(const platform::Image& image)
{
    const platform::Image* shown = Bitmap().Handle();
    return shown && shown->width() == image.width() && shown->height() == image.height() &&
           shown->format() == image.format();
}

bool PreviewWindow::canTakeAtOnce(const cBitmap& image)
{
    const platform::Image* source = image.Handle();
    if (!source || isShownShape(*source)) return true;
    // Another shape is gathered in memory readied ahead, apart from the
    // shown picture.
    m_reserve.reserve(source->width(), source->height(), source->format());
    return m_reserve.isReady();
}

void PreviewWindow::readyMemory(int64_t budgetMs, const std::function<int64_t()>& clock)
{
    if (!m_reserve.isReady()) m_reserve.ready(budgetMs, clock);
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
