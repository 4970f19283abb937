#pragma once

#include "scorecalculator.h"

namespace LibModel {

// Scores by rings alone: 0.0 outside the world, without ten rings, or when
// no ring is touched.
class SimpleScoreCalculator : public ScoreCalculator
{
    Q_OBJECT

public:
    using ScoreCalculator::ScoreCalculator;

    Q_INVOKABLE double calc(const QPointF &point, double caliber) const override;
};

} // namespace LibModel
