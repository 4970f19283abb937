#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace LibHardware {

class UsbReadSink;

// How the stand-in devices hand their reads to the host: one sink at a
// time, fed either by a loop on the pump's own thread (real-time or paced
// delivery) or by the device's caller (driven delivery). The device's mutex
// guards the pump: the *Locked members expect it held; stop() takes it.
class ReadPump
{
public:
    ReadPump(std::mutex &mutex, std::condition_variable &wake);

    // Takes the sink; false (no change) without one or while another sink
    // is served or a loop is still winding down.
    bool startLocked(UsbReadSink *sink);
    // Runs the device's loop on the pump's thread; the loop ends when
    // stoppingLocked() turns true.
    void runLocked(std::function<void()> loop);
    // Asks the loop to end, waits for it and forgets the sink, running
    // `forget` under the lock as it does. False when there was no sink, or
    // when called from within the loop (which ends once the sink returns:
    // waiting for it there would wait forever).
    bool stop(const std::function<void()> &forget = {});

    UsbReadSink *sinkLocked() const { return m_sink; }
    bool stoppingLocked() const { return m_stop; }
    bool runsLoopLocked() const { return m_thread.joinable(); }

private:
    std::mutex &m_mutex;
    std::condition_variable &m_wake;
    UsbReadSink *m_sink = nullptr;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace LibHardware
