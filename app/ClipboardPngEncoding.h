#pragma once

#include <QByteArray>
#include <QObject>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Image.h"

namespace kalvora {

// The PNG file of a picture on the clipboard, made by the program's own PNG
// writer on a thread of its own (its segments deflate side by side on the
// pool), starting at once: a 16384 x 16384 texture takes seconds, which the
// window does not wait for. Lives on the UI thread; only the encoding runs
// on the other thread.
class ClipboardPngEncoding : public QObject {
    Q_OBJECT
public:
    explicit ClipboardPngEncoding(std::shared_ptr<const platform::Image> picture);
    // Stops the encoding first (see stop).
    ~ClipboardPngEncoding() override;

    // Whether the encoding has ended, done, failed or cancelled.
    bool finished() const;
    // The clipboard no longer offers the picture: the encoding stops at its
    // next segment, unless a paste is waiting for its bytes.
    void abandon();
    // Cancels the encoding and returns once its thread has ended.
    void stop();

    // The file's bytes, empty when the encoding failed or was cancelled. A
    // paste that asks before the end waits for it in a local event loop that
    // holds back user input, so the window still repaints and answers the
    // window manager. Asked inside a loop of the pool (a run's yield), it
    // does not wait.
    QByteArray waitForBytes();

signals:
    // Emitted on the encoding thread when the encoding has ended.
    void ended();

private:
    void encode();

    const std::shared_ptr<const platform::Image> m_picture;
    std::atomic<bool> m_cancelled{false};
    mutable std::mutex m_mutex;
    bool m_finished = false;
    QByteArray m_bytes;
    // Pastes waiting in waitForBytes (UI thread only).
    int m_waiting = 0;
    std::thread m_thread;
};

}  // namespace kalvora
