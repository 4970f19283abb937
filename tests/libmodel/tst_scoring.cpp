#include <complexscorecalculator.h>
#include <simplescorecalculator.h>
#include <targetdescriptor.h>
#include <targetmanager.h>

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

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

bool isTenthStep(double score)
{
    const double tenthsCount = score * 10.0;
    return std::fabs(tenthsCount - std::round(tenthsCount)) < 1e-9;
}
} // namespace

class TestScoring : public QObject
{
    Q_OBJECT

private:
    TargetManager manager;

    TargetDescriptor *face(const QString &uuid) const
    {
        TargetDescriptor *descriptor = manager.findByUuid(uuid);
        Q_ASSERT(descriptor);
        return descriptor;
    }

private slots:
    void airRifleDistanceTable_data()
    {
        QTest::addColumn<double>("dist");
        QTest::addColumn<QString>("score");
        QTest::newRow("0.25") << 0.25 << "10.9";
        QTest::newRow("0.5") << 0.5 << "10.8";
        QTest::newRow("1.0") << 1.0 << "10.6";
        QTest::newRow("2.5") << 2.5 << "10.0";
        QTest::newRow("2.6") << 2.6 << "9.9";
        QTest::newRow("3.0") << 3.0 << "9.8";
        QTest::newRow("5.0") << 5.0 << "9.0";
        QTest::newRow("10.0") << 10.0 << "7.0";
        QTest::newRow("25.0") << 25.0 << "1.0";
        QTest::newRow("25.01") << 25.01 << "0.0";
    }

    void airRifleDistanceTable()
    {
        QFETCH(double, dist);
        QFETCH(QString, score);
        TargetDescriptor *rifle = face(AirRifle);
        // The same distance in every direction scores the same.
        for (double angle = 0.0; angle < 6.28; angle += 0.7853981633974483) {
            const QPointF point(dist * std::cos(angle), dist * std::sin(angle));
            QCOMPARE(tenths(rifle->breachScore(point, 4.5)), score);
        }
        // Along the axes the distance is exact.
        QCOMPARE(tenths(rifle->breachScore(QPointF(dist, 0), 4.5)), score);
        QCOMPARE(tenths(rifle->breachScore(QPointF(0, -dist), 4.5)), score);
    }

    void centreIsCappedAndTheNullPointHasNoScore()
    {
        TargetDescriptor *rifle = face(AirRifle);
        QCOMPARE(rifle->scoreCalculator()->calc(QPointF(0, 0), 4.5), 10.9);
        QVERIFY(std::isnan(rifle->breachScore(QPointF(0, 0), 4.5)));
        QVERIFY(std::isnan(rifle->breachScore(QPointF(-0.0, 0.0), 4.5)));
        QCOMPARE(rifle->breachScore(QPointF(1e-9, 0), 4.5), 10.9);
    }

    void worldGate()
    {
        TargetDescriptor *rifle = face(AirRifle);
        // 25.01 mm right is inside the world grown by 2.25 mm but touches no
        // ring; 27.26 mm is outside the grown world.
        QCOMPARE(rifle->breachScore(QPointF(27.25, 0), 4.5), 0.0);
        QCOMPARE(rifle->breachScore(QPointF(27.26, 0), 4.5), 0.0);

        // A world smaller than the rings cuts scoring off at its edge even
        // where a ring would reach.
        TargetDescriptor small;
        small.set_world(QRectF(-5, -5, 10, 10));
        auto *calculator = new SimpleScoreCalculator(&small);
        calculator->set_rings({45.5, 40.5, 35.5, 30.5, 25.5, 20.5, 15.5, 10.5, 5.5, 0.5});
        small.set_scoreCalculator(calculator);
        QCOMPARE(tenths(small.breachScore(QPointF(7.25, 0), 4.5)), QStringLiteral("8.1"));
        QCOMPARE(small.breachScore(QPointF(7.26, 0), 4.5), 0.0);
        QCOMPARE(tenths(small.breachScore(QPointF(7.0, 7.0), 4.5)), QStringLiteral("7.0"));
        QCOMPARE(small.breachScore(QPointF(7.0, -7.3), 4.5), 0.0);
    }

    void scoresAreTenthsBetweenZeroAndTenNine()
    {
        QRandomGenerator random(20261206);
        const QStringList ringFaces = {AirRifle, QLatin1String(TargetManager::AirPistolUuid),
                                       QLatin1String(TargetManager::SmallBoreRifleUuid),
                                       QLatin1String(TargetManager::SmallBorePistolUuid)};
        const double calibers[] = {0.0, 4.5, 5.6, 7.62, 9.0};
        for (const QString &uuid : ringFaces) {
            TargetDescriptor *descriptor = face(uuid);
            const QRectF world = descriptor->world().adjusted(-10, -10, 10, 10);
            for (int i = 0; i < 4000; ++i) {
                const QPointF point(world.left() + random.generateDouble() * world.width(),
                                    world.top() + random.generateDouble() * world.height());
                for (double caliber : calibers) {
                    const double score = descriptor->breachScore(point, caliber);
                    QVERIFY(score >= 0.0 && score <= 10.9);
                    QVERIFY2(isTenthStep(score), qPrintable(QString::number(score, 'g', 17)));
                }
            }
        }
    }

    void largerCaliberNeverLowersTheScore()
    {
        QRandomGenerator random(7);
        for (const QPointer<TargetDescriptor> &descriptor : manager.targets()->items()) {
            const QRectF world = descriptor->world();
            for (int i = 0; i < 3000; ++i) {
                const QPointF point(world.left() + random.generateDouble() * world.width(),
                                    world.top() + random.generateDouble() * world.height());
                double previous = -1.0;
                for (double caliber = 0.0; caliber <= 12.0; caliber += 0.5) {
                    const double score = descriptor->breachScore(point, caliber);
                    QVERIFY2(score >= previous,
                             qPrintable(QStringLiteral("%1 at (%2, %3) caliber %4")
                                                .arg(descriptor->name())
                                                .arg(point.x())
                                                .arg(point.y())
                                                .arg(caliber)));
                    previous = score;
                }
            }
        }
    }

    void ringBoundariesScoreTheWholeTenth()
    {
        // Exactly on a ring's hit radius the hole scores that ring with .0,
        // and a tenth boundary inside a band is not lost to rounding.
        TargetDescriptor *rifle = face(AirRifle);
        for (int n = 1; n <= 10; ++n) {
            const double hitRadius = (rifle->scoreCalculator()->rings().at(n - 1) + 4.5) / 2.0;
            QCOMPARE(tenths(rifle->breachScore(QPointF(hitRadius, 0), 4.5)),
                     QString::number(n) + QStringLiteral(".0"));
            for (int t = 1; t < 10; ++t) {
                // depth t/10 of a 2.5 mm band
                const double dist = hitRadius - 0.25 * t;
                if (dist <= 0.0)
                    continue;
                const QString expected = n == 10 && t >= 9 ? QStringLiteral("10.9")
                                                           : QStringLiteral("%1.%2").arg(n).arg(t);
                QCOMPARE(tenths(rifle->breachScore(QPointF(0, dist), 4.5)), expected);
            }
        }
    }

    void simpleCalculatorNeedsTenRings()
    {
        TargetDescriptor descriptor;
        descriptor.set_world(QRectF(-100, -100, 200, 200));
        auto *calculator = new SimpleScoreCalculator(&descriptor);
        descriptor.set_scoreCalculator(calculator);
        QCOMPARE(descriptor.breachScore(QPointF(1, 1), 4.5), 0.0);
        calculator->set_rings({100, 90, 80, 70, 60, 50, 40, 30, 20});
        QCOMPARE(descriptor.breachScore(QPointF(1, 1), 4.5), 0.0);
        calculator->set_rings({100, 90, 80, 70, 60, 50, 40, 30, 20, NaN});
        QCOMPARE(descriptor.breachScore(QPointF(1, 1), 4.5), 0.0);
        calculator->set_rings({100, 90, 80, 70, 60, 50, 40, 30, 20, 10});
        QCOMPARE(tenths(descriptor.breachScore(QPointF(1, 1), 0.0)), QStringLiteral("10.7"));
        // Off-centre rings score around their centre.
        calculator->set_center(QPointF(30, 0));
        QCOMPARE(tenths(descriptor.breachScore(QPointF(31, 1), 0.0)), QStringLiteral("10.7"));
        QCOMPARE(tenths(descriptor.breachScore(QPointF(1, 1), 0.0)), QStringLiteral("5.1"));
        // A calculator without its descriptor cannot score.
        SimpleScoreCalculator orphan;
        orphan.set_rings(calculator->rings());
        QCOMPARE(orphan.calc(QPointF(1, 1), 4.5), 0.0);
        QVERIFY(!orphan.owner());
    }

    void chestFigure_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QString>("score");
        QTest::newRow("centre") << QPointF(1e-6, 0) << "10.9";
        QTest::newRow("7 ring below") << QPointF(0, 240) << "6.2";
        QTest::newRow("figure outside the rings") << QPointF(240, 200) << "5.0";
        QTest::newRow("beside the head") << QPointF(200, -200) << "0.0";
        QTest::newRow("top of the head, 6 ring") << QPointF(0, -253) << "6.0";
        QTest::newRow("top of the head, no ring") << QPointF(0, -254) << "5.0";
        QTest::newRow("outside the world") << QPointF(300, 0) << "0.0";
        QTest::newRow("above the shoulder") << QPointF(130, -80) << "0.0";
        QTest::newRow("on the shoulder") << QPointF(130, -66) << "8.1";
        QTest::newRow("shoulder corner, no ring") << QPointF(250, -60) << "5.0";
    }

    void chestFigure()
    {
        QFETCH(QPointF, point);
        QFETCH(QString, score);
        QCOMPARE(tenths(face(ChestFigure)->breachScore(point, 7.62)), score);
    }

    void chestFigureOutlineGrowsWithTheCaliber()
    {
        TargetDescriptor *chest = face(ChestFigure);
        // 4 mm right of the head's edge at y = -150: outside the figure, no
        // ring; touched by a 9 mm hole (r 4.5), not by a 7.62 mm one (r 3.81).
        QCOMPARE(chest->breachScore(QPointF(119, -150), 7.62), 0.0);
        QCOMPARE(tenths(chest->breachScore(QPointF(119, -150), 9.0)), QStringLiteral("7.2"));
        // Beside the head, just above the shoulder: within reach of the
        // head's side.
        QCOMPARE(tenths(chest->breachScore(QPointF(118.5, -73.5), 9.0)), QStringLiteral("8.3"));
        // Around the outer corner of the shoulder the grown outline is round.
        QCOMPARE(chest->breachScore(QPointF(258.5, -73.5), 9.0), 0.0);
        QCOMPARE(tenths(chest->breachScore(QPointF(257.5, -72.5), 9.0)), QStringLiteral("5.0"));
    }

    void complexCalculatorOrderOfResults()
    {
        TargetDescriptor descriptor;
        descriptor.set_world(QRectF(-100, -100, 200, 200));
        auto *calculator = new ComplexScoreCalculator(&descriptor);
        descriptor.set_scoreCalculator(calculator);
        const auto addRect = [&](const QRectF &rect, double result, bool afterRings) {
            auto *element = new TargetElement;
            element->set_rect(rect);
            element->set_result(result);
            element->set_calcAfterRings(afterRings);
            descriptor.elements()->append(element);
            return element;
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
        TargetElement *area = addRect(QRectF(-20, -20, 40, 40), NaN, false);
        area->set_clip(true);
        QCOMPARE(descriptor.breachScore(QPointF(10, 10), 0), 4.0);
        QCOMPARE(descriptor.breachScore(QPointF(30, 30), 0), 0.0);
        QCOMPARE(descriptor.breachScore(QPointF(-21, 0), 2.0), 3.0); // touched by the hole
    }

    void calculatorSetters()
    {
        TargetDescriptor descriptor;
        SimpleScoreCalculator calculator(&descriptor);
        QCOMPARE(calculator.owner(), &descriptor);
        QSignalSpy center(&calculator, &ScoreCalculator::centerChanged);
        QSignalSpy rings(&calculator, &ScoreCalculator::ringsChanged);
        calculator.set_center(QPointF(1e-13, 0));
        QCOMPARE(center.count(), 0);
        calculator.set_center(QPointF(1, 2));
        calculator.reset_center();
        QCOMPARE(center.count(), 2);
        calculator.set_rings({1, 2});
        calculator.set_rings({1, 2});
        QCOMPARE(rings.count(), 1);
        calculator.set_rings({1, NaN});
        calculator.set_rings({1, NaN}); // a NaN entry never equals
        QCOMPARE(rings.count(), 3);
        calculator.reset_rings();
        QVERIFY(calculator.rings().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScoring)
#include "tst_scoring.moc"
