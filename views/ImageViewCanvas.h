#pragma once

#include <QWidget>

namespace kalvora {

class ImageView;

// The drawing area of an image window: shows the view's back buffer
// unscaled, tells the view its size, and hands it the mouse. It owns no
// state of its own.
class ImageViewCanvas : public QWidget {
    Q_OBJECT
public:
    ImageViewCanvas(ImageView& view, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void apply(int cursor, bool repaint);

    ImageView& m_view;
    int m_cursor = 0;
};

}  // namespace kalvora
