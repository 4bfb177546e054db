#include "app/LinkLabel.h"

#include <QMouseEvent>

#include "app/WebSupport.h"

namespace kalvora {

LinkLabel::LinkLabel(const char* name, const QString& text, const QString& address, QWidget* parent)
    : QLabel(text, parent), m_address(address)
{
    setObjectName(QString::fromLatin1(name));
    setCursor(Qt::PointingHandCursor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    // A click here opens the page and goes no further.
    setAttribute(Qt::WA_NoMousePropagation);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        WebSupport::OpenURL(m_address);
}

}  // namespace kalvora
