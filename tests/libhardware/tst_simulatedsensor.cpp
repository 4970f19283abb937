#include "readrecorder.h"

#include <capturefile.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <usbimagesensor.h>

#include <QTest>

using namespace LibHardware;

namespace {

constexpr qint64 T0 = 1700000000000;
using Sample = UsbImageSensor::Event;

int out(SimulatedSensor &sensor, quint8 request, quint16 value = 0)
{
    return sensor.controlTransfer(UsbHandle::VendorOut, request, value, 0, nullptr, 0);
}

int serialRequest(UsbHandle &handle)
{
    char serial[8];
    return handle.controlTransfer(UsbHandle::VendorIn, 0x40, 0, 0, serial, 8);
}

// The reads of a driven stream of `frames` frames, with a shot every 1.5 s.
QList<QByteArray> stream(SimulatedSensor &sensor, int frames)
{
    ReadRecorder recorder;
    sensor.setPacing(SimulatedSensor::Pacing::Driven);
    sensor.setShotInterval(1500);
    sensor.startReading(&recorder);
    out(sensor, 0x80);
    sensor.generateFrames(frames, T0);
    sensor.stopReading();
    return recorder.bytes();
}

// The samples of a stream, as the host's decoder reads them.
QList<Sample> samples(const QList<QByteArray> &reads)
{
    UsbImageSensor decoder;
    QList<Sample> result;
    QObject::connect(&decoder, &UsbImageSensor::sample,
                     [&result](qlonglong, const Sample &sample) { result << sample; });
    for (const QByteArray &read : reads)
        decoder.onData(0, CaptureFile::streamRecord(read));
    return result;
}

// Frames where the microphone rises above the host's shot threshold.
QList<int> shotStarts(const QList<Sample> &frames)
{
    QList<int> starts;
    for (int i = 0; i < frames.size(); ++i) {
        if (frames[i].microphone > 15 && (i == 0 || frames[i - 1].microphone <= 15))
            starts << i;
    }
    return starts;
}

} // namespace

// What a lane depends on in the simulated sensor and its backend.
class TestSimulatedSensor : public QObject
{
    Q_OBJECT

private slots:
    // The stream decodes, echoes the host's shutter and carries shots at the
    // interval and on demand, never two within a second.
    void streamsShots()
    {
        SimulatedSensor sensor(5);
        ReadRecorder recorder;
        sensor.setPacing(SimulatedSensor::Pacing::Driven);
        sensor.setShotInterval(2000);
        QVERIFY(sensor.startReading(&recorder));
        QCOMPARE(sensor.generateFrames(10, T0), 0); // stream off
        out(sensor, 0x82, 77);
        out(sensor, 0x80);
        sensor.generateFrames(1100, T0);
        sensor.setShotInterval(0);
        QVERIFY(sensor.fireShot());
        QVERIFY(!sensor.fireShot());
        sensor.generateFrames(99, T0);
        QVERIFY(!sensor.fireShot());
        sensor.generateFrames(1, T0);
        QVERIFY(sensor.fireShot());
        sensor.generateFrames(300, T0);
        sensor.stopReading();

        QCOMPARE(recorder.reads().at(1100).timer, T0 + 10 * 1099);
        const QList<Sample> frames = samples(recorder.bytes());
        QCOMPARE(frames.size(), 1500);
        QCOMPARE(frames.last().header[24] | frames.last().header[25] << 8, 77);
        QCOMPARE(shotStarts(frames), QList<int>({200, 400, 600, 800, 1000, 1100, 1200}));
    }

    // The same seed gives the same frames; the pure renderer gives them too.
    void sameSeedSameFrames()
    {
        SimulatedSensor sensor(42), again(42), other(43);
        const QList<QByteArray> first = stream(sensor, 600);
        QCOMPARE(stream(again, 600), first);
        QVERIFY(stream(other, 600) != first);
        for (int i = 0; i < 600; i += 37)
            QCOMPARE(SimulatedSensor::renderFrame(sensor.scene(), i), first.at(i + 1));
    }

    // Unplugged, a handle is dead for good; plugged in again, the sensor has
    // lost its settings, and closing the dead handle leaves a new one alone.
    void backendHandlesOutliveUnplugging()
    {
        SimulatedBackend backend;
        SimulatedSensor sensor(9);
        backend.plug(&sensor);
        const QString path = backend.pathOf(&sensor);
        std::unique_ptr<UsbHandle> handle = backend.open(path.toLower(), nullptr);
        QVERIFY(handle && !backend.open(path, nullptr)); // not shared
        out(sensor, 0x82, 50);
        backend.unplug(&sensor);
        backend.plug(&sensor);
        QCOMPARE(serialRequest(*handle), -1);
        QCOMPARE(sensor.shutter(), quint16(30));
        std::unique_ptr<UsbHandle> fresh = backend.open(path, nullptr);
        handle.reset(); // must not release the new handle's claim
        QVERIFY(sensor.isOpen());
        QCOMPARE(serialRequest(*fresh), 8);
    }
};

QTEST_GUILESS_MAIN(TestSimulatedSensor)
#include "tst_simulatedsensor.moc"
