#pragma once

#include <clock.h>
#include <usbhandle.h>

#include <QByteArray>
#include <QList>

#include <mutex>

// A read sink for tests: keeps every read with its timer and with the
// process clock at the moment of delivery. Safe to fill from a reader thread.
class ReadRecorder : public LibHardware::UsbReadSink
{
public:
    struct Read
    {
        qint64 timer = 0;
        QByteArray bytes;
        qint64 clockAtDelivery = 0;
    };

    void readCompleted(qint64 timer, const QByteArray &bytes) override
    {
        std::lock_guard lock(m_mutex);
        m_reads.append({timer, bytes, LibMisc::Clock::now()});
    }

    QList<Read> reads() const
    {
        std::lock_guard lock(m_mutex);
        return m_reads;
    }
    int count() const
    {
        std::lock_guard lock(m_mutex);
        return int(m_reads.size());
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_reads.clear();
    }

private:
    mutable std::mutex m_mutex;
    QList<Read> m_reads;
};
