#pragma once

#include "tracesample.h"

#include <QPointF>
#include <QVector>

#include <limits>

namespace LibModel {

class ScoreCalculator;

// How steady the aim was before one shot, from the raw samples of its trace
// (R: the sample rate, o: the shot's sample). "The last second" is the
// samples o - R ... o - 1 that exist and have a finite position:
//   holdRadius: their mean distance from their own mean point;
//   aimShift:   the distance from that mean point to the breach;
//   tenShare:   the share of them scoring at least 10.0 on the target;
//   speed250:   the path through the finite samples o - R/4 ... o
//               (neighbouring pairs only) per 0.25 s, in mm/s.
// Values without the samples, breach or target they need are NaN.
class ShotAiming
{
public:
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    ShotAiming() = default;
    // calculator may be null (no tenShare); a non-finite breach gives no
    // aimShift.
    ShotAiming(const QVector<TraceSample> &samples, int offset, int rate, const QPointF &breach,
               const ScoreCalculator *calculator, double caliber);

    double holdRadius = NaN;
    double aimShift = NaN;
    double tenShare = NaN;
    double speed250 = NaN;
};

} // namespace LibModel
