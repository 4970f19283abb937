#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSGRenderNode>
#include <QVector>

class QQuickWindow;

// A stretch of aiming trace for the software scene graph, which draws no
// custom geometry: the points are kept in item pixels and painted with the
// scene graph's own painter, as a polyline broken at gaps (NaN points) or as
// small diamonds. The node reports the rectangle it covers, so a change
// repaints only that part of the window.
class TracePainterNode : public QSGRenderNode
{
public:
    enum Style { Points = 0, Lines = 1 };

    explicit TracePainterNode(QQuickWindow *window);

    void setStyle(Style style, float penWidth, const QColor &color);
    // The points to draw, in item pixels; the covered rectangle follows them.
    QVector<QPointF> &points() { return m_points; }
    void pointsChanged();

    void render(const RenderState *state) override;
    StateFlags changedStates() const override;
    RenderingFlags flags() const override;
    QRectF rect() const override { return m_rect; }

private:
    QQuickWindow *m_window;
    QVector<QPointF> m_points;
    QRectF m_rect;
    Style m_style = Lines;
    float m_penWidth = 1.0f;
    QColor m_color;
};
