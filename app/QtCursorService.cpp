#include "app/QtCursorService.h"

#include <QWidget>

namespace kalvora {

QtCursorService::QtCursorService(QWidget* window) : m_window(window) {}

void QtCursorService::setBusy()
{
    if (m_window) m_window->setCursor(Qt::WaitCursor);
}

void QtCursorService::setNormal()
{
    if (m_window) m_window->setCursor(Qt::ArrowCursor);
}

}  // namespace kalvora
