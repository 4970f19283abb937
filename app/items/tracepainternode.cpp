#include "tracepainternode.h"

#include <QPainter>
#include <QQuickWindow>
#include <QSGRendererInterface>

#include <cmath>

TracePainterNode::TracePainterNode(QQuickWindow *window)
    : m_window(window)
{ }

void TracePainterNode::setStyle(Style style, float penWidth, const QColor &color)
{
    m_style = style;
    m_penWidth = qMax(penWidth, 1.0f);
    m_color = color;
}

void TracePainterNode::pointsChanged()
{
    double left = qInf(), top = qInf(), right = -qInf(), bottom = -qInf();
    for (const QPointF &point : std::as_const(m_points)) {
        if (std::isnan(point.x()) || std::isnan(point.y()))
            continue;
        left = qMin(left, point.x());
        right = qMax(right, point.x());
        top = qMin(top, point.y());
        bottom = qMax(bottom, point.y());
    }
    if (left > right) {
        m_rect = QRectF();
    } else {
        // Room for the pen (or the diamonds) and the antialiased edge.
        const double margin = m_penWidth + 1.0;
        m_rect = QRectF(QPointF(left, top), QPointF(right, bottom))
                         .adjusted(-margin, -margin, margin, margin);
    }
    markDirty(QSGNode::DirtyMaterial);
}

QSGRenderNode::StateFlags TracePainterNode::changedStates() const
{
    return {};
}

QSGRenderNode::RenderingFlags TracePainterNode::flags() const
{
    return BoundedRectRendering;
}

void TracePainterNode::render(const RenderState *state)
{
    auto *painter = static_cast<QPainter *>(m_window->rendererInterface()->getResource(
            m_window, QSGRendererInterface::PainterResource));
    if (!painter || m_rect.isEmpty())
        return;
    // The clip is in window coordinates: set before the item's transform.
    const QRegion *clip = state->clipRegion();
    if (clip && !clip->isEmpty())
        painter->setClipRegion(*clip, Qt::ReplaceClip);
    painter->setTransform(matrix()->toTransform());
    painter->setOpacity(inheritedOpacity());
    painter->setRenderHint(QPainter::Antialiasing);

    const QPointF *begin = m_points.constData();
    const QPointF *end = begin + m_points.size();
    if (m_style == Lines) {
        painter->setPen(QPen(m_color, m_penWidth, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        // One polyline per run between gaps.
        for (const QPointF *run = begin; run != end;) {
            while (run != end && std::isnan(run->x() + run->y()))
                ++run;
            const QPointF *runEnd = run;
            while (runEnd != end && !std::isnan(runEnd->x() + runEnd->y()))
                ++runEnd;
            if (runEnd - run == 1)
                painter->drawPoint(*run);
            else if (runEnd != run)
                painter->drawPolyline(run, int(runEnd - run));
            run = runEnd;
        }
        return;
    }
    painter->setPen(Qt::NoPen);
    painter->setBrush(m_color);
    const double h = m_penWidth / 2.0;
    for (const QPointF *point = begin; point != end; ++point) {
        if (std::isnan(point->x() + point->y()))
            continue;
        const QPointF diamond[4] = {{point->x() - h, point->y()},
                                    {point->x(), point->y() - h},
                                    {point->x() + h, point->y()},
                                    {point->x(), point->y() + h}};
        painter->drawConvexPolygon(diamond, 4);
    }
}
