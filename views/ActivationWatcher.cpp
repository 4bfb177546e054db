#include "views/ActivationWatcher.h"

#include <QEvent>
#include <QWidget>

namespace kalvora {

ActivationWatcher::ActivationWatcher(QWidget* window, std::function<void()> activated)
    : QObject(window), m_window(window), m_activated(std::move(activated))
{
    window->installEventFilter(this);
}

bool ActivationWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window) {
        const bool becameActive = event->type() == QEvent::ActivationChange && m_window->isActiveWindow();
        if (becameActive || event->type() == QEvent::FocusIn) m_activated();
    }
    return false;
}

}  // namespace kalvora
