#include "simplescorecalculator.h"

#include <cmath>

namespace LibModel {

double SimpleScoreCalculator::calc(const QPointF &point, double caliber) const
{
    if (rings().size() != RingCount || !passesWorldGate(point, caliber))
        return 0.0;
    const double score = ringScore(point, caliber);
    return std::isnan(score) ? 0.0 : score;
}

} // namespace LibModel
