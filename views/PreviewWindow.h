#pragma once

#include <QWidget>
#include <functional>

#include "uicore/ImageMemoryReserve.h"
#include "views/ImageViewer.h"

namespace kalvora {

// The window that shows the generated texture, redrawn live while it is
// drawn. It keeps its own copy of every image it is given and always draws
// with nearest neighbour. Closing it means closing the program, so a close
// request asks the permission callback its owner installs.
class PreviewWindow : public QWidget, public ImageViewer {
    Q_OBJECT
public:
    explicit PreviewWindow(QWidget* parent = nullptr);

    // Shows a copy of the bitmap (kept in its pixel format); an empty bitmap
    // is ignored. With ChangePosition the view is reset: 100 % centred for a
    // small image, fitted otherwise; without it zoom and position stay.
    void SetBitmap(cBitmap& NewBitmap, bool ChangePosition = true) override;
    // The same for an image of which only the area changed since the last
    // one it was given: its pixels there are copied into the shown picture.
    // An image of another shape takes the shown picture's memory when that
    // suits it, or memory readied ahead for it; a picture in new memory is
    // shown from its top down as far as its rows have come in areas of the
    // whole width. Without such memory the whole image is copied at once.
    // False only when an image of another shape could get no memory at all:
    // the shown picture stays.
    bool SetBitmapArea(cBitmap& NewBitmap, const platform::PixelRect& area, bool ChangePosition);
    // Centres the image at the current zoom and redraws.
    void CenterImage();
    // 100 % centred when the image is smaller than the view both ways, else
    // fitted to the view; then redraws.
    void OptimalView();
    void FitWindowView();
    // Turns the tiled view on or off and redraws.
    void ShowTiles();

    // A run begins: the picture shown is the run's own from here on, so the
    // view is empty until the run's rows come (the memory still holds the
    // previous picture, which shows again when the run brings nothing).
    void beginRun();
    // The run has ended: a run that brought nothing leaves the previous
    // picture shown; a failed run that brought some rows leaves none, since
    // they replaced part of the previous one; memory readied for a picture
    // that never came is given back.
    void endRun(bool failed = false);
    // Whether the image's areas can be taken now without fresh memory: it
    // has the shown picture's shape, the shown memory suits it, or memory
    // readied ahead holds it. When not, memory for it starts being readied.
    bool canTakeAtOnce(const cBitmap& image);
    // The row from which the shown picture still has to come; 0 when it is
    // whole.
    int32_t comingFrom() const;
    bool pictureComing() const;

    // Asked whenever the window is about to close; while none is installed,
    // closing is allowed.
    void setClosePermission(std::function<bool()> mayClose);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The view after a new image: reset when asked, caption, redraw.
    void showTakenImage(bool ChangePosition);
    bool isShownShape(const platform::Image& image);
    // Whether the shown picture's memory suits an image of that shape.
    bool shownMemorySuits(const platform::Image& image);
    // Makes the shown picture an empty one of the image's shape, in the
    // shown memory or in memory readied for it; false when neither holds it.
    bool startPictureOf(const platform::Image& image);
    // Shows a copy of all of the image in fresh memory; false when none can
    // be had.
    bool copyWhole(cBitmap& NewBitmap);
    // Rows from the top that have come; the picture is whole once all have.
    void rowsCame(const platform::PixelRect& area);

    std::function<bool()> m_mayClose;
    ImageMemoryReserve m_reserve;
    bool m_broughtThisRun = false;
};

}  // namespace kalvora
