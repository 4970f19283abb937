#include "traceselectionshotitem.h"
#include "traceselection.h"

#include <shot.h>

#include <cmath>

TraceSelectionShotItem::TraceSelectionShotItem(TraceSelection *owner)
    : QObject(owner)
    , m_owner(owner)
{ }

LibModel::Shot *TraceSelectionShotItem::shot() const
{
    return m_shot;
}

void TraceSelectionShotItem::setShot(LibModel::Shot *shot)
{
    if (shot == m_shot)
        return;
    m_shot = shot;
    emit shotChanged();
}

void TraceSelectionShotItem::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    emit selectedChanged();
}

void TraceSelectionShotItem::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit visibleChanged();
}

void TraceSelectionShotItem::setBreach(const QPointF &breach)
{
    // A breach off the trace is NaN; NaN against NaN is no change.
    const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    if (same(breach.x(), m_breach.x()) && same(breach.y(), m_breach.y()))
        return;
    m_breach = breach;
    emit breachChanged();
}
