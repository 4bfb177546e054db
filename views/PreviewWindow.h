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
    // one it was given. An image of the shown size and format has only the
    // area's pixels copied. An image of another shape is gathered apart, in
    // memory readied for it ahead, over as many calls as its areas take
    // (each a band of whole rows, top down), and shown once complete; the
    // shown picture stays meanwhile. Without such memory the whole image
    // is copied at once. False when an image of another shape could get no
    // memory at all: the shown picture stays.
    bool SetBitmapArea(cBitmap& NewBitmap, const platform::PixelRect& area, bool ChangePosition);
    // Centres the image at the current zoom and redraws.
    void CenterImage();
    // 100 % centred when the image is smaller than the view both ways, else
    // fitted to the view; then redraws.
    void OptimalView();
    void FitWindowView();
    // Turns the tiled view on or off and redraws.
    void ShowTiles();

    // Whether the image's areas can be taken now without fresh memory: it
    // has the shown image's shape, or memory readied ahead holds it. When
    // not, memory for it starts being readied (see readyMemory).
    bool canTakeAtOnce(const cBitmap& image);
    // Readies part of that memory, for about budgetMs of the clock.
    void readyMemory(int64_t budgetMs, const std::function<int64_t()>& clock);
    // An image of a new shape is being gathered: part of it has come.
    bool gatheringNewSize() const { return m_reserve.gathering(); }
    // The row from which that image still has to come (0 when none is
    // being gathered).
    int32_t gatherFront() const { return m_reserve.gathering() ? m_reserve.gatheredRows() : 0; }

    // Asked whenever the window is about to close; while none is installed,
    // closing is allowed.
    void setClosePermission(std::function<bool()> mayClose);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The view after a new image: reset when asked, caption, redraw.
    void showTakenImage(bool ChangePosition);
    // Gathers the area of an image of another shape in the readied memory
    // and shows it once complete; false when that memory cannot take it.
    bool showGathered(cBitmap& NewBitmap, const platform::PixelRect& area, bool ChangePosition);
    bool isShownShape(const platform::Image& image);

    std::function<bool()> m_mayClose;
    ImageMemoryReserve m_reserve;
    bool m_resetWhenShown = false;
};

}  // namespace kalvora
