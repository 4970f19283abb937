#include "readrecorder.h"

#include <capturefile.h>
#include <clock.h>
#include <replaybackend.h>
#include <usbimagesensor.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <limits>

using namespace LibHardware;

namespace {

constexpr qint64 T0 = 1700000000000;

const QByteArray GoodJson
        = "{\"serial\":\"00112233445566AA\",\"productId\":7937,\"hardwareVersion\":3,"
          "\"firmwareVersion\":25,\"protocolVersion\":16,\"protocolRevision\":1,\"settings\":"
          "\"0a0b0c\"}";

template<typename T>
QByteArray le(T value)
{
    QByteArray bytes(sizeof(T), '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// A capture built byte by byte, independently of the writer.
QByteArray header(const QByteArray &json = GoodJson, quint32 version = 1)
{
    return "KAVROCAP" + le(version) + le(quint32(json.size())) + json;
}

QByteArray record(qint64 timer, const QByteArray &bytes)
{
    return le(timer) + le(quint32(bytes.size())) + bytes;
}

QByteArray withJson(const char *from, const char *to)
{
    return QByteArray(GoodJson).replace(from, to);
}

// A capture of `count` records `gap` ms apart (the first gap doubled, to
// see that the timers are the recorded ones, not made up).
CaptureFile::Contents capture(int count, qint64 gap = 10)
{
    CaptureFile::Contents contents;
    contents.device = {QByteArray::fromHex("a1a2a3a4a5a6a7a8"), 0x1F01, 4, 22, 17, 1,
                       QByteArray::fromHex("0102030405")};
    for (int i = 0; i < count; ++i) {
        const qint64 timer = T0 + (i ? (i + 1) * gap : 0);
        contents.records.push_back(
                {timer, CaptureFile::streamRecord(QByteArray(1 + i % 7, char(i)))});
    }
    return contents;
}

std::unique_ptr<UsbHandle> openReplay(ReplayBackend &backend)
{
    return backend.open(backend.devicePath(), nullptr);
}

// The reads match the capture's records, timers and bytes.
bool replayed(const QList<ReadRecorder::Read> &reads, const CaptureFile::Contents &contents)
{
    return std::equal(reads.begin(), reads.end(), contents.records.begin(), contents.records.end(),
                      [](const auto &read, const auto &record) {
                          return read.timer == record.timer && read.bytes == record.bytes;
                      });
}

} // namespace

// Captures: the file format, and replaying a capture as a device.
class TestCaptures : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;

private slots:
    void cleanup() { LibMisc::Clock::reset(); }

    void roundTrip()
    {
        const CaptureFile::Device device {QByteArray::fromHex("00000000000000ff"),
                                          0x1F01,
                                          3,
                                          25,
                                          16,
                                          2,
                                          QByteArray(26, '\x11')};
        const QString path = folder.filePath(QStringLiteral("round.cap"));
        CaptureFile file;
        QVERIFY2(file.create(path, device), qPrintable(file.errorString()));
        QVERIFY(file.append(1700000000000, CaptureFile::streamRecord(QByteArray("\x00\x80", 2))));
        QVERIFY(file.append(-5, QByteArray()));
        QVERIFY(file.append(1700000000010, QByteArray(300, 'x')));
        QVERIFY(file.close());

        // The layout on disk, field by field.
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray json
                = "{\"serial\":\"00000000000000ff\",\"productId\":7937,"
                  "\"hardwareVersion\":3,\"firmwareVersion\":25,\"protocolVersion\":16,"
                  "\"protocolRevision\":2,\"settings\":\""
                + QByteArray(26, '\x11').toHex() + "\"}";
        QCOMPARE(raw.readAll(),
                 header(json) + record(1700000000000, QByteArray("\x88\x02\x00\x00\x00\x00\x80", 7))
                         + record(-5, QByteArray()) + record(1700000000010, QByteArray(300, 'x')));
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("records"); // -1: refused
        QTest::addColumn<QString>("message");
        const QByteArray good = header() + record(1, "first") + record(2, "second");
        QCOMPARE(good.size(), 200);
        const QByteArray next = record(3, QByteArray(40, 'c'));
        QTest::newRow("good") << good << 2 << "";
        // A damaged record section keeps the records before the damage.
        QTest::newRow("cut in a record head")
                << good + next.left(7) << 2 << "inside the head of record 3";
        QTest::newRow("cut in a payload")
                << good + next.left(30) << 2
                << "record 3 at offset 200 announces 40 bytes but only 18 remain";
        QTest::newRow("absurd length") << good + le(3ll) + le(0xFFFFFFFFu) + "abc" << 2
                                       << "more than the limit of 1048576";
        // A damaged header refuses the file.
        QTest::newRow("empty") << QByteArray() << -1 << "not a capture file";
        QTest::newRow("bad magic") << "KAVROCAT" + header().mid(8) << -1 << "not a capture file";
        QTest::newRow("version 2")
                << header(GoodJson, 2) << -1 << "unknown capture format version 2";
        QTest::newRow("absurd header length")
                << "KAVROCAP" + le(1u) + le(0xFFFFFFF0u) + GoodJson << -1 << "implausible";
        QTest::newRow("header longer than the file")
                << "KAVROCAP" + le(1u) + le(1000u) + GoodJson << -1 << "ends inside the device";
        QTest::newRow("invalid JSON") << header("{\"serial\":") << -1 << "not valid JSON";
        QTest::newRow("JSON array") << header("[1,2]") << -1 << "not a JSON object";
        QTest::newRow("short serial") << header(withJson("66AA", "66A")) << -1 << "\"serial\"";
        QTest::newRow("odd settings hex")
                << header(withJson("0a0b0c", "0a0b0")) << -1 << "\"settings\"";
    }

    void parse()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, records);
        QFETCH(QString, message);
        CaptureFile::Contents contents;
        QString error;
        QCOMPARE(CaptureFile::parse(data, &contents, &error), records >= 0);
        QVERIFY2(error.contains(message) && error.isEmpty() == message.isEmpty(),
                 qPrintable(error));
        QCOMPARE(contents.truncated, records >= 0 && !message.isEmpty());
        QCOMPARE(int(contents.records.size()), std::max(records, 0));
        if (records > 0) {
            QCOMPARE(contents.device.serialNumber, QByteArray::fromHex("00112233445566aa"));
            QCOMPARE(contents.device.settings, QByteArray::fromHex("0a0b0c"));
            QCOMPARE(contents.records[1].timer, qint64(2));
            QCOMPARE(contents.records[1].bytes, QByteArray("second"));
        }
    }

    void reportsWriteErrors()
    {
        const CaptureFile::Device device {QByteArray(8, '\1'), 0x1F01, 0, 0, 0, 0, {}};
        CaptureFile file;
        QVERIFY(!file.append(1, "x"));
        QVERIFY(file.errorString().contains(QLatin1String("not open")));
        QVERIFY(!file.create(folder.filePath(QStringLiteral("no/such/folder/x.cap")), device));
        QVERIFY(file.errorString().contains(QLatin1String("cannot create")));

        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full to fill");
        QVERIFY(file.create(QStringLiteral("/dev/full"), device));
        file.append(1, QByteArray(100000, 'x'));
        QVERIFY(!file.flush());
        QVERIFY(file.errorString().contains(QLatin1String("cannot write")));
        QVERIFY(!file.append(2, "y")); // the error sticks
        QVERIFY(!file.close());
    }

    void oneDeviceAnsweringFromTheCapture()
    {
        ReplayBackend backend(capture(1));
        QCOMPARE(backend.devicePaths(0x1224, 0x1F01),
                 QStringList({makeDevicePath(0x1224, 0x1F01, QStringLiteral("REPLAY"))}));
        QVERIFY(!backend.open(makeDevicePath(0x1224, 0x1F01, QStringLiteral("X")), nullptr));

        // The open sequence is answered from the capture's device
        // description; the host's own requests are accepted and logged.
        UsbImageSensor sensor(nullptr, &backend);
        QVERIFY(sensor.open({backend.devicePath(), 0x1224, 0x1F01}));
        QCOMPARE(sensor.serialNumber(), QByteArray::fromHex("a1a2a3a4a5a6a7a8"));
        QCOMPARE(QList<int>({sensor.firmwareVersion(), sensor.hardwareVersion(),
                             sensor.protocolVersion(), sensor.protocolRevision(),
                             sensor.extraWord()}),
                 QList<int>({22, 4, 17, 1, 0}));
        QCOMPARE(sensor.settingsBlock(), QByteArray::fromHex("0102030405"));

        QVERIFY(!openReplay(backend)); // not shared
        sensor.close();
        std::unique_ptr<UsbHandle> handle = openReplay(backend);
        QVERIFY(handle && handle->deliversFramedRecords());
        // A write is taken, of any size, and the recording's answers stay.
        QByteArray block = QByteArray::fromHex("0a0b0c");
        QCOMPARE(handle->controlTransfer(UsbHandle::VendorOut, 0xA4, 0, 0, block.data(), 3), 3);
        char read[5];
        QCOMPARE(handle->controlTransfer(UsbHandle::VendorIn, 0xA3, 0, 0, read, 5), 5);
        QCOMPARE(QByteArray(read, 5), QByteArray::fromHex("0102030405"));
    }

    void drivenModeDeliversTheRecordsAndSetsTheClock()
    {
        const CaptureFile::Contents contents = capture(25);
        ReplayBackend backend(contents);
        backend.setMode(ReplayBackend::Driven);
        backend.setDrivesClock(true);
        QCOMPARE(LibMisc::Clock::now(), T0); // the first record's, before any delivery
        QSignalSpy ended(&backend, &ReplayBackend::captureEnded);
        std::unique_ptr<UsbHandle> handle = openReplay(backend);
        QVERIFY(!backend.deliverNext()); // nobody reads yet

        ReadRecorder recorder;
        QVERIFY(handle->startReading(&recorder));
        for (int i = 0; i < 10; ++i)
            QVERIFY(backend.deliverNext());
        // The position survives stopping, closing and reopening.
        handle.reset();
        QVERIFY(!backend.deliverNext());
        handle = openReplay(backend);
        handle->startReading(&recorder);
        while (backend.deliverNext()) { }
        QCOMPARE(ended.size(), 1);
        QVERIFY(replayed(recorder.reads(), contents));
        for (const auto &read : recorder.reads())
            QCOMPARE(read.clockAtDelivery, read.timer);
    }

    // Paced mode keeps the recorded gaps: records 20 ms apart, then one an
    // hour later, whose wait stopping must cut short (else the test would
    // not end).
    void pacedModeKeepsTheGapsAndStops()
    {
        QCOMPARE(ReplayBackend::pacedGap(100, 120), 20);
        QCOMPARE(ReplayBackend::pacedGap(120, 100), 0);
        QCOMPARE(ReplayBackend::pacedGap(0, 7200 * 1000), 3600 * 1000);
        QCOMPARE(ReplayBackend::pacedGap(std::numeric_limits<qint64>::min(),
                                         std::numeric_limits<qint64>::max()),
                 3600 * 1000);

        CaptureFile::Contents contents = capture(17, 20);
        contents.records.back().timer += 3600 * 1000;
        ReplayBackend backend(contents);
        std::unique_ptr<UsbHandle> handle = openReplay(backend);
        ReadRecorder recorder;
        QVERIFY(handle->startReading(&recorder));
        recorder.waitForCount(16);
        handle->stopReading();
        QVERIFY(!handle->isReading());
        QCOMPARE(backend.position(), 16);
        contents.records.pop_back();
        QVERIFY(replayed(recorder.reads(), contents));
    }

    void fromFile()
    {
        // A truncated capture replays its intact records, with a word why.
        QFile file(folder.filePath(QStringLiteral("c.cap")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(header() + record(1, "first") + record(2, "second").chopped(1));
        file.close();
        QString error;
        std::unique_ptr<ReplayBackend> backend = ReplayBackend::fromFile(file.fileName(), &error);
        QVERIFY(backend && error.contains(QLatin1String("truncated")));
        QCOMPARE(backend->recordCount(), 1);
        QVERIFY(!ReplayBackend::fromFile(folder.filePath(QStringLiteral("none")), &error));
        QVERIFY(error.contains(QLatin1String("cannot open")));
    }

    void handleOutlivingTheBackendIsDead()
    {
        auto backend = std::make_unique<ReplayBackend>(capture(3));
        std::unique_ptr<UsbHandle> handle = openReplay(*backend);
        backend.reset();
        char serial[8];
        QCOMPARE(handle->controlTransfer(UsbHandle::VendorIn, 0x40, 0, 0, serial, 8), -1);
        ReadRecorder recorder;
        QVERIFY(!handle->startReading(&recorder));
        QVERIFY(!handle->isReading());
    }
};

QTEST_GUILESS_MAIN(TestCaptures)
#include "tst_captures.moc"
