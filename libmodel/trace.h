#pragma once

#include "tracepoints.h"
#include "tracesample.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QVariantHash>
#include <QVector>

#include <memory>

namespace LibModel {

class PointPipeline;
class Session;
class Shot;

Q_MOC_INCLUDE("session.h")
Q_MOC_INCLUDE("shot.h")

// One continuous aiming recording of a session: raw samples at the sensor's
// rate, the shots fired in it, and the display points derived from the raw
// samples (filtered and, when the session asks for a higher rate, resampled).
// Display points are made incrementally: only new raw samples are processed.
// Of long traces only the recent display points are held; older ones are
// made again, the same, when read.
class Trace : public QObject
{
    Q_OBJECT
    Q_PROPERTY(LibModel::Session *session READ session CONSTANT)
    Q_PROPERTY(bool isDirty READ isDirty NOTIFY isDirtyChanged)
    Q_PROPERTY(QList<LibModel::Shot *> shots READ shots NOTIFY shotsChanged)
    Q_PROPERTY(qint64 timerStart READ timerStart NOTIFY timerStartChanged)
    Q_PROPERTY(qint64 timerEnd READ timerEnd NOTIFY samplesChanged)
    Q_PROPERTY(int count READ count NOTIFY samplesChanged)

public:
    Trace(Session *session, qint64 timer, double filterCutoff);
    ~Trace() override;

    Session *session() const { return m_session; }
    qint64 id() const { return m_id; }
    void setId(qint64 id) { m_id = id; }
    qint64 pendingId() const { return m_pendingId; }
    void setPendingId(qint64 id) { m_pendingId = id; }
    bool isDirty() const { return m_isDirty; }
    void setDirty(bool dirty);
    const QList<Shot *> &shots() const { return m_shots; }
    qint64 timerStart() const { return m_timerStart; }
    qint64 timerEnd() const { return m_timerEnd; }
    void setTimerEnd(qint64 timer) { m_timerEnd = timer; }
    int count() const { return m_encodedCount >= 0 ? m_encodedCount : int(m_samples.size()); }
    const QVector<TraceSample> &samples() const;

    void appendSample(qint64 timer, const TraceSample &sample);
    // Replaces all raw samples at once (reading from the database). A blob
    // known to encode exactly these samples is kept and stored as it is.
    void setSamples(const QVector<TraceSample> &samples, const QByteArray &encoded = {});
    // Takes count samples as a blob known to be whole (its checksum was
    // checked); they are decoded only when something asks for them, so a
    // session that is only passed on to the database never decodes them.
    void setEncodedSamples(const QByteArray &encoded, int count);
    // The samples as the database stores them (RecordCodec::encodeSamples),
    // made once and kept until the samples change.
    QByteArray encodedSamples() const;

    // The display points, bringing them up to date with the raw samples.
    const TracePoints &points();
    // The display points as they are, without processing new raw samples
    // (for readers that must not change the trace, such as a renderer).
    const TracePoints &processedPoints() const { return m_points; }
    // Passes a new cut-off to both filters and re-processes.
    void setFilterCutoff(double cutoff);
    // Throws the display points away and makes them anew from all samples.
    void reprocess();

    // The mean score of the aiming over a window of display points: count n
    // raw samples ending at raw sample e, scored on the session's target.
    double windowedMeanScore(int e, int n);

    QVariantHash properties() const { return m_properties; }
    void setProperties(const QVariantHash &properties) { m_properties = properties; }

    // A shot whose breach is already known (one read back from where it was
    // kept): its score does not need the samples.
    Shot *appendShot(ushort serieIndex, int offset, bool missed, double phase,
                     const QPointF &breach);

public slots:
    LibModel::Shot *appendShot(ushort serieIndex, int offset, bool missed, double phase);

signals:
    void isDirtyChanged();
    void shotsChanged();
    void timerStartChanged();
    void samplesChanged();
    // The display points were thrown away to be made anew: any of them may
    // differ from what was drawn.
    void pointsRemade();

private:
    Shot *addShot(ushort serieIndex, int offset, bool missed, double phase, const QPointF *breach);
    void processPending();
    qint64 samplesToMsecs(qint64 samples) const;

    Session *m_session;
    qint64 m_id = 0;
    qint64 m_pendingId = 0;
    bool m_isDirty = false;
    mutable QVector<TraceSample> m_samples;
    mutable QByteArray m_encodedSamples; // empty: not made yet
    mutable int m_encodedCount = -1; // >= 0: the samples are only in m_encodedSamples
    TracePoints m_points;
    std::unique_ptr<PointPipeline> m_pipeline;
    QList<Shot *> m_shots;
    qint64 m_timerStart;
    qint64 m_timerEnd;
    QVariantHash m_properties;
};

} // namespace LibModel
