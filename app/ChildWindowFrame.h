#pragma once

#include <QFrame>
#include <functional>

class QLabel;
class QToolButton;

namespace kalvora {

// One docked child of the main window: a title strip with the child's
// caption and a close box, and the child beneath it. The frame's geometry
// is the child window's place in the docking layout; it may be made smaller
// than its contents need, which are then cut, never the layout changed.
class ChildWindowFrame : public QFrame {
    Q_OBJECT
public:
    // closeRequest runs when the close box is clicked.
    ChildWindowFrame(QWidget* child, std::function<void()> closeRequest, QWidget* parent);

    QWidget* child() const { return m_child; }
    QString caption() const;

private:
    QWidget* m_child;
    QLabel* m_caption;
    QToolButton* m_closeBox;
};

}  // namespace kalvora
