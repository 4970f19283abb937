#include "targetelement.h"
#include "targetmanager.h"

#include <fuzzycompare.h>

#include <QMetaEnum>

#include <cmath>
#include <limits>

using LibMisc::FuzzyCompare;

namespace LibModel {

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const QString DefaultFontFamily = QStringLiteral("serif");

double cross(const QPointF &a, const QPointF &b)
{
    return a.x() * b.y() - a.y() * b.x();
}
} // namespace

TargetElement::TargetElement(QObject *parent)
    : QObject(parent)
    , m_fontFamily(DefaultFontFamily)
    , m_fontHeight(NaN)
    , m_result(NaN)
{
    if (TargetManager *manager = TargetManager::instance()) {
        m_penColor = manager->getColor(TargetElementColor::Transparent);
        m_brushColor = m_penColor;
    }
}

QString TargetElement::typeName() const
{
    const QMetaEnum meta = QMetaEnum::fromType<Type>();
    if (const char *key = meta.valueToKey(m_type))
        return QString::fromLatin1(key);
    return QStringLiteral("%1::%2(%3)")
            .arg(QString::fromLatin1(meta.scope()), QString::fromLatin1(meta.enumName()))
            .arg(int(m_type));
}

bool TargetElement::contains(const QPointF &point, double caliber) const
{
    const double r = caliber / 2.0;
    switch (m_type) {
    case Rectangle:
        return rectangleContains(point, r);
    case Ellipse:
        return ellipseContains(point, r);
    case Polygon:
        return polygonContains(point, caliber);
    case Text:
    case Polyline:
        break;
    }
    return false;
}

bool TargetElement::rectangleContains(const QPointF &p, double r) const
{
    const QRectF rect = m_rect.normalized();
    if (rect.contains(p))
        return true;
    const double left = rect.left(), right = rect.right();
    const double top = rect.top(), bottom = rect.bottom();
    const bool beyondX = p.x() < left || p.x() > right;
    const bool beyondY = p.y() < top || p.y() > bottom;
    if (beyondX && beyondY) {
        // Corner region: the grown rectangle has rounded corners.
        const double cx = p.x() < left ? left : right;
        const double cy = p.y() < top ? top : bottom;
        return std::hypot(p.x() - cx, p.y() - cy) <= r;
    }
    return p.x() >= left - r && p.x() <= right + r && p.y() >= top - r && p.y() <= bottom + r;
}

bool TargetElement::ellipseContains(const QPointF &p, double r) const
{
    const double halfW = m_rect.width() / 2.0 + r;
    const double halfH = m_rect.height() / 2.0 + r;
    const QPointF c = m_rect.center();
    const double dx = (p.x() - c.x()) / halfW;
    const double dy = (p.y() - c.y()) / halfH;
    return dx * dx + dy * dy <= 1.0;
}

bool TargetElement::polygonContains(const QPointF &p, double caliber) const
{
    const qsizetype n = m_polygon.size();
    if (n == 0)
        return false;
    const double r = caliber / 2.0;
    const bool grown = caliber > FuzzyCompare::Tolerance;
    bool odd = false;
    bool nearOutline = false;

    for (qsizetype i = 0; i < n; ++i) {
        const QPointF &v = m_polygon.at(i);
        const QPointF &w = m_polygon.at((i + 1) % n);
        const QPointF edge = w - v;
        if (std::fabs(edge.x()) <= FuzzyCompare::Tolerance
            && std::fabs(edge.y()) <= FuzzyCompare::Tolerance)
            continue;
        const QPointF toPoint = p - v;
        const double side = cross(edge, toPoint); // > 0: p is left of v -> w
        const double length2 = QPointF::dotProduct(edge, edge);
        const double along = QPointF::dotProduct(toPoint, edge);

        // On the edge itself (collinear and between the ends): inside.
        if (std::fabs(side) <= FuzzyCompare::Tolerance * length2 && along >= 0.0
            && along <= length2)
            return true;

        if ((side > 0.0 && v.y() < p.y() && p.y() <= w.y())
            || (side < 0.0 && w.y() < p.y() && p.y() <= v.y()))
            odd = !odd;

        if (grown && !nearOutline) {
            // The band of half-width r along the edge, or the disc of radius
            // r around its start vertex.
            const double distance = std::fabs(side) / std::sqrt(length2);
            nearOutline = (distance <= r && along >= 0.0 && along <= length2)
                    || QPointF::dotProduct(toPoint, toPoint) <= r * r;
        }
    }
    return odd || nearOutline;
}

void TargetElement::set_type(Type value)
{
    if (!QMetaEnum::fromType<Type>().valueToKey(value))
        return;
    if (FuzzyCompare::assign(m_type, value))
        emit typeChanged(m_type);
}

void TargetElement::reset_type()
{
    set_type(Rectangle);
}

void TargetElement::set_rect(const QRectF &value)
{
    if (FuzzyCompare::assign(m_rect, value))
        emit rectChanged(m_rect);
}

void TargetElement::reset_rect()
{
    set_rect(QRectF());
}

void TargetElement::set_point(const QPointF &value)
{
    if (FuzzyCompare::assign(m_point, value))
        emit pointChanged(m_point);
}

void TargetElement::reset_point()
{
    set_point(QPointF());
}

void TargetElement::set_fontFamily(const QString &value)
{
    if (FuzzyCompare::assign(m_fontFamily, value))
        emit fontFamilyChanged(m_fontFamily);
}

void TargetElement::reset_fontFamily()
{
    set_fontFamily(DefaultFontFamily);
}

void TargetElement::set_fontHeight(double value)
{
    if (FuzzyCompare::assign(m_fontHeight, value))
        emit fontHeightChanged(m_fontHeight);
}

void TargetElement::reset_fontHeight()
{
    set_fontHeight(NaN);
}

void TargetElement::set_fontBold(bool value)
{
    if (FuzzyCompare::assign(m_fontBold, value))
        emit fontBoldChanged(m_fontBold);
}

void TargetElement::reset_fontBold()
{
    set_fontBold(false);
}

void TargetElement::set_fontItalic(bool value)
{
    if (FuzzyCompare::assign(m_fontItalic, value))
        emit fontItalicChanged(m_fontItalic);
}

void TargetElement::reset_fontItalic()
{
    set_fontItalic(false);
}

void TargetElement::set_fontOverline(bool value)
{
    if (FuzzyCompare::assign(m_fontOverline, value))
        emit fontOverlineChanged(m_fontOverline);
}

void TargetElement::reset_fontOverline()
{
    set_fontOverline(false);
}

void TargetElement::set_fontStrikeOut(bool value)
{
    if (FuzzyCompare::assign(m_fontStrikeOut, value))
        emit fontStrikeOutChanged(m_fontStrikeOut);
}

void TargetElement::reset_fontStrikeOut()
{
    set_fontStrikeOut(false);
}

void TargetElement::set_fontUnderline(bool value)
{
    if (FuzzyCompare::assign(m_fontUnderline, value))
        emit fontUnderlineChanged(m_fontUnderline);
}

void TargetElement::reset_fontUnderline()
{
    set_fontUnderline(false);
}

void TargetElement::set_fontLetterSpacing(double value)
{
    if (FuzzyCompare::assign(m_fontLetterSpacing, value))
        emit fontLetterSpacingChanged(m_fontLetterSpacing);
}

void TargetElement::reset_fontLetterSpacing()
{
    set_fontLetterSpacing(100.0);
}

void TargetElement::set_fontStretch(int value)
{
    if (FuzzyCompare::assign(m_fontStretch, value))
        emit fontStretchChanged(m_fontStretch);
}

void TargetElement::reset_fontStretch()
{
    set_fontStretch(100);
}

void TargetElement::set_penColor(TargetElementColor *value)
{
    if (m_penColor == value)
        return;
    TargetElementColor *old = m_penColor;
    if (old)
        disconnect(old, nullptr, this, nullptr);
    emit penColorPreChanged(old);
    m_penColor = value;
    if (value)
        connect(value, &QObject::destroyed, this, &TargetElement::penColorDestroyed);
    emit penColorChanged(value);
}

void TargetElement::set_brushColor(TargetElementColor *value)
{
    if (m_brushColor == value)
        return;
    TargetElementColor *old = m_brushColor;
    if (old)
        disconnect(old, nullptr, this, nullptr);
    emit brushColorPreChanged(old);
    m_brushColor = value;
    if (value)
        connect(value, &QObject::destroyed, this, &TargetElement::brushColorDestroyed);
    emit brushColorChanged(value);
}

void TargetElement::penColorDestroyed()
{
    m_penColor = nullptr;
    emit penColorChanged(nullptr);
}

void TargetElement::brushColorDestroyed()
{
    m_brushColor = nullptr;
    emit brushColorChanged(nullptr);
}

void TargetElement::set_text(const QString &value)
{
    if (FuzzyCompare::assign(m_text, value))
        emit textChanged(m_text);
}

void TargetElement::reset_text()
{
    set_text(QString());
}

void TargetElement::set_penWidth(double value)
{
    if (FuzzyCompare::assign(m_penWidth, value))
        emit penWidthChanged(m_penWidth);
}

void TargetElement::reset_penWidth()
{
    set_penWidth(0.0);
}

void TargetElement::set_penCosmetic(bool value)
{
    if (FuzzyCompare::assign(m_penCosmetic, value))
        emit penCosmeticChanged(m_penCosmetic);
}

void TargetElement::reset_penCosmetic()
{
    set_penCosmetic(false);
}

void TargetElement::set_clip(bool value)
{
    if (FuzzyCompare::assign(m_clip, value))
        emit clipChanged(m_clip);
}

void TargetElement::reset_clip()
{
    set_clip(false);
}

void TargetElement::set_optional(bool value)
{
    if (FuzzyCompare::assign(m_optional, value))
        emit optionalChanged(m_optional);
}

void TargetElement::reset_optional()
{
    set_optional(false);
}

void TargetElement::set_result(double value)
{
    if (FuzzyCompare::assign(m_result, value))
        emit resultChanged(m_result);
}

void TargetElement::reset_result()
{
    set_result(NaN);
}

void TargetElement::set_calcAfterRings(bool value)
{
    if (FuzzyCompare::assign(m_calcAfterRings, value))
        emit calcAfterRingsChanged(m_calcAfterRings);
}

void TargetElement::reset_calcAfterRings()
{
    set_calcAfterRings(false);
}

void TargetElement::setPolygon(const QPolygonF &value)
{
    if (value.size() == m_polygon.size()) {
        bool same = true;
        for (qsizetype i = 0; same && i < value.size(); ++i)
            same = FuzzyCompare::equal(value.at(i), m_polygon.at(i));
        if (same)
            return;
    }
    m_polygon = value;
    emit polygonChanged();
}

} // namespace LibModel
