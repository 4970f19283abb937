#pragma once

#include <QtGlobal>

namespace LibMisc {

// The process-wide clock. Every "now" in the program reads it: wall-clock
// milliseconds since the Unix epoch by default. Tests and the replay tool
// drive it by hand instead (setManual, advance), so that time-dependent
// behaviour is deterministic. Safe to read from any thread.
class Clock
{
public:
    Clock() = delete;

    // Milliseconds since the epoch: the system's wall clock, or the manual
    // time while the clock is driven by hand.
    static qint64 now();

    // Freezes the clock at the given time until reset() is called.
    static void setManual(qint64 msecsSinceEpoch);
    // Moves a manual clock forward (or back, for a negative delta); does
    // nothing while the clock follows the system.
    static void advance(qint64 msecs);
    // Back to the system's wall clock.
    static void reset();

    static bool isManual();
};

} // namespace LibMisc
