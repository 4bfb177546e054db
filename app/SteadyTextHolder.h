#pragma once

#include <QWidget>

class QLabel;

namespace kalvora {

// Holds a label whose text changes with every progress report. The holder
// has no layout and keeps room for a fixed number of lines, so a new text
// repaints the label alone: a label inside a layout would have the whole
// window laid out again at each report.
class SteadyTextHolder : public QWidget {
public:
    SteadyTextHolder(QLabel* label, int lines, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* m_label;
    int m_lines;
};

}  // namespace kalvora
