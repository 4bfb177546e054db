#pragma once

#include "app/QtClipboardService.h"
#include "app/QtCursorService.h"
#include "app/QtDesktopService.h"
#include "app/QtMessageBoxService.h"

class QWidget;

namespace kalvora {

// The four platform services on Qt, installed for the lifetime of the
// object; the cursor service works on the given main window.
class QtServices {
public:
    explicit QtServices(QWidget* mainWindow);
    ~QtServices();
    QtServices(const QtServices&) = delete;
    QtServices& operator=(const QtServices&) = delete;

private:
    QtMessageBoxService m_messageBox;
    QtCursorService m_cursor;
    QtClipboardService m_clipboard;
    QtDesktopService m_desktop;
};

}  // namespace kalvora
