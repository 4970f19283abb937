#include "fuzzycompare.h"

#include <cmath>

namespace LibMisc {

namespace {
bool relativeEqual(double a, double b)
{
    return std::fabs(a - b) * 1e12 <= std::fmin(std::fabs(a), std::fabs(b));
}
} // namespace

bool FuzzyCompare::equal(double a, double b)
{
    const bool aZero = std::fabs(a) <= Tolerance;
    const bool bZero = std::fabs(b) <= Tolerance;
    if (aZero || bZero)
        return aZero && bZero;
    return relativeEqual(a, b);
}

bool FuzzyCompare::equal(const QPointF &a, const QPointF &b)
{
    return std::fabs(a.x() - b.x()) <= Tolerance && std::fabs(a.y() - b.y()) <= Tolerance;
}

bool FuzzyCompare::equal(const QRectF &a, const QRectF &b)
{
    return relativeEqual(a.x(), b.x()) && relativeEqual(a.y(), b.y())
            && relativeEqual(a.width(), b.width()) && relativeEqual(a.height(), b.height());
}

} // namespace LibMisc
