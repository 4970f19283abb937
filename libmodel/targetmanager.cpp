#include "targetmanager.h"
#include "complexscorecalculator.h"
#include "simplescorecalculator.h"

#include <fuzzycompare.h>

#include <QMetaEnum>

#include <cmath>
#include <limits>

using LibMisc::FuzzyCompare;

namespace LibModel {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Pi = 3.14159265358979323846;

TargetManager *theInstance = nullptr;

QRectF squareAround(const QPointF &centre, double side)
{
    return QRectF(centre.x() - side / 2.0, centre.y() - side / 2.0, side, side);
}

// Ring numbers 1..last at each of the four quarter angles, all numbers at
// one angle before the next angle.
QVector<TargetManager::RingLabel> quarterLabels(int last)
{
    QVector<TargetManager::RingLabel> labels;
    for (double angle : {0.0, Pi / 2.0, Pi, 3.0 * Pi / 2.0}) {
        for (int k = 1; k <= last; ++k)
            labels.append({k, angle});
    }
    return labels;
}

// The chest figure: the head is the narrow part at negative y; the last
// vertex repeats the first.
QPolygonF chestPolygon()
{
    return QPolygonF({{-115, -255},
                      {115, -255},
                      {115, -70},
                      {255, -70},
                      {255, 255},
                      {-255, 255},
                      {-255, -70},
                      {-115, -70},
                      {-115, -255}});
}

} // namespace

TargetManager::TargetManager(QObject *parent)
    : QObject(parent)
    , m_targets(new TargetModel(this, QByteArrayLiteral("name")))
    , m_colorNames(QColor::colorNames())
{
    theInstance = this;
    addBuiltInTargets();
}

TargetManager::~TargetManager()
{
    if (theInstance == this)
        theInstance = nullptr;
}

TargetManager *TargetManager::instance()
{
    return theInstance;
}

void TargetManager::appendTarget(TargetDescriptor *descriptor)
{
    if (!descriptor || descriptor->uuid().isEmpty() || findByUuid(descriptor->uuid()))
        return;
    m_targets->append(descriptor);
}

TargetDescriptor *TargetManager::findByUuid(const QString &uuid) const
{
    for (const QPointer<TargetDescriptor> &descriptor : m_targets->items()) {
        if (descriptor && descriptor->uuid() == uuid)
            return descriptor;
    }
    return nullptr;
}

TargetDescriptor *TargetManager::findByUuidOrName(const QString &key) const
{
    if (TargetDescriptor *descriptor = findByUuid(key))
        return descriptor;
    for (const QPointer<TargetDescriptor> &descriptor : m_targets->items()) {
        if (descriptor && descriptor->name() == key)
            return descriptor;
    }
    return nullptr;
}

TargetElementColor *TargetManager::getColor(int colorType)
{
    if (!QMetaEnum::fromType<TargetElementColor::Type>().valueToKey(colorType)
        || colorType == TargetElementColor::Custom)
        return nullptr;
    TargetElementColor *&color = m_standardColors[colorType];
    if (!color) {
        const auto type = TargetElementColor::Type(colorType);
        color = new TargetElementColor(type, TargetElementColor::standardColor(type), this);
    }
    return color;
}

TargetElementColor *TargetManager::getColor(const QColor &value)
{
    TargetElementColor *&color = m_customColors[value.rgba()];
    if (!color)
        color = new TargetElementColor(TargetElementColor::Custom, value, this);
    return color;
}

TargetElement *TargetManager::addElement(TargetDescriptor *descriptor, TargetElement::Type type)
{
    auto *element = new TargetElement;
    element->set_type(type);
    descriptor->elements()->append(element);
    return element;
}

void TargetManager::addBuiltInTargets()
{
    addRingTarget(QStringLiteral("№8"), QLatin1String(AirRifleUuid), {QStringLiteral("AR10")},
                  QRectF(-25, -25, 50, 50), {}, {}, 30.5, 0.5, true, 0.1, 0.0, 1.75,
                  {45.5, 40.5, 35.5, 30.5, 25.5, 20.5, 15.5, 10.5, 5.5, 0.5}, quarterLabels(8));
    addRingTarget(QStringLiteral("№9"), QLatin1String(AirPistolUuid), {QStringLiteral("AP10")},
                  QRectF(-85, -85, 170, 170), {}, {}, 59.5, 5.0, false, 0.15, 0.075, 2.0,
                  {155.5, 139.5, 123.5, 107.5, 91.5, 75.5, 59.5, 43.5, 27.5, 11.5},
                  quarterLabels(8));
    addRingTarget(QStringLiteral("№7"), QLatin1String(SmallBoreRifleUuid),
                  {QStringLiteral("SBR25"), QStringLiteral("SBR50")}, QRectF(-125, -125, 250, 250),
                  {}, {}, 112.4, 5.0, false, 0.25, 0.125, 4.0,
                  {154.4, 138.4, 122.4, 106.4, 90.4, 74.4, 58.4, 42.4, 26.4, 10.4},
                  quarterLabels(8));
    addRingTarget(QStringLiteral("№4"), QLatin1String(SmallBorePistolUuid),
                  {QStringLiteral("SBP50"), QStringLiteral("SP1")}, QRectF(-275, -275, 550, 550),
                  {}, {}, 200.0, 25.0, false, 0.2, 0.1, 10.0,
                  {500, 450, 400, 350, 300, 250, 200, 150, 100, 50}, quarterLabels(9));
    addChestFigureTarget();
}

TargetDescriptor *TargetManager::addRingTarget(const QString &name, const QString &uuid,
                                               const QStringList &events, const QRectF &world,
                                               const QPolygonF &figure, const QPolygonF &clip,
                                               double blackDiameter, double innerTenDiameter,
                                               bool innerTenFilled, double ringPen, double innerPen,
                                               double labelHeight, const QVector<qreal> &rings,
                                               const QVector<RingLabel> &labels)
{
    TargetDescriptor *descriptor = buildRingTarget(name, uuid, events, world, figure, clip,
                                                   blackDiameter, innerTenDiameter, innerTenFilled,
                                                   ringPen, innerPen, labelHeight, rings, labels);
    auto *calculator = new SimpleScoreCalculator(descriptor);
    const QPointF c = world.center();
    if (!FuzzyCompare::equal(c, QPointF()))
        calculator->set_center(c);
    calculator->set_rings(rings);
    descriptor->set_scoreCalculator(calculator);
    appendTarget(descriptor);
    return descriptor;
}

TargetDescriptor *
TargetManager::buildRingTarget(const QString &name, const QString &uuid, const QStringList &events,
                               const QRectF &world, const QPolygonF &figure, const QPolygonF &clip,
                               double blackDiameter, double innerTenDiameter, bool innerTenFilled,
                               double ringPen, double innerPen, double labelHeight,
                               const QVector<qreal> &rings, const QVector<RingLabel> &labels)
{
    auto *descriptor = new TargetDescriptor(this);
    descriptor->set_uuid(uuid);
    descriptor->set_name(name);
    descriptor->set_world(world);
    descriptor->set_blackDiameter(blackDiameter);
    descriptor->set_compatibleEvents(events);
    const QPointF c = world.center();

    if (!clip.isEmpty()) {
        TargetElement *element = addElement(descriptor, TargetElement::Polygon);
        element->set_clip(true);
        element->setPolygon(clip);
    }
    if (!figure.isEmpty()) {
        TargetElement *element = addElement(descriptor, TargetElement::Polygon);
        element->set_brushColor(getColor(TargetElementColor::Black));
        element->setPolygon(figure);
    }
    if (!std::isnan(blackDiameter)) {
        TargetElement *element = addElement(descriptor, TargetElement::Ellipse);
        element->set_brushColor(getColor(TargetElementColor::Black));
        element->set_rect(squareAround(c, blackDiameter));
    }
    if (!std::isnan(innerTenDiameter)) {
        TargetElement *element = addElement(descriptor, TargetElement::Ellipse);
        element->set_optional(true);
        if (innerTenFilled) {
            element->set_brushColor(getColor(TargetElementColor::White));
            element->set_rect(squareAround(c, innerTenDiameter));
        } else {
            element->set_penColor(getColor(TargetElementColor::White));
            element->set_penWidth(innerPen);
            element->set_rect(squareAround(c, innerTenDiameter - innerPen));
        }
    }
    for (const qreal d : rings) {
        if (std::isnan(d) || FuzzyCompare::equal(d, blackDiameter))
            continue;
        TargetElement *element = addElement(descriptor, TargetElement::Ellipse);
        element->set_optional(true);
        element->set_penColor(getColor(d <= blackDiameter ? TargetElementColor::White
                                                          : TargetElementColor::Black));
        element->set_penWidth(ringPen);
        // The line's outer edge lies on the diameter.
        element->set_rect(squareAround(c, d - ringPen));
    }
    if (!std::isnan(labelHeight)) {
        for (const RingLabel &label : labels) {
            const double outer = rings.at(label.ring - 1);
            const double inner = rings.at(label.ring);
            const double rho = (outer + inner) / 4.0 - ringPen / 2.0;
            TargetElement *element = addElement(descriptor, TargetElement::Text);
            element->set_optional(true);
            element->set_fontHeight(labelHeight);
            element->set_text(QString::number(label.ring));
            element->set_penColor(getColor(outer / 2.0 <= blackDiameter / 2.0
                                                   ? TargetElementColor::White
                                                   : TargetElementColor::Black));
            element->set_point(c
                               + rho
                                       * QPointF(std::sin(label.angle + Pi / 2.0),
                                                 std::cos(label.angle + Pi / 2.0)));
        }
    }
    return descriptor;
}

void TargetManager::addChestFigureTarget()
{
    const QVector<qreal> rings = {NaN, NaN, NaN, NaN, NaN, 500, 400, 300, 200, 100};
    const QVector<RingLabel> labels
            = {{6, 5.0 * Pi / 4.0}, {7, 5.0 * Pi / 4.0}, {8, 5.0 * Pi / 4.0}, {9, 5.0 * Pi / 4.0}};
    TargetDescriptor *descriptor = buildRingTarget(
            QStringLiteral("№4 грудная"), QLatin1String(ChestFigureUuid),
            {QStringLiteral("N450M"), QStringLiteral("N450"), QStringLiteral("N4G50")},
            QRectF(-255, -255, 510, 510), chestPolygon(), chestPolygon(), NaN, NaN, false, 3.0, NaN,
            20.0, rings, labels);

    // The figure itself is swamp green and is worth 5 where no ring reaches.
    TargetElement *figure = descriptor->elements()->at(1);
    figure->set_brushColor(getColor(TargetElementColor::Swamp));
    figure->set_result(5.0);
    figure->set_calcAfterRings(true);

    TargetElement *five = addElement(descriptor, TargetElement::Text);
    five->set_optional(true);
    five->set_fontHeight(20.0);
    five->set_penColor(getColor(TargetElementColor::White));
    five->set_text(QStringLiteral("5"));
    five->set_point(QPointF(-193.3937046545208, 193.3937046545207));

    auto *calculator = new ComplexScoreCalculator(descriptor);
    calculator->set_rings(rings);
    descriptor->set_scoreCalculator(calculator);
    appendTarget(descriptor);
}

} // namespace LibModel
