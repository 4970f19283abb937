#include <scorecalculator.h>
#include <targetdescriptor.h>
#include <targetelement.h>
#include <targetmanager.h>

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace LibModel;

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

std::unique_ptr<TargetElement> polygon(const QPolygonF &points)
{
    auto element = std::make_unique<TargetElement>();
    element->set_type(TargetElement::Polygon);
    element->setPolygon(points);
    return element;
}
} // namespace

class TestTargetModel : public QObject
{
    Q_OBJECT

private:
    TargetManager manager;

private slots:
    void rectangleHitTest()
    {
        TargetElement element;
        element.set_rect(QRectF(-10, -5, 20, 10));
        // Caliber 0 is exactly QRectF::contains, edges included.
        const QPointF probes[] = {{0, 0}, {10, 5}, {-10, -5}, {10.0001, 0}, {0, -5.0001}};
        for (const QPointF &p : probes)
            QCOMPARE(element.contains(p, 0.0), element.rect().contains(p));
        // Caliber 4.5: 2.25 mm beyond the right edge counts, a corner
        // region is rounded.
        QVERIFY(element.contains(QPointF(12.25, 0), 4.5));
        QVERIFY(!element.contains(QPointF(12.26, 0), 4.5));
        QVERIFY(element.contains(QPointF(0, 7.25), 4.5));
        QVERIFY(!element.contains(QPointF(12, 7), 4.5)); // 2.83 mm from the corner
        QVERIFY(element.contains(QPointF(11.5, 6.5), 4.5)); // 2.12 mm from the corner
    }

    void ellipseHitTest()
    {
        TargetElement element;
        element.set_type(TargetElement::Ellipse);
        element.set_rect(QRectF(-10, -10, 20, 20));
        QVERIFY(element.contains(QPointF(10, 0), 0.0));
        QVERIFY(!element.contains(QPointF(10.1, 0), 0.0));
        QVERIFY(!element.contains(QPointF(7.1, 7.1), 0.0));
        QVERIFY(element.contains(QPointF(10.1, 0), 0.2));
        // A flat ellipse grows by the radius on both axes.
        element.set_rect(QRectF(0, 0, 40, 10));
        QVERIFY(element.contains(QPointF(20, 12), 4.0));
        QVERIFY(!element.contains(QPointF(20, 12.1), 4.0));
        QVERIFY(element.contains(QPointF(42, 5), 4.0));
    }

    void textAndPolylineContainNothing()
    {
        TargetElement element;
        element.set_rect(QRectF(-10, -10, 20, 20));
        element.setPolygon(QPolygonF({{-10, -10}, {10, -10}, {10, 10}}));
        element.set_type(TargetElement::Text);
        QVERIFY(!element.contains(QPointF(0, 0), 10));
        element.set_type(TargetElement::Polyline);
        QVERIFY(!element.contains(QPointF(0, 0), 10));
    }

    void polygonEdgesAndVertices()
    {
        // A square, walked both ways round: the classification must not
        // depend on the direction of the edges.
        const QPolygonF clockwise({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
        QPolygonF counter(clockwise.rbegin(), clockwise.rend());
        for (const QPolygonF &points : {clockwise, counter}) {
            auto square = polygon(points);
            QVERIFY(square->contains(QPointF(5, 5), 0));
            QVERIFY(square->contains(QPointF(5, 0), 0)); // on an edge
            QVERIFY(square->contains(QPointF(10, 5), 0));
            QVERIFY(square->contains(QPointF(0, 10), 0)); // a vertex
            QVERIFY(!square->contains(QPointF(5, 10.001), 0));
            // On the extension of the top edge, outside the square.
            QVERIFY(!square->contains(QPointF(15, 0), 0));
            QVERIFY(!square->contains(QPointF(-3, 10), 0));
            // Grown outline: bands along the edges and discs at vertices.
            QVERIFY(square->contains(QPointF(5, 12), 4.0));
            QVERIFY(!square->contains(QPointF(5, 12.01), 4.0));
            QVERIFY(square->contains(QPointF(11.4, 11.4), 4.0));
            QVERIFY(!square->contains(QPointF(11.5, 11.5), 4.0));
        }
    }

    void polygonCrossingRule()
    {
        // A triangle with a vertex level with the probe: the half-open rule
        // counts the vertex once.
        auto triangle = polygon(QPolygonF({{0, 0}, {10, 5}, {0, 10}}));
        QVERIFY(triangle->contains(QPointF(5, 5), 0));
        QVERIFY(!triangle->contains(QPointF(11, 5), 0));
        QVERIFY(!triangle->contains(QPointF(-1, 5), 0));
        QVERIFY(!triangle->contains(QPointF(-1, 0), 0));
        // On the extension of an edge beyond its end: crossing count alone.
        QVERIFY(!triangle->contains(QPointF(20, 10), 0));
        // A concave shape (U): the notch is outside.
        auto u = polygon(
                QPolygonF({{0, 0}, {3, 0}, {3, 7}, {7, 7}, {7, 0}, {10, 0}, {10, 10}, {0, 10}}));
        QVERIFY(!u->contains(QPointF(5, 3), 0));
        QVERIFY(u->contains(QPointF(1, 3), 0));
        QVERIFY(u->contains(QPointF(5, 8), 0));
        QVERIFY(u->contains(QPointF(5, 5.5), 3.0)); // touches the notch's floor
    }

    void repeatedVerticesChangeNothing()
    {
        auto plain = polygon(QPolygonF({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
        auto repeated = polygon(
                QPolygonF({{0, 0}, {0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 10}, {0, 0}}));
        for (double x = -2.0; x <= 12.0; x += 0.5) {
            for (double y = -2.0; y <= 12.0; y += 0.5) {
                for (double caliber : {0.0, 3.0}) {
                    QCOMPARE(repeated->contains(QPointF(x, y), caliber),
                             plain->contains(QPointF(x, y), caliber));
                }
            }
        }
    }

    void elementDefaultsAndSetters()
    {
        TargetElement element;
        QCOMPARE(element.type(), TargetElement::Rectangle);
        QCOMPARE(element.typeName(), QStringLiteral("Rectangle"));
        QCOMPARE(element.fontFamily(), QStringLiteral("serif"));
        QVERIFY(std::isnan(element.fontHeight()));
        QVERIFY(std::isnan(element.result()));
        QCOMPARE(element.fontLetterSpacing(), 100.0);
        QCOMPARE(element.fontStretch(), 100);
        QCOMPARE(element.penColor(), manager.getColor(TargetElementColor::Transparent));
        QCOMPARE(element.brushColor(), manager.getColor(TargetElementColor::Transparent));
        QVERIFY(element.text().isNull());

        QSignalSpy type(&element, &TargetElement::typeChanged);
        element.set_type(TargetElement::Type(9)); // no enumerator: ignored
        QCOMPARE(type.count(), 0);
        element.set_type(TargetElement::Ellipse);
        element.set_type(TargetElement::Ellipse);
        QCOMPARE(type.count(), 1);
        QCOMPARE(element.typeName(), QStringLiteral("Ellipse"));

        // A NaN result never equals itself: it is stored and announced again.
        QSignalSpy result(&element, &TargetElement::resultChanged);
        element.set_result(NaN);
        QCOMPARE(result.count(), 1);
        element.set_result(5.0);
        element.set_result(5.0 * (1 + 1e-15));
        QCOMPARE(result.count(), 2);
        element.reset_result();
        QVERIFY(std::isnan(element.result()));

        QSignalSpy rect(&element, &TargetElement::rectChanged);
        element.set_rect(QRectF(1, 2, 3, 4));
        element.set_rect(QRectF(1 + 1e-15, 2, 3, 4));
        QCOMPARE(rect.count(), 1);
        element.reset_rect();
        QCOMPARE(rect.count(), 2);

        QSignalSpy point(&element, &TargetElement::pointChanged);
        element.set_point(QPointF(5e-13, -5e-13));
        QCOMPARE(point.count(), 0);
        element.set_point(QPointF(2e-12, 0));
        QCOMPARE(point.count(), 1);

        QSignalSpy polygonSpy(&element, &TargetElement::polygonChanged);
        element.setPolygon(QPolygonF({{0, 0}, {1, 1}}));
        element.setPolygon(QPolygonF({{1e-13, 0}, {1, 1}}));
        QCOMPARE(polygonSpy.count(), 1);
        element.setPolygon(QPolygonF({{0, 0}, {1, 1}, {1, 1}}));
        QCOMPARE(polygonSpy.count(), 2);
    }

    void colourPointersFollowTheirObjects()
    {
        TargetElement element;
        auto *custom = manager.getColor(QColor(10, 20, 30));
        QCOMPARE(manager.getColor(QColor(10, 20, 30)), custom);
        QVERIFY(!manager.getColor(TargetElementColor::Custom));
        QVERIFY(!manager.getColor(17));
        QCOMPARE(manager.getColor(TargetElementColor::Swamp)->color(), QColor(85, 92, 53));

        QSignalSpy pre(&element, &TargetElement::penColorPreChanged);
        QSignalSpy changed(&element, &TargetElement::penColorChanged);
        auto *temporary = new TargetElementColor(TargetElementColor::Custom, Qt::red);
        element.set_penColor(temporary);
        QCOMPARE(pre.count(), 1);
        QCOMPARE(pre.first().first().value<TargetElementColor *>(),
                 manager.getColor(TargetElementColor::Transparent));
        QCOMPARE(changed.count(), 1);
        element.set_penColor(temporary);
        QCOMPARE(changed.count(), 1);
        delete temporary;
        QVERIFY(!element.penColor());
        QCOMPARE(changed.count(), 2);

        // Only black, white and swamp may be recoloured.
        QSignalSpy colour(manager.getColor(TargetElementColor::Black),
                          &TargetElementColor::colorChanged);
        manager.getColor(TargetElementColor::Black)->setColor(Qt::black);
        manager.getColor(TargetElementColor::Transparent)->setColor(Qt::red);
        custom->setColor(Qt::red);
        QCOMPARE(colour.count(), 0);
        QCOMPARE(manager.getColor(TargetElementColor::Transparent)->color(),
                 QColor(Qt::transparent));
        QCOMPARE(custom->color(), QColor(10, 20, 30));
    }

    void descriptorSettersAndShapeChanged()
    {
        TargetDescriptor descriptor;
        QVERIFY(descriptor.uuid().startsWith(QLatin1Char('{')));
        QVERIFY(descriptor.name().isNull());
        QVERIFY(std::isnan(descriptor.blackDiameter()));

        QSignalSpy world(&descriptor, &TargetDescriptor::worldChanged);
        descriptor.set_world(QRectF(-25, -25, 50, 50));
        descriptor.set_world(QRectF(-25 * (1 + 1e-15), -25, 50, 50));
        QCOMPARE(world.count(), 1);
        QSignalSpy black(&descriptor, &TargetDescriptor::blackDiameterChanged);
        descriptor.set_blackDiameter(NaN); // NaN never equals: announced
        QCOMPARE(black.count(), 1);

        QSignalSpy shape(&descriptor, &TargetDescriptor::shapeChanged);
        auto *element = new TargetElement;
        descriptor.elements()->append(element);
        QCOMPARE(shape.count(), 1);
        element->set_penWidth(2.0);
        QCOMPARE(shape.count(), 2);
        element->setPolygon(QPolygonF({{0, 0}, {1, 0}})); // not a property
        QCOMPARE(shape.count(), 2);
        descriptor.elements()->clear();
        QCOMPARE(shape.count(), 3);

        // No calculator: no score; the calculator's destruction is seen.
        QVERIFY(std::isnan(descriptor.breachScore(QPointF(1, 1), 4.5)));
        auto *calculator
                = manager.findByUuid(QLatin1String(TargetManager::AirRifleUuid))->scoreCalculator();
        QCOMPARE(calculator->owner()->name(), QStringLiteral("№8"));
    }

    void catalogue()
    {
        const QStringList uuids = {QLatin1String(TargetManager::AirRifleUuid),
                                   QLatin1String(TargetManager::AirPistolUuid),
                                   QLatin1String(TargetManager::SmallBoreRifleUuid),
                                   QLatin1String(TargetManager::SmallBorePistolUuid),
                                   QLatin1String(TargetManager::ChestFigureUuid)};
        const QStringList names = {QStringLiteral("№8"), QStringLiteral("№9"), QStringLiteral("№7"),
                                   QStringLiteral("№4"), QStringLiteral("№4 грудная")};
        const int elementCounts[] = {43, 43, 44, 47, 12};
        QCOMPARE(manager.targets()->count(), 5);
        for (int i = 0; i < 5; ++i) {
            TargetDescriptor *descriptor = manager.targets()->at(i);
            QCOMPARE(descriptor->uuid(), uuids.at(i));
            QCOMPARE(descriptor->name(), names.at(i));
            QCOMPARE(descriptor->elements()->count(), elementCounts[i]);
            QCOMPARE(manager.findByUuid(uuids.at(i)), descriptor);
            QCOMPARE(manager.findByUuidOrName(names.at(i)), descriptor);
            QVERIFY(descriptor->description().isEmpty());
        }
        QVERIFY(!manager.findByUuid(uuids.first().toLower()));
        QCOMPARE(manager.targets()->at(2)->compatibleEvents(),
                 QStringList({QStringLiteral("SBR25"), QStringLiteral("SBR50")}));
        QCOMPARE(manager.targets()->at(4)->compatibleEvents(),
                 QStringList({QStringLiteral("N450M"), QStringLiteral("N450"),
                              QStringLiteral("N4G50")}));

        // Duplicates and uuid-less descriptors are refused.
        auto *duplicate = new TargetDescriptor;
        duplicate->set_uuid(uuids.first());
        manager.appendTarget(duplicate);
        auto *nameless = new TargetDescriptor;
        nameless->set_uuid(QString());
        manager.appendTarget(nameless);
        QCOMPARE(manager.targets()->count(), 5);
        delete duplicate;
        delete nameless;
        QVERIFY(manager.colorNames().contains(QStringLiteral("steelblue")));
    }

    void airRifleFace()
    {
        TargetDescriptor *rifle = manager.findByUuid(QLatin1String(TargetManager::AirRifleUuid));
        auto *elements = rifle->elements();
        // Black disc, filled inner ten, nine rings (30.5 is the black's edge).
        QCOMPARE(elements->at(0)->type(), TargetElement::Ellipse);
        QCOMPARE(elements->at(0)->rect(), QRectF(-15.25, -15.25, 30.5, 30.5));
        QCOMPARE(elements->at(0)->brushColor(), manager.getColor(TargetElementColor::Black));
        QVERIFY(!elements->at(0)->optional());
        QCOMPARE(elements->at(1)->rect(), QRectF(-0.25, -0.25, 0.5, 0.5));
        QCOMPARE(elements->at(1)->brushColor(), manager.getColor(TargetElementColor::White));
        QVERIFY(elements->at(1)->optional());
        // The first ring: 45.5 less the pen, black on white.
        QCOMPARE(elements->at(2)->rect().width(), 45.4);
        QCOMPARE(elements->at(2)->penColor(), manager.getColor(TargetElementColor::Black));
        QCOMPARE(elements->at(2)->penWidth(), 0.1);
        // The 4 ring (25.5) is inside the black: white line.
        QCOMPARE(elements->at(5)->rect().width(), 25.4);
        QCOMPARE(elements->at(5)->penColor(), manager.getColor(TargetElementColor::White));

        // Labels: 1..8 at angle 0 first, right of the centre, 1–3 black.
        const double rho[] = {21.45, 18.95, 16.45, 13.95, 11.45, 8.95, 6.45, 3.95};
        for (int k = 1; k <= 8; ++k) {
            TargetElement *label = elements->at(10 + k);
            QCOMPARE(label->type(), TargetElement::Text);
            QCOMPARE(label->text(), QString::number(k));
            QCOMPARE(label->fontHeight(), 1.75);
            QVERIFY(std::fabs(label->point().x() - rho[k - 1]) < 1e-9);
            QVERIFY(std::fabs(label->point().y()) < 1e-9);
            QCOMPARE(label->penColor(),
                     manager.getColor(k <= 3 ? TargetElementColor::Black
                                             : TargetElementColor::White));
        }
        // Angle pi/2 puts the number above the centre.
        QVERIFY(std::fabs(elements->at(19)->point().y() + 21.45) < 1e-9);
        QCOMPARE(rifle->scoreCalculator()->center(), QPointF(0, 0));
    }

    void chestFigureFace()
    {
        TargetDescriptor *chest = manager.findByUuid(QLatin1String(TargetManager::ChestFigureUuid));
        auto *elements = chest->elements();
        QVERIFY(elements->at(0)->clip());
        QCOMPARE(elements->at(0)->polygon().size(), 9);
        QCOMPARE(elements->at(1)->brushColor(), manager.getColor(TargetElementColor::Swamp));
        QCOMPARE(elements->at(1)->result(), 5.0);
        QVERIFY(elements->at(1)->calcAfterRings());
        for (int i = 2; i < 7; ++i) {
            QCOMPARE(elements->at(i)->type(), TargetElement::Ellipse);
            QCOMPARE(elements->at(i)->penWidth(), 3.0);
            QCOMPARE(elements->at(i)->penColor(), manager.getColor(TargetElementColor::Black));
        }
        const double rho[] = {223.5, 173.5, 123.5, 73.5};
        for (int i = 0; i < 4; ++i) {
            TargetElement *label = elements->at(7 + i);
            QCOMPARE(label->text(), QString::number(6 + i));
            const double r = std::hypot(label->point().x(), label->point().y());
            QVERIFY(std::fabs(r - rho[i]) < 1e-9);
            QVERIFY(label->point().x() < 0 && label->point().y() > 0); // below left
        }
        QCOMPARE(elements->at(11)->text(), QStringLiteral("5"));
        QCOMPARE(elements->at(11)->penColor(), manager.getColor(TargetElementColor::White));
        QVERIFY(chest->scoreCalculator()->inherits("LibModel::ComplexScoreCalculator"));
    }
};

QTEST_GUILESS_MAIN(TestTargetModel)
#include "tst_targetmodel.moc"
