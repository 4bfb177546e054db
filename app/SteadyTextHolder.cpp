#include "app/SteadyTextHolder.h"

#include <QLabel>

namespace kalvora {

SteadyTextHolder::SteadyTextHolder(QLabel* label, int lines, QWidget* parent)
    : QWidget(parent), m_label(label), m_lines(lines)
{
    m_label->setParent(this);
    // The label paints its own background, so a new text repaints the label
    // alone and not every widget under it up to the window.
    m_label->setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize SteadyTextHolder::sizeHint() const { return minimumSizeHint(); }

QSize SteadyTextHolder::minimumSizeHint() const
{
    const QMargins margins = m_label->contentsMargins();
    const int height = m_lines * m_label->fontMetrics().lineSpacing() + margins.top() + margins.bottom() +
                       2 * m_label->margin();
    return {1, height};
}

void SteadyTextHolder::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_label->setGeometry(rect());
}

}  // namespace kalvora
