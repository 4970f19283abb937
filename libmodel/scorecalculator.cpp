#include "scorecalculator.h"
#include "targetdescriptor.h"

#include <fuzzycompare.h>

#include <cmath>
#include <limits>

using LibMisc::FuzzyCompare;

namespace LibModel {

ScoreCalculator::ScoreCalculator(QObject *parent)
    : QObject(parent)
    , m_owner(qobject_cast<TargetDescriptor *>(parent))
{ }

TargetDescriptor *ScoreCalculator::owner() const
{
    return m_owner;
}

void ScoreCalculator::set_center(const QPointF &value)
{
    if (FuzzyCompare::assign(m_center, value))
        emit centerChanged(m_center);
}

void ScoreCalculator::reset_center()
{
    set_center(QPointF());
}

void ScoreCalculator::set_rings(const QVector<qreal> &value)
{
    // Exact comparison: a NaN entry never equals, so it always notifies.
    if (value.size() == m_rings.size()
        && std::equal(value.cbegin(), value.cend(), m_rings.cbegin()))
        return;
    m_rings = value;
    emit ringsChanged(m_rings);
}

void ScoreCalculator::reset_rings()
{
    set_rings(QVector<qreal>());
}

bool ScoreCalculator::passesWorldGate(const QPointF &point, double caliber) const
{
    if (!m_owner)
        return false;
    const double r = caliber / 2.0;
    const QRectF world = m_owner->world();
    return point.x() >= world.left() - r && point.x() <= world.right() + r
            && point.y() >= world.top() - r && point.y() <= world.bottom() + r;
}

double ScoreCalculator::ringScore(const QPointF &point, double caliber) const
{
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    const double dist = std::hypot(point.x() - m_center.x(), point.y() - m_center.y());
    double previous = 0.0; // hit radius of the next inner ring
    for (int i = RingCount - 1; i >= 0; --i) {
        const double ring = m_rings.at(i);
        if (std::isnan(ring))
            return NaN;
        const double hitRadius = (ring + caliber) / 2.0;
        if (hitRadius >= dist) {
            const double band = hitRadius - previous;
            const double depth = band > 0.0 ? (hitRadius - dist) / band : 0.0;
            const double value = (i + 1) + depth;
            // The tiny allowance keeps a hole that sits exactly on a tenth's
            // boundary from dropping a tenth through rounding error of the
            // division above; it is far below any measurable distance.
            const double score = std::floor(value * 10.0 + 1e-9) / 10.0;
            return std::min(score, MaxRingScore);
        }
        previous = hitRadius;
    }
    return NaN;
}

} // namespace LibModel
