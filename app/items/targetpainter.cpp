#include "targetpainter.h"

#include <targetdescriptor.h>
#include <targetelement.h>
#include <targetelementcolor.h>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

using LibModel::TargetElement;
using LibModel::TargetElementColor;

namespace {

bool usable(const TargetElementColor *color)
{
    return color && color->type() != TargetElementColor::Transparent && color->color().isValid();
}

QPen penOf(const TargetElement *element)
{
    const TargetElementColor *color = element->penColor();
    if (!usable(color))
        return QPen(Qt::NoPen);
    QPen pen(color->color(), element->penWidth(), Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    pen.setCosmetic(element->penCosmetic());
    return pen;
}

QBrush brushOf(const TargetElement *element)
{
    const TargetElementColor *color = element->brushColor();
    return usable(color) ? QBrush(color->color()) : QBrush(Qt::NoBrush);
}

void drawText(QPainter *painter, const TargetElement *element, double scaleX, double scaleY,
              double tx, double ty, const QTransform &pixels, const QTransform &millimetres)
{
    const double height = scaleY * element->fontHeight();
    const int pixelSize = std::isnan(height) ? 0 : qRound(height);
    if (pixelSize < 1)
        return;
    painter->setWorldTransform(pixels);
    QFont font;
    font.setStyleStrategy(QFont::ForceOutline);
    font.setFamily(element->fontFamily());
    font.setPixelSize(pixelSize);
    font.setWeight(element->fontBold() ? QFont::Bold : QFont::Normal);
    font.setItalic(element->fontItalic());
    font.setOverline(element->fontOverline());
    font.setStrikeOut(element->fontStrikeOut());
    font.setUnderline(element->fontUnderline());
    font.setLetterSpacing(QFont::PercentageSpacing, element->fontLetterSpacing());
    font.setStretch(element->fontStretch());
    painter->setFont(font);

    const QFontMetricsF metrics(font);
    const QPointF anchor((element->point().x() + tx) * scaleX,
                         (element->point().y() + ty) * scaleY);
    // A box centred on the anchor horizontally, whose bottom lies half the
    // text height below it: the text sits centred on the anchor.
    constexpr double Box = 32767.0;
    const double bottom = anchor.y() + (metrics.ascent() + metrics.descent()) / 2.0;
    const QRectF box(anchor.x() - Box / 2.0, bottom - Box, Box, Box);
    painter->drawText(box, Qt::AlignHCenter | Qt::AlignBottom, element->text());
    painter->setWorldTransform(millimetres);
}

} // namespace

void TargetPainter::paint(QPainter *painter, const LibModel::TargetDescriptor *descriptor,
                          double scaleX, double scaleY, double tx, double ty, bool skipOptional)
{
    if (!painter || !descriptor)
        return;
    painter->save();
    const QTransform pixels = painter->worldTransform();
    painter->scale(scaleX, scaleY);
    painter->translate(tx, ty);
    const QTransform millimetres = painter->worldTransform();

    QPainterPath pendingClip;
    for (const auto &pointer : descriptor->elements()->items()) {
        const TargetElement *element = pointer.data();
        if (!element || (skipOptional && element->optional()))
            continue;
        const bool clip = element->clip();
        if (!clip && !pendingClip.isEmpty()) {
            pendingClip.setFillRule(Qt::WindingFill);
            painter->setClipPath(pendingClip, Qt::ReplaceClip);
            pendingClip = QPainterPath();
        }
        painter->setPen(penOf(element));
        painter->setBrush(brushOf(element));

        switch (element->type()) {
        case TargetElement::Rectangle:
            if (clip)
                pendingClip.addRect(element->rect());
            else
                painter->drawRect(element->rect());
            break;
        case TargetElement::Ellipse:
            if (clip)
                pendingClip.addEllipse(element->rect());
            else
                painter->drawEllipse(element->rect());
            break;
        case TargetElement::Text:
            drawText(painter, element, scaleX, scaleY, tx, ty, pixels, millimetres);
            break;
        case TargetElement::Polyline:
            if (!element->polygon().isEmpty())
                painter->drawPolyline(element->polygon());
            break;
        case TargetElement::Polygon:
            if (element->polygon().isEmpty())
                break;
            if (clip)
                pendingClip.addPolygon(element->polygon());
            else
                painter->drawPolygon(element->polygon(), Qt::OddEvenFill);
            break;
        }
    }
    painter->restore();
}
