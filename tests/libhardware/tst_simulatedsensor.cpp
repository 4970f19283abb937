#include "readrecorder.h"

#include <capturefile.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <usbimagesensor.h>

#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace LibHardware;

namespace {

constexpr qint64 T0 = 1700000000000;
constexpr int Vendor = SimulatedSensor::VendorId;
constexpr int Product = SimulatedSensor::ProductId;

int out(SimulatedSensor &sensor, quint8 request, quint16 value = 0, quint16 index = 0,
        QByteArray data = QByteArray())
{
    return sensor.controlTransfer(UsbHandle::VendorOut, request, value, index, data.data(),
                                  quint16(data.size()));
}

int serialRequest(UsbHandle &handle)
{
    char serial[8];
    return handle.controlTransfer(UsbHandle::VendorIn, 0x40, 0, 0, serial, 8);
}

// Streams in driven pacing: the reads of `frames` frames, or of those
// before and after a shot fired on demand at frame `shotAt`.
QList<QByteArray> stream(SimulatedSensor &sensor, int frames, int shotAt = -1)
{
    ReadRecorder recorder;
    sensor.setPacing(SimulatedSensor::Pacing::Driven);
    sensor.startReading(&recorder);
    out(sensor, 0x80);
    if (shotAt >= 0) {
        sensor.generateFrames(shotAt, T0);
        sensor.fireShot();
    }
    sensor.generateFrames(frames - std::max(shotAt, 0), T0);
    sensor.stopReading();
    return recorder.bytes();
}

using Sample = UsbImageSensor::Event;

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

// Frames where the microphone rises above the host's threshold.
QList<int> shotStarts(const QList<Sample> &frames)
{
    QList<int> starts;
    for (int i = 0; i < frames.size(); ++i) {
        if (frames[i].microphone > 15 && (i == 0 || frames[i - 1].microphone <= 15))
            starts << i;
    }
    return starts;
}

// The mean movement of the aim from frame to frame.
double meanStep(const QList<Sample> &frames, int from, int to)
{
    double sum = 0.0;
    int n = 0;
    for (int i = std::max(from, 1); i < to; ++i) {
        if (frames[i].found && frames[i - 1].found) {
            sum += std::hypot(frames[i].x - frames[i - 1].x, frames[i].y - frames[i - 1].y);
            ++n;
        }
    }
    return n ? sum / n : 0.0;
}

} // namespace

// The simulated sensor's stream and shooter, and the backend that plugs it
// in.
class TestSimulatedSensor : public QObject
{
    Q_OBJECT

private slots:
    void streamsHeadersWhenDriven()
    {
        SimulatedSensor sensor;
        ReadRecorder recorder;
        sensor.setPacing(SimulatedSensor::Pacing::Driven);
        QCOMPARE(sensor.generateFrames(10, T0), 0); // not reading
        QVERIFY(sensor.startReading(&recorder));
        QVERIFY(!sensor.startReading(&recorder)); // one reader at a time
        QCOMPARE(sensor.generateFrames(10, T0), 0); // stream off

        // Shutter and echo follow the host's requests.
        out(sensor, 0x82, 77);
        out(sensor, 0x8B, 0x33);
        out(sensor, 0x80);
        QCOMPARE(sensor.generateFrames(50, T0), 50);
        const auto reads = recorder.reads();
        QCOMPARE(reads.size(), 51);
        QCOMPARE(reads[0].bytes, QByteArray("\x00\x80", 2));
        QCOMPARE(reads[0].timer, T0);
        const QList<Sample> frames = samples(recorder.bytes());
        QCOMPARE(frames.size(), 50);
        for (int i = 0; i < 50; ++i) {
            QCOMPARE(frames[i].header[24] | frames[i].header[25] << 8, 77);
            QCOMPARE(frames[i].header[52], 0x33);
            QCOMPARE(reads[i + 1].timer, T0 + 10 * i);
        }

        out(sensor, 0x81);
        QCOMPARE(sensor.generateFrames(10, T0 + 1000), 0);
        QCOMPARE(recorder.count(), 52);
        QCOMPARE(recorder.bytes().last(), QByteArray("\x00\x81", 2));
        sensor.stopReading();
    }

    // The aim wobbles smoothly around the settings block's default centre,
    // and the target is lost now and then, briefly.
    void aimWobblesAndIsSometimesLost()
    {
        SimulatedSensor sensor(11);
        sensor.setDefaultCentre(300, 200);
        const QList<Sample> frames = samples(stream(sensor, 30000));
        int found = 0, burst = 0, longest = 0;
        for (const Sample &frame : frames) {
            QVERIFY(frame.microphone <= 15 && std::abs(frame.cant) < 0.1); // no shots
            burst = frame.found ? 0 : burst + 1;
            longest = std::max(longest, burst);
            found += frame.found;
            QVERIFY(!frame.found || (std::abs(frame.x - 300) < 5 && std::abs(frame.y - 200) < 5));
        }
        const double step = meanStep(frames, 0, frames.size());
        QVERIFY2(step > 0.02 && step < 0.5, qPrintable(QString::number(step)));
        const double lost = 1.0 - double(found) / frames.size();
        QVERIFY2(lost > 0.003 && lost < 0.03 && longest <= 6, qPrintable(QString::number(lost)));
    }

    void shots()
    {
        SimulatedSensor sensor(5);
        sensor.setShotInterval(2000);
        const QList<Sample> frames = samples(stream(sensor, 1100));
        const QList<int> starts = shotStarts(frames);
        QCOMPARE(starts, QList<int>({200, 400, 600, 800, 1000}));
        for (int start : starts) {
            for (int i = start; i < start + 4; ++i)
                QVERIFY(frames[i].microphone > 200);
            QVERIFY(frames[start + 6].microphone <= 15);
            // The shooter holds steadier just before a shot.
            QVERIFY(meanStep(frames, start - 20, start)
                    < 0.7 * meanStep(frames, start - 150, start - 50));
        }
        sensor.setShotInterval(300); // less than a second is taken as a second
        QCOMPARE(sensor.shotInterval(), 1000);
        sensor.setShotInterval(0);
        QVERIFY(shotStarts(samples(stream(sensor, 1000))).isEmpty());

        // On demand: refused within a second of another shot, fired or
        // scheduled.
        SimulatedSensor demand(6);
        ReadRecorder recorder;
        demand.setPacing(SimulatedSensor::Pacing::Driven);
        demand.startReading(&recorder);
        out(demand, 0x80);
        demand.generateFrames(50, T0);
        QVERIFY(demand.fireShot());
        QVERIFY(!demand.fireShot());
        demand.generateFrames(99, T0);
        QVERIFY(!demand.fireShot());
        demand.generateFrames(1, T0);
        QVERIFY(demand.fireShot());
        demand.setShotInterval(2000); // the next at frame 350
        demand.generateFrames(110, T0);
        QVERIFY(!demand.fireShot()); // 90 frames before it
        demand.generateFrames(110, T0);
        QVERIFY(!demand.fireShot()); // 20 frames after it
        QCOMPARE(shotStarts(samples(recorder.bytes())), QList<int>({50, 150, 350}));
        demand.stopReading();
    }

    void sameSeedSameFrames()
    {
        const auto run = [](quint32 seed) {
            SimulatedSensor sensor(seed);
            sensor.setShotInterval(1500);
            const QList<QByteArray> bytes = stream(sensor, 600, 300);
            return std::make_pair(bytes, sensor.scene());
        };
        const auto first = run(42);
        QCOMPARE(first.first, run(42).first);
        QVERIFY(first.first != run(43).first);
        // The pure renderer gives the frames the sensor streamed.
        for (int i = 0; i < 600; i += 37)
            QCOMPARE(SimulatedSensor::renderFrame(first.second, i), first.first.at(i + 1));
    }

    void backendPlugsSensorsInAndOut()
    {
        SimulatedBackend backend;
        SimulatedSensor one(1);
        auto two = std::make_unique<SimulatedSensor>(2);
        QSignalSpy arrived(&backend, &UsbBackend::deviceArrived);
        QSignalSpy removed(&backend, &UsbBackend::deviceRemoved);
        backend.plug(&one); // not monitoring yet: listed, not reported
        backend.startMonitoring(Vendor, 0x0A); // nor while watching another product
        backend.plug(two.get());
        backend.startMonitoring(Vendor, Product);
        backend.unplug(&one);
        backend.unplug(&one); // already out
        QVERIFY(!one.isConnected());
        backend.plug(&one); // back on the same path, after the others
        const QString pathOne = makeDevicePath(Vendor, Product, QStringLiteral("SIM1"));
        QCOMPARE(backend.devicePaths(Vendor, Product),
                 QStringList({makeDevicePath(Vendor, Product, QStringLiteral("SIM2")), pathOne}));
        two.reset(); // destroyed: unplugged
        QCOMPARE(backend.devicePaths(Vendor, Product), QStringList({pathOne}));
        QCOMPARE(arrived.size(), 1);
        QCOMPARE(removed.size(), 2);
    }

    void backendHandles()
    {
        SimulatedBackend backend;
        SimulatedSensor sensor(9);
        backend.plug(&sensor);
        const QString path = backend.pathOf(&sensor);
        QString error;
        QVERIFY(!backend.open(path + 'X', &error));
        QVERIFY(!error.isEmpty());
        // Paths are matched in upper case, like the enumerator hands them on.
        std::unique_ptr<UsbHandle> handle = backend.open(path.toLower(), &error);
        QVERIFY(handle);
        QCOMPARE(serialRequest(*handle), 8);
        QVERIFY(!backend.open(path, &error)); // not shared
        handle.reset(); // closing releases the sensor
        QVERIFY(!sensor.isOpen());

        // Unplugged, a handle is dead for good; plugged in again, the
        // sensor has lost its settings and a new handle works.
        handle = backend.open(path, &error);
        QCOMPARE(handle->controlTransfer(UsbHandle::VendorOut, 0x82, 50, 0, nullptr, 0), 0);
        backend.unplug(&sensor);
        QCOMPARE(serialRequest(*handle), -1);
        QVERIFY(!handle->errorString().isEmpty());
        backend.plug(&sensor);
        QCOMPARE(serialRequest(*handle), -1);
        ReadRecorder recorder;
        QVERIFY(!handle->startReading(&recorder));
        QCOMPARE(sensor.shutter(), quint16(30));
        std::unique_ptr<UsbHandle> fresh = backend.open(path, &error);
        QVERIFY(fresh);
        handle.reset(); // must not release the new handle's claim
        QVERIFY(sensor.isOpen());
        QCOMPARE(serialRequest(*fresh), 8);
    }
};

QTEST_GUILESS_MAIN(TestSimulatedSensor)
#include "tst_simulatedsensor.moc"
