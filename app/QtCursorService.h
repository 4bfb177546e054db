#pragma once

#include <QPointer>

#include "platform/Services.h"

class QWidget;

namespace kalvora {

// The busy cursor (the wait cursor) and the normal one (the arrow) on the
// main window. No count and no stack: the last call decides.
class QtCursorService : public platform::CursorService {
public:
    explicit QtCursorService(QWidget* window);

    void setBusy() override;
    void setNormal() override;

private:
    QPointer<QWidget> m_window;
};

}  // namespace kalvora
