#include "resampler.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace LibMisc {

Resampler::Resampler(QObject *parent, double outputInterval, double inputInterval)
    : QObject(parent)
    , m_outputInterval(outputInterval)
    , m_inputInterval(inputInterval)
{ }

void Resampler::reset(double outputInterval, double inputInterval)
{
    m_outputInterval = outputInterval;
    m_inputInterval = inputInterval;
    clear();
}

void Resampler::clear()
{
    m_count = 0;
    m_filled = 0;
    m_nextTime = 0.0;
}

Resampler::State Resampler::state() const
{
    return State {{m_window[0], m_window[1], m_window[2]}, m_nextTime, m_count, m_filled};
}

void Resampler::restore(const State &state)
{
    std::copy(std::begin(state.window), std::end(state.window), m_window);
    m_nextTime = state.nextTime;
    m_count = state.count;
    m_filled = state.filled;
}

QList<double> Resampler::push(double value)
{
    QList<double> out;
    push(value, out);
    return out;
}

void Resampler::push(double value, QList<double> &out)
{
    if (m_filled < 3) {
        m_window[m_filled++] = value;
        if (m_filled < 3)
            return;
    } else {
        m_window[0] = m_window[1];
        m_window[1] = m_window[2];
        m_window[2] = value;
    }
    // Intervals that would never advance the output time give no output.
    if (!(m_outputInterval > 0.0) || !(m_inputInterval > 0.0) || !std::isfinite(m_outputInterval))
        return;

    const double p0 = m_window[0], p1 = m_window[1], p2 = m_window[2];
    const double start = m_count * m_inputInterval;
    const double end = (m_count + 2) * m_inputInterval;
    const double linear = -1.5 * p0 + 2.0 * p1 - 0.5 * p2;
    const double quadratic = 0.5 * p0 - p1 + 0.5 * p2;
    while (m_nextTime <= end) {
        const double u = (m_nextTime - start) / m_inputInterval;
        out.append(p0 + u * linear + u * u * quadratic);
        m_nextTime += m_outputInterval;
    }
    ++m_count;
}

} // namespace LibMisc
