#include "app/ClipboardPngEncoding.h"

#include <QEventLoop>
#include <system_error>

#include "app/ClipboardLossHold.h"
#include "platform/ThreadPool.h"
#include "platform/codecs/PngWriter.h"

namespace kalvora {

ClipboardPngEncoding::ClipboardPngEncoding(std::shared_ptr<const platform::Image> picture)
    : m_picture(std::move(picture))
{
    try {
        m_thread = std::thread([this] { encode(); });
    } catch (const std::system_error&) {
        // Without a thread there are no bytes; the picture stays on the
        // clipboard for this program.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
    }
}

ClipboardPngEncoding::~ClipboardPngEncoding() { stop(); }

bool ClipboardPngEncoding::finished() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_finished;
}

void ClipboardPngEncoding::abandon()
{
    if (m_waiting == 0) m_cancelled = true;
}

void ClipboardPngEncoding::stop()
{
    m_cancelled = true;
    if (m_thread.joinable()) m_thread.join();
}

QByteArray ClipboardPngEncoding::waitForBytes()
{
    // A caller inside a loop of the pool (a run's yield) does not wait: the
    // run's work would stall behind an event loop nested in its yield.
    const bool insidePoolLoop = platform::ThreadPool::size() > 1 && !platform::ThreadPool::workersBeside();
    if (!finished() && !insidePoolLoop) {
        QEventLoop loop;
        connect(this, &ClipboardPngEncoding::ended, &loop, &QEventLoop::quit);
        ++m_waiting;
        {
            // The paste's request is still being served when the wait ends:
            // the clipboard's data must outlive it.
            const ClipboardLossHold hold;
            if (!finished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        --m_waiting;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

void ClipboardPngEncoding::encode()
{
    QByteArray bytes;
    const platform::Status status = platform::PngWriter::encode(*m_picture, [&](const uint8_t* data, size_t size) {
        if (m_cancelled) return false;
        try {
            bytes.append(reinterpret_cast<const char*>(data), qsizetype(size));
        } catch (...) {
            return false;
        }
        return true;
    });
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (status == platform::Ok) m_bytes = std::move(bytes);
        m_finished = true;
    }
    emit ended();
}

}  // namespace kalvora
