#include "targetfit.h"

#include <algorithm>

TargetFit::TargetFit(const QSizeF &size, const QRectF &world, double zoom, const QPointF &center)
{
    const double w = size.width();
    const double h = size.height();
    const double ww = world.width();
    const double wh = world.height();
    if (!(std::min(w, h) > 0.0) || !(ww > 0.0) || !(wh > 0.0) || !(zoom > 0.0))
        return;

    const double z = zoom;
    const double x0 = world.x();
    const double y0 = world.y();
    const double worldAspect = ww / wh;
    const double itemAspect = w / h;
    if (worldAspect > itemAspect) {
        // The world is relatively wider: its width fills the rectangle and
        // the spare height is split above and below.
        const double s = w / ww * z;
        m_scaleX = m_scaleY = s;
        m_tx = -(x0 / z + center.x());
        m_ty = (h / s - wh / z) / 2.0 - (y0 / z + center.y());
    } else if (itemAspect > worldAspect) {
        const double s = h / wh * z;
        m_scaleX = m_scaleY = s;
        m_tx = (w / s - ww / z) / 2.0 - (x0 / z + center.x());
        m_ty = -(y0 / z + center.y());
    } else {
        m_scaleX = w / ww * z;
        m_scaleY = h / wh * z;
        m_tx = -(x0 / z + center.x());
        m_ty = -(y0 / z + center.y());
    }
    m_valid = true;
}
