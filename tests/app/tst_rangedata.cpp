#include <rangedata.h>
#include <testenvironment.h>

#include <clock.h>
#include <hardwarecontroller.h>
#include <session.h>
#include <shot.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <storage.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace LibHardware;
using LibMisc::Clock;

class TestRangeData : public QObject
{
    Q_OBJECT

private:
    LibModel::TargetManager targets;
    SimulatedBackend *backend = nullptr; // owned by the process
    std::unique_ptr<SimulatedSensor> simulated;
    QTemporaryDir folder;
    std::unique_ptr<LibModel::Storage> storage;
    qint64 now = 1700000000000;

    QString serial() const { return RangeData::serialText(simulated->serialNumber()); }

    // Frames with the process clock following them, as the replay does.
    void frames(int count)
    {
        for (int i = 0; i < count; ++i) {
            Clock::setManual(now);
            simulated->generateFrames(1, now);
            now += 10;
        }
    }

    // A shot now, and the frames that carry its sound.
    void shoot()
    {
        QVERIFY(simulated->fireShot());
        frames(20);
    }

    std::unique_ptr<RangeData> aimingLane()
    {
        auto lane = std::make_unique<RangeData>(0, storage.get());
        lane->setDeviceSerialNumber(serial());
        LibModel::Session *session = lane->session();
        session->setTargetDescriptor(
                targets.findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
        session->setDistance(10.0);
        session->setCaliber(4.5);
        session->setShooter(QStringLiteral("Иванов"), QStringLiteral("ЦСКА"), QString());
        lane->setState(RangeData::ShootingState);
        lane->setCalibrationShotsPerSerie(0);
        lane->setShotCountLimit(3);
        lane->setCalibrationOffset(QPointF(376, 240));
        lane->setCalibrationMode(false);
        // The controller starts the stream from the event loop.
        for (int i = 0; i < 100 && !simulated->isStreaming(); ++i)
            QTest::qWait(10);
        return lane;
    }

private slots:
    void initTestCase()
    {
        backend = new SimulatedBackend;
        UsbBackend::setInstance(backend);
    }

    void init()
    {
        TestEnvironment::resetUserState();
        HardwareController::destroyInstance();
        simulated = std::make_unique<SimulatedSensor>(5);
        simulated->setPacing(SimulatedSensor::Pacing::Driven);
        simulated->setDefaultCentre(376, 240);
        simulated->setFocalLength(50.0f);
        backend->plug(simulated.get());
        storage = std::make_unique<LibModel::Storage>();
        QVERIFY(storage->open(folder.filePath(QStringLiteral("lane.sqlite")),
                              QStringLiteral("lane")));
        Clock::setManual(now);
    }

    void cleanup()
    {
        HardwareController::destroyInstance();
        backend->unplug(simulated.get());
        simulated.reset();
        storage.reset();
        Clock::reset();
    }

    void bindingConfiguresTheSensor()
    {
        QSettings().setValue(QStringLiteral("device_%1/microphoneThreshold").arg(serial()), 5000);
        RangeData lane(0, storage.get());
        QVERIFY(!lane.ready());
        QSignalSpy ready(&lane, &RangeData::readyChanged);
        lane.setDeviceSerialNumber(serial());
        QVERIFY(lane.ready());
        QCOMPARE(ready.count(), 1);
        QCOMPARE(lane.deviceSerialNumber(), serial());
        QCOMPARE(lane.microphoneThreshold(), 15); // a stored 5000 reads as 15
        QVERIFY(lane.calibrationMode());
        QCOMPARE(lane.calibrationOffset(), QPointF(376, 240));
        QCOMPARE(simulated->mode(), 1);
        QCOMPARE(simulated->settingValue(0x9E), quint16(1));
        QCOMPARE(simulated->parameter(15), quint16(1));
        QCOMPARE(QSettings().value(QStringLiteral("range0/device")).toString(), serial());

        // The target's frame goes to the sensor once the session has one.
        lane.session()->setTargetDescriptor(
                targets.findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
        lane.session()->setDistance(10.0);
        QCOMPARE(simulated->parameter(6), quint16(250)); // 0.3 m at 1.2 mm per pixel

        lane.setMicrophoneThreshold(40);
        QCOMPARE(QSettings()
                         .value(QStringLiteral("device_%1/microphoneThreshold").arg(serial()))
                         .toInt(),
                 40);
        lane.setUltraSensitiveTriggerMode(true);
        QCOMPARE(simulated->parameter(16), quint16(40));

        // Unplugged: not ready, calibration mode off; back: configured again.
        backend->unplug(simulated.get());
        QVERIFY(!lane.ready());
        QVERIFY(!lane.calibrationMode());
        backend->plug(simulated.get());
        QVERIFY(lane.ready());
        QVERIFY(lane.calibrationMode());

        lane.setDeviceSerialNumber(QString());
        QVERIFY(!lane.ready());
        QCOMPARE(QSettings().value(QStringLiteral("range0/device")).toString(), QString());
    }

    void calibrationModeReportsSensorUnits()
    {
        RangeData lane(0, storage.get());
        lane.setDeviceSerialNumber(serial());
        QTRY_VERIFY(simulated->isStreaming());
        QSignalSpy calibrationShots(&lane, &RangeData::calibrationShot);
        frames(50);
        QVERIFY(lane.targetVisible() || true);
        // The wobble is a few pixels around the sensor's default centre.
        QVERIFY(std::fabs(lane.aimingPoint().x()) < 10.0);
        QVERIFY(std::fabs(lane.aimingPoint().y()) < 10.0);
        shoot();
        QCOMPARE(calibrationShots.count(), 1);
        const QPointF hwPoint = calibrationShots.first().at(1).toPointF();
        QVERIFY(std::fabs(hwPoint.x() - 376) < 10.0);
        QVERIFY(!lane.currentTrace()); // nothing is recorded in calibration
    }

    void shootingStraightAway()
    {
        auto lane = aimingLane();
        QVERIFY(simulated->isStreaming());
        QCOMPARE(simulated->mode(), 2);
        QCOMPARE(simulated->modeValue(), quint16(376));
        QSignalSpy shots(lane.get(), &RangeData::newShot);
        QSignalSpy phases(lane.get(), &RangeData::phaseChanged);
        frames(100);
        QVERIFY(lane->currentTrace());
        QVERIFY(lane->targetVisible());
        lane->changePhase(); // the shooter was confirmed
        QCOMPARE(lane->phase(), RangeData::BeginningPhase);
        frames(300);

        // The first shot sound starts shooting and is itself scored.
        shoot();
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QCOMPARE(shots.count(), 1);
        // Measured from the start of shooting, not from the epoch.
        QVERIFY(lane->timeSincePreviousShot() >= 0.0);
        QVERIFY(lane->timeSincePreviousShot() < 1.0);
        const double result = shots.first().at(4).toDouble();
        QVERIFY(result >= 5.0 && result <= 10.9);
        QVERIFY(shots.first().at(2).toDouble() > 0.0); // stab: the aim moved

        frames(150);
        shoot();
        QCOMPARE(shots.count(), 2);
        QVERIFY(std::fabs(lane->timeSincePreviousShot() - 1.7) < 0.05);
        frames(150);
        shoot();
        QCOMPARE(shots.count(), 3);
        QCOMPARE(lane->phase(), RangeData::NoPhase);
        frames(150);
        shoot(); // after the end nothing counts
        QCOMPARE(shots.count(), 3);

        LibModel::Session *session = lane->session();
        QCOMPARE(session->shots().size(), 3);
        QCOMPARE(session->series().size(), 1);
        QVERIFY(session->isValid());
        QVERIFY(session->write());
        std::unique_ptr<LibModel::Session> read(storage->readSession(uint(session->id())));
        QVERIFY(read);
        QCOMPARE(read->shots().size(), 3);
        QCOMPARE(read->result(), session->result());
    }

    void calibrationPhaseThenShooting()
    {
        auto lane = aimingLane();
        lane->setCalibrationShotsPerSerie(2);
        lane->setShotCountLimit(1);
        QSignalSpy trial(lane.get(), &RangeData::calibrationShotMy);
        QSignalSpy corrections(lane.get(), &RangeData::corSig);
        QSignalSpy shots(lane.get(), &RangeData::newShot);
        frames(50);
        lane->changePhase();
        shoot();
        QCOMPARE(lane->phase(), RangeData::CalibrationPhase);
        QCOMPARE(trial.count(), 1);
        frames(120);
        shoot();
        QCOMPARE(trial.count(), 2);
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QCOMPARE(corrections.count(), 1);
        frames(120);
        shoot();
        QCOMPARE(shots.count(), 1);
        QCOMPARE(lane->phase(), RangeData::NoPhase);
    }

    void timeLimitEndsThePhase()
    {
        auto lane = aimingLane();
        lane->setWithTimeLimits(true);
        lane->setShotsTime(2);
        lane->setShotCountLimit(5);
        frames(20);
        lane->changePhase();
        lane->changePhase(); // straight to shooting
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        frames(100);
        QVERIFY(lane->timeToEndOfPhase() > 0.5 && lane->timeToEndOfPhase() < 1.1);
        frames(120);
        QCOMPARE(lane->phase(), RangeData::NoPhase);
    }

    void framesWithoutTheTargetKeepTheTrace()
    {
        auto lane = aimingLane();
        frames(300);
        LibModel::Trace *trace = lane->currentTrace();
        QVERIFY(trace);
        const int samples = trace->count();
        QVERIFY(samples > 250 && samples <= 300); // lost frames are not recorded
        lane->cutCurrTrace();
        QVERIFY(!lane->currentTrace());
        frames(10);
        QVERIFY(lane->currentTrace() && lane->currentTrace() != trace);
        QCOMPARE(lane->session()->segments().size(), 2);
    }
};

KAVRO_TEST_MAIN(TestRangeData, QCoreApplication)
#include "tst_rangedata.moc"
