#include "shotmeasures.h"

#include <session.h>
#include <shot.h>
#include <trace.h>

#include <QPointF>
#include <QVector>

#include <cmath>

namespace {

// The length of the path through points [from, to); none with a gap in it.
double pathLength(const LibModel::TracePoints &points, int from, int to)
{
    if (from < 0 || to > points.size() || to - from < 2)
        return 0.0;
    double length = 0.0;
    for (int i = from; i + 1 < to; ++i) {
        const QPointF &a = points.at(i);
        const QPointF &b = points.at(i + 1);
        if (std::isnan(a.x()) || std::isnan(a.y()) || std::isnan(b.x()) || std::isnan(b.y()))
            return 0.0;
        length += std::hypot(b.x() - a.x(), b.y() - a.y());
    }
    return length;
}

} // namespace

ShotMeasures ShotMeasures::of(const LibModel::Shot &shot, LibModel::Trace &trace,
                              const LibModel::Session &session)
{
    // Samples count at the sample rate; the display points at the resample rate.
    const qint64 o = shot.offset();
    const qint64 S = session.sampleRate();
    const qint64 R = qMax<qint64>(S, session.storedResampleRate());
    const auto index = [&](qint64 raw) { return S > 0 ? int(raw * R / S) : 0; };
    ShotMeasures measures;
    measures.stab = pathLength(trace.points(), index(qMax<qint64>(0, o - 2 * S)), index(o));
    measures.trigStab = pathLength(trace.points(), index(qMax<qint64>(0, o - S)), index(o));
    measures.area = trace.windowedMeanScore(int(qMax<qint64>(0, o - 2 * S)), int(S));
    return measures;
}
