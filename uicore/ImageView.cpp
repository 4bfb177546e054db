#include "uicore/ImageView.h"

#include <cmath>
#include <cstdio>

#include "imaging/GDIPSupport.h"
#include "platform/Clock.h"
#include "platform/Numeric.h"
#include "platform/PixelFormat.h"
#include "platform/Surface.h"

namespace kalvora {

namespace {

constexpr float kMinimumZoom = 2;
// Drag redraws come at most this often, in seconds.
constexpr double kDragRedrawInterval = 0.02;

// The value rounded half to even, in decimal digits without an exponent.
std::string wholeNumber(double v)
{
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", platform::roundHalfEven(v));
    return text;
}

// A mouse movement in whole view pixels, rounded half to even.
int32_t viewPixels(double delta) { return platform::roundToInt32(delta); }

// One axis of the clip: the destination span [d, d + dl) cut to [0, limit)
// and the source span [s, s + sl) cut with it at the zoom.
void clipAxis(float d, float dl, float s, float sl, int32_t limit, float zoom, float& outD, float& outDl, float& outS,
              float& outSl)
{
    outD = d;
    outDl = dl;
    outS = s;
    outSl = sl;
    if (d < 0) {
        const float cut = static_cast<float>(-d / static_cast<double>(zoom) * 100.0);
        outS = s + cut;
        outSl = sl - cut;
        outD = 0;
        outDl = dl + d;
    }
    // Every draw is cut at the far edge too, also one that starts before the view.
    if (outD + outDl > limit) {
        outSl = static_cast<float>(outSl - (outD + static_cast<double>(outDl) - limit) / zoom * 100.0);
        outDl = limit - outD;
    }
}

}  // namespace

ImageView::ImageView(bool drawWhenEmpty) : m_drawWhenEmpty(drawWhenEmpty), m_clock(platform::secondsSinceMidnight)
{
    m_panels = {"Zoom: 100 %", "0; 0  [0 x 0]", ""};
}

void ImageView::setPanelText(int panel, const std::string& text)
{
    m_panels.at(panel - 1) = text;
    if (m_panelListener) m_panelListener(panel, text);
}

void ImageView::setPanelListener(std::function<void(int, const std::string&)> listener)
{
    m_panelListener = std::move(listener);
}

void ImageView::setClock(std::function<double()> clock) { m_clock = std::move(clock); }

void ImageView::resize(int32_t width, int32_t height)
{
    WndWidth = std::max(width, 0);
    WndHeight = std::max(height, 0);
    CenterSmallImage(true);
}

bool ImageView::ShowPicture()
{
    if (!m_drawWhenEmpty && (imgWidth < 1 || imgHeight < 1)) return false;
    if (!prepareBuffer()) return false;
    render();
    ++m_renders;
    return true;
}

// The back buffer at the view's size; it is reused while the size stays.
bool ImageView::prepareBuffer()
{
    if (WndWidth < 1 || WndHeight < 1) return false;
    if (BufferBitmap.Handle() && BufferBitmap.Width() == WndWidth && BufferBitmap.Height() == WndHeight &&
        BufferGraphics.Handle()) {
        BufferGraphics.SetInterpolationMode(CurrentInterpolationMode);
        return true;
    }
    BufferGraphics.Dispose();
    BufferBitmap.Dispose();
    if (BufferBitmap.CreateFromScan0(WndWidth, WndHeight, 0, platform::kFormat32bppARGB) != platform::Ok) return false;
    if (BufferGraphics.GetGraphicsContext(BufferBitmap.Handle()) != platform::Ok) return false;
    BufferGraphics.SetInterpolationMode(CurrentInterpolationMode);
    BufferGraphics.Handle()->setPixelOffsetMode(platform::PixelOffsetMode::HighQuality);
    return true;
}

void ImageView::render()
{
    const uint8_t red = GDIPSupport::LowByte(m_backColor);
    const uint8_t green = GDIPSupport::LowByte(GDIPSupport::ShiftRight8(m_backColor));
    const uint8_t blue = GDIPSupport::LowByte(GDIPSupport::ShiftRight16(m_backColor));
    BufferGraphics.Clear(GDIPSupport::ColorARGB(255, red, green, blue));
    drawImage();
}

// The image at the true scale Zoom / 100: every buffer pixel whose centre
// lies inside the image's (or a tile's) rectangle is drawn from it. Failed
// draws leave the background.
void ImageView::drawImage()
{
    const platform::Image* image = Bitmap.Handle();
    if (!image || imgWidth < 1 || imgHeight < 1) return;
    const double sw = static_cast<float>(Zoom * static_cast<double>(imgWidth) / 100.0);
    const double sh = static_cast<float>(Zoom * static_cast<double>(imgHeight) / 100.0);
    const double x0 = static_cast<float>(StartX * static_cast<double>(Zoom) / 100.0);
    const double y0 = static_cast<float>(StartY * static_cast<double>(Zoom) / 100.0);
    platform::Surface& surface = *BufferGraphics.Handle();
    if (!TileMode) {
        surface.drawImageRectRectF(*image, platform::RectF{x0, y0, sw, sh},
                                   platform::RectF{0, 0, double(imgWidth), double(imgHeight)}, nullptr, shownRows);
        return;
    }
    if (!(sw > 0) || !(sh > 0) || !std::isfinite(x0) || !std::isfinite(y0)) return;
    // The tile at or left of and above the view's corner, on the grid through
    // the image's origin; fmod is exact, so a far pan loses nothing.
    auto firstTile = [](double origin, double size) {
        const double r = std::fmod(origin, size);
        return r > 0 ? r - size : r;
    };
    surface.drawImageTiled(*image, platform::RectF{firstTile(x0, sw), firstTile(y0, sh), sw, sh}, shownRows);
}

void ImageView::Zoom_CenterImage(float FitToZoom)
{
    StartX = static_cast<float>((WndWidth / static_cast<double>(FitToZoom) * 100.0 - imgWidth) / 2.0);
    StartY = static_cast<float>((WndHeight / static_cast<double>(FitToZoom) * 100.0 - imgHeight) / 2.0);
}

void ImageView::SetZoom(float z)
{
    if (z == Zoom) return;
    const float cx = GetCenterX();
    const float cy = GetCenterY();
    Zoom = z < kMinimumZoom ? kMinimumZoom : z;
    RestoreCenter(cx, cy);
    showZoomText();
}

void ImageView::showZoomText() { setPanelText(1, "Zoom: " + wholeNumber(Zoom) + " %"); }

void ImageView::Background_Black() { Background_Color(0x000000); }

void ImageView::Background_White() { Background_Color(0xFFFFFF); }

void ImageView::Background_Color(int32_t color)
{
    setBackColor(color);
    ShowPicture();
}

float ImageView::GetCenterX() const { return static_cast<float>(WndWidth / 2.0 / Zoom * 100.0 - StartX); }

float ImageView::GetCenterY() const { return static_cast<float>(WndHeight / 2.0 / Zoom * 100.0 - StartY); }

void ImageView::RestoreCenter(float cx, float cy)
{
    StartX = static_cast<float>(StartX + static_cast<double>(GetCenterX()) - cx);
    StartY = static_cast<float>(StartY + static_cast<double>(GetCenterY()) - cy);
}

void ImageView::CenterSmallImage(bool Force)
{
    if (TileMode) return;
    const double vw = platform::roundHalfEven(WndWidth / static_cast<double>(Zoom) * 100.0);
    const double vh = platform::roundHalfEven(WndHeight / static_cast<double>(Zoom) * 100.0);
    const bool fitsX = vw >= imgWidth;
    const bool fitsY = vh >= imgHeight;
    if (Force) {
        if (fitsX && fitsY) Zoom_CenterImage(Zoom);
        return;
    }
    const float keepX = StartX;
    const float keepY = StartY;
    Zoom_CenterImage(Zoom);
    if (!fitsX) StartX = keepX;
    if (!fitsY) StartY = keepY;
}

void ImageView::OptimalZoom()
{
    // A direction in which the image has no size counts as fitting.
    const bool smallX = imgWidth == 0 || static_cast<double>(WndWidth) / imgWidth > 1.0;
    const bool smallY = imgHeight == 0 || static_cast<double>(WndHeight) / imgHeight > 1.0;
    if (smallX && smallY) {
        Zoom_CenterImage(100);
        SetZoom(100);
        return;
    }
    FitToWindow();
}

void ImageView::FitToWindow()
{
    if (imgWidth == 0 || imgHeight == 0) return;
    const double fx = static_cast<double>(WndWidth) / imgWidth * 100.0;
    const double fy = static_cast<double>(WndHeight) / imgHeight * 100.0;
    SetZoom(static_cast<float>(fx >= fy ? fy : fx));
    Zoom_CenterImage(Zoom);
}

void ImageView::ZoomIn() { SetZoom(Zoom + 10); }

void ImageView::ZoomOut()
{
    if (Zoom > 10)
        SetZoom(Zoom - 10);
    else if (Zoom > 2)
        SetZoom(Zoom - 1);
}

void ImageView::MoveImage(int32_t dx, int32_t dy)
{
    StartX = static_cast<float>(StartX + dx / static_cast<double>(Zoom) * 100.0);
    StartY = static_cast<float>(StartY + dy / static_cast<double>(Zoom) * 100.0);
}

ImageView::ClippedDraw ImageView::DrawImageClipped(float dx, float dy, float dw, float dh, float sx, float sy, float sW,
                                                   float sH) const
{
    ClippedDraw c{};
    clipAxis(dx, dw, sx, sW, WndWidth, Zoom, c.dstX, c.dstWidth, c.srcX, c.srcWidth);
    clipAxis(dy, dh, sy, sH, WndHeight, Zoom, c.dstY, c.dstHeight, c.srcY, c.srcHeight);
    c.dstWidth += 1;
    c.dstHeight += 1;
    return c;
}

ViewEventResult ImageView::result(int64_t rendersBefore) const
{
    return ViewEventResult{m_cursor, m_renders != rendersBefore};
}

ViewEventResult ImageView::mouseDown(ViewButton button, double x, double y)
{
    const int64_t before = m_renders;
    if (button == ViewButton::Left) {
        if (m_zoomDragging) {
            m_cursor = CursorOpenHand;
            m_zoomDragging = false;
            showZoomText();
            ShowPicture();
        } else {
            m_cursor = CursorClosedHand;
            DragStartX = viewPixels(x);
            DragStartY = viewPixels(y);
            m_panning = true;
        }
    } else if (button == ViewButton::Right) {
        if (m_panning) {
            m_cursor = CursorOpenHand;
            m_panning = false;
            ShowPicture();
        } else {
            m_cursor = CursorMagnifier;
            DragStartX = viewPixels(x);
            DragStartY = viewPixels(y);
            m_zoomDragging = true;
        }
    }
    return result(before);
}

ViewEventResult ImageView::mouseMove(bool buttonDown, double x, double y)
{
    const int64_t before = m_renders;
    showPointerTexts(x, y);
    if (!buttonDown || throttled()) return result(before);
    if (m_panning)
        dragPan(x, y);
    else if (m_zoomDragging)
        dragZoom(x);
    return result(before);
}

void ImageView::showPointerTexts(double x, double y)
{
    const double ix = x / Zoom * 100.0 - 0.5 - StartX;
    const double iy = y / Zoom * 100.0 - 0.5 - StartY;
    std::string size = "[";
    size += std::to_string(imgWidth);
    size += " x ";
    size += std::to_string(imgHeight);
    size += "]";
    if (!(ix > -0.5 && ix < imgWidth - 0.5 && iy > -0.5 && iy < imgHeight - 0.5)) {
        setPanelText(2, size);
        setPanelText(3, "");
        return;
    }
    const int32_t px = platform::roundToInt32(ix);
    const int32_t py = platform::roundToInt32(iy);
    const uint32_t c = static_cast<uint32_t>(Bitmap.GetPixelARGB(px, py));
    setPanelText(2, std::to_string(px) + ", " + std::to_string(py) + "  " + size);
    std::string colour = "A: ";
    colour += std::to_string(c >> 24);
    colour += "   R: ";
    colour += std::to_string((c >> 16) & 0xFF);
    colour += "   G: ";
    colour += std::to_string((c >> 8) & 0xFF);
    colour += "   B: ";
    colour += std::to_string(c & 0xFF);
    setPanelText(3, colour);
}

// True while a drag redraw is not due yet. A due time more than a second
// ahead means the clock passed midnight, and the move goes on.
bool ImageView::throttled()
{
    const double t = m_clock();
    if (t < NextDragRedraw && NextDragRedraw - t <= 1.0) return true;
    NextDragRedraw = static_cast<float>(t + kDragRedrawInterval);
    return false;
}

void ImageView::dragPan(double x, double y)
{
    const float keepX = StartX;
    const float keepY = StartY;
    MoveImage(viewPixels(x - DragStartX), viewPixels(y - DragStartY));
    ShowPicture();
    StartX = keepX;
    StartY = keepY;
}

void ImageView::dragZoom(double x)
{
    const float keepZoom = Zoom;
    const float keepX = StartX;
    const float keepY = StartY;
    const float z = static_cast<float>(x - DragStartX + Zoom);
    SetZoom(z);
    if (Zoom == z)
        ShowPicture();
    else
        // Below the minimum zoom: the drag origin follows the mouse, so moving
        // back zooms in again at once.
        DragStartX = platform::roundToInt32((static_cast<double>(z) - Zoom) + DragStartX);
    Zoom = keepZoom;
    StartX = keepX;
    StartY = keepY;
}

ViewEventResult ImageView::mouseUp(ViewButton button, double x, double y)
{
    const int64_t before = m_renders;
    if (button == ViewButton::Left && m_panning) {
        m_panning = false;
        MoveImage(viewPixels(x - DragStartX), viewPixels(y - DragStartY));
        ShowPicture();
    } else if (button == ViewButton::Right && m_zoomDragging) {
        m_zoomDragging = false;
        SetZoom(Zoom + viewPixels(x - DragStartX));
        showZoomText();
        CenterSmallImage(true);
        ShowPicture();
    }
    m_cursor = CursorOpenHand;
    return result(before);
}

}  // namespace kalvora
