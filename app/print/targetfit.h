#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// How a target face's world fits into a rectangle of pixels: the scale and
// translation that map target millimetres to pixels as
// ((x + tx) * scaleX, (y + ty) * scaleY), measured from the rectangle's
// top-left corner. It is the fit of the screen's target view: `center` is
// shown in the middle, and at zoom 1 with the centre at the middle of the
// world the whole world fits, the spare space split evenly.
class TargetFit
{
public:
    TargetFit(const QSizeF &size, const QRectF &world, double zoom, const QPointF &center);

    // False for an empty rectangle or world, or a zoom that is not positive.
    bool isValid() const { return m_valid; }
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }
    double tx() const { return m_tx; }
    double ty() const { return m_ty; }

    QPointF map(const QPointF &millimetres) const
    {
        return QPointF((millimetres.x() + m_tx) * m_scaleX, (millimetres.y() + m_ty) * m_scaleY);
    }

private:
    bool m_valid = false;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    double m_tx = 0.0;
    double m_ty = 0.0;
};
