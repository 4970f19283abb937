#pragma once

#include <QPointF>
#include <QVector>

#include <limits>

namespace LibModel {

// Where a group of shots lies and how tight it is, in target millimetres:
// the mean point of impact, the extreme spread, the mean radius around the
// mean point, the sample standard deviations of x and y, and the mean of the
// shots' results. Values that the group does not define (no shots; a
// deviation of fewer than two) are NaN.
class ShotGroup
{
public:
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    ShotGroup() = default;
    // breaches: finite points; results: their shots' scores (non-finite ones
    // do not count towards the mean score).
    ShotGroup(const QVector<QPointF> &breaches, const QVector<double> &results);

    int n = 0;
    double mpiX = NaN, mpiY = NaN;
    double extremeSpread = 0.0;
    double meanRadius = NaN;
    double sdX = NaN, sdY = NaN;
    double meanScore = NaN;
};

} // namespace LibModel
