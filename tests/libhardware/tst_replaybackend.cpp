#include "readrecorder.h"

#include <capturefile.h>
#include <clock.h>
#include <replaybackend.h>
#include <usbhandle.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace LibHardware;

namespace {

constexpr qint64 T0 = 1700000000000;

// A capture of `count` records `gap` ms apart (the first gap doubled, to
// see that the timers are the recorded ones, not made up).
CaptureFile::Contents capture(int count, qint64 gap = 10)
{
    CaptureFile::Contents contents;
    contents.device.serialNumber = QByteArray::fromHex("a1a2a3a4a5a6a7a8");
    contents.device.hardwareVersion = 4;
    contents.device.firmwareVersion = 22;
    contents.device.protocolVersion = 17;
    contents.device.protocolRevision = 1;
    contents.device.settings = QByteArray::fromHex("0102030405");
    qint64 timer = T0;
    for (int i = 0; i < count; ++i) {
        contents.records.push_back(
                {timer, CaptureFile::streamRecord(QByteArray(1 + i % 7, char(i)))});
        timer += i == 0 ? 2 * gap : gap;
    }
    return contents;
}

std::unique_ptr<UsbHandle> openReplay(ReplayBackend &backend)
{
    return backend.open(backend.devicePath(), nullptr);
}

} // namespace

class TestReplayBackend : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LibMisc::Clock::reset(); }

    void listsOneDevice()
    {
        ReplayBackend backend(capture(3));
        const QStringList paths = backend.devicePaths(0x1224, 0x1F01);
        QCOMPARE(paths, QStringList({backend.devicePath()}));
        QVERIFY(paths.first().contains(QLatin1String("VID_1224&PID_1F01")));
        QVERIFY(paths.first().endsWith(QLatin1String("{6DD29847-8B42-4AB4-AB06-4B9BF751334C}")));
        QVERIFY(backend.devicePaths(0x1224, 0x0A).isEmpty());
        QVERIFY(backend.startMonitoring(0x1224, 0x1F01));

        QString error;
        QVERIFY(!backend.open(QStringLiteral("\\\\?\\USB#VID_1224&PID_1F01#X#"), &error));
        QVERIFY(!error.isEmpty());
        std::unique_ptr<UsbHandle> handle = openReplay(backend);
        QVERIFY(handle);
        QVERIFY(handle->deliversFramedRecords());
        QVERIFY(!backend.open(backend.devicePath(), &error)); // not shared
        handle.reset();
        QVERIFY(openReplay(backend));
    }

    void answersTheOpenSequenceFromTheHeader_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("0x40 serial") << 0x40 << QByteArray::fromHex("a1a2a3a4a5a6a7a8");
        QTest::newRow("0x44 versions") << 0x44 << QByteArray::fromHex("16000400");
        QTest::newRow("0x45 protocol") << 0x45 << QByteArray::fromHex("11000100");
        QTest::newRow("0xA5 protocol") << 0xA5 << QByteArray::fromHex("1100");
        QTest::newRow("0xA2 settings size") << 0xA2 << QByteArray::fromHex("0500");
        QTest::newRow("0xA3 settings") << 0xA3 << QByteArray::fromHex("0102030405");
        QTest::newRow("0xD0 extra word") << 0xD0 << QByteArray::fromHex("0000");
    }

    void answersTheOpenSequenceFromTheHeader()
    {
        QFETCH(int, request);
        QFETCH(QByteArray, expected);
        ReplayBackend backend(capture(1));
        std::unique_ptr<UsbHandle> handle = openReplay(backend);
        QByteArray buffer(64, '\0');
        const int n = handle->controlTransfer(UsbHandle::VendorIn, quint8(request), 0, 0,
                                              buffer.data(), 64);
        QCOMPARE(buffer.left(n), expected);
    }

    void acceptsAndLogsHostRequests()
    {
        ReplayBackend backend(capture(1));
        std::unique_ptr<UsbHandle> handle = openReplay(backend);
        QByteArray kernel("\x01\x02\x03", 3);
        QCOMPARE(handle->controlTransfer(UsbHandle::VendorOut, 0xB2, 1, 0, kernel.data(), 3), 3);
        QCOMPARE(handle->controlTransfer(UsbHandle::VendorOut, 0x77, 5, 6, nullptr, 0), 0);
        char byte = 0;
        QCOMPARE(handle->controlTransfer(UsbHandle::VendorIn, 0x41, 0, 0, &byte, 1), -1);
        const auto log = backend.requests();
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[0].request, quint8(0xB2));
        QCOMPARE(log[0].data, kernel);
        QCOMPARE(log[1].index, quint16(6));
        QVERIFY(log[2].isDeviceToHost());
        backend.clearRequests();
        QVERIFY(backend.requests().isEmpty());
    }

    void drivenModeDeliversTheRecords()
    {
        const CaptureFile::Contents contents = capture(25);
        ReplayBackend backend(contents);
        backend.setMode(ReplayBackend::Driven);
        QSignalSpy ended(&backend, &ReplayBackend::captureEnded);
        std::unique_ptr<UsbHandle> handle = openReplay(backend);
        QVERIFY(!backend.deliverNext()); // nobody reads yet

        ReadRecorder recorder;
        QVERIFY(handle->startReading(&recorder));
        for (int i = 0; i < 10; ++i)
            QVERIFY(backend.deliverNext());
        QCOMPARE(backend.position(), 10);
        // The position survives stopping, closing and reopening.
        handle.reset();
        QVERIFY(!backend.deliverNext());
        handle = openReplay(backend);
        handle->startReading(&recorder);
        while (backend.deliverNext()) { }
        QVERIFY(backend.atEnd());
        QCOMPARE(ended.size(), 1);

        const auto reads = recorder.reads();
        QCOMPARE(int(reads.size()), 25);
        for (int i = 0; i < 25; ++i) {
            QCOMPARE(reads[i].timer, contents.records[i].timer);
            QCOMPARE(reads[i].bytes, contents.records[i].bytes);
        }
        QVERIFY(!backend.deliverNext());
        QCOMPARE(ended.size(), 1);
    }

    void drivesTheProcessClock()
    {
        const CaptureFile::Contents contents = capture(5);
        ReplayBackend backend(contents);
        backend.setMode(ReplayBackend::Driven);
        backend.setDrivesClock(true);
        QVERIFY(LibMisc::Clock::isManual());
        QCOMPARE(LibMisc::Clock::now(), T0); // the first record's, before any delivery
        std::unique_ptr<UsbHandle> handle = openReplay(backend);
        ReadRecorder recorder;
        handle->startReading(&recorder);
        while (backend.deliverNext()) { }
        for (const auto &read : recorder.reads())
            QCOMPARE(read.clockAtDelivery, read.timer);
        QCOMPARE(LibMisc::Clock::now(), contents.records.back().timer);
    }

    void pacedModeKeepsThePace()
    {
        const CaptureFile::Contents contents = capture(16, 20); // 320 ms in all
        ReplayBackend backend(contents);
        // Emitted by the reader thread, received here through the event loop.
        int ended = 0;
        connect(&backend, &ReplayBackend::captureEnded, this, [&ended] { ++ended; });
        std::unique_ptr<UsbHandle> handle = openReplay(backend);
        ReadRecorder recorder;
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(handle->startReading(&recorder));
        QVERIFY(!backend.deliverNext()); // the reader thread's job
        QTRY_COMPARE_WITH_TIMEOUT(ended, 1, 10000);
        QVERIFY2(elapsed.elapsed() >= 250, qPrintable(QString::number(elapsed.elapsed())));
        const auto reads = recorder.reads();
        QCOMPARE(int(reads.size()), 16);
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(reads[i].timer, contents.records[i].timer);
            QCOMPARE(reads[i].bytes, contents.records[i].bytes);
        }
        handle->stopReading();
    }

    void pacedModeStopsSynchronously()
    {
        ReplayBackend backend(capture(5, 2000));
        std::unique_ptr<UsbHandle> handle = openReplay(backend);
        ReadRecorder recorder;
        handle->startReading(&recorder);
        QTRY_COMPARE(recorder.count(), 1); // the first goes out at once
        QElapsedTimer elapsed;
        elapsed.start();
        handle->stopReading(); // in the middle of a 4 s wait
        QVERIFY(elapsed.elapsed() < 1000);
        QVERIFY(!handle->isReading());
        QThread::msleep(50);
        QCOMPARE(recorder.count(), 1);
        QCOMPARE(backend.position(), 1);
    }

    void fromFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("c.cap"));
        const CaptureFile::Contents contents = capture(4);
        CaptureFile file;
        QVERIFY(file.create(path, contents.device));
        for (const auto &record : contents.records)
            file.append(record.timer, record.bytes);
        file.append(99, QByteArray()); // then cut the last record's head short
        QVERIFY(file.close());
        QFile cut(path);
        QVERIFY(cut.resize(cut.size() - 3));

        QString error;
        std::unique_ptr<ReplayBackend> backend = ReplayBackend::fromFile(path, &error);
        QVERIFY(backend);
        QVERIFY(error.contains(QLatin1String("truncated")));
        QCOMPARE(backend->recordCount(), 4);
        QCOMPARE(backend->capture().device.serialNumber, contents.device.serialNumber);

        QVERIFY(!ReplayBackend::fromFile(folder.filePath(QStringLiteral("none")), &error));
        QVERIFY(error.contains(QLatin1String("cannot open")));
    }

    void handleOutlivingTheBackendIsDead()
    {
        auto backend = std::make_unique<ReplayBackend>(capture(3));
        std::unique_ptr<UsbHandle> handle = openReplay(*backend);
        ReadRecorder recorder;
        handle->startReading(&recorder);
        backend.reset();
        char serial[8];
        QCOMPARE(handle->controlTransfer(UsbHandle::VendorIn, 0x40, 0, 0, serial, 8), -1);
        QVERIFY(!handle->isReading());
        QVERIFY(!handle->startReading(&recorder));
    }
};

QTEST_GUILESS_MAIN(TestReplayBackend)
#include "tst_replaybackend.moc"
