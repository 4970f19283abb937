#include "clock.h"

#include <QDateTime>

#include <atomic>

namespace LibMisc {

namespace {
std::atomic<bool> manual {false};
std::atomic<qint64> manualNow {0};
} // namespace

qint64 Clock::now()
{
    if (manual.load(std::memory_order_acquire))
        return manualNow.load(std::memory_order_relaxed);
    return QDateTime::currentMSecsSinceEpoch();
}

void Clock::setManual(qint64 msecsSinceEpoch)
{
    manualNow.store(msecsSinceEpoch, std::memory_order_relaxed);
    manual.store(true, std::memory_order_release);
}

void Clock::advance(qint64 msecs)
{
    if (manual.load(std::memory_order_acquire))
        manualNow.fetch_add(msecs, std::memory_order_relaxed);
}

void Clock::reset()
{
    manual.store(false, std::memory_order_release);
}

bool Clock::isManual()
{
    return manual.load(std::memory_order_acquire);
}

} // namespace LibMisc
