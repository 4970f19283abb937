#pragma once

#include <QObject>

namespace LibMisc {

// A recursive Chebyshev low- or high-pass filter, applied sample by sample.
// The design is the classic cascade of two-pole sections combined into one
// coefficient set and normalised to unit gain at DC (low-pass) or Nyquist
// (high-pass). A cut-off of 0.5 of the sampling rate switches filtering off.
// In angle mode the input is an angle in radians that wraps at +-pi, and the
// output follows it continuously across the wrap.
class ChebFilter : public QObject
{
    Q_OBJECT

public:
    enum PassType { LowPass = 0, HighPass = 1 };

    static constexpr int MaxCoefficients = 23;

    ChebFilter(QObject *parent, PassType passType, double cutoffFrequency, double percentRipple,
               int poles, bool angleMode = false);

    PassType passType() const { return _passType; }
    double cutoffFrequency() const { return _cutoffFrequency; }
    double percentRipple() const { return _percentRipple; }
    int poles() const { return _poles; }
    bool isBypassed() const { return m_bypass; }

    // Each setter redesigns (and so restarts) the filter only on a change.
    void setPassType(PassType passType);
    void setCutoffFrequency(double cutoffFrequency);
    void setPercentRipple(double percentRipple);
    void setPoles(int poles);

    double filter(double input);
    // Waits for a first sample again, as after a redesign.
    void reset();

    // The filter's history: restored, the filter goes on exactly as it
    // would have from there (the design is not part of it).
    struct State
    {
        double x1;
        double x2;
        double y1;
        double y2;
        bool firstSample;
    };
    State state() const { return State {m_x1, m_x2, m_y1, m_y2, m_firstSample}; }
    void restore(const State &state);

    // The recursion's coefficients: y = a0 x + a1 x1 + a2 x2 + b1 y1 + b2 y2.
    double a(int i) const { return m_a[i]; }
    double b(int i) const { return m_b[i]; }

private:
    void design();

    PassType _passType;
    double _cutoffFrequency;
    double _percentRipple;
    int _poles;
    bool m_angleMode;
    double m_x1 = 0.0, m_x2 = 0.0, m_y1 = 0.0, m_y2 = 0.0;
    double m_a[MaxCoefficients] = {};
    double m_b[MaxCoefficients] = {};
    bool m_firstSample = true;
    bool m_bypass = true;
};

} // namespace LibMisc
