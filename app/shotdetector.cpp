#include "shotdetector.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// The toolkit's fuzzy comparison, with a zero old value equal only to zero.
bool fuzzyDiffers(double oldValue, double newValue)
{
    if (std::fabs(oldValue) <= 1e-12)
        return std::fabs(newValue) > 1e-12;
    return !(std::fabs(oldValue - newValue) * 1e12
             <= std::min(std::fabs(oldValue), std::fabs(newValue)));
}

} // namespace

ShotDetector::ShotDetector()
    : m_cantFilter(nullptr, LibMisc::ChebFilter::LowPass, 0.05, 0.5, 2, true)
{ }

bool ShotDetector::hearLevel(quint16 level)
{
    if (level == m_level)
        return false;
    m_level = level;
    return true;
}

bool ShotDetector::trackPeak(qint64 time)
{
    m_history.append({time, m_level});
    // The peak is rescanned only when a sample at the peak leaves the window.
    bool peakLeft = false;
    while (m_history.size() > 1 && std::llabs(time - m_history.first().first) > PeakWindow) {
        peakLeft = peakLeft || m_history.first().second >= m_peak;
        m_history.removeFirst();
    }
    int peak = qMax(m_peak, int(m_level));
    if (peakLeft) {
        peak = 0;
        for (const auto &entry : std::as_const(m_history))
            peak = qMax(peak, entry.second);
    }
    if (peak == m_peak)
        return false;
    m_peak = peak;
    return true;
}

bool ShotDetector::holdTilt(double degrees)
{
    double tilt = degrees;
    if (!loud())
        m_tiltHold = tilt;
    else if (!std::isnan(m_tiltHold))
        tilt = m_tiltHold;
    if (!fuzzyDiffers(m_tilt, tilt))
        return false;
    m_tilt = tilt;
    return true;
}

double ShotDetector::heldCant(double cant)
{
    if (!loud())
        m_cantHold = cant;
    else if (!std::isnan(m_cantHold))
        cant = m_cantHold;
    return m_cantFilter.filter(cant);
}

void ShotDetector::restartCant()
{
    m_cantFilter.reset();
    m_cantHold = NaN;
}

void ShotDetector::forgetHolds()
{
    m_cantHold = NaN;
    m_tiltHold = NaN;
}
