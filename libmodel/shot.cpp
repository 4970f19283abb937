#include "shot.h"
#include "serie.h"
#include "session.h"
#include "targetdescriptor.h"
#include "trace.h"

#include <cmath>
#include <limits>

namespace LibModel {

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

Shot *neighbour(const QList<Shot *> &list, const Shot *shot, int step)
{
    const qsizetype index = list.indexOf(const_cast<Shot *>(shot));
    if (index < 0)
        return nullptr;
    const qsizetype other = index + step;
    return other >= 0 && other < list.size() ? list.at(other) : nullptr;
}
} // namespace

Shot::Shot(Trace *trace, ushort serieIndex, int offset, bool missed, double phase)
    : QObject(trace)
    , m_session(trace->session())
    , m_trace(trace)
    , m_isMissed(missed)
    , m_offset(offset)
    , m_phase(phase)
    , m_serieIndex(serieIndex)
    , m_result(NaN)
{ }

Serie *Shot::serie() const
{
    const QList<Serie *> &series = m_session->series();
    return m_serieIndex < series.size() ? series.at(m_serieIndex) : nullptr;
}

void Shot::setDirty(bool dirty)
{
    if (m_isDirty == dirty)
        return;
    m_isDirty = dirty;
    emit isDirtyChanged();
}

int Shot::indexInSerie() const
{
    const Serie *series = serie();
    return series ? int(series->shots().indexOf(const_cast<Shot *>(this))) : -1;
}

int Shot::indexInSession() const
{
    return int(m_session->shots().indexOf(const_cast<Shot *>(this)));
}

QPointF Shot::breach() const
{
    if (m_breachStale) {
        const QVector<TraceSample> &samples = m_trace->samples();
        if (m_offset >= 0 && m_offset < samples.size()) {
            const TraceSample &sample = samples.at(m_offset);
            m_breach = QPointF(sample.x, sample.y);
        } else {
            m_breach = QPointF(NaN, NaN);
        }
        m_breachStale = false;
    }
    return m_breach;
}

void Shot::setBreach(const QPointF &breach)
{
    m_breach = breach;
    m_breachStale = false;
    m_resultStale = true;
}

double Shot::result() const
{
    if (m_resultStale) {
        const QPointF point = breach();
        const TargetDescriptor *target = m_session->targetDescriptor();
        m_result = !target || std::isnan(point.x()) || std::isnan(point.y())
                ? NaN
                : target->breachScore(point, m_session->caliber());
        m_resultStale = false;
    }
    return m_result;
}

void Shot::setValue(const QString &key, const QVariant &value)
{
    if (value.isNull())
        m_properties.remove(key);
    else
        m_properties.insert(key, value);
}

Shot *Shot::previous() const
{
    return neighbour(m_session->shots(), this, -1);
}

Shot *Shot::next() const
{
    return neighbour(m_session->shots(), this, 1);
}

Shot *Shot::previousInSerie() const
{
    const Serie *series = serie();
    return series ? neighbour(series->shots(), this, -1) : nullptr;
}

Shot *Shot::nextInSerie() const
{
    const Serie *series = serie();
    return series ? neighbour(series->shots(), this, 1) : nullptr;
}

} // namespace LibModel
