#include "app/ClipboardLossHold.h"

#include <QGuiApplication>
#include <cstring>
#include <xcb/xcb.h>

namespace kalvora {

ClipboardLossHold::ClipboardLossHold() { QCoreApplication::instance()->installNativeEventFilter(this); }

ClipboardLossHold::~ClipboardLossHold()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
    if (m_held.empty()) return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return;
    // Sent to the window that owned the selection, which this program made:
    // the server hands the event to this program alone.
    for (const auto& event : m_held) {
        const auto* clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event.data());
        xcb_send_event(x11->connection(), 0, clear->owner, XCB_EVENT_MASK_NO_EVENT, event.data());
    }
    xcb_flush(x11->connection());
}

bool ClipboardLossHold::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t") return false;
    // The high bit marks an event another client sent, such as one sent back
    // by an inner hold.
    if ((static_cast<const xcb_generic_event_t*>(message)->response_type & 0x7F) != XCB_SELECTION_CLEAR) return false;
    std::array<char, 32> event;
    std::memcpy(event.data(), message, event.size());
    m_held.push_back(event);
    return true;
}

}  // namespace kalvora
