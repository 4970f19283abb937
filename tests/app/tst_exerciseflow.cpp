// Exercises taken through the lane the way its screens take them: settings,
// shooter, calibration, trial and scored shots, and every way an exercise
// ends; each asserts what is stored and what the lane shows.

#include <exercise.h>
#include <lanerig.h>
#include <rangedata.h>
#include <testenvironment.h>

#include <session.h>
#include <trace.h>

#include <QCoreApplication>
#include <QSettings>
#include <QTest>

#include <optional>

namespace {

enum Ending { AllShots, TimeOutNoShot, TimeOutAfterShot, Stop, Leave, DropOut };

const QPointF Centre(LaneRig::CentreX, LaneRig::CentreY);

LibModel::Storage::Statistics stored(LibModel::Storage *storage)
{
    LibModel::Storage::Statistics statistics;
    if (!storage->statistics(&statistics))
        QTest::qFail("no statistics", __FILE__, __LINE__);
    return statistics;
}

} // namespace

class TestExerciseFlow : public QObject
{
    Q_OBJECT

private:
    std::optional<LaneRig> rig;

private slots:
    void init()
    {
        TestEnvironment::resetUserState();
        rig.emplace();
    }
    void cleanup() { rig.reset(); }

    // One trial and two scored shots; 10 s for the trial shot and 20 s for
    // the series, or 30 s for both.
    void flows_data()
    {
        QTest::addColumn<bool>("calibrate");
        QTest::addColumn<bool>("joint");
        QTest::addColumn<bool>("again"); // back to the shooters and confirmed again
        QTest::addColumn<int>("ending");
        QTest::addColumn<int>("shots"); // scored and stored
        QTest::newRow("calibration, separate time, back and confirm")
                << true << false << true << int(AllShots) << 2;
        QTest::newRow("no calibration, joint time, confirmed twice")
                << false << true << true << int(AllShots) << 2;
        QTest::newRow("time runs out with no shot")
                << false << false << false << int(TimeOutNoShot) << 0;
        QTest::newRow("time runs out after a shot")
                << false << true << false << int(TimeOutAfterShot) << 1;
        QTest::newRow("stopped midway") << true << false << false << int(Stop) << 1;
        QTest::newRow("page left midway") << true << false << false << int(Leave) << 1;
        QTest::newRow("sensor drops out and returns")
                << false << false << false << int(DropOut) << 2;
    }

    void flows()
    {
        QFETCH(bool, calibrate);
        QFETCH(bool, joint);
        QFETCH(bool, again);
        QFETCH(int, ending);
        QFETCH(int, shots);
        auto lane = rig->boundLane();
        Exercise *exercise = lane->exercise();
        // As the lane screen does on every change of the lane's state.
        connect(lane.get(), &RangeData::stateChanged, exercise, &Exercise::enterState);
        exercise->setGlobalMode(RangeData::TrainingMode);
        LibModel::TargetDescriptor *target
                = rig->targets()->findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid));
        exercise->applySettings({{"target", QVariant::fromValue<QObject *>(target)},
                                 {"distance", 10.0},
                                 {"caliber", 4.5},
                                 {"scale", 1.0},
                                 {"trialShots", 1},
                                 {"shots", 2},
                                 {"withTimeLimits", true},
                                 {"joint", joint},
                                 {"trialTime", 10},
                                 {"serieTime", 20},
                                 {"jointTime", 30},
                                 {"withCalibration", calibrate},
                                 {"targetIndex", 1}});
        QCOMPARE(lane->state(), RangeData::SelectShooterState);
        QCOMPARE(QSettings().value(QStringLiteral("range0/shotCountLimit")).toInt(), 2);
        lane->setStoredOffset(Centre); // the last calibration
        const QPointF calibration = Centre + QPointF(2.0, 1.0);
        const auto confirm = [&] {
            exercise->start(QStringLiteral("Петров"), QStringLiteral("Динамо"), QString());
            if (calibrate) {
                QCOMPARE(lane->state(), RangeData::CalibrationState);
                rig->shootAt(calibration);
                QCOMPARE(exercise->calibrationShots().size(), 1);
            }
        };
        confirm();
        if (again) {
            lane->setState(RangeData::SelectShooterState);
            confirm();
        }
        QCOMPARE(lane->phase(), RangeData::BeginningPhase);
        if (calibrate)
            exercise->confirmCalibration();
        QCOMPARE(lane->state(), RangeData::ShootingState);
        QCOMPARE(lane->calibrationOffset(), calibrate ? calibration : Centre);
        QCOMPARE(rig->sensor()->mode(), 2);
        LibModel::Session *session = lane->session();
        QCOMPARE(session->distance(), 10.0);

        // The phase clock waits for the first shot, however long it takes.
        rig->frames(3500);
        QCOMPARE(lane->phase(), RangeData::BeginningPhase);
        rig->shoot(); // the trial shot
        QCOMPARE(exercise->trialShots().size(), 1);
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        switch (ending) {
        case AllShots:
            rig->shoot();
            rig->shoot();
            break;
        case TimeOutNoShot:
            rig->frames(2000);
            break;
        case TimeOutAfterShot:
            rig->shoot();
            rig->frames(3000);
            break;
        case Stop:
            rig->shoot();
            exercise->stopAndKeep();
            break;
        case Leave: // the shots fired are kept
            rig->shoot();
            exercise->interrupt();
            break;
        case DropOut: {
            rig->shoot();
            const double left = lane->timeToEndOfPhase();
            rig->sensor()->unplugAfterFrames(7);
            rig->frames(100);
            QTRY_VERIFY(!lane->ready());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            LaneRig::backend()->plug(rig->sensor());
            QVERIFY(lane->ready());
            // Aiming again at the lane's offset, in the same session and trace.
            QVERIFY(!lane->calibrationMode());
            QCOMPARE(rig->sensor()->mode(), 2);
            QCOMPARE(lane->calibrationOffset(), Centre);
            QVERIFY(rig->waitForStream());
            rig->frames(10);
            QVERIFY(left - lane->timeToEndOfPhase() > 1.0); // the limit kept running
            QCOMPARE(lane->session(), session);
            QCOMPARE(session->segments().size(), 1);
            rig->shoot();
            break;
        }
        }
        QCOMPARE(session->shots().size(), shots);
        QCOMPARE(lane->phase(), RangeData::NoPhase);

        if (ending == Stop || ending == Leave) {
            // Stored; the next shooter on the same target, distance and caliber.
            QCOMPARE(stored(rig->storage()).sessions, 1);
            QCOMPARE(stored(rig->storage()).shots, 1);
            QCOMPARE(lane->state(), RangeData::SettingsState);
            QVERIFY(lane->session() != session);
            QCOMPARE(lane->session()->targetDescriptor(), target);
            QCOMPARE(lane->session()->distance(), 10.0);
            QCOMPARE(lane->session()->caliber(), 4.5);
            QCOMPARE(lane->storedOffset(), calibration);
            exercise->start(QStringLiteral("Сидоров"), QStringLiteral("Динамо"), QString());
            QCOMPARE(lane->session()->targetDescriptor(), target);
            QCOMPARE(lane->phase(), RangeData::BeginningPhase);
            QVERIFY(exercise->trialShots().isEmpty());
            return;
        }

        // The end: saved and shown; the recording closed after the follow-
        // through and nothing recorded after it, also when stopped later.
        QVERIFY(!lane->firstRound());
        LibModel::Trace *trace = exercise->finishedTrace();
        QVERIFY(trace);
        QCOMPARE(session->segments(), QList<LibModel::Trace *>({trace}));
        rig->frames(300);
        QVERIFY(!lane->currentTrace());
        QCOMPARE(session->segments().size(), 1);
        QCOMPARE(stored(rig->storage()).sessions, 1);
        QCOMPARE(stored(rig->storage()).shots, shots);
        exercise->stopAndKeep();
        QCOMPARE(stored(rig->storage()).sessions, 1);
        QCOMPARE(stored(rig->storage()).traces, 1);
    }
};

KAVRO_TEST_MAIN(TestExerciseFlow, QCoreApplication)
#include "tst_exerciseflow.moc"
