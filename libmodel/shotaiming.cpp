#include "shotaiming.h"
#include "scorecalculator.h"

#include <algorithm>
#include <cmath>

namespace LibModel {

namespace {
bool isFinite(const TraceSample &sample)
{
    return std::isfinite(sample.x) && std::isfinite(sample.y);
}
} // namespace

ShotAiming::ShotAiming(const QVector<TraceSample> &samples, int offset, int rate,
                       const QPointF &breach, const ScoreCalculator *calculator, double caliber)
{
    if (rate <= 0 || offset < 0)
        return;
    const qsizetype end = std::min<qsizetype>(offset, samples.size()); // exclusive
    const qsizetype begin = std::max<qsizetype>(0, qsizetype(offset) - rate);

    double sumX = 0.0, sumY = 0.0;
    int count = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const TraceSample &sample = samples.at(i);
        if (isFinite(sample)) {
            sumX += sample.x;
            sumY += sample.y;
            ++count;
        }
    }
    if (count > 0) {
        const double meanX = sumX / count, meanY = sumY / count;
        double radii = 0.0;
        int tens = 0;
        for (qsizetype i = begin; i < end; ++i) {
            const TraceSample &sample = samples.at(i);
            if (!isFinite(sample))
                continue;
            radii += std::hypot(sample.x - meanX, sample.y - meanY);
            if (calculator && calculator->calc(QPointF(sample.x, sample.y), caliber) >= 10.0)
                ++tens;
        }
        holdRadius = radii / count;
        if (calculator)
            tenShare = double(tens) / count;
        if (std::isfinite(breach.x()) && std::isfinite(breach.y()))
            aimShift = std::hypot(breach.x() - meanX, breach.y() - meanY);
    }

    // Neighbouring pairs from o - R/4 up to o, both ends inside the trace.
    const qsizetype first = std::max<qsizetype>(0, qsizetype(offset) - rate / 4);
    const qsizetype last = std::min<qsizetype>(offset, samples.size() - 1);
    double path = 0.0;
    bool anyPair = false;
    for (qsizetype i = first; i < last; ++i) {
        const TraceSample &a = samples.at(i), &b = samples.at(i + 1);
        if (isFinite(a) && isFinite(b)) {
            path += std::hypot(double(b.x) - a.x, double(b.y) - a.y);
            anyPair = true;
        }
    }
    if (anyPair)
        speed250 = path / 0.25;
}

} // namespace LibModel
