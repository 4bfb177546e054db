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
    takeReadiedMemoryFor(NewBitmap);
    if (!takeCopyOf(NewBitmap)) return;
    showTakenImage(ChangePosition);
}

void PreviewWindow::SetBitmapArea(cBitmap& NewBitmap, const platform::PixelRect& area, bool ChangePosition)
{
    const bool wholeImage = takeReadiedMemoryFor(NewBitmap);
    if (!copyAreaIntoShown(NewBitmap, wholeImage ? platform::PixelRect{0, 0, NewBitmap.Width(), NewBitmap.Height()}
                                                  : area)) {
        SetBitmap(NewBitmap, ChangePosition);
        return;
    }
    showTakenImage(ChangePosition);
}

bool PreviewWindow::canTakeAtOnce(const cBitmap& image)
{
    const platform::Image* source = image.Handle();
    if (!source) return true;
    const int32_t w = source->width();
    const int32_t h = source->height();
    const platform::PixelFormatId format = source->format();
    const platform::Image* shown = Bitmap().Handle();
    if (shown && platform::Image::byteSizeFor(w, h, format) <= shown->capacity()) return true;
    if (m_reserve.isReady() && m_reserve.holds(w, h, format)) return true;
    m_reserve.reserve(w, h, format);
    return m_reserve.isReady();
}

void PreviewWindow::readyMemory(int64_t budgetMs, const std::function<int64_t()>& clock)
{
    if (!m_reserve.isReady()) m_reserve.ready(budgetMs, clock);
}

bool PreviewWindow::takeReadiedMemoryFor(const cBitmap& image)
{
    const platform::Image* source = image.Handle();
    const platform::Image* shown = Bitmap().Handle();
    if (!source || !m_reserve.holds(source->width(), source->height(), source->format())) return false;
    const bool sameShape = shown && shown->width() == source->width() && shown->height() == source->height() &&
                           shown->format() == source->format();
    const int64_t shownCapacity = shown ? shown->capacity() : 0;
    const bool shownHolds = platform::Image::byteSizeFor(source->width(), source->height(), source->format()) <=
                            shownCapacity;
    // Memory held already is used while readied memory is not ready or no
    // larger: taking it then would spend page faults or give nothing.
    if (sameShape || (shownHolds && (!m_reserve.isReady() || m_reserve.capacity() <= shownCapacity))) return false;
    adoptMemory(m_reserve.take(source->width(), source->height(), source->format()));
    return true;
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
