#include "targetitem.h"
#include "targetbackgrounditem.h"
#include "traceitem.h"

#include <targetdescriptor.h>
#include <targetmanager.h>

#include <QtMath>

#include <cmath>

namespace {

// A NaN on either side counts as a change, so that a layout recovering from
// a degenerate world is announced.
bool differs(double before, double after)
{
    return std::isnan(before) || std::isnan(after) || before != after;
}

constexpr double CenterTolerance = 1e-12;

} // namespace

TargetItem::TargetItem(QQuickItem *parent)
    : QQuickItem(parent)
{
    setFlag(ItemHasContents);
    if (const LibModel::TargetManager *manager = LibModel::TargetManager::instance())
        m_descriptor = manager->targets()->at(0);
    if (m_descriptor) {
        m_world = m_descriptor->world();
        m_center = m_world.center();
    }
    m_background = new TargetBackgroundItem(this);
}

TargetItem::~TargetItem() = default;

QPoint TargetItem::centerPx() const
{
    return QPoint(int(width() / 2.0 - qRound(m_targetScaleX * m_center.x())),
                  int(height() / 2.0 - qRound(m_targetScaleY * m_center.y())));
}

double TargetItem::xPosition() const
{
    return 0.5 + (m_center.x() - width() / 2.0 / m_targetScaleX) / m_world.width();
}

double TargetItem::widthRatio() const
{
    return width() / m_targetScaleX / m_world.width();
}

double TargetItem::yPosition() const
{
    return 0.5 + (m_center.y() - height() / 2.0 / m_targetScaleY) / m_world.height();
}

double TargetItem::heightRatio() const
{
    return height() / m_targetScaleY / m_world.height();
}

void TargetItem::pan(int dx, int dy)
{
    setCenter(QPointF(m_center.x() + dx / m_targetScaleX, m_center.y() + dy / m_targetScaleY));
}

double TargetItem::xPxToMm(int px) const
{
    return (px - width() / 2.0) / m_targetScaleX + m_center.x();
}

double TargetItem::yPxToMm(int py) const
{
    return (py - height() / 2.0) / m_targetScaleY + m_center.y();
}

void TargetItem::setDescriptor(LibModel::TargetDescriptor *descriptor)
{
    if (!descriptor || descriptor == m_descriptor)
        return;
    m_descriptor = descriptor;
    m_world = descriptor->world();
    // The new face is shown whole around its centre; the zoom is kept.
    m_center = m_world.center();
    polish();
    emit descriptorChanged();
}

void TargetItem::setCenter(const QPointF &center)
{
    if (qAbs(center.x() - m_center.x()) <= CenterTolerance
        && qAbs(center.y() - m_center.y()) <= CenterTolerance)
        return;
    m_center = center;
    emit centerChanged();
    polish();
}

void TargetItem::setZoom(double zoom)
{
    // Also rejects NaN, which would poison the whole layout.
    if (!(zoom > 0.0) || zoom == m_zoom)
        return;
    m_zoom = zoom;
    emit zoomChanged();
    polish();
}

void TargetItem::componentComplete()
{
    QQuickItem::componentComplete();
    const QList<QQuickItem *> children = childItems();
    for (QQuickItem *child : children) {
        if (auto *trace = qobject_cast<TraceItem *>(child))
            trace->setTargetItem(this);
    }
}

void TargetItem::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    polish();
}

void TargetItem::updatePolish()
{
    const double w = width();
    const double h = height();
    if (m_background->width() != w || m_background->height() != h)
        m_background->setSize(QSizeF(w, h));

    if (qMin(w, h) <= 0.0) {
        update();
        return;
    }

    const double ww = m_world.width();
    const double wh = m_world.height();
    const double z = m_zoom;
    const double x0 = m_world.x();
    const double y0 = m_world.y();
    const double cx = m_center.x();
    const double cy = m_center.y();
    const double worldAspect = ww / wh;
    const double itemAspect = w / h;

    double scaleX;
    double scaleY;
    double tx;
    double ty;
    if (worldAspect > itemAspect) {
        // The world fills the width; the spare height is split evenly.
        scaleX = scaleY = w / ww * z;
        tx = -(x0 / z + cx);
        ty = (h / scaleY - wh / z) / 2.0 - (y0 / z + cy);
    } else if (itemAspect > worldAspect) {
        // The world fills the height; the spare width is split evenly.
        scaleX = scaleY = h / wh * z;
        tx = (w / scaleX - ww / z) / 2.0 - (x0 / z + cx);
        ty = -(y0 / z + cy);
    } else {
        scaleX = w / ww * z;
        scaleY = h / wh * z;
        tx = -(x0 / z + cx);
        ty = -(y0 / z + cy);
    }

    const double oldScaleX = m_targetScaleX;
    const double oldScaleY = m_targetScaleY;
    const double oldTx = m_targetTx;
    const double oldTy = m_targetTy;
    m_targetScaleX = scaleX;
    m_targetScaleY = scaleY;
    m_targetTx = tx;
    m_targetTy = ty;
    if (differs(oldScaleX, scaleX))
        emit targetScaleXChanged();
    if (differs(oldScaleY, scaleY))
        emit targetScaleYChanged();
    if (differs(oldTx, tx))
        emit targetTxChanged();
    if (differs(oldTy, ty))
        emit targetTyChanged();
    emit centerPxChanged();
    emit xPositionChanged();
    emit widthRatioChanged();
    emit yPositionChanged();
    emit heightRatioChanged();
    update();
}
