#include "chebfilter.h"

#include <cmath>
#include <limits>

namespace LibMisc {

namespace {
constexpr double Pi = 3.14159265358979323846;
}

ChebFilter::ChebFilter(QObject *parent, PassType passType, double cutoffFrequency,
                       double percentRipple, int poles, bool angleMode)
    : QObject(parent)
    , _passType(passType)
    , _cutoffFrequency(cutoffFrequency)
    , _percentRipple(percentRipple)
    , _poles(poles)
    , m_angleMode(angleMode)
{
    design();
}

void ChebFilter::setPassType(PassType passType)
{
    if (_passType == passType)
        return;
    _passType = passType;
    design();
}

void ChebFilter::setCutoffFrequency(double cutoffFrequency)
{
    if (_cutoffFrequency == cutoffFrequency)
        return;
    _cutoffFrequency = cutoffFrequency;
    design();
}

void ChebFilter::setPercentRipple(double percentRipple)
{
    if (_percentRipple == percentRipple)
        return;
    _percentRipple = percentRipple;
    design();
}

void ChebFilter::setPoles(int poles)
{
    if (_poles == poles)
        return;
    _poles = poles;
    design();
}

void ChebFilter::design()
{
    const bool cutoffValid = _cutoffFrequency > 0.0 && _cutoffFrequency <= 0.5;
    const bool passTypeValid = _passType == LowPass || _passType == HighPass;
    const bool rippleValid = _percentRipple >= 0 && _percentRipple <= 29;
    const bool polesValid = _poles >= 2 && _poles <= 20 && (_poles % 2) == 0;
    Q_ASSERT_X(cutoffValid, "ChebFilter", "_cutoffFrequency > 0.0 && _cutoffFrequency <= 0.5");
    Q_ASSERT_X(passTypeValid, "ChebFilter", "_passType == LowPass || _passType == HighPass");
    Q_ASSERT_X(rippleValid, "ChebFilter", "_percentRipple >= 0 && _percentRipple <= 29");
    Q_ASSERT_X(polesValid, "ChebFilter", "_poles >= 2 && _poles <= 20 && (_poles % 2) == 0");
    if (!cutoffValid || !passTypeValid || !rippleValid || !polesValid) {
        // Without assertions (release builds) an invalid design passes the
        // signal through rather than filtering with garbage.
        qCritical("ChebFilter: invalid parameters, filtering switched off");
        m_bypass = true;
        return;
    }

    m_bypass = _cutoffFrequency == 0.5;
    if (m_bypass)
        return;

    m_firstSample = true;
    std::fill(std::begin(m_a), std::end(m_a), 0.0);
    std::fill(std::begin(m_b), std::end(m_b), 0.0);
    m_a[2] = 1.0;
    m_b[2] = 1.0;

    const double t = 2.0 * std::tan(0.5);
    const double w = 2.0 * Pi * _cutoffFrequency;
    for (int p = 1; p <= _poles / 2; ++p) {
        // Pole position on the unit circle, warped to an ellipse for ripple.
        const double theta = Pi / (2.0 * _poles) + (p - 1) * Pi / _poles;
        double rp = -std::cos(theta);
        double ip = std::sin(theta);
        if (_percentRipple > 0.0) {
            const double ratio = 100.0 / (100.0 - _percentRipple);
            const double es = std::sqrt(ratio * ratio - 1.0);
            const double vx
                    = (1.0 / _poles) * std::log(1.0 / es + std::sqrt(1.0 / (es * es) + 1.0));
            double kx = (1.0 / _poles) * std::log(1.0 / es + std::sqrt(1.0 / (es * es) - 1.0));
            kx = (std::exp(kx) + std::exp(-kx)) / 2.0;
            rp = rp * ((std::exp(vx) - std::exp(-vx)) / 2.0) / kx;
            ip = ip * ((std::exp(vx) + std::exp(-vx)) / 2.0) / kx;
        }

        // s-domain to z-domain.
        const double m = rp * rp + ip * ip;
        double d = 4.0 - 4.0 * rp * t + m * t * t;
        const double x0 = t * t / d;
        const double x1 = 2.0 * t * t / d;
        const double x2 = t * t / d;
        const double y1 = (8.0 - 2.0 * m * t * t) / d;
        const double y2 = (-4.0 - 4.0 * rp * t - m * t * t) / d;

        // Low-pass to low-pass or high-pass.
        const double k = _passType == HighPass ? -std::cos(w / 2.0 + 0.5) / std::cos(w / 2.0 - 0.5)
                                               : std::sin(0.5 - w / 2.0) / std::sin(0.5 + w / 2.0);
        d = 1.0 + y1 * k - y2 * k * k;
        const double a0 = (x0 - x1 * k + x2 * k * k) / d;
        double a1 = (-2.0 * x0 * k + x1 + x1 * k * k - 2.0 * x2 * k) / d;
        const double a2 = (x0 * k * k - x1 * k + x2) / d;
        double b1 = (2.0 * k + y1 + y1 * k * k - 2.0 * y2 * k) / d;
        const double b2 = (-k * k - y1 * k + y2) / d;
        if (_passType == HighPass) {
            a1 = -a1;
            b1 = -b1;
        }

        // Cascade the section into the combined coefficients.
        double ta[MaxCoefficients];
        double tb[MaxCoefficients];
        std::copy(std::begin(m_a), std::end(m_a), ta);
        std::copy(std::begin(m_b), std::end(m_b), tb);
        for (int i = 2; i < MaxCoefficients; ++i) {
            m_a[i] = a0 * ta[i] + a1 * ta[i - 1] + a2 * ta[i - 2];
            m_b[i] = tb[i] - b1 * tb[i - 1] - b2 * tb[i - 2];
        }
    }

    m_b[2] = 0.0;
    for (int i = 0; i <= 20; ++i) {
        m_a[i] = m_a[i + 2];
        m_b[i] = -m_b[i + 2];
    }

    double sa = 0.0;
    double sb = 0.0;
    for (int i = 0; i <= 20; ++i) {
        const double sign = _passType == HighPass && (i % 2) ? -1.0 : 1.0;
        sa += m_a[i] * sign;
        sb += m_b[i] * sign;
    }
    const double gain = sa / (1.0 - sb);
    for (int i = 0; i <= 20; ++i)
        m_a[i] /= gain;

    m_x1 = m_x2 = m_y1 = m_y2 = 0.0;
}

void ChebFilter::reset()
{
    m_firstSample = true;
    m_x1 = m_x2 = m_y1 = m_y2 = 0.0;
}

void ChebFilter::restore(const State &state)
{
    m_x1 = state.x1;
    m_x2 = state.x2;
    m_y1 = state.y1;
    m_y2 = state.y2;
    m_firstSample = state.firstSample;
}

double ChebFilter::filter(double input)
{
    Q_ASSERT_X(!qIsNaN(input), "ChebFilter", "!qIsNaN(input)");
    if (m_bypass)
        return input;
    if (qIsNaN(input))
        return input; // never let a NaN into the history (release builds)
    if (m_firstSample) {
        m_x1 = m_x2 = m_y1 = m_y2 = input;
        m_firstSample = false;
        return input;
    }
    if (m_angleMode) {
        if (input > Pi / 2.0 && m_y1 < -Pi / 2.0) {
            m_x1 += 2.0 * Pi;
            m_x2 += 2.0 * Pi;
            m_y1 += 2.0 * Pi;
            m_y2 += 2.0 * Pi;
        } else if (input < -Pi / 2.0 && m_y1 > Pi / 2.0) {
            m_x1 -= 2.0 * Pi;
            m_x2 -= 2.0 * Pi;
            m_y1 -= 2.0 * Pi;
            m_y2 -= 2.0 * Pi;
        }
    }
    const double y = m_a[0] * input + m_a[1] * m_x1 + m_a[2] * m_x2 + m_b[1] * m_y1 + m_b[2] * m_y2;
    m_x2 = m_x1;
    m_x1 = input;
    m_y2 = m_y1;
    m_y1 = y;
    return y;
}

} // namespace LibMisc
