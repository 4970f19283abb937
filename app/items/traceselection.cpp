#include "traceselection.h"

#include <session.h>
#include <shot.h>
#include <trace.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr float PiecePenWidth = 2.0f;

QColor pieceColor(const char *name)
{
    return QColor::fromString(QLatin1String(name)).lighter(150);
}

// NaN against a number is a change, NaN against NaN is none.
bool differs(double a, double b, double tolerance)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) != std::isnan(b);
    return std::abs(a - b) > tolerance;
}

template<typename T>
QQmlListProperty<T> readOnlyList(QObject *owner, QList<T *> *list)
{
    return QQmlListProperty<T>(
            owner, list,
            [](QQmlListProperty<T> *property) {
                return static_cast<QList<T *> *>(property->data)->size();
            },
            [](QQmlListProperty<T> *property, qsizetype i) {
                return static_cast<QList<T *> *>(property->data)->at(i);
            });
}

} // namespace

TraceSelection::TraceSelection(QObject *parent)
    : QObject(parent)
{
    m_updateTimer.setSingleShot(true);
    m_updateTimer.setInterval(0);
    connect(&m_updateTimer, &QTimer::timeout, this, &TraceSelection::updateSelection);
}

QQmlListProperty<TraceSelectionItem> TraceSelection::traces()
{
    return readOnlyList(this, &m_traces);
}

QQmlListProperty<TraceSelectionShotItem> TraceSelection::shots()
{
    return readOnlyList(this, &m_shots);
}

void TraceSelection::setSelection(QObject *selection)
{
    if (selection == m_selection)
        return;
    disconnect(m_destroyedConnection);
    m_selection = selection;
    if (selection) {
        // A deleted recording or shot leaves nothing behind to draw.
        m_destroyedConnection = connect(selection, &QObject::destroyed, this, [this] {
            updateSelection();
            emit selectionChanged();
        });
    }
    updateSelection();
    emit selectionChanged();
}

void TraceSelection::setShowTrace(bool show)
{
    if (show == m_showTrace)
        return;
    m_showTrace = show;
    updateSelection();
    emit showTraceChanged();
}

LibModel::Trace *TraceSelection::selectedTrace() const
{
    if (auto *trace = qobject_cast<LibModel::Trace *>(m_selection))
        return trace;
    if (auto *shot = qobject_cast<LibModel::Shot *>(m_selection))
        return shot->trace();
    return nullptr;
}

int TraceSelection::samplesToMsecs(const LibModel::Trace *trace, int samples)
{
    const int rate = trace->session() ? trace->session()->sampleRate() : 0;
    if (rate <= 0)
        return 0;
    return int(qint64(samples) * 1000 / rate);
}

void TraceSelection::clear()
{
    disconnect(m_samplesConnection);
    disconnect(m_shotsConnection);
    for (TraceSelectionItem *item : std::as_const(m_traces))
        item->deleteLater();
    for (TraceSelectionShotItem *item : std::as_const(m_shots))
        item->deleteLater();
    m_traces.clear();
    m_shots.clear();
    m_startPosition = -1;
    m_endPosition = -1;
    m_position = -1;
    m_duration = 0;
    m_durationToEnd = 0;
    m_aimingPoint = QPointF(0, 0);
    m_angle = 0.0;
}

void TraceSelection::emitRebuilt()
{
    emit tracesChanged();
    emit shotsChanged();
    emit startPositionChanged();
    emit endPositionChanged();
    emit positionChanged();
    emit durationChanged();
    emit aimingPointChanged();
    emit angleChanged();
}

void TraceSelection::appendRange(LibModel::Trace *trace, const QColor &color, int start, int end,
                                 int eraseMark)
{
    // Neighbouring pieces share their boundary sample, so the line is closed.
    while (end > start) {
        const int pieceEnd = start + std::min(end - start, MaxPieceLength);
        auto *item = new TraceSelectionItem(this);
        item->setStyle(TraceItem::Lines);
        item->setPenWidth(PiecePenWidth);
        item->setTrace(trace);
        item->setColor(color);
        item->setRange(std::max(eraseMark, start), pieceEnd);
        m_traces.append(item);
        start = pieceEnd;
    }
}

void TraceSelection::updateSelection()
{
    m_updateTimer.stop();
    clear();
    LibModel::Trace *trace = selectedTrace();
    if (!trace) {
        emitRebuilt();
        return;
    }
    m_samplesConnection = connect(trace, &LibModel::Trace::samplesChanged, this,
                                  &TraceSelection::updateSelectionLater);
    m_shotsConnection = connect(trace, &LibModel::Trace::shotsChanged, this,
                                &TraceSelection::updateSelectionLater);

    const QVector<LibModel::TraceSample> &samples = trace->samples();
    const int count = int(samples.size());
    const int rate = trace->session() ? trace->session()->sampleRate() : 0;
    const int last = count - 1;
    m_startPosition = 0;
    m_durationToEnd = 0;
    m_endPosition = last;
    m_position = last;
    // An empty recording lasts 0 ms, not a negative time.
    m_duration = samplesToMsecs(trace, std::max(last, 0));
    if (last < 0) {
        m_aimingPoint = QPointF(0, 0);
        m_angle = NaN;
    } else {
        m_aimingPoint = QPointF(samples.at(last).x, samples.at(last).y);
        m_angle = samples.at(last).z;
    }

    auto *reference = qobject_cast<LibModel::Shot *>(m_selection);
    if (!reference && !trace->shots().isEmpty())
        reference = trace->shots().constLast();

    // green from g to a, yellow a to b (the second before the shot), red b to
    // c (the half second after it), then green to the end.
    const int half = rate / 2;
    int a, b, c, g;
    if (reference) {
        const int offset = reference->offset();
        a = std::max(offset - rate, 0);
        b = offset;
        c = std::min(offset + half, last);
        // The previous shot bounds the green start only within this recording:
        // an offset in another trace means nothing here.
        const LibModel::Shot *previous = reference->previous();
        g = previous && previous->trace() == trace ? previous->offset()
                                                   : std::max(offset - 5 * rate, 0);
    } else {
        a = std::max(last - rate, 0);
        b = a + rate;
        c = b + half;
        g = 0;
    }
    const int eraseMark = trace == m_eraseTrace ? m_eraseMark : 0;
    appendRange(trace, pieceColor("green"), g, a, eraseMark);
    appendRange(trace, pieceColor("yellow"), a, b, eraseMark);
    appendRange(trace, pieceColor("red"), b, c, eraseMark);
    if (m_showTrace)
        appendRange(trace, pieceColor("green"), c, last, eraseMark);

    for (LibModel::Shot *shot : trace->shots()) {
        auto *item = new TraceSelectionShotItem(this);
        item->setShot(shot);
        item->setVisible(true);
        item->setSelected(shot == m_selection);
        item->setBreach(shot->breach());
        m_shots.append(item);
    }
    emitRebuilt();
}

void TraceSelection::updateSelectionLater()
{
    if (!m_updateTimer.isActive())
        m_updateTimer.start();
}

void TraceSelection::setPosition(int position)
{
    if (position < m_startPosition || position > m_endPosition || position == m_position)
        return;
    m_position = position;
    emit positionChanged();

    for (TraceSelectionItem *item : std::as_const(m_traces))
        item->revealUpTo(position);
    for (TraceSelectionShotItem *item : std::as_const(m_shots))
        item->setVisible(item->shot() && item->shot()->offset() <= position);

    auto *shot = qobject_cast<LibModel::Shot *>(m_selection);
    LibModel::Trace *trace = shot ? shot->trace() : nullptr;
    if (!trace)
        return;
    m_durationToEnd = samplesToMsecs(trace, m_endPosition - position);
    emit durationChanged();

    QPointF point(0, 0);
    double angle = NaN;
    if (position >= 0 && position < trace->count()) {
        const LibModel::TraceSample &sample = trace->samples().at(position);
        point = QPointF(sample.x, sample.y);
        angle = sample.z;
    }
    if (differs(point.x(), m_aimingPoint.x(), 1e-12)
        || differs(point.y(), m_aimingPoint.y(), 1e-12)) {
        m_aimingPoint = point;
        emit aimingPointChanged();
    }
    if (differs(angle, m_angle, 0.0)) {
        m_angle = angle;
        emit angleChanged();
    }
}

void TraceSelection::eraseCurrent()
{
    LibModel::Trace *trace = selectedTrace();
    if (!trace || (m_traces.isEmpty() && m_shots.isEmpty()))
        return;
    m_eraseMark = trace->count() - 1;
    m_eraseTrace = trace;
    emit tracesChanged();
}
