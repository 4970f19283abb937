#pragma once

#include <chebfilter.h>

#include <QPair>
#include <QVector>

#include <limits>

// Hears shots in a sensor's samples: a shot is a microphone level at or
// above the threshold, at least a hold-off after the last shot. Keeps the
// level's peak over the last second for display, and holds the weapon's
// tilt and cant at their values from before the shot noise, so that the
// recoil does not show; the cant is low-pass filtered as an angle.
class ShotDetector
{
public:
    static constexpr qint64 HoldOff = 1000; // ms between two shots
    static constexpr qint64 PeakWindow = 1000; // ms

    ShotDetector();

    quint16 threshold() const { return m_threshold; }
    void setThreshold(quint16 threshold) { m_threshold = threshold; }
    quint16 level() const { return m_level; }
    int peak() const { return m_peak; }
    double tilt() const { return m_tilt; }
    // The last level heard is at or above the threshold.
    bool loud() const { return m_level >= m_threshold; }

    // Each step of a sample in turn; true when the value shown changed.
    bool hearLevel(quint16 level);
    bool trackPeak(qint64 time);
    bool holdTilt(double degrees);

    // The cant, held while loud, through the filter.
    double heldCant(double cant);
    // The cant through the filter as it comes.
    double filteredCant(double cant) { return m_cantFilter.filter(cant); }
    // The filter waits for a first sample again.
    void restartCantFilter() { m_cantFilter.reset(); }
    // A new recording: the filter and the held cant start afresh.
    void restartCant();
    // The sensor came or went: nothing held from before.
    void forgetHolds();

    // A loud sample at `time` is a shot when the last one lies a hold-off back.
    bool holdOffOver(qint64 time) const { return time >= m_holdOffUntil; }
    void shotAt(qint64 time) { m_holdOffUntil = time + HoldOff; }

private:
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    quint16 m_threshold = 15;
    quint16 m_level = 0;
    int m_peak = 0;
    double m_tilt = 0.0;
    double m_tiltHold = NaN;
    double m_cantHold = NaN;
    qint64 m_holdOffUntil = 0;
    QVector<QPair<qint64, int>> m_history;
    LibMisc::ChebFilter m_cantFilter;
};
