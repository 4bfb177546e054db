#include "views/ImageViewCanvas.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "uicore/ImageView.h"
#include "views/PlatformColor.h"
#include "views/ViewCursors.h"

namespace kalvora {

namespace {

ViewButton viewButton(Qt::MouseButton button)
{
    if (button == Qt::LeftButton) return ViewButton::Left;
    if (button == Qt::RightButton) return ViewButton::Right;
    return ViewButton::Other;
}

}  // namespace

ImageViewCanvas::ImageViewCanvas(ImageView& view, QWidget* parent) : QWidget(parent), m_view(view)
{
    setObjectName(QStringLiteral("ImageViewCanvas"));
    setMouseTracking(true);
    // The right button zooms; it opens no context menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent);
    apply(m_view.cursor(), false);
}

// Copies the back buffer to the screen; nothing is rendered here. Before the
// first frame the background colour shows.
void ImageViewCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const platform::Image* buffer = m_view.buffer();
    if (!buffer) {
        painter.fillRect(rect(), qColorFromPlatform(m_view.BackColor()));
        return;
    }
    const QImage frame(buffer->data(), buffer->width(), buffer->height(), buffer->stride(), QImage::Format_ARGB32);
    if (frame.width() < width() || frame.height() < height()) painter.fillRect(rect(), qColorFromPlatform(m_view.BackColor()));
    painter.drawImage(0, 0, frame);
}

void ImageViewCanvas::resizeEvent(QResizeEvent*)
{
    m_view.resize(width(), height());
    m_view.ShowPicture();
    update();
}

void ImageViewCanvas::mousePressEvent(QMouseEvent* event)
{
    const ViewEventResult r = m_view.mouseDown(viewButton(event->button()), event->position().x(),
                                               event->position().y());
    apply(r.cursor, r.repaint);
}

void ImageViewCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const ViewEventResult r = m_view.mouseMove(event->buttons() != Qt::NoButton, event->position().x(),
                                               event->position().y());
    apply(r.cursor, r.repaint);
}

void ImageViewCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    const ViewEventResult r = m_view.mouseUp(viewButton(event->button()), event->position().x(),
                                             event->position().y());
    apply(r.cursor, r.repaint);
}

void ImageViewCanvas::apply(int cursor, bool repaint)
{
    if (cursor != m_cursor) {
        m_cursor = cursor;
        setCursor(viewCursor(cursor));
    }
    if (repaint) update();
}

}  // namespace kalvora
