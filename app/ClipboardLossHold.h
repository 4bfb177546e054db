#pragma once

#include <QAbstractNativeEventFilter>
#include <array>
#include <vector>

namespace kalvora {

// Holds back, for as long as it lives, the X server's news that another
// program has taken the clipboard from this one. Qt deletes the clipboard's
// data on that news at once, while a paste that waits in a local event loop
// for its bytes (ClipboardPngEncoding::waitForBytes) is still inside Qt's
// handler of the request, which goes on to ask that same data for the
// request's further targets (a MULTIPLE request). When the hold ends, the
// news is sent back to this program through the server, so Qt handles it as
// it would have, once that handler has returned. Holds nest: the news an
// inner hold sends back is held again by the outer one. On other platforms
// there is no such news and the hold does nothing.
class ClipboardLossHold final : public QAbstractNativeEventFilter {
public:
    ClipboardLossHold();
    ~ClipboardLossHold() override;
    ClipboardLossHold(const ClipboardLossHold&) = delete;
    ClipboardLossHold& operator=(const ClipboardLossHold&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // Each held event as it came, the 32 bytes of an X event.
    std::vector<std::array<char, 32>> m_held;
};

}  // namespace kalvora
