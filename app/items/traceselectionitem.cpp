#include "traceselectionitem.h"

#include <trace.h>

#include <algorithm>

TraceSelectionItem::TraceSelectionItem(QObject *parent)
    : QObject(parent)
{ }

void TraceSelectionItem::setStyle(TraceItem::Style style)
{
    if (style == m_style)
        return;
    m_style = style;
    emit styleChanged();
}

void TraceSelectionItem::setPenWidth(float width)
{
    if (width == m_penWidth)
        return;
    m_penWidth = width;
    emit penWidthChanged();
}

LibModel::Trace *TraceSelectionItem::trace() const
{
    return m_trace;
}

void TraceSelectionItem::setTrace(LibModel::Trace *trace)
{
    if (trace == m_trace)
        return;
    m_trace = trace;
    emit traceChanged();
}

void TraceSelectionItem::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    emit colorChanged();
}

void TraceSelectionItem::setFirstIndex(int index)
{
    if (index == m_firstIndex)
        return;
    m_firstIndex = index;
    emit indexChanged();
}

void TraceSelectionItem::setRange(int first, int end)
{
    if (first == m_firstIndex && end == m_end && end == m_lastIndex)
        return;
    m_firstIndex = first;
    m_end = end;
    m_lastIndex = end;
    emit indexChanged();
}

void TraceSelectionItem::revealUpTo(int position)
{
    const int visibleEnd = std::min(m_end, position);
    const int last = m_firstIndex > visibleEnd ? -1 : visibleEnd;
    if (last == m_lastIndex)
        return;
    m_lastIndex = last;
    emit indexChanged();
}
