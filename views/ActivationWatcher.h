#pragma once

#include <QObject>
#include <functional>

namespace kalvora {

// Calls back whenever the watched window becomes the active window or takes
// the keyboard focus.
class ActivationWatcher : public QObject {
    Q_OBJECT
public:
    ActivationWatcher(QWidget* window, std::function<void()> activated);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    std::function<void()> m_activated;
};

}  // namespace kalvora
