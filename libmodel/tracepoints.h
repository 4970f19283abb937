#pragma once

#include <QPointF>
#include <QVector>

#include <array>

namespace LibModel {

class PointPipeline;

// The display points of an aiming trace in target millimetres, kept as
// single-precision pairs: half the memory of QPointF and as precise as the
// raw samples they are made from. A gap in the aiming is a NaN point.
//
// The points come from a pipeline in chunks. Only the chunk being made and a
// few recently read older ones are held; an older chunk read again is made
// again by the pipeline from where it stood at the chunk's start, the same
// to the bit. A copy holds all its points itself.
//
// Reading may make a chunk again and so changes the pipeline and what is
// held: reads must not run at the same time as each other or as processing
// (the renderer reads while the GUI thread waits).
class TracePoints
{
public:
    struct Point
    {
        float x;
        float y;
    };

    TracePoints() = default;
    TracePoints(const TracePoints &other);
    TracePoints &operator=(const TracePoints &other);

    qsizetype size() const { return m_liveFirst + m_live.size(); }
    bool isEmpty() const { return size() == 0; }
    // Consecutive points are cheap: the chunk read last is found directly.
    QPointF at(qsizetype i) const
    {
        if (i >= m_liveFirst)
            return toPointF(m_live.at(i - m_liveFirst));
        if (i >= m_hintFirst && i < m_hintEnd)
            return toPointF(m_hint[i - m_hintFirst]);
        return toPointF(earlier(i));
    }
    QPointF first() const { return at(0); }
    QPointF last() const { return at(size() - 1); }
    // Copies points [first, first + count) into *out, resized to count; a
    // place outside the points is a gap.
    void read(qsizetype first, qsizetype count, QVector<Point> *out) const;
    // Bytes taken by what is held: the points of the chunk being made and of
    // the cached chunks, and the pipeline's checkpoints.
    qsizetype bytes() const;

    // Making the points (the pipeline): a chunk begins, points are added to
    // it. The pipeline makes older chunks again when they are read.
    void setPipeline(PointPipeline *pipeline) { m_pipeline = pipeline; }
    void beginChunk();
    void append(double x, double y) { m_live.append(Point {float(x), float(y)}); }
    void clear();

    static QPointF toPointF(const Point &point) { return QPointF(point.x, point.y); }

    // Equal points, a gap matching a gap.
    friend bool operator==(const TracePoints &a, const TracePoints &b);

private:
    // Up to about 30 seconds of aiming, and no more than 256 KB of points
    // unless that is less than two chunks.
    static constexpr int CachedChunks = 24;
    static constexpr qsizetype CachedPoints = 32 * 1024;

    struct Cached
    {
        qsizetype chunk = -1;
        quint64 used = 0; // 0: never
        QVector<Point> points;
    };

    const Point &earlier(qsizetype i) const;
    qsizetype chunkOf(qsizetype i) const;
    const Point *chunkPoints(qsizetype chunk) const;
    Cached &leastRecent() const;
    void forgetHint() const { m_hintFirst = m_hintEnd = 0; }

    PointPipeline *m_pipeline = nullptr;
    QVector<qsizetype> m_starts; // the first point of each chunk, the one being made last
    QVector<Point> m_live; // the chunk being made: points from m_liveFirst on
    qsizetype m_liveFirst = 0;
    mutable std::array<Cached, CachedChunks> m_cache;
    int m_cacheSlots = CachedChunks; // the slots in use
    mutable quint64 m_uses = 0;
    // The cached chunk read last by at(): points [m_hintFirst, m_hintEnd).
    mutable const Point *m_hint = nullptr;
    mutable qsizetype m_hintFirst = 0;
    mutable qsizetype m_hintEnd = 0;
};

} // namespace LibModel

Q_DECLARE_TYPEINFO(LibModel::TracePoints::Point, Q_PRIMITIVE_TYPE);
