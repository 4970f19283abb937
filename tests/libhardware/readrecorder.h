#pragma once

#include <clock.h>
#include <usbhandle.h>

#include <QList>

#include <condition_variable>
#include <mutex>
#include <thread>

// A read sink for tests: keeps every read with its timer, the process clock
// at delivery and the delivering thread. Safe to fill from a reader thread.
class ReadRecorder : public LibHardware::UsbReadSink
{
public:
    struct Read
    {
        qint64 timer = 0;
        QByteArray bytes;
        qint64 clockAtDelivery = 0;
        std::thread::id thread;
    };

    void readCompleted(qint64 timer, const QByteArray &bytes) override
    {
        std::lock_guard lock(m_mutex);
        m_reads.append({timer, bytes, LibMisc::Clock::now(), std::this_thread::get_id()});
        m_added.notify_all();
    }

    // Waits until `count` reads came (the test's time limit ends a hang).
    void waitForCount(int count)
    {
        std::unique_lock lock(m_mutex);
        m_added.wait(lock, [&] { return m_reads.size() >= count; });
    }

    QList<Read> reads() const
    {
        std::lock_guard lock(m_mutex);
        return m_reads;
    }
    QList<QByteArray> bytes() const
    {
        QList<QByteArray> result;
        for (const Read &read : reads())
            result << read.bytes;
        return result;
    }
    int count() const { return int(reads().size()); }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_added;
    QList<Read> m_reads;
};
