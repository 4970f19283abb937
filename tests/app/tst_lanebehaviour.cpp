// The lane through the whole sensor path: a simulated sensor whose frames
// show exact poses, the hardware controller, the decoder and the lane, with
// the process clock following the frames.

#include <applicationdata.h>
#include <exercise.h>
#include <lanerig.h>
#include <rangedata.h>
#include <testenvironment.h>

#include <hardwarecontroller.h>
#include <serie.h>
#include <session.h>
#include <shot.h>
#include <trace.h>

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>
#include <optional>

using namespace LibHardware;
using Pose = LaneRig::Pose;

namespace {

constexpr double Pi = 3.14159265358979323846;

bool near(const QPointF &a, const QPointF &b, double tolerance)
{
    return std::fabs(a.x() - b.x()) <= tolerance && std::fabs(a.y() - b.y()) <= tolerance;
}

// Quiet frames, loud at the given frames of the script.
LaneRig::Script loudAt(const QList<qint64> &frames)
{
    return [frames](qint64 n) {
        Pose p;
        p.microphone = frames.contains(n) ? LaneRig::Loud : LaneRig::Quiet;
        return p;
    };
}

QString deviceKey(const QString &serial, const char *name)
{
    return QStringLiteral("device_%1/%2").arg(serial, QLatin1String(name));
}

} // namespace

class TestLaneBehaviour : public QObject
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

    void opticalSetUpFollowsTheTarget_data()
    {
        QTest::addColumn<QString>("uuid");
        QTest::addColumn<double>("distance");
        QTest::addColumn<int>("kernelTag"); // 1: the chest figure's markers
        QTest::addColumn<int>("sizeParameter");
        QTest::newRow("chest figure") << QStringLiteral("{401BEAC6-B6AA-4D42-98C0-6431EA2E0D0F}")
                                      << 35.0 << 1 << 429; // 1800 / 4.2
        QTest::newRow("outside the catalogue")
                << QStringLiteral("{2f172fce-9436-11e5-8a97-542696dbe481}") << 15.0 << 0
                << 333; // 600 / 1.8
    }

    void opticalSetUpFollowsTheTarget()
    {
        QFETCH(QString, uuid);
        QFETCH(double, distance);
        QFETCH(int, sizeParameter);
        LibModel::TargetDescriptor target, unknown; // the lane goes by the uuid
        target.set_uuid(uuid);
        SimulatedSensor *sensor = rig->sensor();
        RangeData lane(0, rig->storage());
        lane.setDeviceSerialNumber(rig->serial());
        lane.session()->setTargetDescriptor(&target);
        lane.session()->setDistance(distance);
        QCOMPARE(int(sensor->parameter(6)), sizeParameter);
        QTEST(int(sensor->kernelTag()), "kernelTag");
        const size_t kernelSize = sensor->kernel().size();
        QVERIFY(kernelSize > 0); // uploaded

        // A target outside the table leaves the set-up as it was, distance too.
        lane.reset();
        unknown.set_uuid(QStringLiteral("{6a1d7b1e-0000-4000-8000-000000000001}"));
        sensor->clearRequests();
        lane.session()->setTargetDescriptor(&unknown);
        lane.session()->setDistance(2.0 * distance);
        QVERIFY(!sensor->requests().isEmpty()); // the sensor was configured
        QCOMPARE(int(sensor->parameter(6)), sizeParameter);
        QCOMPARE(sensor->kernel().size(), kernelSize);
    }

    void microphoneSettingsPerSensor_data()
    {
        QTest::addColumn<QVariant>("storedThreshold");
        QTest::addColumn<QVariant>("storedMode");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<bool>("ultraSensitive");
        QTest::newRow("nothing stored") << QVariant() << QVariant() << 15 << false;
        // Values out of range: tst_faults.
        QTest::newRow("largest") << QVariant(4096) << QVariant(1) << 4096 << true;
    }

    void microphoneSettingsPerSensor()
    {
        QFETCH(QVariant, storedThreshold);
        QFETCH(QVariant, storedMode);
        QFETCH(int, threshold);
        QFETCH(bool, ultraSensitive);
        const QString keyA = deviceKey(rig->serial(), "microphoneThreshold");
        const QString keyB = deviceKey(QStringLiteral("00000000000000AB"), "microphoneThreshold");
        if (storedThreshold.isValid())
            QSettings().setValue(keyA, storedThreshold);
        if (storedMode.isValid())
            QSettings().setValue(deviceKey(rig->serial(), "microphoneMode"), storedMode);
        QSettings().setValue(keyB, 77); // another sensor's: it does not leak into this one
        RangeData lane(0, rig->storage());
        QSignalSpy ready(&lane, &RangeData::readyChanged);
        lane.setDeviceSerialNumber(rig->serial());
        QCOMPARE(ready.count(), 1);
        QVERIFY(lane.ready() && lane.calibrationMode()); // a sensor starts in calibration
        QCOMPARE(QSettings().value(QStringLiteral("range0/device")).toString(), rig->serial());
        QCOMPARE(lane.microphoneThreshold(), threshold);
        QCOMPARE(lane.ultraSensitiveTriggerMode(), ultraSensitive);
        QCOMPARE(rig->sensor()->parameter(15), quint16(ultraSensitive ? 2 : 1));

        // Changes go to the sensor and to its own key (upper case).
        lane.setUltraSensitiveTriggerMode(!ultraSensitive);
        lane.setMicrophoneThreshold(60);
        QCOMPARE(rig->sensor()->parameter(15), quint16(ultraSensitive ? 1 : 2));
        QCOMPARE(QSettings().value(deviceKey(rig->serial(), "microphoneMode")).toInt(),
                 ultraSensitive ? 0 : 1);
        if (!ultraSensitive) // the sensor takes a threshold in ultra-sensitive mode only
            QCOMPARE(rig->sensor()->parameter(16), quint16(60));
        QCOMPARE(QSettings().value(keyA).toInt(), 60);
        lane.setMicrophoneThreshold(61);
        // Another sensor, not plugged in: its own stored value, its own key.
        lane.setDeviceSerialNumber(QStringLiteral("00000000000000AB"));
        QVERIFY(!lane.ready());
        QCOMPARE(lane.microphoneThreshold(), 77);
        lane.setMicrophoneThreshold(33);
        QCOMPARE(QSettings().value(keyB).toInt(), 33);
        // Back to the first: what was written is what is read, also under a
        // serial given in lower case.
        lane.setDeviceSerialNumber(rig->serial());
        QCOMPARE(lane.microphoneThreshold(), 61);
        QSettings().setValue(deviceKey(QStringLiteral("00000000000000ab"), "microphoneThreshold"),
                             99);
        lane.setDeviceSerialNumber(QStringLiteral("00000000000000ab"));
        QCOMPARE(lane.microphoneThreshold(), 33);
    }

    void twoLanesNeverShareASensor()
    {
        QSettings().setValue(QStringLiteral("maxRanges"), 2);
        QSettings().setValue(QStringLiteral("range0/device"), rig->serial());
        QSettings().setValue(QStringLiteral("range1/device"), rig->serial());
        ApplicationData facade;
        QCOMPARE(facade.ranges().size(), 2);
        QCOMPARE(facade.ranges().at(0)->deviceSerialNumber(), rig->serial());
        QVERIFY(facade.ranges().at(1)->deviceSerialNumber().isEmpty());
        QCOMPARE(QSettings().value(QStringLiteral("range1/device")).toString(), QString());
    }

    void shotHoldOff_data()
    {
        QTest::addColumn<int>("gap"); // frames of 10 ms between the two sounds
        QTest::addColumn<int>("shots");
        QTest::newRow("990 ms") << 99 << 1;
        QTest::newRow("1000 ms") << 100 << 2;
    }

    void shotHoldOff()
    {
        QFETCH(int, gap);
        QFETCH(int, shots);
        auto lane = rig->aimingLane();
        lane->changePhase();
        lane->changePhase();
        QSignalSpy newShots(lane.get(), &RangeData::newShot);
        rig->play(loudAt({50, 50 + gap}));
        rig->frames(300);
        QCOMPARE(newShots.count(), shots);
        QCOMPARE(lane->session()->shots().size(), shots);
    }

    // While a shot is heard, tilt and cant keep their values from before it.
    void shotNoise()
    {
        auto lane = rig->aimingLane();
        rig->play([=](qint64 n) {
            Pose p;
            p.microphone = n >= 100 && n < 105 ? LaneRig::Loud : LaneRig::Quiet;
            p.cant = n < 100 ? 0.1 : 0.45;
            p.tilt = n < 100 ? 5.0 : 15.0;
            return p;
        });
        rig->frames(100);
        // Read back from the sensor's axes to a thousandth of the radius.
        QVERIFY(std::fabs(lane->tilt() - 5.0) < 0.06);
        const double angle = lane->angle();
        QVERIFY(std::fabs(angle - 0.1) < 1e-3); // settled on a constant
        QSignalSpy tilts(lane.get(), &RangeData::tiltChanged);
        const LibModel::Trace *trace = lane->currentTrace();
        QVERIFY(trace);
        for (int i = 0; i < 5; ++i) {
            rig->frames(1);
            QVERIFY(lane->microphone() >= LaneRig::Loud);
            QVERIFY(std::fabs(lane->angle() - angle) < 1e-9);
            QVERIFY(std::fabs(trace->samples().last().z - float(angle)) < 1e-6f);
        }
        QCOMPARE(tilts.count(), 0);
        // Quiet again at frame 105: both follow the weapon.
        rig->frames(1);
        QCOMPARE(lane->microphone(), int(LaneRig::Quiet));
        QVERIFY(std::fabs(lane->tilt() - 15.0) < 0.06);
        QCOMPARE(tilts.count(), 1);
        QVERIFY(lane->angle() > angle);
    }

    void calibrationVisibility_data()
    {
        QTest::addColumn<double>("tilt");
        QTest::addColumn<double>("noiseTilt"); // while the shot is heard
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("visible");
        QTest::newRow("just under 20") << 19.99 << 19.99 << true << true; // reads 19.998
        QTest::newRow("just over 20") << 20.05 << 20.05 << true << false; // reads 20.06
        QTest::newRow("target not found") << 0.0 << 0.0 << false << false;
        // The recoil jolts the inclinometer; the tilt held from before counts.
        QTest::newRow("jolted by the shot") << 10.0 << 25.0 << true << true;
    }

    void calibrationVisibility()
    {
        QFETCH(double, tilt);
        QFETCH(double, noiseTilt);
        QFETCH(bool, found);
        QFETCH(bool, visible);
        auto lane = rig->boundLane();
        QSignalSpy shots(lane.get(), &RangeData::calibrationShot);
        rig->pose = {365.5, 250.25, found, LaneRig::Quiet, Pi / 2.0, tilt};
        rig->frames(30);
        rig->pose.tilt = noiseTilt;
        rig->pose.microphone = LaneRig::Loud;
        rig->frames(1);
        QCOMPARE(lane->targetVisible(), visible);
        QCOMPARE(shots.count(), visible ? 1 : 0);
        QCOMPARE(std::isnan(lane->aimingPoint().x()), !visible);
        if (visible) { // in sensor units around the default centre, turned by the cant
            QVERIFY(near(shots.first().at(0).toPointF(), QPointF(6.25, 5.5), 1e-6));
            QCOMPARE(shots.first().at(1).toPointF(), QPointF(365.5, 250.25));
        }
    }

    void aimingPoint_data()
    {
        // The sensor sees (370.5, 245.25) with the offset at (380, 236): 11.4 mm
        // to the right and 11.1 mm down, turned by the cant; with the offset
        // moved to (390, 230): 23.4 mm right and 18.3 mm down.
        QTest::addColumn<double>("cant");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPointF>("corrected");
        QTest::newRow("no cant") << 0.0 << QPointF(11.4, -11.1) << QPointF(23.4, -18.3);
        QTest::newRow("90 degrees") << Pi / 2.0 << QPointF(11.1, 11.4) << QPointF(18.3, 23.4);
    }

    void aimingPoint()
    {
        QFETCH(double, cant);
        QFETCH(QPointF, point);
        QFETCH(QPointF, corrected);
        auto lane = rig->aimingLane(QPointF(380.0, 236.0));
        lane->setCalibrationAngle(0.05);
        rig->pose = {370.5, 245.25, true, LaneRig::Quiet, cant, 0.0};
        rig->frames(50); // the cant filter settles on the constant
        QVERIFY(lane->targetVisible());
        QVERIFY(near(lane->aimingPoint(), point, 1e-6));
        QVERIFY(std::fabs(lane->angle() - (cant - 0.05)) < 1e-9);
        const LibModel::TraceSample sample = lane->currentTrace()->samples().last();
        QVERIFY(near(QPointF(sample.x, sample.y), point, 1e-4));
        QVERIFY(std::fabs(sample.z - float(cant - 0.05)) < 1e-6f);

        // A correction moves the lane's offset only; the next frame follows it.
        lane->setCalibrationOffset(QPointF(390.0, 230.0));
        rig->frames(1);
        QVERIFY(near(lane->aimingPoint(), corrected, 1e-6));
        QCOMPARE(rig->sensor()->modeValue(), quint16(380));
    }

    // Series of ten; the first shot, which also starts the shooting phase,
    // counts its interval from its own time even when the lane handles it
    // late; the grade over all shots or the last ten up to a count.
    void seriesShotIntervalsAndGrades()
    {
        auto lane = rig->aimingLane();
        lane->setShotCountLimit(12);
        lane->changePhase();
        QList<LibModel::Shot *> shots;
        QList<double> intervals;
        connect(lane.get(), &RangeData::newShot, this, [&](LibModel::Shot *shot) {
            shots.append(shot);
            intervals.append(lane->timeSincePreviousShot());
        });
        rig->frames(20);
        rig->play([](qint64 n) {
            return Pose {LaneRig::CentreX - 0.5, LaneRig::CentreY, true,
                         n == 0 ? LaneRig::Loud : LaneRig::Quiet};
        });
        rig->burst(5);
        rig->play({});
        rig->frames(110);
        for (int i = 1; i < 11; ++i) {
            rig->pose.x = LaneRig::CentreX - i; // 1.2 mm further right each
            rig->shoot();
        }
        const QList<LibModel::Serie *> &series = lane->session()->series();
        QCOMPARE(series.size(), 2);
        QCOMPARE(series.at(0)->shots().size(), 10);
        QCOMPARE(series.at(1)->shots().size(), 1);
        QCOMPARE(intervals.mid(0, 2), QList<double>({0.0, 1.15}));
        QCOMPARE(intervals.mid(2), QList<double>(9, 1.11));

        const auto mean = [&shots](int from, int to) {
            double sum = 0.0;
            for (int i = from; i < to; ++i)
                sum += shots.at(i)->result();
            return sum / (to - from);
        };
        QVERIFY(shots.first()->result() > shots.last()->result());
        const Exercise *exercise = lane->exercise();
        QCOMPARE(exercise->meanResult(11, false), mean(0, 11));
        QCOMPARE(exercise->meanResult(11, true), mean(1, 11));
        QCOMPARE(exercise->meanResult(4, true), mean(0, 4));
        QCOMPARE(exercise->meanResult(50, true), mean(1, 11));
        QVERIFY(std::isnan(exercise->meanResult(0, true)));
        // A shot's values carry the means up to it, the last ten's from the
        // eleventh shot on.
        QVERIFY(!exercise->shotValues(3).toMap().contains("meanOfTen"));
        const QVariantMap eleventh = exercise->shotValues(10).toMap();
        QCOMPARE(eleventh.value("mean").toDouble(), mean(0, 11));
        QCOMPARE(eleventh.value("meanOfTen").toDouble(), mean(1, 11));
    }

    void stabilityAndAreaOnAKnownTrace()
    {
        // Far off the target, then still at Q from raw sample 70 to 200, then
        // straight outwards at 10 mm/s until the shot at raw sample 400.
        const QPointF far(60.0, 60.0), q(0.37, 2.91);
        auto lane = rig->aimingLane();
        lane->changePhase();
        lane->changePhase();
        QSignalSpy shots(lane.get(), &RangeData::newShot);
        rig->play([=](qint64 n) {
            const QPointF mm = (n < 70 ? far : q) + QPointF(0.0, 0.1 * qMax<qint64>(0, n - 200));
            const QPointF sensor = QPointF(LaneRig::CentreX, LaneRig::CentreY) - mm / 1.2;
            return Pose {sensor.x(), sensor.y(), true, n == 400 ? LaneRig::Loud : LaneRig::Quiet};
        });
        rig->frames(401);
        QCOMPARE(shots.count(), 1);
        const QList<QVariant> args = shots.first();
        QCOMPARE(args.at(0).value<LibModel::Shot *>()->offset(), 400);
        // Path lengths of the last 2 s and 1 s; the display filter lags by
        // well under a millisecond of travel.
        QVERIFY(std::fabs(args.at(2).toDouble() - 19.99) < 0.02);
        QVERIFY(std::fabs(args.at(3).toDouble() - 9.99) < 0.02);
        // The second ending 2 s before the shot was spent at Q, 2.93 mm from
        // the centre: 9.8 with a 4.5 mm pellet. The shot, 22.9 mm out, is a
        // 1.8, give or take the tenth the display filter lags.
        QCOMPARE(args.at(5).toDouble(), 9.8);
        QVERIFY(std::fabs(args.at(4).toDouble() - 1.8) <= 0.1 + 1e-9);
    }

    void lostFramesAndCutTraces()
    {
        auto lane = rig->aimingLane();
        rig->frames(100);
        rig->pose.found = false;
        rig->frames(50);
        rig->pose.found = true;
        rig->frames(10);
        LibModel::Trace *trace = lane->currentTrace();
        QVERIFY(trace);
        QCOMPARE(trace->count(), 110); // frames without the target are not recorded
        lane->cutCurrTrace();
        rig->frames(1);
        QVERIFY(lane->currentTrace() && lane->currentTrace() != trace);
        QCOMPARE(lane->session()->segments().size(), 2);
    }

    void phaseMachine_data()
    {
        QTest::addColumn<bool>("autoCorrection");
        QTest::addColumn<int>("state");
        QTest::newRow("with auto correction") << true << int(RangeData::ShootingState);
        QTest::newRow("without auto correction") << false << int(RangeData::ShootingState);
        // Elsewhere the first sound only starts the phase and is not a shot.
        QTest::newRow("not on the shooting screen") << true << int(RangeData::SettingsState);
    }

    void phaseMachine()
    {
        QFETCH(bool, autoCorrection);
        QFETCH(int, state);
        auto lane = rig->aimingLane();
        lane->setState(RangeData::RangeDataState(state));
        lane->setAutoCorrection(autoCorrection);
        lane->setCalibrationShotsPerSerie(3);
        lane->setShotCountLimit(2);
        QList<QPair<int, int>> phases; // (phase, remaining shots) at each change
        connect(lane.get(), &RangeData::phaseChanged, this, [&phases, &lane] {
            phases.append({int(lane->phase()), lane->remainingShots()});
        });
        QSignalSpy trials(lane.get(), &RangeData::calibrationShotMy);
        QSignalSpy corrections(lane.get(), &RangeData::corSig);
        QSignalSpy shots(lane.get(), &RangeData::newShot);
        rig->frames(20);
        lane->changePhase();
        rig->shoot();
        QCOMPARE(lane->phase(), RangeData::CalibrationPhase);
        if (state != RangeData::ShootingState) {
            QCOMPARE(trials.count(), 0);
            rig->shoot();
        }
        QCOMPARE(trials.count(), 1);
        lane->changePhase(); // shots remain: nothing happens
        QCOMPARE(lane->phase(), RangeData::CalibrationPhase);
        rig->shoot();
        QCOMPARE(corrections.count(), 0);
        rig->shoot();
        QCOMPARE(trials.count(), 3);
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QCOMPARE(corrections.count(), autoCorrection ? 1 : 0);
        rig->shoot();
        rig->shoot();
        QCOMPARE(shots.count(), 2);
        QCOMPARE(lane->phase(), RangeData::NoPhase);
        rig->shoot(); // after the end nothing counts
        QCOMPARE(shots.count(), 2);
        const QList<QPair<int, int>> expected {{RangeData::BeginningPhase, 3},
                                               {RangeData::CalibrationPhase, 3},
                                               {RangeData::ShootingPhase, 2},
                                               {RangeData::NoPhase, 0}};
        QCOMPARE(phases, expected);
        QCOMPARE(lane->session()->shots().size(), 2); // trial shots are not recorded
    }

    void timeLimits_data()
    {
        // Trial shots in 10 s, scored ones in 20 s, or 30 s for both. The
        // first sound, at 1 s, starts the trial phase.
        QTest::addColumn<bool>("joint");
        QTest::addColumn<QList<qint64>>("sounds"); // frames of 10 ms
        QTest::addColumn<int>("shooting"); // the frame that starts the scored shots
        QTest::addColumn<double>("before"); // the time left one frame earlier
        QTest::addColumn<double>("left"); // the time left then
        QTest::addColumn<int>("end"); // the frame that ends them
        // Trial shots left, but the time is up: the scored shots' own limit
        // starts then.
        QTest::newRow("separate") << false << QList<qint64> {100} << 1101 << 0.0 << 20.0 << 3102;
        QTest::newRow("joint") << true << QList<qint64> {100, 250} << 250 << 28.51 << 28.5 << 3101;
    }

    void timeLimits()
    {
        QFETCH(bool, joint);
        QFETCH(QList<qint64>, sounds);
        QFETCH(int, shooting);
        QFETCH(int, end);
        auto lane = rig->aimingLane();
        lane->setWithTimeLimits(true);
        lane->setWithJointTime(joint);
        lane->setJointTime(30);
        lane->setCalibrationShotsTime(10);
        lane->setShotsTime(20);
        lane->setCalibrationShotsPerSerie(joint ? 2 : 3); // joint: both are fired
        lane->setShotCountLimit(5);
        rig->play(loudAt(sounds));
        lane->changePhase();
        rig->frames(shooting); // frames 0 .. shooting - 1
        QCOMPARE(lane->phase(), RangeData::CalibrationPhase);
        QTEST(lane->timeToEndOfPhase(), "before");
        rig->frames(1);
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QCOMPARE(lane->remainingShots(), 5);
        QTEST(lane->timeToEndOfPhase(), "left");
        rig->frames(end - shooting - 1);
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QCOMPARE(lane->timeToEndOfPhase(), 0.0);
        rig->frames(1);
        QCOMPARE(lane->phase(), RangeData::NoPhase);
    }
};

KAVRO_TEST_MAIN(TestLaneBehaviour, QCoreApplication)
#include "tst_lanebehaviour.moc"
