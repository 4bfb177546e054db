#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "imaging/cBitmap.h"
#include "imaging/cGraphics.h"

namespace kalvora {

// Mouse cursors of the image view, by their resource numbers.
enum ViewCursor : int32_t {
    CursorOpenHand = 101,
    CursorClosedHand = 102,
    CursorMagnifier = 103,
};

// Mouse buttons the image view tells apart.
enum class ViewButton { Left, Right, Other };

// What a mouse event asks of the window: the cursor to show, and whether the
// back buffer was drawn anew and needs copying to the screen.
struct ViewEventResult {
    int32_t cursor = CursorOpenHand;
    bool repaint = false;
};

// The viewing engine of the two image windows, without any toolkit: it shows
// one image at a zoom on a background colour, once or tiled, renders every
// frame into an off-screen 32bpp ARGB buffer of the view's size, pans with the
// left button, zooms with the right button dragged sideways, and keeps the
// three status texts (zoom; position and size; colour under the mouse).
//
// Positions arrive in view pixels. The committed view is Zoom, StartX and
// StartY; a drag draws from temporary values and puts the committed ones back
// after each frame, so a cancelled drag leaves no trace. View commands change
// the state without drawing; callers ask for ShowPicture.
class ImageView {
public:
    // Zoom in percent: one image pixel covers Zoom / 100 view pixels.
    float Zoom = 100;
    // Size of the shown image; kept equal to Bitmap's by whoever changes it.
    int32_t imgWidth = 0;
    int32_t imgHeight = 0;
    // Size of the drawing area in view pixels.
    int32_t WndWidth = 0;
    int32_t WndHeight = 0;
    // Position of the image's top-left corner relative to the view's, in
    // image pixels.
    float StartX = 0;
    float StartY = 0;
    bool TileMode = false;
    // The shown image, always the window's own copy.
    cBitmap Bitmap;
    // The rows of the image from the top that hold the picture shown; the
    // rows below are drawn as empty (a picture whose lower part is still to
    // come, over memory that holds an older one).
    int32_t shownRows = INT32_MAX;
    // Interpolation used to draw the image into the back buffer.
    platform::InterpolationMode CurrentInterpolationMode = platform::InterpolationMode::NearestNeighbor;

    // drawWhenEmpty: render the background even without an image (the
    // editor); otherwise ShowPicture needs an image of at least 1 x 1.
    explicit ImageView(bool drawWhenEmpty = false);

    // Background behind the image as a platform colour 0x00BBGGRR.
    int32_t BackColor() const { return m_backColor; }
    void setBackColor(int32_t color) { m_backColor = color & 0xFFFFFF; }

    // The three status panels (1..3) and a listener told of every change.
    const std::string& panelText(int panel) const { return m_panels.at(panel - 1); }
    void setPanelText(int panel, const std::string& text);
    void setPanelListener(std::function<void(int panel, const std::string& text)> listener);

    // Clock in seconds since midnight, for the drag redraw throttle.
    void setClock(std::function<double()> clock);

    // Folder of the last file opened or saved, with its trailing separator.
    const std::string& lastDir() const { return LastDir; }
    void setLastDir(std::string dir) { LastDir = std::move(dir); }

    // New size of the drawing area; re-centres a small image (the caller
    // renders afterwards).
    void resize(int32_t width, int32_t height);

    // Renders the back buffer; false when nothing was drawn (no image where
    // one is needed, or a view of 0 x 0).
    bool ShowPicture();
    // The back buffer, 32bpp ARGB, WndWidth x WndHeight once rendered.
    const platform::Image* buffer() const { return BufferBitmap.Handle(); }

    void Zoom_CenterImage(float FitToZoom);
    void SetZoom(float z);
    void Background_Black();
    void Background_White();
    // Background colour from the colour dialog's answer, then a redraw.
    void Background_Color(int32_t color);

    float GetCenterX() const;
    float GetCenterY() const;
    void RestoreCenter(float cx, float cy);
    void CenterSmallImage(bool Force);
    void OptimalZoom();
    void FitToWindow();
    void ZoomIn();
    void ZoomOut();
    void MoveImage(int32_t dx, int32_t dy);

    // The clipped draw of one tile: the part of the destination rectangle
    // (dx, dy, dw, dh) inside the view and the source rectangle that follows
    // it at the current zoom. The destination is one pixel wider and taller
    // than the clipped part.
    struct ClippedDraw {
        float dstX, dstY, dstWidth, dstHeight;
        float srcX, srcY, srcWidth, srcHeight;
    };
    ClippedDraw DrawImageClipped(float dx, float dy, float dw, float dh, float sx, float sy, float sW, float sH) const;

    ViewEventResult mouseDown(ViewButton button, double x, double y);
    ViewEventResult mouseMove(bool buttonDown, double x, double y);
    ViewEventResult mouseUp(ViewButton button, double x, double y);

    bool Panning() const { return m_panning; }
    bool ZoomDragging() const { return m_zoomDragging; }
    int32_t cursor() const { return m_cursor; }

private:
    void render();
    bool prepareBuffer();
    void drawImage();
    void showZoomText();
    void showPointerTexts(double x, double y);
    bool throttled();
    void dragPan(double x, double y);
    void dragZoom(double x);
    ViewEventResult result(int64_t rendersBefore) const;

    std::string LastDir;
    int32_t DragStartX = 0;
    int32_t DragStartY = 0;
    bool m_panning = false;
    bool m_zoomDragging = false;
    cBitmap BufferBitmap;
    cGraphics BufferGraphics;
    float NextDragRedraw = 0;

    bool m_drawWhenEmpty;
    int32_t m_backColor = 0;
    int32_t m_cursor = CursorOpenHand;
    int64_t m_renders = 0;
    std::array<std::string, 3> m_panels;
    std::function<void(int, const std::string&)> m_panelListener;
    std::function<double()> m_clock;
};

}  // namespace kalvora
