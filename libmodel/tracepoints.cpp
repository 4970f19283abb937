#include "tracepoints.h"
#include "pointpipeline.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace LibModel {

namespace {
constexpr TracePoints::Point Gap {std::numeric_limits<float>::quiet_NaN(),
                                  std::numeric_limits<float>::quiet_NaN()};
} // namespace

TracePoints::TracePoints(const TracePoints &other)
{
    other.read(0, other.size(), &m_live);
}

TracePoints &TracePoints::operator=(const TracePoints &other)
{
    if (this != &other) {
        QVector<Point> points;
        other.read(0, other.size(), &points);
        clear();
        m_pipeline = nullptr;
        m_live = std::move(points);
    }
    return *this;
}

void TracePoints::clear()
{
    m_starts.clear();
    m_live.clear();
    m_liveFirst = 0;
    for (Cached &cached : m_cache)
        cached = Cached();
    m_cacheSlots = CachedChunks;
    m_uses = 0;
    forgetHint();
}

TracePoints::Cached &TracePoints::leastRecent() const
{
    Cached *oldest = &m_cache.front();
    for (int i = 1; i < m_cacheSlots; ++i) {
        if (m_cache[i].used < oldest->used)
            oldest = &m_cache[i];
    }
    return *oldest;
}

void TracePoints::beginChunk()
{
    if (!m_starts.isEmpty()) {
        // The chunk just made is the likeliest to be read next: it is cached,
        // and the cache slot's room takes the next chunk.
        const qsizetype made = m_live.size();
        const qsizetype fit = CachedPoints / qMax<qsizetype>(1, made);
        m_cacheSlots = int(qBound(qsizetype(2), fit, qsizetype(m_cacheSlots)));
        Cached &cached = leastRecent();
        cached.chunk = m_starts.size() - 1;
        cached.used = ++m_uses;
        cached.points.swap(m_live);
        m_live.clear();
        m_live.reserve(made + 16);
        m_liveFirst += made;
        forgetHint();
    }
    m_starts.append(m_liveFirst);
}

qsizetype TracePoints::chunkOf(qsizetype i) const
{
    return qsizetype(std::upper_bound(m_starts.cbegin(), m_starts.cend(), i) - m_starts.cbegin())
            - 1;
}

const TracePoints::Point *TracePoints::chunkPoints(qsizetype chunk) const
{
    for (Cached &cached : m_cache) {
        if (cached.chunk == chunk) {
            cached.used = ++m_uses;
            return cached.points.constData();
        }
    }
    Cached &cached = leastRecent();
    forgetHint(); // it may be the chunk about to be replaced
    cached.chunk = chunk;
    cached.used = ++m_uses;
    if (m_pipeline)
        m_pipeline->remake(chunk, &cached.points);
    const qsizetype length = m_starts.at(chunk + 1) - m_starts.at(chunk);
    if (cached.points.size() != length) {
        // Made the same way from the same samples, a chunk cannot come out
        // otherwise; should it, it is read as a gap rather than past its end.
        qWarning("trace points: chunk %lld made again as %lld points, not %lld", qlonglong(chunk),
                 qlonglong(cached.points.size()), qlonglong(length));
        cached.points.fill(Gap, length);
    }
    return cached.points.constData();
}

const TracePoints::Point &TracePoints::earlier(qsizetype i) const
{
    Q_ASSERT(i >= 0 && i < m_liveFirst);
    const qsizetype chunk = chunkOf(i);
    m_hint = chunkPoints(chunk);
    m_hintFirst = m_starts.at(chunk);
    m_hintEnd = m_starts.at(chunk + 1);
    return m_hint[i - m_hintFirst];
}

void TracePoints::read(qsizetype first, qsizetype count, QVector<Point> *out) const
{
    count = qMax<qsizetype>(0, count);
    out->resize(count);
    Point *to = out->data();
    const qsizetype end = first + count;
    qsizetype i = first;
    for (; i < qMin<qsizetype>(end, 0); ++i)
        *to++ = Gap;
    while (i < qMin(end, m_liveFirst)) {
        const qsizetype chunk = chunkOf(i);
        const qsizetype chunkFirst = m_starts.at(chunk);
        const qsizetype chunkEnd = qMin(end, m_starts.at(chunk + 1));
        const Point *points = chunkPoints(chunk);
        to = std::copy(points + (i - chunkFirst), points + (chunkEnd - chunkFirst), to);
        i = chunkEnd;
    }
    const qsizetype liveEnd = qMin(end, size());
    if (i < liveEnd) {
        to = std::copy(m_live.cbegin() + (i - m_liveFirst),
                       m_live.cbegin() + (liveEnd - m_liveFirst), to);
        i = liveEnd;
    }
    std::fill(to, out->data() + count, Gap);
}

qsizetype TracePoints::bytes() const
{
    qsizetype points = m_live.capacity();
    for (const Cached &cached : m_cache)
        points += cached.points.capacity();
    return points * qsizetype(sizeof(Point)) + m_starts.capacity() * qsizetype(sizeof(qsizetype))
            + (m_pipeline ? m_pipeline->bytes() : 0);
}

bool operator==(const TracePoints &a, const TracePoints &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QPointF p = a.at(i);
        const QPointF q = b.at(i);
        if (std::isnan(p.x()) != std::isnan(q.x()) || std::isnan(p.y()) != std::isnan(q.y()))
            return false;
        if ((!std::isnan(p.x()) && p.x() != q.x()) || (!std::isnan(p.y()) && p.y() != q.y()))
            return false;
    }
    return true;
}

} // namespace LibModel
