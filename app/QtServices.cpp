#include "app/QtServices.h"

namespace kalvora {

QtServices::QtServices(QWidget* mainWindow) : m_cursor(mainWindow)
{
    platform::Services::install(&m_messageBox);
    platform::Services::install(&m_cursor);
    platform::Services::install(&m_clipboard);
    platform::Services::install(&m_desktop);
}

QtServices::~QtServices()
{
    platform::Services::install(static_cast<platform::MessageBoxService*>(nullptr));
    platform::Services::install(static_cast<platform::CursorService*>(nullptr));
    platform::Services::install(static_cast<platform::ClipboardService*>(nullptr));
    platform::Services::install(static_cast<platform::DesktopService*>(nullptr));
}

}  // namespace kalvora
