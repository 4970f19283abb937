#pragma once

#include "scorecalculator.h"

namespace LibModel {

// Scores figure targets: the descriptor's clip elements bound the scoring
// area, elements with a `result` award fixed points before or after the
// rings (the element drawn last wins where they overlap), and the rings
// score in between. NaN when the rings are not ten entries and no element
// scored first.
class ComplexScoreCalculator : public ScoreCalculator
{
    Q_OBJECT

public:
    using ScoreCalculator::ScoreCalculator;

    Q_INVOKABLE double calc(const QPointF &point, double caliber) const override;

private:
    // The result of the last element (in drawing order) with a result, the
    // given calcAfterRings flag and containing the hole; NaN when none.
    double elementResult(const QPointF &point, double caliber, bool afterRings) const;
};

} // namespace LibModel
