#include "views/PreviewWindow.h"

#include <QCloseEvent>
#include <algorithm>
#include <climits>
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
    SetBitmapArea(NewBitmap, {0, 0, NewBitmap.Width(), NewBitmap.Height()}, ChangePosition);
}

bool PreviewWindow::SetBitmapArea(cBitmap& NewBitmap, const platform::PixelRect& area, bool ChangePosition)
{
    const platform::Image* source = NewBitmap.Handle();
    if (!source) return true;
    if (!isShownShape(*source) && !startPictureOf(*source)) {
        // No memory suits it: all of it at once, in fresh memory.
        if (!copyWhole(NewBitmap)) return false;
    } else {
        if (!copyAreaIntoShown(NewBitmap, area)) return true;
        rowsCame(area);
    }
    m_broughtThisRun = true;
    showTakenImage(ChangePosition);
    return true;
}

bool PreviewWindow::copyWhole(cBitmap& NewBitmap)
{
    // The copy is made first, so one that fails leaves the shown picture.
    cBitmap copy;
    if (copy.CreateFromClone(NewBitmap.Width(), NewBitmap.Height(), NewBitmap.Handle(), NewBitmap.PixelFormat()) !=
        platform::Ok)
        return false;
    adoptMemory(copy.releaseImage());
    view().shownRows = INT32_MAX;
    return true;
}

bool PreviewWindow::startPictureOf(const platform::Image& image)
{
    std::unique_ptr<platform::Image> memory;
    if (shownMemorySuits(image)) {
        memory = Bitmap().releaseImage();
        if (memory->reshape(image.width(), image.height(), image.format()) != platform::Ok) {
            adoptMemory(std::move(memory));
            return false;
        }
    } else {
        memory = m_reserve.take(image.width(), image.height(), image.format());
        if (!memory) return false;
    }
    // The picture it held is gone: none of the new one has come.
    adoptMemory(std::move(memory));
    view().shownRows = 0;
    return true;
}

void PreviewWindow::rowsCame(const platform::PixelRect& area)
{
    int32_t& shown = view().shownRows;
    if (shown >= imgHeight()) return;
    if (area.x <= 0 && area.x + area.width >= imgWidth() && area.y <= shown)
        shown = std::max(shown, area.y + area.height);
    if (shown >= imgHeight()) shown = INT32_MAX;
}

int32_t PreviewWindow::comingFrom() const { return pictureComing() ? view().shownRows : 0; }

bool PreviewWindow::pictureComing() const { return view().shownRows < view().imgHeight; }

bool PreviewWindow::isShownShape(const platform::Image& image)
{
    const platform::Image* shown = Bitmap().Handle();
    return shown && shown->width() == image.width() && shown->height() == image.height() &&
           shown->format() == image.format();
}

bool PreviewWindow::shownMemorySuits(const platform::Image& image)
{
    const platform::Image* shown = Bitmap().Handle();
    return shown && ImageMemoryReserve::suits(shown->capacity(), platform::Image::byteSizeFor(
                                                                     image.width(), image.height(), image.format()));
}

bool PreviewWindow::canTakeAtOnce(const cBitmap& image)
{
    const platform::Image* source = image.Handle();
    if (!source || isShownShape(*source) || shownMemorySuits(*source)) return true;
    m_reserve.reserve(source->width(), source->height(), source->format());
    return m_reserve.isReady();
}

void PreviewWindow::beginRun()
{
    m_broughtThisRun = false;
    view().shownRows = 0;
    ShowPicture();
}

void PreviewWindow::endRun(bool failed)
{
    m_reserve.release();
    if (m_broughtThisRun && !failed) return;
    if (m_broughtThisRun) {
        // The failed run's rows have replaced part of the previous picture,
        // and the rest is not the run's: no texture is shown.
        Bitmap().Dispose();
        imgWidth() = 0;
        imgHeight() = 0;
    }
    view().shownRows = INT32_MAX;
    ShowPicture();
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
