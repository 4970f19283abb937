#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointF>
#include <QVariantHash>

namespace LibModel {

class Serie;
class Session;
class Trace;

Q_MOC_INCLUDE("serie.h")
Q_MOC_INCLUDE("session.h")
Q_MOC_INCLUDE("trace.h")

// One shot: the raw sample of its trace at which it was fired, its series,
// and its breach and score, each computed once on first use.
class Shot : public QObject
{
    Q_OBJECT
    Q_PROPERTY(LibModel::Session *session READ session CONSTANT)
    Q_PROPERTY(LibModel::Serie *serie READ serie CONSTANT)
    Q_PROPERTY(LibModel::Trace *trace READ trace CONSTANT)
    Q_PROPERTY(bool isDirty READ isDirty NOTIFY isDirtyChanged)
    Q_PROPERTY(bool isMissed READ isMissed CONSTANT)
    Q_PROPERTY(qint64 timer READ timer CONSTANT)
    Q_PROPERTY(QDateTime dateTime READ dateTime CONSTANT)
    Q_PROPERTY(int offset READ offset CONSTANT)
    Q_PROPERTY(int serieIndex READ serieIndex CONSTANT)
    Q_PROPERTY(int indexInSerie READ indexInSerie NOTIFY indexChanged)
    Q_PROPERTY(int indexInSession READ indexInSession NOTIFY indexChanged)
    Q_PROPERTY(QPointF breach READ breach NOTIFY breachChanged)
    Q_PROPERTY(double result READ result NOTIFY resultChanged)

public:
    Shot(Trace *trace, ushort serieIndex, int offset, bool missed, double phase);

    Session *session() const { return m_session; }
    Serie *serie() const;
    Trace *trace() const { return m_trace; }
    qint64 id() const { return m_id; }
    void setId(qint64 id) { m_id = id; }
    qint64 pendingId() const { return m_pendingId; }
    void setPendingId(qint64 id) { m_pendingId = id; }
    bool isDirty() const { return m_isDirty; }
    void setDirty(bool dirty);
    bool isMissed() const { return m_isMissed; }
    qint64 timer() const { return m_timer; }
    void setTimer(qint64 timer) { m_timer = timer; }
    QDateTime dateTime() const { return QDateTime::fromMSecsSinceEpoch(m_timer); }
    int offset() const { return m_offset; }
    double phase() const { return m_phase; }
    int serieIndex() const { return m_serieIndex; }
    int indexInSerie() const;
    int indexInSession() const;

    // The aiming point of the shot's raw sample; NaN when the trace has no
    // sample at the offset.
    QPointF breach() const;
    // Gives the breach as it was read when the shot was kept elsewhere, so
    // that neither it nor the score has to decode the trace's samples.
    void setBreach(const QPointF &breach);
    // The score of the breach on the session's target at its caliber; NaN
    // without a target or breach.
    double result() const;

    QVariantHash properties() const { return m_properties; }
    void setProperties(const QVariantHash &properties) { m_properties = properties; }
    void setValue(const QString &key, const QVariant &value);

    Q_INVOKABLE LibModel::Shot *previous() const;
    Q_INVOKABLE LibModel::Shot *next() const;
    Q_INVOKABLE LibModel::Shot *previousInSerie() const;
    Q_INVOKABLE LibModel::Shot *nextInSerie() const;

signals:
    void isDirtyChanged();
    void indexChanged();
    void breachChanged();
    void resultChanged();

private:
    Session *m_session;
    Trace *m_trace;
    qint64 m_id = 0;
    qint64 m_pendingId = 0;
    bool m_isDirty = false;
    bool m_isMissed;
    int m_offset; // an hour-long trace holds far more than 65535 samples
    qint64 m_timer = -1;
    double m_phase;
    ushort m_serieIndex;
    mutable QPointF m_breach;
    mutable bool m_breachStale = true;
    mutable double m_result;
    mutable bool m_resultStale = true;
    QVariantHash m_properties;
};

} // namespace LibModel
