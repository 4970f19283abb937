#include "traceitem.h"
#include "targetitem.h"
#include "tracepainternode.h"

#include <session.h>
#include <trace.h>

#include <QQuickWindow>
#include <QSGFlatColorMaterial>
#include <QSGGeometryNode>
#include <QSGRendererInterface>

#include <cmath>

namespace {

// Vertices for count points (anything with float x and y): one per point
// for lines, a diamond of two triangles around each point otherwise.
template<typename Point>
void fill(QSGGeometry::Point2D *vertex, const Point *point, int count, TraceItem::Style style,
          float penWidth, const TraceItem::Mapping &m)
{
    const Point *end = point + count;
    if (style == TraceItem::Lines) {
        for (; point != end; ++point, ++vertex) {
            const QPointF pixel = m.map(point->x, point->y);
            vertex->set(float(pixel.x()), float(pixel.y()));
        }
        return;
    }
    const float h = penWidth / 2.0f;
    for (; point != end; ++point, vertex += 6) {
        const QPointF pixel = m.map(point->x, point->y);
        const float x = float(pixel.x());
        const float y = float(pixel.y());
        vertex[0].set(x - h, y);
        vertex[1].set(x, y - h);
        vertex[2].set(x + h, y);
        vertex[3].set(x - h, y);
        vertex[4].set(x, y + h);
        vertex[5].set(x + h, y);
    }
}

} // namespace

TraceItem::TraceItem(QQuickItem *parent)
    : QQuickItem(parent)
{
    setFlag(ItemHasContents);
}

TraceItem::~TraceItem() = default;

TargetItem *TraceItem::targetItem() const
{
    return m_targetItem;
}

LibModel::Trace *TraceItem::trace() const
{
    return m_trace;
}

void TraceItem::setStyle(Style style)
{
    if (style == m_style)
        return;
    m_style = style;
    m_rebuild = true;
    emit styleChanged();
    update();
}

void TraceItem::setPenWidth(float width)
{
    if (width == m_penWidth)
        return;
    m_penWidth = width;
    m_rebuild = true;
    emit penWidthChanged();
    update();
}

void TraceItem::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    m_rebuild = true;
    emit colorChanged();
    update();
}

void TraceItem::setFirstIndex(int index)
{
    if (index == m_firstIndex)
        return;
    m_firstIndex = index;
    polish();
    emit firstIndexChanged();
}

void TraceItem::setLastIndex(int index)
{
    if (index == m_lastIndex)
        return;
    m_lastIndex = index;
    polish();
    emit lastIndexChanged();
}

void TraceItem::setResampled(bool resampled)
{
    if (resampled == m_resampled)
        return;
    m_resampled = resampled;
    polish();
    emit resampledChanged();
}

void TraceItem::setTrace(LibModel::Trace *trace)
{
    if (trace == m_trace)
        return;
    if (m_trace)
        disconnect(m_trace, nullptr, this, nullptr);
    m_trace = trace;
    if (trace) {
        connect(trace, &LibModel::Trace::samplesChanged, this, &QQuickItem::polish);
        // New points in the same stretch: drawn again.
        connect(trace, &LibModel::Trace::pointsRemade, this, &QQuickItem::update);
        // A trace that goes away must not stay on screen.
        connect(trace, &QObject::destroyed, this, &QQuickItem::polish);
    }
    polish();
    update(); // even if the new trace's stretch matches the old one's
    emit traceChanged();
}

void TraceItem::setTargetItem(TargetItem *targetItem)
{
    if (targetItem == m_targetItem)
        return;
    if (m_targetItem)
        disconnect(m_targetItem, nullptr, this, nullptr);
    m_targetItem = targetItem;
    if (targetItem) {
        // A new mapping only moves the vertices: a repaint, not a polish.
        for (auto signal : {&TargetItem::targetScaleXChanged, &TargetItem::targetScaleYChanged,
                            &TargetItem::targetTxChanged, &TargetItem::targetTyChanged})
            connect(targetItem, signal, this, &QQuickItem::update);
    }
    update();
}

void TraceItem::doUpdate()
{
    update();
}

void TraceItem::updatePolish()
{
    const qint64 firstBefore = m_firstPoint;
    const int countBefore = m_pointCount;
    const bool resampledBefore = m_drawsResampled;
    m_pointCount = 0;
    m_drawsResampled = m_resampled;
    LibModel::Trace *trace = m_trace;
    if (trace && m_firstIndex >= 0) {
        qint64 first = m_firstIndex;
        qint64 last = m_lastIndex;
        qint64 available = 0;
        if (!m_resampled) {
            available = trace->samples().size();
        } else {
            available = trace->points().size();
            // Raw-sample indices become display-point indices. Without a
            // sensor rate the trace is not resampled, so the indices match.
            const LibModel::Session *session = trace->session();
            const qint64 rate = session ? session->sampleRate() : 0;
            if (rate > 0) {
                const qint64 display = qMax<qint64>(session->storedResampleRate(), rate);
                first = first * display / rate;
                last = last * display / rate;
            }
        }
        last = qMin(last, available - 1);
        if (first <= last) {
            m_firstPoint = first;
            m_pointCount = int(last - first + 1);
        }
    }
    // A new sample polishes every piece of a trace; only the pieces whose
    // stretch changed are drawn again.
    if (m_firstPoint != firstBefore || m_pointCount != countBefore
        || m_drawsResampled != resampledBefore)
        update();
}

QPointF TraceItem::point(int index) const
{
    const qint64 i = m_firstPoint + index;
    if (!m_trace)
        return QPointF();
    if (!m_drawsResampled) {
        const LibModel::TraceSample &sample = m_trace->samples().at(i);
        return QPointF(sample.x, sample.y);
    }
    return m_trace->processedPoints().at(i);
}

QSGNode *TraceItem::updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *)
{
    // The stretch found on polish, within what the trace holds now.
    qint64 available = 0;
    if (m_trace) {
        available
                = m_drawsResampled ? m_trace->processedPoints().size() : m_trace->samples().size();
    }
    const int count = int(qBound<qint64>(0, available - m_firstPoint, qint64(m_pointCount)));
    if (count == 0 || !m_targetItem) {
        delete oldNode;
        return nullptr;
    }
    if (m_rebuild) {
        delete oldNode;
        oldNode = nullptr;
        m_rebuild = false;
    }
    // The GUI thread waits while the node is made: the trace holds still.
    const Mapping mapping {m_targetItem->targetScaleX(), m_targetItem->targetScaleY(),
                           m_targetItem->targetTx(), m_targetItem->targetTy()};
    // The software scene graph draws no geometry nodes: it gets a painted one.
    const QSGRendererInterface *renderer = window() ? window()->rendererInterface() : nullptr;
    if (renderer && renderer->graphicsApi() == QSGRendererInterface::Software)
        return paintedNode(static_cast<TracePainterNode *>(oldNode), count, mapping);
    return geometryNode(static_cast<QSGGeometryNode *>(oldNode), count, mapping);
}

template<typename Function>
void TraceItem::withPoints(int count, Function function) const
{
    if (m_drawsResampled) {
        QVector<LibModel::TracePoints::Point> points;
        m_trace->processedPoints().read(m_firstPoint, count, &points);
        function(points.constData(), count);
    } else
        function(m_trace->samples().constData() + m_firstPoint, count);
}

QSGNode *TraceItem::geometryNode(QSGGeometryNode *node, int count, const Mapping &mapping)
{
    const int vertexCount = m_style == Points ? 6 * count : count;
    if (!node) {
        auto *geometry = new QSGGeometry(QSGGeometry::defaultAttributes_Point2D(), vertexCount);
        if (m_style == Points) {
            geometry->setDrawingMode(QSGGeometry::DrawTriangles);
        } else {
            geometry->setDrawingMode(QSGGeometry::DrawLineStrip);
            geometry->setLineWidth(m_penWidth);
        }
        auto *material = new QSGFlatColorMaterial;
        material->setColor(m_color);
        node = new QSGGeometryNode;
        node->setGeometry(geometry);
        node->setMaterial(material);
        node->setFlags(QSGNode::OwnsGeometry | QSGNode::OwnsMaterial);
    } else {
        node->geometry()->allocate(vertexCount);
    }
    QSGGeometry::Point2D *vertex = node->geometry()->vertexDataAsPoint2D();
    withPoints(count, [&](const auto *points, int n) {
        fill(vertex, points, n, m_style, m_penWidth, mapping);
    });
    node->markDirty(QSGNode::DirtyGeometry);
    return node;
}

QSGNode *TraceItem::paintedNode(TracePainterNode *node, int count, const Mapping &mapping)
{
    if (!node) {
        node = new TracePainterNode(window());
        node->setStyle(m_style == Points ? TracePainterNode::Points : TracePainterNode::Lines,
                       m_penWidth, m_color);
    }
    // Points that stay within a fraction of a pixel of the last one kept add
    // nothing to a painted line but the painter's work.
    QVector<QPointF> &pixels = node->points();
    pixels.clear();
    pixels.reserve(count);
    withPoints(count, [&](const auto *point, int n) {
        constexpr double MinStep = 0.35;
        for (int i = 0; i < n; ++i, ++point) {
            const QPointF pixel = mapping.map(point->x, point->y);
            if (m_style == Lines && !pixels.isEmpty() && i != n - 1) {
                const QPointF step = pixel - pixels.constLast();
                if (std::abs(step.x()) < MinStep && std::abs(step.y()) < MinStep)
                    continue;
            }
            pixels.append(pixel);
        }
    });
    node->pointsChanged();
    return node;
}
