#pragma once

#include <QList>
#include <QObject>

namespace LibMisc {

// Converts equally spaced samples at one interval into samples at another,
// by quadratic interpolation through the last three inputs. Time 0 is the
// first input; the first output is at time 0 too.
class Resampler : public QObject
{
    Q_OBJECT

public:
    Resampler(QObject *parent, double outputInterval, double inputInterval);

    void reset(double outputInterval, double inputInterval);
    void clear();

    // Feeds one input; returns the outputs that became computable.
    QList<double> push(double value);
    // The same, appending the outputs to `out` (no allocation per call once
    // `out` has grown).
    void push(double value, QList<double> &out);

    double outputInterval() const { return m_outputInterval; }
    double inputInterval() const { return m_inputInterval; }

    // Where the resampler stands: restored, it goes on exactly as it would
    // have from there (the intervals are not part of it).
    struct State
    {
        double window[3];
        double nextTime;
        int count;
        int filled;
    };
    State state() const;
    void restore(const State &state);

private:
    double m_outputInterval;
    double m_inputInterval;
    int m_count = 0;
    double m_window[3] = {};
    int m_filled = 0;
    double m_nextTime = 0.0;
};

} // namespace LibMisc
