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
    // one it was given: when the shown copy has the new image's size and
    // format, only the area's pixels are copied; otherwise the whole image is.
    void SetBitmapArea(cBitmap& NewBitmap, const platform::PixelRect& area, bool ChangePosition);
    // Centres the image at the current zoom and redraws.
    void CenterImage();
    // 100 % centred when the image is smaller than the view both ways, else
    // fitted to the view; then redraws.
    void OptimalView();
    void FitWindowView();
    // Turns the tiled view on or off and redraws.
    void ShowTiles();

    // Whether the image can be taken now without fresh memory: the shown
    // image's memory holds it, or memory readied for it ahead does. When
    // not, memory for it starts being readied (see readyMemory).
    bool canTakeAtOnce(const cBitmap& image);
    // Readies part of that memory, for about budgetMs of the clock.
    void readyMemory(int64_t budgetMs, const std::function<int64_t()>& clock);

    // Asked whenever the window is about to close; while none is installed,
    // closing is allowed.
    void setClosePermission(std::function<bool()> mayClose);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The view after a new image: reset when asked, caption, redraw.
    void showTakenImage(bool ChangePosition);
    // Makes the readied memory the shown image's when the image needs it,
    // or when it is ready and larger than the shown image's; true when
    // taken (all of the image is copied next).
    bool takeReadiedMemoryFor(const cBitmap& image);

    std::function<bool()> m_mayClose;
    ImageMemoryReserve m_reserve;
};

}  // namespace kalvora
