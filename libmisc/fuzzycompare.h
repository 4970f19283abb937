#pragma once

#include <QPointF>
#include <QRectF>

namespace LibMisc {

// The comparison rules that the target model's setters use to decide
// whether a value changed. A NaN never equals anything, itself included.
class FuzzyCompare
{
public:
    FuzzyCompare() = delete;

    static constexpr double Tolerance = 1e-12;

    // Relative comparison; magnitudes up to 1e-12 count as zero.
    static bool equal(double a, double b);
    // Absolute comparison of each coordinate.
    static bool equal(const QPointF &a, const QPointF &b);
    // Relative comparison of x, y, width and height (no zero rule).
    static bool equal(const QRectF &a, const QRectF &b);

    static bool isNull(const QPointF &point) { return point.x() == 0.0 && point.y() == 0.0; }

    // Stores `value` in `field` when it differs by the rules above (ordinary
    // inequality for other types); returns whether it did.
    template<class T>
    static bool assign(T &field, const T &value)
    {
        if (!differs(field, value))
            return false;
        field = value;
        return true;
    }

private:
    template<class T>
    static bool differs(const T &a, const T &b)
    {
        return a != b;
    }
    static bool differs(double a, double b) { return !equal(a, b); }
    static bool differs(const QPointF &a, const QPointF &b) { return !equal(a, b); }
    static bool differs(const QRectF &a, const QRectF &b) { return !equal(a, b); }
};

} // namespace LibMisc
