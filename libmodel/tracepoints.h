#pragma once

#include <QPointF>
#include <QVector>

#include <cmath>

namespace LibModel {

// The display points of an aiming trace in target millimetres, kept as
// single-precision pairs: half the memory of QPointF and as precise as the
// raw samples they are made from. A gap in the aiming is a NaN point.
class TracePoints
{
public:
    struct Point
    {
        float x;
        float y;
    };

    qsizetype size() const { return m_points.size(); }
    bool isEmpty() const { return m_points.isEmpty(); }
    QPointF at(qsizetype i) const { return toPointF(m_points.at(i)); }
    QPointF first() const { return at(0); }
    QPointF last() const { return at(size() - 1); }
    const Point *constData() const { return m_points.constData(); }
    // Bytes taken, with the room reserved for points still to come.
    qsizetype bytes() const { return m_points.capacity() * qsizetype(sizeof(Point)); }

    void append(double x, double y) { m_points.append(Point {float(x), float(y)}); }
    void clear() { m_points.clear(); }

    // Room for count more points. Grows by at least half of what is held,
    // so that many small reservations do not copy the points every time.
    void reserveMore(qsizetype count)
    {
        const qsizetype needed = m_points.size() + count;
        if (needed > m_points.capacity())
            m_points.reserve(qMax(needed, m_points.capacity() + m_points.capacity() / 2));
    }

    static QPointF toPointF(const Point &point) { return QPointF(point.x, point.y); }

    // Equal points, a gap matching a gap.
    friend bool operator==(const TracePoints &a, const TracePoints &b)
    {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            const Point &p = a.m_points.at(i);
            const Point &q = b.m_points.at(i);
            if (std::isnan(p.x) != std::isnan(q.x) || std::isnan(p.y) != std::isnan(q.y))
                return false;
            if ((!std::isnan(p.x) && p.x != q.x) || (!std::isnan(p.y) && p.y != q.y))
                return false;
        }
        return true;
    }

private:
    QVector<Point> m_points;
};

} // namespace LibModel

Q_DECLARE_TYPEINFO(LibModel::TracePoints::Point, Q_PRIMITIVE_TYPE);
