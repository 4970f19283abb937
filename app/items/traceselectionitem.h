#pragma once

#include "traceitem.h"

#include <QColor>
#include <QObject>
#include <QPointer>

namespace LibModel {
class Trace;
}

Q_MOC_INCLUDE("trace.h")

// One coloured piece of an aiming trace, as a TraceSelection hands it to a
// trace item: raw samples firstIndex ... lastIndex of `trace`. The piece has
// a fixed end; the replay cursor moves lastIndex between firstIndex and that
// end (or to -1 when the cursor is before the piece).
class TraceSelectionItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TraceItem::Style style READ style WRITE setStyle NOTIFY styleChanged)
    Q_PROPERTY(float penWidth READ penWidth WRITE setPenWidth NOTIFY penWidthChanged)
    Q_PROPERTY(LibModel::Trace *trace READ trace WRITE setTrace NOTIFY traceChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(int firstIndex READ firstIndex WRITE setFirstIndex NOTIFY indexChanged)
    Q_PROPERTY(int lastIndex READ lastIndex NOTIFY indexChanged)

public:
    explicit TraceSelectionItem(QObject *parent = nullptr);

    TraceItem::Style style() const { return m_style; }
    void setStyle(TraceItem::Style style);
    float penWidth() const { return m_penWidth; }
    void setPenWidth(float width);
    LibModel::Trace *trace() const;
    void setTrace(LibModel::Trace *trace);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    int firstIndex() const { return m_firstIndex; }
    void setFirstIndex(int index);
    int lastIndex() const { return m_lastIndex; }
    int end() const { return m_end; }

    // A piece from `first` to `end`, shown whole.
    void setRange(int first, int end);
    // Shows the piece up to the replay cursor.
    void revealUpTo(int position);

signals:
    void styleChanged();
    void penWidthChanged();
    void traceChanged();
    void colorChanged();
    void indexChanged();

private:
    TraceItem::Style m_style = TraceItem::Points;
    float m_penWidth = 0.0f;
    QPointer<LibModel::Trace> m_trace;
    QColor m_color;
    int m_firstIndex = -1;
    int m_end = -1;
    int m_lastIndex = -1;
};
