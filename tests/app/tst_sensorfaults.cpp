// Sensors that go away at the worst moments: pulled out at every step of
// the sequence that opens and starts them, and in the middle of a stream
// while a lane records an exercise. Nothing may crash, the controller must
// forget the device cleanly and take it back when it returns, and the
// exercise recorded so far must stay whole and savable.
#include <rangedata.h>
#include <testenvironment.h>

#include <clock.h>
#include <hardwarecontroller.h>
#include <session.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <storage.h>
#include <targetmanager.h>
#include <trace.h>
#include <usbhandle.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace LibHardware;
using LibMisc::Clock;
using State = HardwareController::DeviceState;

namespace {

class DyingBackend;

// A handle that stops answering, as a device does once it is pulled out.
class DyingHandle : public UsbHandle
{
public:
    DyingHandle(std::unique_ptr<UsbHandle> inner, DyingBackend *backend)
        : m_inner(std::move(inner))
        , m_backend(backend)
    { }
    int controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                        char *data, quint16 length, unsigned timeout) override;
    bool startReading(UsbReadSink *sink) override { return m_inner->startReading(sink); }
    void stopReading() override { m_inner->stopReading(); }
    bool isReading() const override { return m_inner->isReading(); }

private:
    std::unique_ptr<UsbHandle> m_inner;
    DyingBackend *m_backend;
};

// Simulated sensors whose handles die after a given number of control
// transfers. The removal itself arrives later from the event loop, as a
// hot-plug event does.
class DyingBackend : public UsbBackend
{
public:
    explicit DyingBackend(SimulatedBackend *inner)
        : m_inner(inner)
    {
        connect(inner, &UsbBackend::deviceArrived, this, &UsbBackend::deviceArrived);
        connect(inner, &UsbBackend::deviceRemoved, this, &UsbBackend::deviceRemoved);
    }

    // -1: the handles never die.
    int transfersLeft = -1;
    int transfers = 0;
    SimulatedSensor *sensor = nullptr;

    QStringList devicePaths(int vendorId, int productId) override
    {
        return m_inner->devicePaths(vendorId, productId);
    }
    bool startMonitoring(int vendorId, int productId) override
    {
        return m_inner->startMonitoring(vendorId, productId);
    }
    void stopMonitoring() override { m_inner->stopMonitoring(); }
    std::unique_ptr<UsbHandle> open(const QString &path, QString *error) override
    {
        std::unique_ptr<UsbHandle> handle = m_inner->open(path, error);
        if (!handle)
            return nullptr;
        return std::make_unique<DyingHandle>(std::move(handle), this);
    }

    // False once the device is gone; the first time, schedules its removal.
    bool transfer()
    {
        ++transfers;
        if (transfersLeft < 0)
            return true;
        if (transfersLeft > 0) {
            --transfersLeft;
            return true;
        }
        if (!m_removalPosted) {
            m_removalPosted = true;
            QMetaObject::invokeMethod(
                    this, [this] { m_inner->unplug(sensor); }, Qt::QueuedConnection);
        }
        return false;
    }
    void revive()
    {
        transfersLeft = -1;
        m_removalPosted = false;
    }

private:
    SimulatedBackend *m_inner;
    bool m_removalPosted = false;
};

int DyingHandle::controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                                 char *data, quint16 length, unsigned timeout)
{
    if (!m_backend->transfer())
        return -1;
    return m_inner->controlTransfer(requestType, request, value, index, data, length, timeout);
}

QList<State> statesOf(const QSignalSpy &spy, const DeviceRef &ref)
{
    QList<State> states;
    for (const QList<QVariant> &arguments : spy) {
        if (arguments.at(0).value<DeviceRef>() == ref)
            states << arguments.at(1).value<State>();
    }
    return states;
}

} // namespace

class TestSensorFaults : public QObject
{
    Q_OBJECT

private:
    LibModel::TargetManager targets;
    SimulatedBackend *backend = nullptr; // the process's, for the lanes
    qint64 now = 1700000000000;

private slots:
    void initTestCase()
    {
        backend = new SimulatedBackend;
        UsbBackend::setInstance(backend);
    }

    void init() { TestEnvironment::resetUserState(); }

    void cleanup()
    {
        HardwareController::destroyInstance();
        Clock::reset();
    }

    // The sensor dies at every control transfer in turn, from the first
    // request of the open sequence to the request that starts its stream.
    void unplugAtEveryStepOfOpenAndStart()
    {
        // How many transfers a sensor takes from plug-in to streaming.
        int needed = 0;
        {
            SimulatedBackend inner;
            DyingBackend dying(&inner);
            SimulatedSensor simulated(3);
            simulated.setPacing(SimulatedSensor::Pacing::Driven);
            dying.sensor = &simulated;
            HardwareController controller(nullptr, &dying);
            controller.registerLane(0);
            controller.setLaneDevice(0, DeviceRef::opticalSensor(simulated.serialNumber()));
            controller.setLaneActive(0, true);
            inner.plug(&simulated);
            QTRY_VERIFY(simulated.isStreaming());
            needed = dying.transfers;
        }
        QVERIFY2(needed >= 15, qPrintable(QString::number(needed)));

        for (int step = 0; step < needed; ++step) {
            SimulatedBackend inner;
            DyingBackend dying(&inner);
            SimulatedSensor simulated(3);
            simulated.setPacing(SimulatedSensor::Pacing::Driven);
            dying.sensor = &simulated;
            dying.transfersLeft = step;
            const DeviceRef ref = DeviceRef::opticalSensor(simulated.serialNumber());
            HardwareController controller(nullptr, &dying);
            QSignalSpy states(&controller, &HardwareController::deviceStateChanged);
            QSignalSpy events(&controller, &HardwareController::opticalSensorEvent);
            controller.registerLane(0);
            controller.setLaneDevice(0, ref);
            controller.setLaneActive(0, true);

            inner.plug(&simulated);
            // The removal arrives; the controller keeps nothing of the device
            // but, once it had a record, the record marked removed.
            QTRY_VERIFY2(!inner.sensors().contains(&simulated),
                         qPrintable(QStringLiteral("step %1").arg(step)));
            QVERIFY(controller.connectedDevices().isEmpty());
            QVERIFY(!controller.sensorOf(ref));
            if (controller.knownDevices().contains(ref))
                QCOMPARE(controller.knownDevices().value(ref), HardwareController::Removed);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

            // Plugged in again, it opens, streams and delivers samples.
            dying.revive();
            inner.plug(&simulated);
            QCOMPARE(statesOf(states, ref).last(), HardwareController::Opened);
            QTRY_VERIFY2(simulated.isStreaming(), qPrintable(QStringLiteral("step %1").arg(step)));
            QCOMPARE(simulated.generateFrames(10, now), 10);
            QCOMPARE(events.count(), 10);
            QCOMPARE(controller.connectedDevices(), QList<DeviceRef>({ref}));
            inner.unplug(&simulated);
        }
    }

    // The reader thread of a sensor streaming in real time sees it go.
    void unplugWhileStreamingInRealTime()
    {
        auto simulated = std::make_unique<SimulatedSensor>(8);
        HardwareController *controller = HardwareController::instance();
        QSignalSpy states(controller, &HardwareController::deviceStateChanged);
        QSignalSpy events(controller, &HardwareController::opticalSensorEvent);
        backend->plug(simulated.get());
        const DeviceRef ref = DeviceRef::opticalSensor(simulated->serialNumber());
        controller->registerLane(0);
        controller->setLaneDevice(0, ref);
        controller->setLaneActive(0, true);
        QTRY_VERIFY(events.count() > 10);

        for (int round = 0; round < 3; ++round) {
            simulated->unplugAfterFrames(5);
            QTRY_COMPARE(statesOf(states, ref).last(), HardwareController::Removed);
            QVERIFY(controller->connectedDevices().isEmpty());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            const qsizetype before = events.count();
            backend->plug(simulated.get());
            QTRY_VERIFY(events.count() > before + 10);
        }
        HardwareController::destroyInstance();
        backend->unplug(simulated.get());
    }

    // A lane in the middle of an exercise loses its sensor: what was shot
    // stays, can be saved, and the exercise goes on when the sensor is back.
    void unplugMidExerciseKeepsTheSession()
    {
        QTemporaryDir folder;
        LibModel::Storage storage;
        QVERIFY(storage.open(folder.filePath(QStringLiteral("lane.sqlite")),
                             QStringLiteral("lane")));
        auto simulated = std::make_unique<SimulatedSensor>(5);
        simulated->setPacing(SimulatedSensor::Pacing::Driven);
        simulated->setDefaultCentre(376, 240);
        simulated->setFocalLength(50.0f);
        backend->plug(simulated.get());
        Clock::setManual(now);
        const auto frames = [&](int count) {
            for (int i = 0; i < count; ++i) {
                Clock::setManual(now);
                simulated->generateFrames(1, now);
                now += 10;
            }
        };
        const auto shoot = [&] {
            QVERIFY(simulated->fireShot());
            frames(20);
            frames(150);
        };

        auto lane = std::make_unique<RangeData>(0, &storage);
        lane->setDeviceSerialNumber(RangeData::serialText(simulated->serialNumber()));
        LibModel::Session *session = lane->session();
        session->setTargetDescriptor(
                targets.findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
        session->setDistance(10.0);
        session->setCaliber(4.5);
        session->setShooter(QStringLiteral("Иванов"), QStringLiteral("ЦСКА"), QString());
        lane->setState(RangeData::ShootingState);
        lane->setCalibrationShotsPerSerie(0);
        lane->setShotCountLimit(4);
        lane->setCalibrationOffset(QPointF(376, 240));
        lane->setCalibrationMode(false);
        QTRY_VERIFY(simulated->isStreaming());
        frames(50);
        lane->changePhase();
        frames(100);
        shoot();
        shoot();
        QCOMPARE(session->shots().size(), 2);
        const qsizetype samplesBefore = session->segments().last()->samples().size();

        // Pulled out while frames come.
        simulated->unplugAfterFrames(7);
        frames(30);
        QTRY_VERIFY(!lane->ready());
        QCOMPARE(lane->session(), session);
        QCOMPARE(session->shots().size(), 2);
        QVERIFY(session->segments().last()->samples().size() >= samplesBefore);
        QVERIFY(session->isValid());
        QVERIFY(session->write());
        const qint64 id = session->id();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // Back again: the lane takes it up; the operator leaves calibration
        // and the exercise goes on where it stopped.
        backend->plug(simulated.get());
        QVERIFY(lane->ready());
        lane->setCalibrationOffset(QPointF(376, 240));
        lane->setCalibrationMode(false);
        QTRY_VERIFY(simulated->isStreaming());
        frames(100);
        shoot();
        shoot();
        QCOMPARE(session->shots().size(), 4);
        QCOMPARE(lane->phase(), RangeData::NoPhase);
        QVERIFY(session->write());
        QCOMPARE(session->id(), id);

        std::unique_ptr<LibModel::Session> read(storage.readSession(uint(id)));
        QVERIFY(read);
        QCOMPARE(read->shots().size(), 4);
        QCOMPARE(read->segments().size(), session->segments().size());
        QCOMPARE(read->resultInt(), session->resultInt());

        lane.reset();
        HardwareController::destroyInstance();
        backend->unplug(simulated.get());
    }
};

KAVRO_TEST_MAIN(TestSensorFaults, QCoreApplication)
#include "tst_sensorfaults.moc"
