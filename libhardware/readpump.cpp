#include "readpump.h"

namespace LibHardware {

ReadPump::ReadPump(std::mutex &mutex, std::condition_variable &wake)
    : m_mutex(mutex)
    , m_wake(wake)
{ }

bool ReadPump::startLocked(UsbReadSink *sink)
{
    if (!sink || m_sink || m_thread.joinable())
        return false;
    m_sink = sink;
    m_stop = false;
    return true;
}

void ReadPump::runLocked(std::function<void()> loop)
{
    m_thread = std::thread(std::move(loop));
}

bool ReadPump::stop(const std::function<void()> &forget)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_sink)
            return false;
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id())
            return false;
        m_thread.join();
    }
    std::lock_guard lock(m_mutex);
    m_sink = nullptr;
    m_stop = false;
    if (forget)
        forget();
    return true;
}

} // namespace LibHardware
