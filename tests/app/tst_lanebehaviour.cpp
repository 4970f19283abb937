// Lane behaviour through the whole sensor path: a simulated sensor whose
// frames are rewritten to exact scenarios, the hardware controller, the
// decoder and the lane. The process clock is driven along with the frames.

#include <applicationdata.h>
#include <rangedata.h>
#include <testenvironment.h>

#include <clock.h>
#include <hardwarecontroller.h>
#include <scorecalculator.h>
#include <serie.h>
#include <session.h>
#include <shot.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <storage.h>
#include <targetdescriptor.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

using namespace LibHardware;
using LibMisc::Clock;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double CentreX = 371.0; // the sensor's default centre
constexpr double CentreY = 244.0;
constexpr double MmPerPixel = 1.2; // 10 m, 50 mm lens: 1000 * 10 / 50 * 0.006
constexpr quint16 Loud = 900;

// What one frame shows: sensor aiming point, target found, microphone level,
// cant (radians) and tilt (degrees).
struct Pose
{
    double x = CentreX;
    double y = CentreY;
    bool found = true;
    quint16 microphone = 3;
    double cant = 0.0;
    double tilt = 0.0;
};

// Inclination axes are counts around 2048 on a radius of 1000.
int counts(double unit)
{
    return int(std::lround(1000.0 * unit));
}

void writePose(const Pose &pose, QByteArray &header)
{
    char *p = header.data();
    const auto putFloat = [p](int at, double value) {
        const float f = float(value);
        quint32 bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        qToLittleEndian<quint32>(bits, p + at);
    };
    const auto putWord
            = [p](int at, int value) { qToLittleEndian<quint16>(quint16(value), p + at); };
    p[13] = pose.found ? 1 : 0;
    putFloat(16, pose.found ? pose.x : NaN);
    putFloat(20, pose.found ? pose.y : NaN);
    putWord(32, pose.microphone);
    putWord(42, 2048 + counts(std::sin(pose.cant)));
    putWord(44, 2048 - counts(std::cos(pose.cant)));
    putWord(46, 2048 + counts(std::sin(pose.tilt * Pi / 180.0)));
}

template<class Kernel>
QString kernelText(const Kernel &kernel)
{
    QString text;
    for (const auto &e : kernel)
        text += QStringLiteral("(%1,%2,%3)").arg(int(e.x)).arg(int(e.y)).arg(int(e.weight));
    return text;
}

} // namespace

class TestLaneBehaviour : public QObject
{
    Q_OBJECT

private:
    // One per test: the program's facade makes (and drops) its own catalogue,
    // and sessions read back look their target up in the current one.
    std::unique_ptr<LibModel::TargetManager> targets;
    SimulatedBackend *backend = nullptr; // owned by the process
    std::unique_ptr<SimulatedSensor> simulated;
    QTemporaryDir folder;
    std::unique_ptr<LibModel::Storage> storage;
    qint64 now = 1700000000000;
    // Frames show `pose`, or script(n) for the n-th frame since play().
    Pose pose;
    std::function<Pose(qint64)> script;
    qint64 scriptStart = 0;

    // The cant and tilt the host reads back from the integer axes.
    static double decodedCant(double c)
    {
        return std::remainder(std::atan2(-counts(std::cos(c)), counts(std::sin(c))) + Pi / 2.0,
                              2.0 * Pi);
    }
    static double decodedTilt(double degrees)
    {
        return std::asin(counts(std::sin(degrees * Pi / 180.0)) / 1000.0) * 180.0 / Pi;
    }
    // The sensor point that, with the lane's offset, no cant and 1.2 mm per
    // pixel, aims at the target point `mm`.
    static QPointF sensorPointFor(const QPointF &mm, const QPointF &offset)
    {
        return offset - mm / MmPerPixel;
    }
    static bool near(const QPointF &a, const QPointF &b, double tolerance)
    {
        return std::fabs(a.x() - b.x()) <= tolerance && std::fabs(a.y() - b.y()) <= tolerance;
    }
    // Quiet frames, loud at the given frames of the script.
    static std::function<Pose(qint64)> loudAt(const QList<qint64> &frames)
    {
        return [frames](qint64 n) {
            Pose p;
            p.microphone = frames.contains(n) ? Loud : 3;
            return p;
        };
    }

    QString serial() const { return RangeData::serialText(simulated->serialNumber()); }
    LibModel::TargetDescriptor *airRifle() const
    {
        return targets->findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid));
    }

    void play(const std::function<Pose(qint64)> &f)
    {
        scriptStart = simulated->frameIndex();
        script = f;
    }

    void run(int count)
    {
        for (int i = 0; i < count; ++i) {
            Clock::setManual(now);
            simulated->generateFrames(1, now);
            now += SimulatedSensor::FramePeriod;
        }
    }

    // One loud frame, then quiet frames past the shot hold-off.
    void shoot()
    {
        pose.microphone = Loud;
        run(1);
        pose.microphone = 3;
        run(110);
    }

    void shootAt(const QPointF &sensorPoint)
    {
        pose.x = sensorPoint.x();
        pose.y = sensorPoint.y();
        run(30);
        shoot();
    }

    bool waitForStream()
    {
        for (int i = 0; i < 100 && !simulated->isStreaming(); ++i)
            QTest::qWait(10);
        return simulated->isStreaming();
    }

    std::unique_ptr<RangeData> boundLane()
    {
        auto lane = std::make_unique<RangeData>(0, storage.get());
        lane->setDeviceSerialNumber(serial());
        waitForStream();
        return lane;
    }

    // A lane in aiming mode on the air rifle target at 10 m, on the shooting
    // screen, without trial shots, not yet in any phase.
    std::unique_ptr<RangeData> aimingLane(const QPointF &offset = QPointF(CentreX, CentreY))
    {
        auto lane = std::make_unique<RangeData>(0, storage.get());
        lane->setDeviceSerialNumber(serial());
        LibModel::Session *session = lane->session();
        session->setTargetDescriptor(airRifle());
        session->setDistance(10.0);
        session->setCaliber(4.5);
        session->setShooter(QStringLiteral("Петров"), QStringLiteral("Динамо"), QString());
        lane->setState(RangeData::ShootingState);
        lane->setCalibrationShotsPerSerie(0);
        lane->setShotCountLimit(10);
        lane->setCalibrationOffset(offset);
        lane->setCalibrationMode(false);
        waitForStream();
        return lane;
    }

    double score(RangeData *lane, const QPointF &point) const
    {
        LibModel::Session *session = lane->session();
        return session->targetDescriptor()->scoreCalculator()->calc(point, session->caliber());
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
        targets = std::make_unique<LibModel::TargetManager>();
        simulated = std::make_unique<SimulatedSensor>(7);
        simulated->setPacing(SimulatedSensor::Pacing::Driven);
        simulated->setDefaultCentre(quint16(CentreX), quint16(CentreY));
        simulated->setFocalLength(50.0f);
        pose = Pose();
        script = nullptr;
        simulated->setFrameEditor([this](qint64 index, QByteArray &header) {
            writePose(script ? script(index - scriptStart) : pose, header);
        });
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
        targets.reset();
        Clock::reset();
    }

    void configuresTheSensorWhenItBecomesUsable_data()
    {
        QTest::addColumn<bool>("ultraSensitive");
        QTest::addColumn<bool>("withTarget");
        QTest::newRow("plain microphone") << false << false;
        QTest::newRow("ultra-sensitive microphone") << true << false;
        QTest::newRow("with a target") << false << true;
    }

    void configuresTheSensorWhenItBecomesUsable()
    {
        QFETCH(bool, ultraSensitive);
        QFETCH(bool, withTarget);
        const QString device = QStringLiteral("device_%1/").arg(serial());
        QSettings().setValue(device + QLatin1String("microphoneMode"), ultraSensitive ? 1 : 0);
        QSettings().setValue(device + QLatin1String("microphoneThreshold"), 40);
        RangeData lane(0, storage.get());
        if (withTarget) {
            lane.session()->setTargetDescriptor(airRifle());
            lane.session()->setDistance(10.0);
        }
        simulated->clearRequests();
        lane.setDeviceSerialNumber(serial());
        QVERIFY(lane.ready());

        QStringList expected {"9d 0 0", "b9 371 244", "84 0 0",  "92 1 0", "9e 1 0",
                              "9f 1 0", "82 30 0",    "8b 64 0", "ba 0 4"};
        expected << (ultraSensitive ? QStringList {"ba 2 15", "ba 40 16"}
                                    : QStringList {"ba 1 15"});
        expected << "ba 200 1"
                 << "ba 255 2";
        QStringList logged;
        for (const ControlRequest &r : simulated->requests()) {
            QVERIFY(!r.isDeviceToHost());
            logged << QStringLiteral("%1 %2 %3")
                              .arg(uint(r.request), 0, 16)
                              .arg(r.value)
                              .arg(r.index);
        }
        QCOMPARE(logged.mid(0, expected.size()), expected);
        if (withTarget) {
            // Then the optical set-up: kernel uploads, the size parameter last.
            QVERIFY(logged.mid(expected.size()).contains(QStringLiteral("b3 0 0")));
            QCOMPARE(logged.last(), QStringLiteral("ba 250 6"));
        } else {
            QCOMPARE(logged.size(), expected.size());
        }
        QCOMPARE(lane.calibrationOffset(), QPointF(CentreX, CentreY));
        QVERIFY(lane.calibrationMode());
    }

    void opticalSetUpFollowsTheTarget_data()
    {
        QTest::addColumn<QString>("uuid");
        QTest::addColumn<double>("distance");
        QTest::addColumn<double>("diameter"); // NaN: the chest figure's markers
        QTest::addColumn<int>("sizeParameter");
        QTest::newRow("chest figure") << QStringLiteral("{401BEAC6-B6AA-4D42-98C0-6431EA2E0D0F}")
                                      << 35.0 << NaN << 429; // 1800 / 4.2
        QTest::newRow("air pistol")
                << QStringLiteral("{EE802967-C378-4ed8-B61A-609EC5061BBD}") << 10.0 << 59.5 << 500;
        QTest::newRow("air rifle") << QStringLiteral("{26044802-5B13-48d6-A5F8-BE777C9BED82}")
                                   << 7.0 << 30.5 << 357; // 300 / 0.84
        QTest::newRow("small-bore pistol")
                << QStringLiteral("{BF0CCDC6-E68C-4cdb-8095-1DB0B4B168BF}") << 25.0 << 200.0 << 150;
        QTest::newRow("small-bore rifle")
                << QStringLiteral("{4225AED6-4494-4c42-970C-0733074F462A}") << 50.0 << 112.4 << 100;
        QTest::newRow("outside the catalogue")
                << QStringLiteral("{2f172fce-9436-11e5-8a97-542696dbe481}") << 15.0 << 61.7
                << 333; // 600 / 1.8
    }

    void opticalSetUpFollowsTheTarget()
    {
        QFETCH(QString, uuid);
        QFETCH(double, distance);
        QFETCH(double, diameter);
        QFETCH(int, sizeParameter);
        LibModel::TargetDescriptor extra;
        extra.set_uuid(uuid);
        LibModel::TargetDescriptor *target = targets->findByUuid(uuid);
        RangeData lane(0, storage.get());
        lane.setDeviceSerialNumber(serial());
        lane.session()->setTargetDescriptor(target ? target : &extra);
        lane.session()->setDistance(distance);

        QCOMPARE(int(simulated->parameter(6)), sizeParameter);
        const double s = 1000.0 * distance / 50.0 * 0.006;
        const int binning = simulated->parameter(3);
        UsbImageSensor::Kernel expected;
        if (std::isnan(diameter)) {
            // (weight, truncate, x, y, x bias, y bias)
            const double markers[17][6] = {
                    {1, 1, 0, 0, 0, 0},         {1, 1, -115, -255, 2, 2}, {1, 1, 115, -255, -2, 2},
                    {1, 1, 115, -70, -2, 2},    {1, 1, 255, -70, -2, 2},  {1, 1, 255, 255, -2, -2},
                    {1, 1, -255, 255, 2, -2},   {1, 1, -255, -70, 2, 2},  {1, 1, -115, -70, 2, 2},
                    {0, 0, -115, -255, -2, -2}, {0, 0, 115, -255, 2, -2}, {0, 0, 115, -70, 2, -2},
                    {0, 0, 255, -70, 2, -2},    {0, 0, 255, 255, 2, 2},   {0, 0, -255, 255, -2, 2},
                    {0, 0, -255, -70, -2, -2},  {0, 0, -115, -70, -2, -2}};
            QVector<UsbImageSensor::Marker> list;
            for (const auto &m : markers)
                list.append({quint8(m[0]), m[1] != 0, m[2], m[3], qint8(m[4]), qint8(m[5])});
            expected = UsbImageSensor::markerKernel(list, s, binning);
        } else {
            expected = UsbImageSensor::generatedKernel(diameter, s, binning);
        }
        const QString kernel = kernelText(simulated->kernel());
        QCOMPARE(kernel, kernelText(expected));
        QCOMPARE(simulated->kernelTag(), quint16(std::isnan(diameter) ? 1 : 0));

        // A target outside the table leaves the set-up as it was, distance too.
        lane.reset();
        LibModel::TargetDescriptor unknown;
        unknown.set_uuid(QStringLiteral("{6a1d7b1e-0000-4000-8000-000000000001}"));
        simulated->clearRequests();
        lane.session()->setTargetDescriptor(&unknown);
        lane.session()->setDistance(2.0 * distance);
        QVERIFY(!simulated->requests().isEmpty()); // the sensor was configured
        QCOMPARE(int(simulated->parameter(6)), sizeParameter);
        QCOMPARE(kernelText(simulated->kernel()), kernel);
    }

    void storedMicrophoneSettingsPerSensor_data()
    {
        QTest::addColumn<QVariant>("storedThreshold");
        QTest::addColumn<QVariant>("storedMode");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<bool>("ultraSensitive");
        QTest::newRow("nothing stored") << QVariant() << QVariant() << 15 << false;
        QTest::newRow("stored") << QVariant(40) << QVariant(1) << 40 << true;
        QTest::newRow("largest") << QVariant(4096) << QVariant(0) << 4096 << false;
        QTest::newRow("above 4096") << QVariant(4097) << QVariant(2) << 15 << true;
        QTest::newRow("5000") << QVariant(5000) << QVariant() << 15 << false;
        QTest::newRow("negative") << QVariant(-3) << QVariant(1) << 15 << true;
    }

    void storedMicrophoneSettingsPerSensor()
    {
        QFETCH(QVariant, storedThreshold);
        QFETCH(QVariant, storedMode);
        QFETCH(int, threshold);
        QFETCH(bool, ultraSensitive);
        const QString device = QStringLiteral("device_%1/").arg(serial());
        if (storedThreshold.isValid())
            QSettings().setValue(device + QLatin1String("microphoneThreshold"), storedThreshold);
        if (storedMode.isValid())
            QSettings().setValue(device + QLatin1String("microphoneMode"), storedMode);
        // Another sensor's settings do not leak into this one.
        QSettings().setValue(QStringLiteral("device_00000000000000AB/microphoneThreshold"), 77);
        RangeData lane(0, storage.get());
        lane.setDeviceSerialNumber(serial());
        QCOMPARE(lane.microphoneThreshold(), threshold);
        QCOMPARE(lane.ultraSensitiveTriggerMode(), ultraSensitive);
        QCOMPARE(simulated->parameter(15), quint16(ultraSensitive ? 2 : 1));
        if (ultraSensitive)
            QCOMPARE(int(simulated->parameter(16)), threshold);
    }

    void microphoneSettingsAreWrittenPerSensor()
    {
        const QString keyA = QStringLiteral("device_%1/microphoneThreshold").arg(serial());
        const QString modeA = QStringLiteral("device_%1/microphoneMode").arg(serial());
        const QString serialB = QStringLiteral("00000000000000AB");
        const QString keyB = QStringLiteral("device_%1/microphoneThreshold").arg(serialB);
        QSettings().setValue(keyB, 25);
        RangeData lane(0, storage.get());
        lane.setDeviceSerialNumber(serial());
        QSignalSpy changed(&lane, &RangeData::microphoneThresholdChanged);

        lane.setMicrophoneThreshold(60);
        QCOMPARE(QSettings().value(keyA).toInt(), 60);
        QSettings().remove(keyA);
        lane.setMicrophoneThreshold(60); // the current value: nothing written
        QVERIFY(!QSettings().contains(keyA));
        QCOMPARE(changed.count(), 1);

        lane.setUltraSensitiveTriggerMode(true);
        QCOMPARE(QSettings().value(modeA).toInt(), 1);
        QCOMPARE(simulated->parameter(15), quint16(2));
        QCOMPARE(simulated->parameter(16), quint16(60));
        lane.setUltraSensitiveTriggerMode(false);
        QCOMPARE(QSettings().value(modeA).toInt(), 0);
        QCOMPARE(simulated->parameter(15), quint16(1));

        // Another sensor, not plugged in: its own stored value, its own key.
        lane.setMicrophoneThreshold(61);
        lane.setDeviceSerialNumber(serialB);
        QVERIFY(!lane.ready());
        QCOMPARE(lane.microphoneThreshold(), 25);
        lane.setMicrophoneThreshold(33);
        QCOMPARE(QSettings().value(keyB).toInt(), 33);
        QCOMPARE(QSettings().value(keyA).toInt(), 61);

        // Without a sensor there is nowhere to write.
        lane.setDeviceSerialNumber(QString());
        lane.setMicrophoneThreshold(70);
        QVERIFY(!QSettings().contains(QStringLiteral("device_/microphoneThreshold")));
    }

    void twoLanesNeverShareASensor()
    {
        QSettings().setValue(QStringLiteral("maxRanges"), 2);
        QSettings().setValue(QStringLiteral("range0/device"), serial());
        QSettings().setValue(QStringLiteral("range1/device"), serial());
        ApplicationData facade;
        QCOMPARE(facade.ranges().size(), 2);
        const RangeData *first = facade.ranges().at(0);
        const RangeData *second = facade.ranges().at(1);
        QCOMPARE(first->deviceSerialNumber(), serial());
        QVERIFY(first->ready());
        QVERIFY(second->deviceSerialNumber().isEmpty());
        QVERIFY(!second->ready());
        HardwareController *controller = HardwareController::instance();
        QVERIFY(controller->deviceOfLane(1) != controller->deviceOfLane(0));
        QCOMPARE(QSettings().value(QStringLiteral("range1/device")).toString(), QString());
        QCOMPARE(QSettings().value(QStringLiteral("range0/device")).toString(), serial());
    }

    void replugDuringCalibration()
    {
        auto lane = boundLane();
        lane->setState(RangeData::CalibrationState);
        lane->setCalibrationMode(true);
        QVERIFY(lane->ready() && lane->calibrationMode());
        QSignalSpy ready(lane.get(), &RangeData::readyChanged);
        QSignalSpy mode(lane.get(), &RangeData::calibrationModeChanged);

        backend->unplug(simulated.get());
        QVERIFY(!lane->ready());
        QVERIFY(!lane->calibrationMode());
        QCOMPARE(ready.count(), 1);
        QCOMPARE(mode.count(), 1);

        backend->plug(simulated.get()); // powered up again: its settings were lost
        QVERIFY(lane->ready());
        QVERIFY(lane->calibrationMode());
        QCOMPARE(ready.count(), 2);
        QCOMPARE(mode.count(), 2);
        // Configured after opening, which itself sends 0x9E = 0x9F = 0.
        QCOMPARE(simulated->settingValue(0x9E), quint16(1));
        QCOMPARE(simulated->mode(), 1);
        QCOMPARE(lane->calibrationOffset(), QPointF(CentreX, CentreY));

        // Calibration goes on with the re-plugged sensor.
        QVERIFY(waitForStream());
        QSignalSpy shots(lane.get(), &RangeData::calibrationShot);
        run(20);
        shoot();
        QCOMPARE(shots.count(), 1);
    }

    void shotHoldOff_data()
    {
        QTest::addColumn<int>("gap"); // frames of 10 ms between the two sounds
        QTest::addColumn<int>("shots");
        QTest::newRow("900 ms") << 90 << 1;
        QTest::newRow("990 ms") << 99 << 1;
        QTest::newRow("1000 ms") << 100 << 2;
        QTest::newRow("1100 ms") << 110 << 2;
    }

    void shotHoldOff()
    {
        QFETCH(int, gap);
        QFETCH(int, shots);
        auto lane = aimingLane();
        lane->changePhase();
        lane->changePhase();
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QSignalSpy newShots(lane.get(), &RangeData::newShot);
        play(loudAt({50, 50 + gap}));
        run(300);
        QCOMPARE(newShots.count(), shots);
        QCOMPARE(lane->session()->shots().size(), shots);
    }

    void tiltAndCantHoldDuringShotNoise()
    {
        auto lane = aimingLane();
        const double cantBefore = 0.1, cantNoise = 0.45;
        play([=](qint64 n) {
            Pose p;
            p.tilt = n < 100 ? 5.0 : 15.0;
            p.cant = n < 100 ? cantBefore : cantNoise;
            p.microphone = n >= 100 && n < 105 ? Loud : 3;
            return p;
        });
        run(100);
        QVERIFY(std::fabs(lane->tilt() - decodedTilt(5.0)) < 1e-9);
        const double angle = lane->angle();
        QVERIFY(std::fabs(angle - decodedCant(cantBefore)) < 1e-6); // settled on a constant
        QSignalSpy tilts(lane.get(), &RangeData::tiltChanged);
        const LibModel::Trace *trace = lane->currentTrace();
        QVERIFY(trace);
        for (int i = 0; i < 5; ++i) {
            run(1);
            QCOMPARE(lane->microphone(), int(Loud));
            QVERIFY(std::fabs(lane->tilt() - decodedTilt(5.0)) < 1e-9);
            QVERIFY(std::fabs(lane->angle() - angle) < 1e-9);
            QVERIFY(std::fabs(trace->samples().last().z - float(angle)) < 1e-6f);
        }
        QCOMPARE(tilts.count(), 0);
        // Quiet again: both follow the weapon.
        run(1);
        QVERIFY(std::fabs(lane->tilt() - decodedTilt(15.0)) < 1e-9);
        QCOMPARE(tilts.count(), 1);
        QVERIFY(lane->angle() > angle);
        run(200);
        QVERIFY(std::fabs(lane->angle() - decodedCant(cantNoise)) < 1e-3);
    }

    void microphonePeakOfTheLastSecond()
    {
        auto lane = boundLane();
        play([](qint64 n) {
            Pose p;
            p.microphone = n == 20 ? 700 : n == 70 ? 300 : 3;
            return p;
        });
        run(21); // frames 0..20; frame n comes at n * 10 ms
        QCOMPARE(lane->microphone(), 700);
        QCOMPARE(lane->microphoneSlow(), 700);
        run(100); // up to frame 120: exactly one second after the peak
        QCOMPARE(lane->microphone(), 3);
        QCOMPARE(lane->microphoneSlow(), 700);
        run(1);
        QCOMPARE(lane->microphoneSlow(), 300);
        run(49); // frame 170
        QCOMPARE(lane->microphoneSlow(), 300);
        run(1);
        QCOMPARE(lane->microphoneSlow(), 3);
    }

    void calibrationVisibility_data()
    {
        QTest::addColumn<double>("tilt");
        QTest::addColumn<double>("noiseTilt"); // while the shot is heard
        QTest::addColumn<bool>("found");
        QTest::addColumn<double>("cant");
        QTest::addColumn<bool>("visible");
        QTest::newRow("10 degrees") << 10.0 << 10.0 << true << 0.0 << true;
        QTest::newRow("10 degrees, canted") << 10.0 << 10.0 << true << 0.3 << true;
        QTest::newRow("25 degrees") << 25.0 << 25.0 << true << 0.0 << false;
        QTest::newRow("-25 degrees") << -25.0 << -25.0 << true << 0.0 << false;
        QTest::newRow("just under 20") << 19.99 << 19.99 << true << 0.0 << true; // reads 19.998
        QTest::newRow("just over 20") << 20.05 << 20.05 << true << 0.0 << false; // reads 20.06
        QTest::newRow("target not found") << 0.0 << 0.0 << false << 0.0 << false;
        // The recoil jolts the inclinometer; the tilt held from before counts.
        QTest::newRow("jolted by the shot") << 10.0 << 25.0 << true << 0.0 << true;
    }

    void calibrationVisibility()
    {
        QFETCH(double, tilt);
        QFETCH(double, noiseTilt);
        QFETCH(bool, found);
        QFETCH(double, cant);
        QFETCH(bool, visible);
        auto lane = boundLane();
        QSignalSpy shots(lane.get(), &RangeData::calibrationShot);
        pose = {365.5, 250.25, found, 3, cant, tilt};
        run(30);
        pose.tilt = noiseTilt;
        pose.microphone = Loud;
        run(1);
        QCOMPARE(lane->targetVisible(), visible);
        QCOMPARE(shots.count(), visible ? 1 : 0);
        const QPointF point = lane->aimingPoint();
        if (!visible) {
            QVERIFY(std::isnan(point.x()) && std::isnan(point.y()));
            return;
        }
        // In sensor units around the default centre, turned by the cant.
        const double dx = CentreX - 365.5, dy = CentreY - 250.25, c = decodedCant(cant);
        const QPointF expected(dx * std::cos(c) - dy * std::sin(c),
                               dx * std::sin(c) + dy * std::cos(c));
        QVERIFY(near(point, expected, 1e-6));
        QCOMPARE(shots.first().at(1).toPointF(), QPointF(365.5, 250.25));
    }

    void aimingPointFormula_data()
    {
        QTest::addColumn<double>("cant");
        QTest::newRow("no cant") << 0.0;
        QTest::newRow("30 degrees") << Pi / 6.0;
        QTest::newRow("-100 degrees") << -100.0 * Pi / 180.0;
    }

    void aimingPointFormula()
    {
        QFETCH(double, cant);
        const QPointF offset(380.0, 236.0);
        auto lane = aimingLane(offset);
        lane->setCalibrationAngle(0.05);
        pose.x = 370.5;
        pose.y = 245.25;
        pose.cant = cant;
        run(50); // the cant filter settles on the constant
        const double c = decodedCant(cant);
        const auto expectedFor = [&](const QPointF &centre) {
            const double dx = (centre.x() - 370.5) * MmPerPixel;
            const double dy = (centre.y() - 245.25) * MmPerPixel;
            return QPointF(dx * std::cos(c) - dy * std::sin(c),
                           dx * std::sin(c) + dy * std::cos(c));
        };
        QVERIFY(lane->targetVisible());
        QVERIFY(near(lane->aimingPoint(), expectedFor(offset), 1e-6));
        QVERIFY(std::fabs(lane->angle() - (c - 0.05)) < 1e-9);
        const LibModel::TraceSample sample = lane->currentTrace()->samples().last();
        QVERIFY(near(QPointF(sample.x, sample.y), expectedFor(offset), 1e-4));
        QVERIFY(std::fabs(sample.z - float(c - 0.05)) < 1e-6f);

        // A correction moves the lane's offset only; the next frame follows it.
        const QPointF corrected(390.0, 230.0);
        lane->setCalibrationOffset(corrected);
        run(1);
        QVERIFY(near(lane->aimingPoint(), expectedFor(corrected), 1e-6));
        QCOMPARE(simulated->modeValue(), quint16(380));
    }

    void eleventhShotOpensTheNextSeries()
    {
        auto lane = aimingLane();
        lane->setShotCountLimit(12);
        lane->changePhase();
        lane->changePhase();
        QList<LibModel::Shot *> shots;
        connect(lane.get(), &RangeData::newShot, this,
                [&shots](LibModel::Shot *shot) { shots.append(shot); });
        run(20);
        for (int i = 0; i < 10; ++i)
            shoot();
        QCOMPARE(shots.size(), 10);
        QCOMPARE(lane->session()->series().size(), 1);
        shoot();
        QCOMPARE(shots.size(), 11);
        const QList<LibModel::Serie *> &series = lane->session()->series();
        QCOMPARE(series.size(), 2);
        QCOMPARE(series.at(0)->shots().size(), 10);
        QCOMPARE(series.at(1)->shots().size(), 1);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(shots.at(i)->serieIndex(), 0);
        QCOMPARE(shots.at(10)->serieIndex(), 1);
        QCOMPARE(shots.at(10)->indexInSerie(), 0);
    }

    void stabilityAndAreaOnAKnownTrace()
    {
        // Far off the target, then still at Q from raw sample 70 to 200, then
        // straight outwards at 10 mm/s until the shot at raw sample 400.
        const QPointF offset(CentreX, CentreY), far(60.0, 60.0), q(0.37, 2.91);
        constexpr double Speed = 10.0; // mm/s
        auto lane = aimingLane(offset);
        lane->changePhase();
        lane->changePhase();
        QSignalSpy shots(lane.get(), &RangeData::newShot);
        play([=](qint64 n) {
            QPointF mm = n < 70 ? far : q;
            if (n > 200)
                mm += QPointF(0.0, Speed * double(n - 200) * 0.01);
            const QPointF sensor = sensorPointFor(mm, offset);
            Pose p;
            p.x = sensor.x();
            p.y = sensor.y();
            p.microphone = n == 400 ? Loud : 3;
            return p;
        });
        run(401);
        QCOMPARE(shots.count(), 1);
        const QList<QVariant> args = shots.first();
        QCOMPARE(args.at(0).value<LibModel::Shot *>()->offset(), 400);
        // Path lengths of the last 2 s and 1 s; the display filter lags by
        // well under a millisecond of travel.
        const double stab = args.at(2).toDouble(), trigStab = args.at(3).toDouble();
        QVERIFY2(std::fabs(stab - 1.999 * Speed) < 0.02, qPrintable(QString::number(stab)));
        QVERIFY2(std::fabs(trigStab - 0.999 * Speed) < 0.02, qPrintable(QString::number(trigStab)));
        // The second ending 2 s before the shot was spent at Q.
        const double area = args.at(5).toDouble();
        QVERIFY2(std::fabs(area - score(lane.get(), q)) < 1e-6, qPrintable(QString::number(area)));
        QVERIFY(score(lane.get(), q) > 5.0);
        // Scored to a tenth: the shot lies 20 mm further out than Q.
        const QPointF atShot = q + QPointF(0.0, 2.0 * Speed);
        QVERIFY(std::fabs(args.at(4).toDouble() - score(lane.get(), atShot)) <= 0.1 + 1e-9);
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
        auto lane = aimingLane();
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
        run(20);
        lane->changePhase();
        shoot();
        QCOMPARE(lane->phase(), RangeData::CalibrationPhase);
        if (state != RangeData::ShootingState) {
            QCOMPARE(trials.count(), 0);
            shoot();
        }
        QCOMPARE(trials.count(), 1);
        lane->changePhase(); // shots remain: nothing happens
        QCOMPARE(lane->phase(), RangeData::CalibrationPhase);
        QCOMPARE(lane->remainingShots(), 2);
        shoot();
        QCOMPARE(corrections.count(), 0);
        shoot();
        QCOMPARE(trials.count(), 3);
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QCOMPARE(corrections.count(), autoCorrection ? 1 : 0);
        QCOMPARE(shots.count(), 0);
        shoot();
        shoot();
        QCOMPARE(shots.count(), 2);
        QCOMPARE(lane->phase(), RangeData::NoPhase);
        shoot(); // after the end nothing counts
        QCOMPARE(shots.count(), 2);
        const QList<QPair<int, int>> expected {{RangeData::BeginningPhase, 3},
                                               {RangeData::CalibrationPhase, 3},
                                               {RangeData::ShootingPhase, 2},
                                               {RangeData::NoPhase, 0}};
        QCOMPARE(phases, expected);
        QCOMPARE(lane->session()->shots().size(), 2); // trial shots are not recorded
    }

    void separateTimeLimits()
    {
        auto lane = aimingLane();
        lane->setWithTimeLimits(true);
        lane->setCalibrationShotsPerSerie(3);
        lane->setCalibrationShotsTime(10);
        lane->setShotsTime(20);
        lane->setShotCountLimit(5);
        QList<double> times;
        connect(lane.get(), &RangeData::timeToEndOfPhaseChanged, this,
                [&times, &lane] { times.append(lane->timeToEndOfPhase()); });
        QSignalSpy trials(lane.get(), &RangeData::calibrationShotMy);
        play(loudAt({100})); // starts the calibration phase at 1 s
        lane->changePhase();
        run(101);
        QCOMPARE(lane->phase(), RangeData::CalibrationPhase);
        QCOMPARE(trials.count(), 1);
        run(1000); // up to frame 1100: 10 s into the phase
        QCOMPARE(lane->phase(), RangeData::CalibrationPhase);
        QCOMPARE(lane->timeToEndOfPhase(), 0.0);
        QCOMPARE(times.size(), 1000);
        QCOMPARE(times.first(), 9.99);
        for (int i = 1; i < times.size(); ++i)
            QVERIFY(std::fabs(times.at(i - 1) - times.at(i) - 0.01) < 1e-9);
        run(1); // trial shots left, but the time is up
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QCOMPARE(lane->remainingShots(), 5);
        QCOMPARE(lane->timeToEndOfPhase(), 20.0); // from the shooting phase's own start
        run(1000);
        QCOMPARE(lane->timeToEndOfPhase(), 10.0);
        run(1000);
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QCOMPARE(lane->timeToEndOfPhase(), 0.0);
        run(1);
        QCOMPARE(lane->phase(), RangeData::NoPhase);
    }

    void jointTimeLimit()
    {
        auto lane = aimingLane();
        lane->setWithTimeLimits(true);
        lane->setWithJointTime(true);
        lane->setJointTime(30);
        lane->setCalibrationShotsTime(10);
        lane->setShotsTime(20);
        lane->setCalibrationShotsPerSerie(2);
        lane->setShotCountLimit(5);
        play(loudAt({100, 250}));
        lane->changePhase();
        run(251);
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QCOMPARE(lane->timeToEndOfPhase(), 28.5); // the clock started with calibration
        run(2850); // frame 3100: 30 s after the calibration phase began
        QCOMPARE(lane->phase(), RangeData::ShootingPhase);
        QCOMPARE(lane->timeToEndOfPhase(), 0.0);
        run(1);
        QCOMPARE(lane->phase(), RangeData::NoPhase);
    }

    void exerciseEndToEnd()
    {
        RangeData lane(0, storage.get());
        lane.setDeviceSerialNumber(serial());
        LibModel::Session *session = lane.session();
        session->setTargetDescriptor(airRifle());
        session->setDistance(10.0);
        session->setCaliber(4.5);
        session->setShooter(QStringLiteral("Сидорова"), QStringLiteral("Спартак"), QString());
        QVERIFY(waitForStream());

        // Calibration screen: one visible calibration shot.
        lane.setState(RangeData::CalibrationState);
        lane.setCalibrationMode(true);
        QSignalSpy calibration(&lane, &RangeData::calibrationShot);
        shootAt({365.0, 250.0});
        QCOMPARE(calibration.count(), 1);
        QVERIFY(near(calibration.first().at(0).toPointF(), QPointF(6.0, -6.0), 1e-6));
        const QPointF hwPoint = calibration.first().at(1).toPointF();
        QCOMPARE(hwPoint, QPointF(365.0, 250.0));
        lane.setCalibrationOffset(hwPoint);
        lane.setStoredOffset(hwPoint);
        lane.setCalibrationAngle(calibration.first().at(2).toDouble());
        lane.setState(RangeData::ShootingState);

        // Shooting screen: aiming mode around the calibration point; the
        // trial shots' mean becomes the offset when they are done.
        lane.setCalibrationShotsPerSerie(2);
        lane.setShotCountLimit(3);
        lane.setCalibrationMode(false);
        QCOMPARE(simulated->mode(), 2);
        QCOMPARE(simulated->modeValue(), quint16(365));
        QCOMPARE(simulated->modeIndex(), quint16(250));
        QList<QPointF> trialPoints;
        connect(&lane, &RangeData::calibrationShotMy, this,
                [&trialPoints](QPointF, QPointF hw) { trialPoints.append(hw); });
        connect(&lane, &RangeData::corSig, this,
                [&] { lane.setCalibrationOffset((trialPoints.at(0) + trialPoints.at(1)) / 2.0); });
        QList<LibModel::Shot *> shots;
        connect(&lane, &RangeData::newShot, this,
                [&shots](LibModel::Shot *shot) { shots.append(shot); });
        lane.changePhase();
        const QList<QPointF> trials {{367.0, 252.0}, {369.0, 250.0}};
        for (const QPointF &hw : trials)
            shootAt(hw);
        QCOMPARE(trialPoints, trials);
        QCOMPARE(lane.phase(), RangeData::ShootingPhase);
        QCOMPARE(lane.calibrationOffset(), QPointF(368.0, 251.0));

        const QList<QPointF> aims {{2.4, 1.2}, {0.0, -2.4}, {-3.6, 0.0}}; // millimetres
        for (const QPointF &mm : aims)
            shootAt(sensorPointFor(mm, QPointF(368.0, 251.0)));
        QCOMPARE(lane.phase(), RangeData::NoPhase);
        QCOMPARE(shots.size(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(near(shots.at(i)->breach(), aims.at(i), 1e-4));

        QVERIFY(session->isValid());
        QVERIFY(session->write());
        std::unique_ptr<LibModel::Session> read(storage->readSession(uint(session->id())));
        QVERIFY(read);
        QCOMPARE(read->shots().size(), 3);
        QCOMPARE(read->series().size(), 1);
        for (int i = 0; i < 3; ++i) {
            const LibModel::Shot *a = session->shots().at(i);
            const LibModel::Shot *b = read->shots().at(i);
            QCOMPARE(b->breach().x(), a->breach().x());
            QCOMPARE(b->breach().y(), a->breach().y());
            QVERIFY(!std::isnan(a->result()));
            QCOMPARE(b->result(), a->result());
        }
        QCOMPARE(read->result(), session->result());
    }
};

KAVRO_TEST_MAIN(TestLaneBehaviour, QCoreApplication)
#include "tst_lanebehaviour.moc"
