#pragma once

#include "traceselectionitem.h"
#include "traceselectionshotitem.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QQmlListProperty>
#include <QTimer>

#include <limits>

namespace LibModel {
class Shot;
class Trace;
} // namespace LibModel

// Turns a selected recording (a LibModel::Trace) or shot (a LibModel::Shot)
// into what the target view shows: coloured pieces of the aiming trace
// around the shot, the shot holes of the recording, and a replay cursor that
// reveals the trace sample by sample with the aiming point and cant angle at
// the cursor. The pieces are green up to a second before the shot, yellow
// for that second, red for the half second after it and, with `showTrace`,
// green again to the end of the recording.
class TraceSelection : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject *selection READ selection WRITE setSelection NOTIFY selectionChanged)
    Q_PROPERTY(bool showTrace READ showTrace WRITE setShowTrace NOTIFY showTraceChanged)
    Q_PROPERTY(QQmlListProperty<TraceSelectionItem> traces READ traces NOTIFY tracesChanged)
    Q_PROPERTY(QQmlListProperty<TraceSelectionShotItem> shots READ shots NOTIFY shotsChanged)
    Q_PROPERTY(int position READ position WRITE setPosition NOTIFY positionChanged)
    Q_PROPERTY(int startPosition READ startPosition NOTIFY startPositionChanged)
    Q_PROPERTY(int endPosition READ endPosition NOTIFY endPositionChanged)
    Q_PROPERTY(int duration READ duration NOTIFY durationChanged)
    Q_PROPERTY(int durationToEnd READ durationToEnd NOTIFY durationChanged)
    Q_PROPERTY(QPointF aimingPoint READ aimingPoint NOTIFY aimingPointChanged)
    Q_PROPERTY(double angle READ angle NOTIFY angleChanged)

public:
    // Longest piece, in raw samples.
    static constexpr int MaxPieceLength = 100;

    explicit TraceSelection(QObject *parent = nullptr);

    QObject *selection() const { return m_selection; }
    bool showTrace() const { return m_showTrace; }
    QQmlListProperty<TraceSelectionItem> traces();
    QQmlListProperty<TraceSelectionShotItem> shots();
    const QList<TraceSelectionItem *> &traceItems() const { return m_traces; }
    const QList<TraceSelectionShotItem *> &shotItems() const { return m_shots; }
    int position() const { return m_position; }
    int startPosition() const { return m_startPosition; }
    int endPosition() const { return m_endPosition; }
    int duration() const { return m_duration; }
    int durationToEnd() const { return m_durationToEnd; }
    QPointF aimingPoint() const { return m_aimingPoint; }
    double angle() const { return m_angle; }
    int eraseMark() const { return m_eraseMark; }

public slots:
    void setSelection(QObject *selection);
    void setShowTrace(bool show);
    void setPosition(int position);
    void updateSelection();
    void updateSelectionLater();
    void eraseCurrent();

signals:
    void selectionChanged();
    void showTraceChanged();
    void tracesChanged();
    void shotsChanged();
    void positionChanged();
    void startPositionChanged();
    void endPositionChanged();
    void durationChanged();
    void aimingPointChanged();
    void angleChanged();

private:
    // The recording of the selection: the trace itself or the shot's trace.
    LibModel::Trace *selectedTrace() const;
    void clear();
    void emitRebuilt();
    void appendRange(LibModel::Trace *trace, const QColor &color, int start, int end,
                     int eraseMark);
    // ms for a number of raw samples at the session's rate (0 without a rate).
    static int samplesToMsecs(const LibModel::Trace *trace, int samples);

    QPointer<QObject> m_selection;
    bool m_showTrace = true;
    QList<TraceSelectionItem *> m_traces;
    QList<TraceSelectionShotItem *> m_shots;
    int m_position = 0;
    int m_startPosition = 0;
    int m_endPosition = 0;
    int m_duration = 0;
    int m_durationToEnd = 0;
    QPointF m_aimingPoint;
    double m_angle = std::numeric_limits<double>::quiet_NaN();
    QTimer m_updateTimer;
    int m_eraseMark = 0;
    // The recording the erase mark was taken from; other recordings ignore it.
    QPointer<LibModel::Trace> m_eraseTrace;
    QMetaObject::Connection m_samplesConnection;
    QMetaObject::Connection m_shotsConnection;
    QMetaObject::Connection m_destroyedConnection;
};
