// Target faces: the hit test of each element shape, the scores the
// catalogue's faces give, the two score calculators, and element colours.
#include <complexscorecalculator.h>
#include <simplescorecalculator.h>
#include <targetdescriptor.h>
#include <targetelement.h>
#include <targetmanager.h>

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace LibModel;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const QString AirRifle = QLatin1String(TargetManager::AirRifleUuid);
const QString ChestFigure = QLatin1String(TargetManager::ChestFigureUuid);

// Scores are compared as the tool prints them, to the tenth.
QString tenths(double score)
{
    return std::isnan(score) ? QStringLiteral("nan") : QString::number(score, 'f', 1);
}

std::unique_ptr<TargetElement> element(TargetElement::Type type, const QRectF &rect,
                                       const QPolygonF &polygon = QPolygonF())
{
    auto element = std::make_unique<TargetElement>();
    element->set_type(type);
    element->set_rect(rect);
    element->setPolygon(polygon);
    return element;
}

} // namespace

class TestTargetModel : public QObject
{
    Q_OBJECT

private:
    TargetManager manager;

private slots:
    void hitTest_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<double>("caliber");
        QTest::addColumn<bool>("hit");
        const auto row = [](const char *shape, double x, double y, double caliber, bool hit) {
            QTest::addRow("%s (%g, %g) %g", shape, x, y, caliber)
                    << QString::fromLatin1(shape) << QPointF(x, y) << caliber << hit;
        };
        // Caliber 0 is the shape itself, edges included; a hole reaches
        // half its caliber further, rounded around corners and vertices.
        row("rectangle", -10, -5, 0, true);
        row("rectangle", 10.0001, 0, 0, false);
        row("rectangle", 12.25, 0, 4.5, true);
        row("rectangle", 12.26, 0, 4.5, false);
        row("rectangle", 12, 7, 4.5, false); // 2.83 mm from the corner
        row("rectangle", 11.5, 6.5, 4.5, true); // 2.12 mm from the corner
        row("circle", 7.1, 7.1, 0, false);
        row("circle", 10.1, 0, 0.2, true);
        // A flat ellipse grows by the radius on both axes.
        row("flat ellipse", 20, 12, 4, true);
        row("flat ellipse", 20, 12.1, 4, false);
        row("flat ellipse", 42, 5, 4, true);
        row("square", 0, 10, 0, true); // a vertex
        row("square", 15, 0, 0, false); // on the extension of an edge
        row("square", 5, 12, 4, true);
        row("square", 11.4, 11.4, 4, true);
        row("square", 11.5, 11.5, 4, false);
        // A vertex level with the point: the half-open rule counts it once.
        row("triangle", 5, 5, 0, true);
        row("triangle", 11, 5, 0, false);
        row("triangle", -1, 5, 0, false);
        row("triangle", 20, 10, 0, false);
        // A concave shape: the notch is outside.
        row("U", 5, 3, 0, false);
        row("U", 5, 8, 0, true);
        row("U", 5, 5.5, 3, true); // touches the notch's floor
        row("text", 0, 0, 10, false);
        row("polyline", 0, 0, 10, false);
    }

    void hitTest()
    {
        QFETCH(QString, shape);
        QFETCH(QPointF, point);
        QFETCH(double, caliber);
        QFETCH(bool, hit);
        const QHash<QString, QPolygonF> polygons = {
                {QStringLiteral("square"), QPolygonF({{0, 0}, {10, 0}, {10, 10}, {0, 10}})},
                {QStringLiteral("triangle"), QPolygonF({{0, 0}, {10, 5}, {0, 10}})},
                {QStringLiteral("U"),
                 QPolygonF({{0, 0}, {3, 0}, {3, 7}, {7, 7}, {7, 0}, {10, 0}, {10, 10}, {0, 10}})},
                {QStringLiteral("polyline"), QPolygonF({{-10, -10}, {10, -10}, {10, 10}})}};
        const QHash<QString, std::pair<TargetElement::Type, QRectF>> others = {
                {QStringLiteral("rectangle"), {TargetElement::Rectangle, QRectF(-10, -5, 20, 10)}},
                {QStringLiteral("circle"), {TargetElement::Ellipse, QRectF(-10, -10, 20, 20)}},
                {QStringLiteral("flat ellipse"), {TargetElement::Ellipse, QRectF(0, 0, 40, 10)}},
                {QStringLiteral("text"), {TargetElement::Text, QRectF(-5, -5, 10, 10)}},
                {QStringLiteral("polyline"), {TargetElement::Polyline, QRectF(0, 0, 10, 10)}}};
        const auto [type, rect]
                = others.value(shape, {TargetElement::Polygon, QRectF(0, 0, 10, 10)});
        const std::unique_ptr<TargetElement> tested = element(type, rect, polygons.value(shape));
        QCOMPARE(tested->contains(point, caliber), hit);
        // A polygon walked the other way round gives the same answer.
        if (tested->type() == TargetElement::Polygon) {
            const QPolygonF &points = tested->polygon();
            tested->setPolygon(QPolygonF(points.rbegin(), points.rend()));
            QCOMPARE(tested->contains(point, caliber), hit);
        }
    }

    void catalogueScores_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<double>("caliber");
        QTest::addColumn<QString>("score");
        QTest::addColumn<bool>("anyDirection");
        const auto row = [](const QString &face, double x, double y, double caliber,
                            const char *score, bool anyDirection = false) {
            QTest::addRow("%s (%g, %g) %g", face == AirRifle ? "air rifle" : "chest figure", x, y,
                          caliber)
                    << face << QPointF(x, y) << caliber << QString::fromLatin1(score)
                    << anyDirection;
        };
        const std::pair<double, const char *> rifle[]
                = {{0.25, "10.9"}, {0.5, "10.8"}, {1.0, "10.6"}, {2.5, "10.0"}, {2.6, "9.9"},
                   {3.0, "9.8"},   {5.0, "9.0"},  {10.0, "7.0"}, {25.0, "1.0"}, {25.01, "0.0"}};
        for (const auto &[distance, score] : rifle)
            row(AirRifle, distance, 0, 4.5, score, true);
        // The centre scores 10.9, but the null point is no breach.
        row(AirRifle, 1e-9, 0, 4.5, "10.9");
        row(AirRifle, 0, 0, 4.5, "nan");
        // The chest figure: rings, the figure outside them (5.0) and around
        // it nothing; the head's top in and beyond the 6 ring, the shoulder
        // and above it, outside the world. Its outline repeats its first
        // vertex and grows with the caliber: 4 mm right of the head's edge a
        // 9 mm hole touches it, a 7.62 mm one does not; round around the
        // outer corner of the shoulder.
        const std::tuple<double, double, double, const char *> chest[] = {
                {1e-6, 0, 7.62, "10.9"},    {0, 240, 7.62, "6.2"},      {240, 200, 7.62, "5.0"},
                {200, -200, 7.62, "0.0"},   {0, -253, 7.62, "6.0"},     {0, -254, 7.62, "5.0"},
                {300, 0, 7.62, "0.0"},      {130, -80, 7.62, "0.0"},    {130, -66, 7.62, "8.1"},
                {250, -60, 7.62, "5.0"},    {119, -150, 7.62, "0.0"},   {119, -150, 9.0, "7.2"},
                {118.5, -73.5, 9.0, "8.3"}, {258.5, -73.5, 9.0, "0.0"}, {257.5, -72.5, 9.0, "5.0"}};
        for (const auto &[x, y, caliber, score] : chest)
            row(ChestFigure, x, y, caliber, score);
    }

    void catalogueScores()
    {
        QFETCH(QString, face);
        QFETCH(QPointF, point);
        QFETCH(double, caliber);
        QFETCH(QString, score);
        QFETCH(bool, anyDirection);
        TargetDescriptor *descriptor = manager.findByUuid(face);
        QCOMPARE(tenths(descriptor->breachScore(point, caliber)), score);
        for (int k = 1; anyDirection && k < 8; ++k) {
            const double angle = k * M_PI / 4.0;
            const QPointF turned(point.x() * std::cos(angle), point.x() * std::sin(angle));
            QCOMPARE(tenths(descriptor->breachScore(turned, caliber)), score);
        }
    }

    void ringBoundariesScoreTheWholeTenth()
    {
        // Exactly on a ring's hit radius the hole scores that ring with .0,
        // and a tenth boundary inside a band is not lost to rounding.
        TargetDescriptor *rifle = manager.findByUuid(AirRifle);
        for (int n = 1; n <= 10; ++n) {
            const double hitRadius = (rifle->scoreCalculator()->rings().at(n - 1) + 4.5) / 2.0;
            QCOMPARE(tenths(rifle->breachScore(QPointF(hitRadius, 0), 4.5)),
                     QString::number(n) + QStringLiteral(".0"));
            for (int t = 1; t < 10 && hitRadius - 0.25 * t > 0.0; ++t) {
                const QString expected = n == 10 && t >= 9 ? QStringLiteral("10.9")
                                                           : QStringLiteral("%1.%2").arg(n).arg(t);
                QCOMPARE(tenths(rifle->breachScore(QPointF(0, hitRadius - 0.25 * t), 4.5)),
                         expected);
            }
        }
    }

    void scoresAreTenthsAndGrowWithTheCaliber()
    {
        QRandomGenerator random(20261206);
        for (const QPointer<TargetDescriptor> &face : manager.targets()->items()) {
            const QRectF world = face->world().adjusted(-10, -10, 10, 10);
            for (int i = 0; i < 2000; ++i) {
                const QPointF point(world.left() + random.generateDouble() * world.width(),
                                    world.top() + random.generateDouble() * world.height());
                double previous = 0.0;
                for (double caliber = 0.0; caliber <= 12.0; caliber += 0.5) {
                    const double score = face->breachScore(point, caliber);
                    const double inTenths = score * 10.0;
                    QVERIFY2(score >= previous && score <= 10.9
                                     && std::fabs(inTenths - std::round(inTenths)) < 1e-9,
                             qPrintable(face->name()));
                    previous = score;
                }
            }
        }
    }

    void simpleCalculator()
    {
        TargetDescriptor descriptor;
        descriptor.set_world(QRectF(-100, -100, 200, 200));
        auto *calculator = new SimpleScoreCalculator(&descriptor);
        descriptor.set_scoreCalculator(calculator);
        // Ten rings, all of them numbers, or no score.
        for (const QVector<double> &rings :
             {QVector<double>(), QVector<double>({100, 90, 80, 70, 60, 50, 40, 30, 20}),
              QVector<double>({100, 90, 80, 70, 60, 50, 40, 30, 20, NaN})}) {
            calculator->set_rings(rings);
            QCOMPARE(descriptor.breachScore(QPointF(1, 1), 4.5), 0.0);
        }
        calculator->set_rings({100, 90, 80, 70, 60, 50, 40, 30, 20, 10});
        QCOMPARE(tenths(descriptor.breachScore(QPointF(1, 1), 0.0)), QStringLiteral("10.7"));
        // Off-centre rings score around their centre.
        calculator->set_center(QPointF(30, 0));
        QCOMPARE(tenths(descriptor.breachScore(QPointF(31, 1), 0.0)), QStringLiteral("10.7"));
        QCOMPARE(tenths(descriptor.breachScore(QPointF(1, 1), 0.0)), QStringLiteral("5.1"));
        // A world smaller than the rings cuts scoring off at its edge
        // (grown by the hole) even where a ring would reach.
        calculator->reset_center();
        calculator->set_rings({45.5, 40.5, 35.5, 30.5, 25.5, 20.5, 15.5, 10.5, 5.5, 0.5});
        descriptor.set_world(QRectF(-5, -5, 10, 10));
        QCOMPARE(tenths(descriptor.breachScore(QPointF(7.25, 0), 4.5)), QStringLiteral("8.1"));
        QCOMPARE(descriptor.breachScore(QPointF(7.26, 0), 4.5), 0.0);
        QCOMPARE(tenths(descriptor.breachScore(QPointF(7.0, 7.0), 4.5)), QStringLiteral("7.0"));
        QCOMPARE(descriptor.breachScore(QPointF(7.0, -7.3), 4.5), 0.0);
    }

    void complexCalculatorOrderOfResults()
    {
        TargetDescriptor descriptor;
        descriptor.set_world(QRectF(-100, -100, 200, 200));
        auto *calculator = new ComplexScoreCalculator(&descriptor);
        descriptor.set_scoreCalculator(calculator);
        const auto addRect = [&](const QRectF &rect, double result, bool afterRings) {
            auto *added = new TargetElement;
            added->set_rect(rect);
            added->set_result(result);
            added->set_calcAfterRings(afterRings);
            descriptor.elements()->append(added);
            return added;
        };
        // Without ten rings and without an element result: no score at all.
        QVERIFY(std::isnan(descriptor.breachScore(QPointF(1, 1), 0)));

        // Two overlapping result elements before the rings: the later wins.
        addRect(QRectF(-50, -50, 100, 100), 3.0, false);
        addRect(QRectF(0, 0, 50, 50), 4.0, false);
        QCOMPARE(descriptor.breachScore(QPointF(10, 10), 0), 4.0);
        QCOMPARE(descriptor.breachScore(QPointF(-10, -10), 0), 3.0);
        QVERIFY(std::isnan(descriptor.breachScore(QPointF(70, 70), 0)));

        // Results after the rings only count where no ring is touched.
        calculator->set_rings({60, 54, 48, 42, 36, 30, 24, 18, 12, 6});
        addRect(QRectF(-100, -100, 200, 200), 2.0, true);
        QCOMPARE(descriptor.breachScore(QPointF(10, 10), 0), 4.0);
        QCOMPARE(descriptor.breachScore(QPointF(70, 70), 0), 2.0);

        // A clip element bounds the scoring area.
        addRect(QRectF(-20, -20, 40, 40), NaN, false)->set_clip(true);
        QCOMPARE(descriptor.breachScore(QPointF(10, 10), 0), 4.0);
        QCOMPARE(descriptor.breachScore(QPointF(30, 30), 0), 0.0);
        QCOMPARE(descriptor.breachScore(QPointF(-21, 0), 2.0), 3.0); // touched by the hole
    }

    void colourPointerFollowsItsObject()
    {
        auto *temporary = new TargetElementColor(TargetElementColor::Custom, Qt::red);
        TargetElement element;
        element.set_penColor(temporary);
        delete temporary;
        QVERIFY(!element.penColor());
    }
};

QTEST_GUILESS_MAIN(TestTargetModel)
#include "tst_targetmodel.moc"
