#include "readrecorder.h"

#include <nullbackend.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <usbbackend.h>
#include <usbhandle.h>

#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace LibHardware;

namespace {

// The identity and class patterns the path parser looks for.
bool parsesAsSensorPath(const QString &path)
{
    static const QRegularExpression identity(QStringLiteral("VID_(\\w+)&PID_(\\w+)"));
    static const QRegularExpression guid(
            QStringLiteral("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}"));
    const QRegularExpressionMatch match = identity.match(path);
    return match.hasMatch() && match.captured(1) == QLatin1String("1224")
            && match.captured(2) == QLatin1String("1F01")
            && guid.match(path).captured(0)
            == QLatin1String("{6DD29847-8B42-4AB4-AB06-4B9BF751334C}");
}

int serialRequest(UsbHandle &handle)
{
    char serial[8];
    return handle.controlTransfer(UsbHandle::VendorIn, 0x40, 0, 0, serial, 8);
}

} // namespace

class TestSimulatedBackend : public QObject
{
    Q_OBJECT

private slots:
    void devicePathForm()
    {
        QCOMPARE(makeDevicePath(0x1224, 0x1F01, QStringLiteral("3.1.4")),
                 QStringLiteral("\\\\?\\USB#VID_1224&PID_1F01#3.1.4#"
                                "{6DD29847-8B42-4AB4-AB06-4B9BF751334C}"));
        // Upper case throughout, and the location taken literally.
        QCOMPARE(makeDevicePath(0x1224, 0x0a, QStringLiteral("bus%1")),
                 QStringLiteral("\\\\?\\USB#VID_1224&PID_000A#BUS%1#"
                                "{448A342C-4663-4C50-AB76-24A45DA27C03}"));
    }

    void installingABackend()
    {
        QVERIFY(UsbBackend::instance());
        QPointer<SimulatedBackend> first = new SimulatedBackend;
        UsbBackend::setInstance(first);
        QCOMPARE(UsbBackend::instance(), first.data());
        UsbBackend::setInstance(new SimulatedBackend);
        QVERIFY(first.isNull()); // the previous one was deleted
        // Removing it brings back a default backend, not a dangling one.
        UsbBackend::setInstance(nullptr);
        QVERIFY(UsbBackend::instance());
        QVERIFY(!qobject_cast<SimulatedBackend *>(UsbBackend::instance()));

        NullBackend none;
        QVERIFY(none.startMonitoring(0x1224, 0x1F01));
        QVERIFY(none.devicePaths(0x1224, 0x1F01).isEmpty());
        QString error;
        QVERIFY(!none.open(QStringLiteral("X"), &error));
        QVERIFY(!error.isEmpty());
    }

    void plugAndUnplugSignals()
    {
        SimulatedBackend backend;
        SimulatedSensor one(1), two(2);
        QSignalSpy arrived(&backend, &UsbBackend::deviceArrived);
        QSignalSpy removed(&backend, &UsbBackend::deviceRemoved);

        backend.plug(&one); // not monitoring yet: listed, not reported
        QCOMPARE(arrived.size(), 0);
        const QString pathOne = backend.pathOf(&one);
        QVERIFY(parsesAsSensorPath(pathOne));
        QCOMPARE(pathOne, pathOne.toUpper());
        QCOMPARE(backend.devicePaths(0x1224, 0x1F01), QStringList({pathOne}));
        QVERIFY(backend.devicePaths(0x1224, 0x0A).isEmpty());

        QVERIFY(backend.startMonitoring(0x1224, 0x1F01));
        backend.plug(&two);
        backend.plug(&two); // already in
        const QString pathTwo = backend.pathOf(&two);
        QVERIFY(pathTwo != pathOne);
        QCOMPARE(arrived.size(), 1);
        QCOMPARE(arrived.at(0).at(0).toString(), pathTwo);
        QCOMPARE(backend.devicePaths(0x1224, 0x1F01), QStringList({pathOne, pathTwo}));

        backend.unplug(&one);
        backend.unplug(&one); // already out
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.at(0).at(0).toString(), pathOne);
        QVERIFY(!one.isConnected());
        QCOMPARE(backend.devicePaths(0x1224, 0x1F01), QStringList({pathTwo}));

        // Back on the same path, after the others.
        backend.plug(&one);
        QCOMPARE(arrived.size(), 2);
        QCOMPARE(arrived.at(1).at(0).toString(), pathOne);
        QCOMPARE(backend.devicePaths(0x1224, 0x1F01), QStringList({pathTwo, pathOne}));

        // Monitoring another identity reports nothing about sensors.
        backend.startMonitoring(0x1224, 0x0A);
        backend.unplug(&two);
        QCOMPARE(removed.size(), 1);
        backend.stopMonitoring();
        backend.plug(&two);
        QCOMPARE(arrived.size(), 2);
    }

    void destroyedSensorCountsAsUnplugged()
    {
        SimulatedBackend backend;
        backend.startMonitoring(0x1224, 0x1F01);
        QSignalSpy removed(&backend, &UsbBackend::deviceRemoved);
        auto *sensor = new SimulatedSensor;
        backend.plug(sensor);
        const QString path = backend.pathOf(sensor);
        std::unique_ptr<UsbHandle> handle = backend.open(path, nullptr);
        QVERIFY(handle);
        delete sensor;
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.at(0).at(0).toString(), path);
        QVERIFY(backend.devicePaths(0x1224, 0x1F01).isEmpty());
        QCOMPARE(serialRequest(*handle), -1);
    }

    void openBindsAHandleToTheSensor()
    {
        SimulatedBackend backend;
        SimulatedSensor sensor(9);
        backend.plug(&sensor);
        const QString path = backend.pathOf(&sensor);
        QString error;
        QVERIFY(!backend.open(path + QLatin1Char('X'), &error));
        QVERIFY(error.contains(QLatin1String("no simulated sensor")));

        // Paths are matched in upper case, like the enumerator hands them on.
        std::unique_ptr<UsbHandle> handle = backend.open(path.toLower(), &error);
        QVERIFY(handle);
        QVERIFY(!handle->deliversFramedRecords());
        QCOMPARE(serialRequest(*handle), 8);
        QCOMPARE(sensor.requests().size(), 1);
        QVERIFY(!backend.open(path, &error)); // not shared
        QVERIFY(error.contains(QLatin1String("already open")));

        ReadRecorder recorder;
        sensor.setPacing(SimulatedSensor::Pacing::Driven);
        QVERIFY(handle->startReading(&recorder));
        QVERIFY(handle->isReading());
        QCOMPARE(handle->controlTransfer(UsbHandle::VendorOut, 0x80, 0, 0, nullptr, 0), 0);
        QCOMPARE(sensor.generateFrames(3, 1000), 3);
        QCOMPARE(recorder.count(), 4);
        handle->stopReading();
        QVERIFY(!handle->isReading());

        handle.reset(); // closing releases the sensor
        QVERIFY(!sensor.isOpen());
        QVERIFY(backend.open(path, &error));
    }

    void unpluggedSensorKillsItsHandle()
    {
        SimulatedBackend backend;
        backend.startMonitoring(0x1224, 0x1F01);
        QSignalSpy removed(&backend, &UsbBackend::deviceRemoved);
        SimulatedSensor sensor;
        backend.plug(&sensor);
        std::unique_ptr<UsbHandle> handle = backend.open(backend.pathOf(&sensor), nullptr);
        ReadRecorder recorder;
        QVERIFY(handle->startReading(&recorder));
        handle->controlTransfer(UsbHandle::VendorOut, 0x80, 0, 0, nullptr, 0);
        QTRY_VERIFY(recorder.count() > 3);

        backend.unplug(&sensor);
        QVERIFY(!handle->isReading()); // the reader has ended
        const int delivered = recorder.count();
        QCOMPARE(serialRequest(*handle), -1);
        QVERIFY(!handle->errorString().isEmpty());

        // Plugged in again, the old handle stays dead; a new one works.
        backend.plug(&sensor);
        QCOMPARE(serialRequest(*handle), -1);
        QVERIFY(!handle->startReading(&recorder));
        std::unique_ptr<UsbHandle> fresh = backend.open(backend.pathOf(&sensor), nullptr);
        QVERIFY(fresh);
        handle.reset(); // must not release the new handle's claim
        QVERIFY(sensor.isOpen());
        QCOMPARE(serialRequest(*fresh), 8);
        QCOMPARE(recorder.count(), delivered);

        // A sensor that unplugs itself while streaming is reported removed.
        QVERIFY(fresh->startReading(&recorder));
        sensor.unplugAfterFrames(3);
        fresh->controlTransfer(UsbHandle::VendorOut, 0x80, 0, 0, nullptr, 0);
        QTRY_COMPARE(removed.size(), 2);
        QVERIFY(backend.sensors().isEmpty());
        fresh->stopReading();
    }
};

QTEST_GUILESS_MAIN(TestSimulatedBackend)
#include "tst_simulatedbackend.moc"
