#include <hardwarecontroller.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace LibHardware;

using State = HardwareController::DeviceState;

class TestHardwareController : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatedBackend> backend;
    std::unique_ptr<HardwareController> controller;
    std::vector<std::unique_ptr<SimulatedSensor>> sensors;

    // A driven sensor, plugged in; its reference.
    DeviceRef plug(quint32 seed, quint16 firmware = 25, const QByteArray &serial = {})
    {
        sensors.push_back(std::make_unique<SimulatedSensor>(seed));
        if (!serial.isEmpty())
            sensors.back()->setSerialNumber(serial);
        sensors.back()->setPacing(SimulatedSensor::Pacing::Driven);
        sensors.back()->setFirmwareVersion(firmware);
        backend->plug(sensors.back().get());
        return DeviceRef::opticalSensor(sensors.back()->serialNumber());
    }

    void bind(quint16 lane, const DeviceRef &ref)
    {
        controller->registerLane(lane);
        controller->setLaneDevice(lane, ref);
        controller->setLaneActive(lane, true);
    }

private slots:
    void init()
    {
        backend = std::make_unique<SimulatedBackend>();
        controller = std::make_unique<HardwareController>(nullptr, backend.get());
    }

    void cleanup()
    {
        controller.reset();
        backend.reset();
        sensors.clear();
    }

    void activeLanesStreamTheirSensors()
    {
        QSignalSpy states(controller.get(), &HardwareController::deviceStateChanged);
        const DeviceRef ref = plug(11);
        SimulatedSensor *simulated = sensors.back().get();
        QCOMPARE(controller->connectedDevices(), QList<DeviceRef>({ref}));
        QVERIFY(controller->sensorOf(ref));

        // An active lane bound to it makes it stream, from the event loop.
        bind(0, ref);
        QVERIFY(!simulated->isStreaming());
        QTRY_VERIFY(simulated->isStreaming());
        controller->setLaneActive(0, false);
        QTRY_VERIFY(!simulated->isStreaming());
        // Unplugged: removed, but known. (Back again: tst_faults.)
        backend->unplug(simulated);
        QVERIFY(controller->connectedDevices().isEmpty() && !controller->sensorOf(ref));
        QList<State> reported;
        for (const QList<QVariant> &arguments : states)
            reported << arguments.at(1).value<State>();
        QCOMPARE(reported,
                 QList<State>({HardwareController::Opened, HardwareController::Streaming,
                               HardwareController::Stopped, HardwareController::Removed}));
        QCOMPARE(controller->knownDevices().value(ref), HardwareController::Removed);
    }

    void samplesReachOnlyWantedDevices()
    {
        QSignalSpy events(controller.get(), &HardwareController::opticalSensorEvent);
        const DeviceRef used = plug(21);
        const DeviceRef unused = plug(22);
        bind(3, used);
        QTRY_VERIFY(sensors[0]->isStreaming());
        // An unused sensor streaming anyway (started by hand) is not forwarded.
        QVERIFY(controller->sensorOf(unused)->startPolling());
        QCOMPARE(sensors[1]->generateFrames(20, 5000), 20);
        QCOMPARE(sensors[0]->generateFrames(20, 6000), 20);
        QCOMPARE(events.count(), 20);
        const auto event = events.first().first().value<HardwareController::Event>();
        QCOMPARE(event.device, used);
        QCOMPARE(event.timer, 6000);
    }

    void sensorsStartOneAtATime()
    {
        const DeviceRef first = plug(31);
        const DeviceRef second = plug(32);
        // When a stream starts, no other may have started in the same step.
        int streaming = 0;
        connect(controller.get(), &HardwareController::deviceStateChanged, this,
                [&](const DeviceRef &, State state) {
                    if (state == HardwareController::Streaming)
                        QCOMPARE(sensors[0]->isStreaming() + sensors[1]->isStreaming(),
                                 ++streaming);
                });
        bind(0, first);
        bind(1, second);
        QVERIFY(!sensors[0]->isStreaming() && !sensors[1]->isStreaming());
        QTRY_COMPARE(streaming, 2);
    }

    void identityBySerialNumber()
    {
        // Too old a firmware: kept unopened, without a record.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Firmware upgrade")));
        plug(41, 13);
        QVERIFY(controller->knownDevices().isEmpty());
        QVERIFY(!sensors.back()->isOpen());
        QCOMPARE(controller->sensors().size(), 1);
        // Another sensor with the serial of a known one is the same device.
        const DeviceRef ref = plug(51);
        backend->unplug(sensors.back().get());
        sensors.push_back(std::make_unique<SimulatedSensor>(52));
        QVERIFY(sensors.back()->setSerialNumber(ref.id));
        backend->plug(sensors.back().get());
        QCOMPARE(controller->knownDevices().keys(), QList<DeviceRef>({ref}));
        QCOMPARE(controller->connectedDevices(), QList<DeviceRef>({ref}));
    }

    void duplicateSerialWaitsInReserve()
    {
        const DeviceRef ref = plug(61);
        bind(0, ref);
        QTRY_VERIFY(sensors[0]->isStreaming());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("kept in reserve")));
        plug(62, 25, ref.id);
        // The first stays controllable; when it goes, the serial stays and the reserve streams.
        controller->setLaneActive(0, false);
        QTRY_VERIFY(!sensors[0]->isStreaming());
        controller->setLaneActive(0, true);
        backend->unplug(sensors[0].get());
        QCOMPARE(controller->knownDevices().value(ref), HardwareController::Opened);
        QTRY_VERIFY(sensors[1]->isStreaming());
    }
};

QTEST_GUILESS_MAIN(TestHardwareController)
#include "tst_hardwarecontroller.moc"
