#pragma once

#include <QColor>
#include <QPointF>
#include <QPointer>
#include <QQuickItem>

namespace LibModel {
class Trace;
}

class QSGGeometryNode;
class TargetItem;
class TracePainterNode;

Q_MOC_INCLUDE("targetitem.h")
Q_MOC_INCLUDE("trace.h")

// Draws the stretch firstIndex..lastIndex (raw-sample indices, inclusive) of
// an aiming trace over a target face as scene-graph geometry: a line strip
// or a chain of diamonds, in one colour, placed through the target item's
// millimetre-to-pixel mapping. The drawn stretch is found on polish
// (indices, resampling or samples changed); vertices are made on every
// repaint straight from the trace's points, so a zoom or pan only moves them
// and the item keeps no copy of the points.
class TraceItem : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(TargetItem *targetItem READ targetItem WRITE setTargetItem NOTIFY targetItemChanged)
    Q_PROPERTY(LibModel::Trace *trace READ trace WRITE setTrace NOTIFY traceChanged)
    Q_PROPERTY(Style style READ style WRITE setStyle NOTIFY styleChanged)
    Q_PROPERTY(float penWidth READ penWidth WRITE setPenWidth NOTIFY penWidthChanged)
    Q_PROPERTY(int firstIndex READ firstIndex WRITE setFirstIndex NOTIFY firstIndexChanged)
    Q_PROPERTY(int lastIndex READ lastIndex WRITE setLastIndex NOTIFY lastIndexChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool resampled READ resampled WRITE setResampled NOTIFY resampledChanged)

public:
    enum Style { Points = 0, Lines = 1 };
    Q_ENUM(Style)

    // Target millimetres to item pixels.
    struct Mapping
    {
        double scaleX;
        double scaleY;
        double tx;
        double ty;
        QPointF map(double x, double y) const { return {(x + tx) * scaleX, (y + ty) * scaleY}; }
    };

    explicit TraceItem(QQuickItem *parent = nullptr);
    ~TraceItem() override;

    TargetItem *targetItem() const;
    LibModel::Trace *trace() const;
    Style style() const { return m_style; }
    float penWidth() const { return m_penWidth; }
    int firstIndex() const { return m_firstIndex; }
    int lastIndex() const { return m_lastIndex; }
    QColor color() const { return m_color; }
    bool resampled() const { return m_resampled; }

    void setStyle(Style style);
    void setPenWidth(float width);

    // The points found by the last polish, in target millimetres.
    int pointCount() const { return m_pointCount; }
    QPointF point(int index) const;

public slots:
    void setTargetItem(TargetItem *targetItem);
    void setTrace(LibModel::Trace *trace);
    void setFirstIndex(int index);
    void setLastIndex(int index);
    void setColor(const QColor &color);
    void setResampled(bool resampled);
    void doUpdate();

signals:
    void targetItemChanged();
    void traceChanged();
    void styleChanged();
    void penWidthChanged();
    void firstIndexChanged();
    void lastIndexChanged();
    void colorChanged();
    void resampledChanged();

protected:
    // Finds the drawn stretch of the trace's points or raw samples.
    void updatePolish() override;
    QSGNode *updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *data) override;

private:
    // Calls function(points, count) with the drawn stretch of the points
    // or raw samples (anything with x and y).
    template<typename Function>
    void withPoints(int count, Function function) const;
    QSGNode *geometryNode(QSGGeometryNode *node, int count, const Mapping &mapping);
    QSGNode *paintedNode(TracePainterNode *node, int count, const Mapping &mapping);

    QPointer<TargetItem> m_targetItem;
    QPointer<LibModel::Trace> m_trace;
    Style m_style = Points;
    float m_penWidth = 0.0f;
    int m_firstIndex = -1;
    int m_lastIndex = -1;
    // The drawn stretch: m_pointCount points from m_firstPoint on, of the
    // raw samples or (m_drawsResampled) of the display points.
    qint64 m_firstPoint = 0;
    int m_pointCount = 0;
    bool m_drawsResampled = true;
    bool m_resampled = true;
    QColor m_color = QColor(255, 0, 0, 255);
    // Style, width or colour changed: the next repaint makes a new node.
    bool m_rebuild = false;
};
