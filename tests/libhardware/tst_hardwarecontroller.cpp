#include <hardwarecontroller.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace LibHardware;

using State = HardwareController::DeviceState;

namespace {

std::unique_ptr<SimulatedSensor> makeSensor(quint32 seed)
{
    auto sensor = std::make_unique<SimulatedSensor>(seed);
    sensor->setPacing(SimulatedSensor::Pacing::Driven);
    return sensor;
}

// The states reported for one device, in order.
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

class TestHardwareController : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatedBackend> backend;

private slots:
    void init() { backend = std::make_unique<SimulatedBackend>(); }
    void cleanup() { backend.reset(); }

    void plugStreamStopUnplugReplug()
    {
        auto simulated = makeSensor(11);
        HardwareController controller(nullptr, backend.get());
        QSignalSpy states(&controller, &HardwareController::deviceStateChanged);
        backend->plug(simulated.get());
        const DeviceRef ref = DeviceRef::opticalSensor(simulated->serialNumber());
        QCOMPARE(statesOf(states, ref), QList<State>({HardwareController::Opened}));
        QCOMPARE(controller.connectedDevices(), QList<DeviceRef>({ref}));
        QVERIFY(controller.sensorOf(ref));

        // An active lane bound to it makes it stream, from the event loop.
        controller.registerLane(0);
        controller.setLaneActive(0, true);
        controller.setLaneDevice(0, ref);
        QCOMPARE(controller.deviceOfLane(0), ref);
        QVERIFY(!simulated->isStreaming());
        QTRY_VERIFY(simulated->isStreaming());
        QCOMPARE(statesOf(states, ref).last(), HardwareController::Streaming);

        controller.setLaneActive(0, false);
        QTRY_VERIFY(!simulated->isStreaming());
        QCOMPARE(statesOf(states, ref).last(), HardwareController::Stopped);

        controller.setLaneActive(0, true);
        QTRY_VERIFY(simulated->isStreaming());
        backend->unplug(simulated.get());
        QCOMPARE(statesOf(states, ref).last(), HardwareController::Removed);
        QVERIFY(controller.connectedDevices().isEmpty());
        QVERIFY(!controller.sensorOf(ref));
        QCOMPARE(controller.knownDevices().value(ref), HardwareController::Removed);

        // Back again: the same record, and the lane still wants it.
        backend->plug(simulated.get());
        QCOMPARE(statesOf(states, ref).last(), HardwareController::Opened);
        QTRY_VERIFY(simulated->isStreaming());
        QCOMPARE(statesOf(states, ref),
                 QList<State>({HardwareController::Opened, HardwareController::Streaming,
                               HardwareController::Stopped, HardwareController::Streaming,
                               HardwareController::Removed, HardwareController::Opened,
                               HardwareController::Streaming}));
        QCOMPARE(controller.knownDevices().size(), 1);
    }

    void samplesReachOnlyWantedDevices()
    {
        auto used = makeSensor(21);
        auto unused = makeSensor(22);
        HardwareController controller(nullptr, backend.get());
        QSignalSpy events(&controller, &HardwareController::opticalSensorEvent);
        backend->plug(used.get());
        backend->plug(unused.get());
        const DeviceRef usedRef = DeviceRef::opticalSensor(used->serialNumber());
        controller.registerLane(3);
        controller.setLaneDevice(3, usedRef);
        controller.setLaneActive(3, true);
        QTRY_VERIFY(used->isStreaming());

        // An unused sensor streaming anyway (started by hand) is not forwarded.
        QVERIFY(controller.sensorOf(DeviceRef::opticalSensor(unused->serialNumber()))
                        ->startPolling());
        QCOMPARE(unused->generateFrames(20, 5000), 20);
        QCOMPARE(events.count(), 0);
        QCOMPARE(used->generateFrames(20, 6000), 20);
        QCOMPARE(events.count(), 20);
        const auto event = events.first().first().value<HardwareController::Event>();
        QCOMPARE(event.device, usedRef);
        QCOMPARE(event.timer, 6000);
        QCOMPARE(event.sample.source, quint8(2));
    }

    void sensorsStartOneAtATime()
    {
        auto first = makeSensor(31);
        auto second = makeSensor(32);
        HardwareController controller(nullptr, backend.get());
        backend->plug(first.get());
        backend->plug(second.get());
        controller.registerLane(0);
        controller.registerLane(1);
        controller.setLaneDevice(0, DeviceRef::opticalSensor(first->serialNumber()));
        controller.setLaneDevice(1, DeviceRef::opticalSensor(second->serialNumber()));

        // When the first stream starts, the second must not have started in
        // the same step.
        int bothAtOnce = 0;
        connect(&controller, &HardwareController::deviceStateChanged, this,
                [&](const DeviceRef &, State state) {
                    if (state == HardwareController::Streaming && first->isStreaming()
                        && second->isStreaming())
                        ++bothAtOnce;
                });
        controller.setLaneActive(0, true);
        controller.setLaneActive(1, true);
        QVERIFY(!first->isStreaming() && !second->isStreaming());
        QTRY_VERIFY(first->isStreaming() && second->isStreaming());
        QCOMPARE(bothAtOnce, 1); // only the second start saw both running
    }

    void oldFirmwareGetsNoRecord()
    {
        auto old = makeSensor(41);
        old->setFirmwareVersion(13);
        HardwareController controller(nullptr, backend.get());
        QSignalSpy states(&controller, &HardwareController::deviceStateChanged);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Firmware upgrade")));
        backend->plug(old.get());
        QCOMPARE(states.count(), 0);
        QVERIFY(controller.connectedDevices().isEmpty());
        QVERIFY(!old->isOpen());
        QCOMPARE(controller.sensors().size(), 1); // kept, without a record
    }

    void sameSerialSameRecord()
    {
        auto a = makeSensor(51);
        auto b = makeSensor(52);
        QVERIFY(b->setSerialNumber(a->serialNumber()));
        HardwareController controller(nullptr, backend.get());
        backend->plug(a.get());
        backend->unplug(a.get());
        backend->plug(b.get());
        QCOMPARE(controller.knownDevices().size(), 1);
        QCOMPARE(controller.connectedDevices().size(), 1);
    }

    void deviceThatStopsMidStreamIsRemoved()
    {
        auto simulated = makeSensor(61);
        HardwareController controller(nullptr, backend.get());
        QSignalSpy states(&controller, &HardwareController::deviceStateChanged);
        backend->plug(simulated.get());
        const DeviceRef ref = DeviceRef::opticalSensor(simulated->serialNumber());
        controller.registerLane(0);
        controller.setLaneDevice(0, ref);
        controller.setLaneActive(0, true);
        QTRY_VERIFY(simulated->isStreaming());
        simulated->unplugAfterFrames(5);
        simulated->generateFrames(10, 100);
        QTRY_COMPARE(statesOf(states, ref).last(), HardwareController::Removed);
    }
};

QTEST_GUILESS_MAIN(TestHardwareController)
#include "tst_hardwarecontroller.moc"
