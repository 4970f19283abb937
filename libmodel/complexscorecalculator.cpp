#include "complexscorecalculator.h"
#include "targetdescriptor.h"

#include <cmath>
#include <limits>

namespace LibModel {

double ComplexScoreCalculator::calc(const QPointF &point, double caliber) const
{
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    if (!passesWorldGate(point, caliber))
        return 0.0;

    // Scoring area: the clip elements scored before the rings.
    bool hasArea = false;
    bool inArea = false;
    for (const QPointer<TargetElement> &element : owner()->elements()->items()) {
        if (!element || !element->clip() || element->calcAfterRings()
            || element->type() == TargetElement::Text)
            continue;
        hasArea = true;
        if (element->contains(point, caliber)) {
            inArea = true;
            break;
        }
    }
    if (hasArea && !inArea)
        return 0.0;

    const double before = elementResult(point, caliber, false);
    if (!std::isnan(before))
        return before;

    if (rings().size() != RingCount)
        return NaN;
    const double ring = ringScore(point, caliber);
    if (!std::isnan(ring))
        return ring;

    const double after = elementResult(point, caliber, true);
    return std::isnan(after) ? 0.0 : after;
}

double ComplexScoreCalculator::elementResult(const QPointF &point, double caliber,
                                             bool afterRings) const
{
    const auto &elements = owner()->elements()->items();
    for (auto it = elements.crbegin(); it != elements.crend(); ++it) {
        const TargetElement *element = *it;
        if (element && element->type() != TargetElement::Text && !std::isnan(element->result())
            && element->calcAfterRings() == afterRings && element->contains(point, caliber))
            return element->result();
    }
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace LibModel
