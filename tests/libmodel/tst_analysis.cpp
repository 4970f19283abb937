// The coaching analysis: group values and the aiming of the last second on
// hand-made groups and traces, and on a session shot by a lane through the
// simulated sensor and read back from its database. (Missed shots left out
// of the group: tst_sessionanalysisview.)
#include <lanerig.h>
#include <rangedata.h>
#include <sessionbuilder.h>
#include <testenvironment.h>

#include <recordcodec.h>
#include <scorecalculator.h>
#include <sessionanalysis.h>
#include <shooterprogress.h>
#include <targetmanager.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace LibModel;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Equal within the tolerance, NaN equal to NaN.
bool same(double actual, double expected, double tolerance)
{
    return std::isnan(expected) ? std::isnan(actual) : std::fabs(actual - expected) <= tolerance;
}

#define COMPARE_VALUE(actual, expected, tolerance)                                                 \
    QVERIFY2(same(actual, expected, tolerance),                                                    \
             qPrintable(QStringLiteral(#actual " = %1, expected %2").arg(actual).arg(expected)))

const ScoreCalculator *airRifle()
{
    return SessionBuilder::targets()
            .findByUuid(QLatin1String(TargetManager::AirRifleUuid))
            ->scoreCalculator();
}

} // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void group_data()
    {
        QTest::addColumn<QList<QPointF>>("breaches");
        QTest::addColumn<QList<double>>("expected"); // n, mpiX, mpiY, ES, MR, sdX, sdY
        QTest::newRow("none") << QList<QPointF> {} << QList<double> {0, NaN, NaN, 0, NaN, NaN, NaN};
        // One shot is its own mean point; no spread, no deviation.
        QTest::newRow("a single shot")
                << QList<QPointF> {{1, 2}} << QList<double> {1, 1, 2, 0, 0, NaN, NaN};
        // Corners (1±1, ±1): centre (1, 0), diagonal 2√2, each corner √2 from
        // the centre; deviations 1 in x and y: √(4 / 3).
        QTest::newRow("a square of four")
                << QList<QPointF> {{0, -1}, {2, -1}, {2, 1}, {0, 1}}
                << QList<double> {
                           4, 1, 0, 2 * M_SQRT2, M_SQRT2, std::sqrt(4.0 / 3), std::sqrt(4.0 / 3)};
    }

    void group()
    {
        QFETCH(QList<QPointF>, breaches);
        QFETCH(QList<double>, expected);
        const ShotGroup group(breaches, QVector<double>(breaches.size(), 9.0));
        const double actual[] = {double(group.n),  group.mpiX, group.mpiY, group.extremeSpread,
                                 group.meanRadius, group.sdX,  group.sdY};
        for (int i = 0; i < 7; ++i)
            COMPARE_VALUE(actual[i], expected.at(i), 1e-12);
        COMPARE_VALUE(group.meanScore, breaches.isEmpty() ? NaN : 9.0, 1e-12);
    }

    // Samples of a trace at 8 a second: the last second is the 8 samples
    // before the shot, the last quarter the 2 before it and the shot's own.
    void aiming_data()
    {
        QTest::addColumn<QList<QPointF>>("samples"); // the last one is the shot's
        QTest::addColumn<QList<double>>("expected"); // hold, shift, ten share, speed
        const QPointF gap(NaN, NaN);
        // Alternating ±1 on x around (0, 0): hold 1, all tens; the breach
        // (3, 4) is 5 from the mean; path 2 + √32 in 0.25 s.
        QTest::newRow("a steady hold")
                << QList<QPointF> {{1, 0},  {-1, 0}, {1, 0},  {-1, 0}, {1, 0},
                                   {-1, 0}, {1, 0},  {-1, 0}, {3, 4}}
                << QList<double> {1, 5, 1, 4 * (2 + std::sqrt(32.0))};
        // Five finite points around (0, 0) at 4, 4, 3, 3 and 0: hold 14/5,
        // one ten (the centre; 3 mm out is a 9.8). Of the last quarter only
        // the pair centre → breach is whole: 0.5 mm.
        QTest::newRow("gaps inside the last second")
                << QList<QPointF> {gap,     {4, 0}, {-4, 0}, gap,     {0, 3},
                                   {0, -3}, gap,    {0, 0},  {0, 0.5}}
                << QList<double> {2.8, 0.5, 0.2, 2};
        // The shot at sample 3: only samples 0 … 2 precede it, all within
        // 2 mm (10.2 and better); path 2 + 1.5 from sample 1 on.
        QTest::newRow("a shot sooner than a second")
                << QList<QPointF> {{2, 0}, {-2, 0}, {0, 0}, {0, 1.5}}
                << QList<double> {4.0 / 3, 1.5, 1, 14};
        // A lost target at the shot: no breach, no last pair.
        QTest::newRow("no breach")
                << QList<QPointF> {{2, 0}, {-2, 0}, gap} << QList<double> {2, NaN, 1, 16};
    }

    void aiming()
    {
        QFETCH(QList<QPointF>, samples);
        QFETCH(QList<double>, expected);
        QVector<TraceSample> trace;
        for (const QPointF &point : samples)
            trace.append(TraceSample {float(point.x()), float(point.y()), 0.0f, -1});
        const ShotAiming aiming(trace, int(trace.size() - 1), 8, samples.constLast(), airRifle(),
                                4.5);
        const double actual[]
                = {aiming.holdRadius, aiming.aimShift, aiming.tenShare, aiming.speed250};
        for (int i = 0; i < 4; ++i)
            COMPARE_VALUE(actual[i], expected.at(i), 1e-5);
    }

    // The lane aims around a circle of 1 mm about (0.5, 0), once every 20
    // frames, and fires at frames 400 (at (1.5, 0), a 10.4) and 805 (a
    // quarter turn on, at (0.5, 1), a 10.5). Each last second is five whole
    // turns: hold 1, shift 1, all tens; a quarter second is 25 chords of
    // 2·sin(π/20) mm.
    void laneSessionEndToEnd()
    {
        LaneRig rig;
        auto lane = rig.aimingLane();
        lane->changePhase();
        lane->changePhase();
        QSignalSpy shots(lane.get(), &RangeData::newShot);
        rig.play([](qint64 n) {
            const double angle = 2 * M_PI * double(n % 20) / 20;
            const QPointF mm(0.5 + std::cos(angle), std::sin(angle));
            const QPointF sensor = QPointF(LaneRig::CentreX, LaneRig::CentreY) - mm / 1.2;
            return LaneRig::Pose {sensor.x(), sensor.y(), true,
                                  n == 400 || n == 805 ? LaneRig::Loud : LaneRig::Quiet};
        });
        rig.frames(806);
        QCOMPARE(shots.count(), 2);
        QVERIFY(lane->session()->write());

        const std::unique_ptr<Session> stored(
                rig.storage()->readSession(uint(lane->session()->id())));
        QVERIFY(stored);
        const SessionAnalysis analysis(*stored);
        const ShotGroup &group = analysis.group;
        QCOMPARE(group.n, 2);
        COMPARE_VALUE(group.mpiX, 1.0, 1e-4);
        COMPARE_VALUE(group.extremeSpread, M_SQRT2, 1e-4);
        COMPARE_VALUE(group.meanRadius, M_SQRT1_2, 1e-4);
        COMPARE_VALUE(group.meanScore, 10.45, 1e-9);
        const double speed = 25 * 2 * std::sin(M_PI / 20) / 0.25;
        for (const ShotAiming &aiming :
             {analysis.aiming, analysis.shots.at(0).aiming, analysis.shots.at(1).aiming}) {
            COMPARE_VALUE(aiming.holdRadius, 1.0, 1e-4);
            COMPARE_VALUE(aiming.aimShift, 1.0, 1e-4);
            COMPARE_VALUE(aiming.tenShare, 1.0, 0.0);
            COMPARE_VALUE(aiming.speed250, speed, 1e-3);
        }

        // The groups alone come from the breaches stored with the shots, and
        // from the samples for shots stored without them (earlier versions).
        for (const bool storedBreaches : {true, false}) {
            if (!storedBreaches) {
                QSqlQuery erase(QSqlDatabase::database(rig.storage()->connectionName()));
                QVERIFY(erase.prepare(QStringLiteral("UPDATE shots SET properties=?;")));
                erase.addBindValue(RecordCodec::encodeProperties({}));
                QVERIFY(erase.exec());
            }
            ShooterProgress groups;
            QVERIFY(groups.read(*rig.storage(), lane->session()->shooterId(), false));
            const ShotGroup &read = groups.sessions().constFirst().group;
            QCOMPARE(read.n, 2);
            COMPARE_VALUE(read.mpiX, group.mpiX, 1e-9);
            COMPARE_VALUE(read.meanRadius, group.meanRadius, 1e-9);
            COMPARE_VALUE(read.meanScore, group.meanScore, 1e-9);
            QVERIFY(std::isnan(groups.sessions().constFirst().aiming.holdRadius));
        }
    }
};

KAVRO_TEST_MAIN(TestAnalysis, QCoreApplication)
#include "tst_analysis.moc"
