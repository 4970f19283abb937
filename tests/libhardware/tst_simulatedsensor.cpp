#include "readrecorder.h"
#include "sampleheader.h"

#include <clock.h>
#include <simulatedsensor.h>
#include <usbhandle.h>

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <cmath>

using LibHardware::SimulatedSensor;
using LibHardware::UsbHandle;

namespace {

constexpr qint64 T0 = 1700000000000;

int in(SimulatedSensor &sensor, quint8 request, QByteArray *answer, int length = 64)
{
    QByteArray buffer(length, '\x55');
    const int n = sensor.controlTransfer(UsbHandle::VendorIn, request, 0, 0, buffer.data(),
                                         quint16(length));
    *answer = n >= 0 ? buffer.left(n) : QByteArray();
    return n;
}

int out(SimulatedSensor &sensor, quint8 request, quint16 value = 0, quint16 index = 0,
        QByteArray data = QByteArray())
{
    return sensor.controlTransfer(UsbHandle::VendorOut, request, value, index, data.data(),
                                  quint16(data.size()));
}

// Streams `frames` frames in driven pacing and returns the reads.
QList<ReadRecorder::Read> stream(SimulatedSensor &sensor, int frames)
{
    ReadRecorder recorder;
    sensor.setPacing(SimulatedSensor::Pacing::Driven);
    sensor.startReading(&recorder);
    if (!sensor.isStreaming())
        out(sensor, 0x80);
    sensor.generateFrames(frames, T0);
    sensor.stopReading();
    return recorder.reads();
}

// The sample headers of a stream, markers left out.
QList<SampleHeader> samples(const QList<ReadRecorder::Read> &reads)
{
    QList<SampleHeader> result;
    for (const ReadRecorder::Read &read : reads) {
        if (read.bytes.size() == 54)
            result << SampleHeader::parse(read.bytes);
    }
    return result;
}

// Frame numbers where the microphone rises above the host's threshold.
QList<int> shotStarts(const QList<SampleHeader> &frames)
{
    QList<int> starts;
    for (int i = 0; i < frames.size(); ++i) {
        if (frames[i].microphone > 15 && (i == 0 || frames[i - 1].microphone <= 15))
            starts << i;
    }
    return starts;
}

double meanStep(const QList<SampleHeader> &frames, int from, int to)
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

class TestSimulatedSensor : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LibMisc::Clock::reset(); }

    void answersDeviceToHostRequests_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("0x40 serial") << 0x40 << QByteArray::fromHex("0102030405060708");
        QTest::newRow("0x44 firmware, hardware") << 0x44 << QByteArray::fromHex("19000300");
        QTest::newRow("0x45 protocol, revision") << 0x45 << QByteArray::fromHex("10000200");
        QTest::newRow("0xA5 protocol") << 0xA5 << QByteArray::fromHex("1000");
        QTest::newRow("0xA2 settings size") << 0xA2 << QByteArray::fromHex("1a00");
        // Centre 376, 240 at 4 and 6; focal length 50.0f at 12.
        QTest::newRow("0xA3 settings") << 0xA3
                                       << QByteArray::fromHex("000000007801f000000000000000484200"
                                                              "000000000000000000");
        QTest::newRow("0xD0 extra word") << 0xD0 << QByteArray::fromHex("3412");
    }

    void answersDeviceToHostRequests()
    {
        QFETCH(int, request);
        QFETCH(QByteArray, expected);
        SimulatedSensor sensor;
        QVERIFY(sensor.setSerialNumber(QByteArray::fromHex("0102030405060708")));
        sensor.setProtocolRevision(2);
        sensor.setExtraWord(0x1234);

        // Never more than documented, however much the host allows for.
        QByteArray answer;
        QCOMPARE(in(sensor, quint8(request), &answer, 64), expected.size());
        QCOMPARE(answer, expected);
        // Never more than the host allows for either.
        QCOMPARE(in(sensor, quint8(request), &answer, 1), 1);

        const auto log = sensor.requests();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0].requestType, quint8(0xC0));
        QCOMPARE(log[0].request, quint8(request));
        QCOMPARE(log[0].length, quint16(64));
    }

    void hostToDeviceRequestsSetState()
    {
        SimulatedSensor sensor;
        const QList<int> settings {0x82, 0x84, 0x8B, 0x92, 0x95, 0x9D, 0x9E, 0x9F};
        const QList<int> defaults {30, 0, 64, 1, 9999, 0, 0, 0};
        for (int i = 0; i < settings.size(); ++i) {
            QCOMPARE(sensor.settingValue(quint8(settings[i])), quint16(defaults[i]));
            QCOMPARE(out(sensor, quint8(settings[i]), quint16(100 + i)), 0);
            QCOMPARE(sensor.settingValue(quint8(settings[i])), quint16(100 + i));
        }
        QCOMPARE(sensor.mode(), 0);
        out(sensor, 0xB9, 376, 240);
        QCOMPARE(sensor.mode(), 1);
        QCOMPARE(sensor.modeIndex(), quint16(240));
        out(sensor, 0xB8, 5, 6);
        QCOMPARE(sensor.mode(), 2);
        QCOMPARE(sensor.parameter(6), quint16(240));
        out(sensor, 0xBA, 4, 3); // value 4 to parameter 3
        QCOMPARE(sensor.parameter(3), quint16(4));

        QByteArray block(26, '\x07');
        QCOMPARE(out(sensor, 0xA4, 0, 0, block), 26);
        QCOMPARE(out(sensor, 0xA4, 0, 0, QByteArray(25, '\0')), -1);
        QCOMPARE(sensor.settingsBlock(), block);

        // Unknown codes and codes sent the wrong way fail, and are logged.
        sensor.clearRequests();
        QByteArray answer;
        QCOMPARE(in(sensor, 0x82, &answer), -1);
        QCOMPARE(out(sensor, 0x40), -1);
        QCOMPARE(out(sensor, 0x83, 0, 0, QByteArray("ab")), -1);
        QCOMPARE(sensor.requests().size(), 3);
        QCOMPARE(sensor.requests().last().data, QByteArray("ab"));
    }

    void kernelUpload()
    {
        SimulatedSensor sensor;
        QCOMPARE(out(sensor, 0xB2, 1, 0, QByteArray("\x01\x02\x01", 3)), -1); // no begin
        QCOMPARE(out(sensor, 0xB1, 7), 0);
        QCOMPARE(out(sensor, 0xB2, 2, 0, QByteArray("\x01\xfe\x01\xfd\x04\x00", 6)), 6);
        QCOMPARE(out(sensor, 0xB2, 2, 0, QByteArray("\x01\x01\x01", 3)), -1); // 2 announced
        QCOMPARE(out(sensor, 0xB2, 1, 0, QByteArray("\x00\x00\x05", 3)), 3);
        QVERIFY(sensor.kernel().empty()); // nothing before the commit
        QCOMPARE(out(sensor, 0xB3), 0);
        const auto kernel = sensor.kernel();
        QCOMPARE(sensor.kernelTag(), quint16(7));
        QCOMPARE(int(kernel.size()), 3);
        QCOMPARE(kernel[0].y, qint8(-2));
        QCOMPARE(kernel[1].x, qint8(-3));
        QCOMPARE(kernel[2].weight, quint8(5));

        // An upload that is never committed leaves the last kernel.
        out(sensor, 0xB1, 9);
        out(sensor, 0xB2, 1, 0, QByteArray("\x00\x00\x01", 3));
        QCOMPARE(int(sensor.kernel().size()), 3);
    }

    void failureInjection()
    {
        SimulatedSensor sensor;
        QByteArray answer;
        sensor.failRequest(0x40, 2);
        QCOMPARE(in(sensor, 0x40, &answer), -1);
        QCOMPARE(in(sensor, 0x40, &answer), -1);
        QCOMPARE(in(sensor, 0x40, &answer), 8);

        sensor.failRequest(0x80, SimulatedSensor::AlwaysFail);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(out(sensor, 0x80), -1);
        QVERIFY(!sensor.isStreaming()); // a failed request changes nothing
        sensor.failRequest(0x80, 0);
        QCOMPARE(out(sensor, 0x80), 0);

        sensor.failRequest(0x82, 3);
        sensor.clearFailures();
        QCOMPARE(out(sensor, 0x82, 1), 0);
        QCOMPARE(sensor.requests().size(), 10); // failed requests are logged
    }

    void reportsChosenIdentity()
    {
        SimulatedSensor sensor;
        sensor.setFirmwareVersion(13);
        sensor.setHardwareVersion(0);
        sensor.setProtocolVersion(18);
        sensor.setReportedSettingsSize(30);
        QByteArray answer;
        in(sensor, 0x44, &answer);
        QCOMPARE(answer, QByteArray::fromHex("0d000000"));
        in(sensor, 0xA5, &answer);
        QCOMPARE(answer, QByteArray::fromHex("1200"));
        in(sensor, 0xA2, &answer);
        QCOMPARE(answer, QByteArray::fromHex("1e00"));
        // The block itself stays 26 bytes: a host trusting the size gets less.
        QCOMPARE(in(sensor, 0xA3, &answer, 30), 26);
    }

    void streamsHeadersAt100HzWhenDriven()
    {
        SimulatedSensor sensor;
        ReadRecorder recorder;
        sensor.setPacing(SimulatedSensor::Pacing::Driven);
        QCOMPARE(sensor.generateFrames(10, T0), 0); // not reading
        QVERIFY(sensor.startReading(&recorder));
        QVERIFY(!sensor.startReading(&recorder)); // one reader at a time
        QCOMPARE(sensor.generateFrames(10, T0), 0); // stream off
        QCOMPARE(recorder.count(), 0);

        out(sensor, 0x80);
        QCOMPARE(sensor.generateFrames(50, T0), 50);
        auto reads = recorder.reads();
        QCOMPARE(reads.size(), 51);
        QCOMPARE(reads[0].bytes, QByteArray("\x00\x80", 2));
        QCOMPARE(reads[0].timer, T0);
        for (int i = 0; i < 50; ++i) {
            const SampleHeader header = SampleHeader::parse(reads[i + 1].bytes);
            QVERIFY(header.valid);
            QCOMPARE(header.type, 2);
            QCOMPARE(header.totalLength, 54);
            QCOMPARE(header.shutter, 30);
            QCOMPARE(header.echo, 64);
            QCOMPARE(reads[i + 1].timer, T0 + 10 * i);
        }

        // Shutter and echo follow the host's requests.
        out(sensor, 0x82, 77);
        out(sensor, 0x8B, 0x33);
        recorder.clear();
        QCOMPARE(sensor.generateFrames(1, T0), 1);
        const SampleHeader header = SampleHeader::parse(recorder.reads().at(0).bytes);
        QCOMPARE(header.shutter, 77);
        QCOMPARE(header.echo, 0x33);

        out(sensor, 0x81);
        recorder.clear();
        QCOMPARE(sensor.generateFrames(10, T0 + 1000), 0);
        QCOMPARE(recorder.count(), 1);
        QCOMPARE(recorder.reads().at(0).bytes, QByteArray("\x00\x81", 2));
        QCOMPARE(sensor.frameIndex(), qint64(51));

        sensor.stopReading();
    }

    void aimWobblesAroundTheCentre()
    {
        SimulatedSensor sensor(3);
        const QList<SampleHeader> frames = samples(stream(sensor, 3000));
        QCOMPARE(frames.size(), 3000);
        double sumX = 0.0, sumSquaresX = 0.0;
        int found = 0;
        for (const SampleHeader &frame : frames) {
            QVERIFY(frame.microphone <= 15); // background only without shots
            QVERIFY(std::abs(frame.cant()) < 0.1);
            QVERIFY(std::abs(std::hypot(frame.axisA - 2048, frame.axisB - 2048) - 1000) < 5);
            QVERIFY(std::abs(frame.tilt()) < 0.05);
            if (!frame.found)
                continue;
            ++found;
            QVERIFY2(std::abs(frame.x - 376) < 5 && std::abs(frame.y - 240) < 5,
                     qPrintable(QStringLiteral("%1, %2").arg(frame.x).arg(frame.y)));
            sumX += frame.x;
            sumSquaresX += double(frame.x) * frame.x;
        }
        const double mean = sumX / found;
        const double deviation = std::sqrt(sumSquaresX / found - mean * mean);
        QVERIFY2(deviation > 0.3, qPrintable(QString::number(deviation))); // it does move
        QVERIFY(meanStep(frames, 0, frames.size()) < 0.5); // smoothly

        // The wobble follows the default centre of the settings block.
        sensor.setDefaultCentre(300, 200);
        const QList<SampleHeader> moved = samples(stream(sensor, 100));
        QVERIFY(std::abs(moved.last().x - 300) < 5 && std::abs(moved.last().y - 200) < 5);
    }

    void targetLostInShortBursts()
    {
        SimulatedSensor sensor(11);
        const QList<SampleHeader> frames = samples(stream(sensor, 30000));
        int lost = 0, burst = 0, longest = 0;
        for (const SampleHeader &frame : frames) {
            if (frame.found) {
                burst = 0;
                continue;
            }
            QVERIFY(!std::isfinite(frame.x));
            ++lost;
            longest = std::max(longest, ++burst);
        }
        const double share = double(lost) / frames.size();
        QVERIFY2(share > 0.003 && share < 0.03, qPrintable(QString::number(share)));
        QVERIFY(longest <= 6);
    }

    void shotsAtTheInterval()
    {
        SimulatedSensor sensor(5);
        sensor.setShotInterval(2000);
        const QList<SampleHeader> frames = samples(stream(sensor, 1100));
        const QList<int> starts = shotStarts(frames);
        QCOMPARE(starts, QList<int>({200, 400, 600, 800, 1000}));
        for (int start : starts) {
            for (int i = start; i < start + 4; ++i)
                QVERIFY(frames[i].microphone > 200);
            QVERIFY(frames[start + 6].microphone <= 15);
        }

        // Less than a second is taken as a second.
        sensor.setShotInterval(300);
        QCOMPARE(sensor.shotInterval(), 1000);
        sensor.setShotInterval(0);
        QVERIFY(shotStarts(samples(stream(sensor, 1000))).isEmpty());
    }

    void shotsOnDemand()
    {
        SimulatedSensor sensor(6);
        ReadRecorder recorder;
        sensor.setPacing(SimulatedSensor::Pacing::Driven);
        sensor.startReading(&recorder);
        out(sensor, 0x80);
        sensor.generateFrames(50, T0);
        QVERIFY(sensor.fireShot());
        QVERIFY(!sensor.fireShot()); // within a second of the first
        sensor.generateFrames(99, T0);
        QVERIFY(!sensor.fireShot());
        sensor.generateFrames(1, T0);
        QVERIFY(sensor.fireShot());
        sensor.generateFrames(100, T0);
        QCOMPARE(shotStarts(samples(recorder.reads())), QList<int>({50, 150}));

        // Not within a second of a scheduled shot either.
        sensor.setShotInterval(2000); // next at frame 450
        sensor.generateFrames(160, T0);
        QVERIFY(!sensor.fireShot());
        sensor.generateFrames(50, T0);
        QVERIFY(!sensor.fireShot()); // 10 frames after it
        QCOMPARE(shotStarts(samples(recorder.reads())), QList<int>({50, 150, 450}));
        sensor.stopReading();
    }

    void shooterCalmsBeforeAShot()
    {
        SimulatedSensor sensor(8);
        sensor.setShotInterval(3000);
        const QList<SampleHeader> frames = samples(stream(sensor, 6100));
        const QList<int> starts = shotStarts(frames);
        QCOMPARE(starts.size(), 20);
        double calm = 0.0, restless = 0.0;
        for (int start : starts) {
            calm += meanStep(frames, start - 20, start);
            restless += meanStep(frames, start - 200, start - 100);
        }
        QVERIFY2(calm < 0.7 * restless,
                 qPrintable(QStringLiteral("%1 %2").arg(calm).arg(restless)));
    }

    void sameSeedSameFrames()
    {
        const auto run = [](quint32 seed) {
            SimulatedSensor sensor(seed);
            sensor.setShotInterval(1500);
            ReadRecorder recorder;
            sensor.setPacing(SimulatedSensor::Pacing::Driven);
            sensor.startReading(&recorder);
            out(sensor, 0x80);
            sensor.generateFrames(300, T0);
            sensor.fireShot();
            sensor.generateFrames(300, T0);
            sensor.stopReading();
            QList<QByteArray> bytes;
            for (const auto &read : recorder.reads())
                bytes << read.bytes;
            return std::make_pair(bytes, sensor.scene());
        };
        const auto first = run(42);
        QCOMPARE(first.first, run(42).first);
        QVERIFY(first.first != run(43).first);
        // The pure renderer gives the frames the sensor streamed.
        for (int i = 0; i < 600; i += 37)
            QCOMPARE(SimulatedSensor::renderFrame(first.second, i), first.first.at(i + 1));
    }

    void unplugWhileStreaming()
    {
        SimulatedSensor sensor;
        // Received in this thread: queued when emitted by the reader thread.
        QList<bool> changes;
        connect(&sensor, &SimulatedSensor::connectedChanged, this,
                [&changes](bool connected) { changes << connected; });
        ReadRecorder recorder;
        sensor.setPacing(SimulatedSensor::Pacing::Driven);
        sensor.startReading(&recorder);
        out(sensor, 0x82, 50);
        out(sensor, 0x80);
        sensor.unplugAfterFrames(30);
        QCOMPARE(sensor.generateFrames(100, T0), 30);
        QCOMPARE(changes, QList<bool>({false}));
        QVERIFY(!sensor.isConnected());
        QVERIFY(!sensor.isReading());
        QVERIFY(!sensor.open());
        QByteArray answer;
        QCOMPARE(in(sensor, 0x40, &answer), -1);

        // Plugged in again: a new connection, and the settings are gone.
        const quint64 connection = sensor.connectionNumber();
        sensor.setConnected(true);
        QCOMPARE(changes, QList<bool>({false, true}));
        QVERIFY(sensor.connectionNumber() != connection);
        QCOMPARE(sensor.shutter(), quint16(30));
        QVERIFY(!sensor.isStreaming());
        QVERIFY(sensor.startReading(&recorder)); // the old reader was released

        // In real time the reader thread ends by itself.
        sensor.stopReading();
        recorder.clear();
        sensor.setPacing(SimulatedSensor::Pacing::RealTime);
        sensor.startReading(&recorder);
        sensor.unplugAfterFrames(5);
        out(sensor, 0x80);
        QTRY_COMPARE_WITH_TIMEOUT(changes.size(), 3, 5000);
        QCOMPARE(changes.last(), false);
        QCOMPARE(samples(recorder.reads()).size(), 5);
        QVERIFY(!sensor.isReading());
        sensor.stopReading();
    }

    void realTimeDelivery()
    {
        SimulatedSensor sensor;
        ReadRecorder recorder;
        LibMisc::Clock::setManual(T0 + 123);
        QVERIFY(sensor.startReading(&recorder));
        QElapsedTimer elapsed;
        elapsed.start();
        out(sensor, 0x80);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.count() >= 21, 5000);
        sensor.stopReading();
        const qint64 ms = elapsed.elapsed();
        const auto reads = recorder.reads();
        QCOMPARE(reads.first().bytes, QByteArray("\x00\x80", 2));
        // Never faster than one frame per 10 ms.
        QVERIFY2(reads.size() - 1 <= ms / 10 + 1, qPrintable(QString::number(ms)));
        for (const auto &read : reads)
            QCOMPARE(read.timer, T0 + 123); // the process clock at delivery

        // Stopping is synchronous: nothing arrives afterwards.
        const int count = recorder.count();
        QThread::msleep(50);
        QCOMPARE(recorder.count(), count);
        QVERIFY(!sensor.isReading());
    }
};

QTEST_GUILESS_MAIN(TestSimulatedSensor)
#include "tst_simulatedsensor.moc"
