#include <capturefile.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using LibHardware::CaptureFile;

namespace {

const QByteArray GoodJson
        = "{\"serial\":\"00112233445566AA\",\"productId\":7937,\"hardwareVersion\":3,"
          "\"firmwareVersion\":25,\"protocolVersion\":16,\"protocolRevision\":1,\"settings\":"
          "\"0a0b0c\"}";

QByteArray u32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray i64(qint64 value)
{
    QByteArray bytes(8, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// A capture built byte by byte, independently of the writer.
QByteArray header(const QByteArray &json = GoodJson, quint32 version = 1)
{
    return "KAVROCAP" + u32(version) + u32(quint32(json.size())) + json;
}

QByteArray record(qint64 timer, const QByteArray &bytes)
{
    return i64(timer) + u32(quint32(bytes.size())) + bytes;
}

QByteArray withJson(const char *from, const char *to)
{
    QByteArray json = GoodJson;
    return json.replace(from, to);
}

} // namespace

class TestCaptureFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;

private slots:
    void roundTrip()
    {
        CaptureFile::Device device;
        device.serialNumber = QByteArray::fromHex("00000000000000ff");
        device.hardwareVersion = 3;
        device.firmwareVersion = 25;
        device.protocolVersion = 16;
        device.protocolRevision = 2;
        device.settings = QByteArray(26, '\x11');
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
        const QByteArray bytes = raw.readAll();
        const QByteArray json
                = "{\"serial\":\"00000000000000ff\",\"productId\":7937,"
                  "\"hardwareVersion\":3,\"firmwareVersion\":25,\"protocolVersion\":16,"
                  "\"protocolRevision\":2,\"settings\":\""
                + QByteArray(26, '\x11').toHex() + "\"}";
        const QByteArray expected = header(json)
                + record(1700000000000, QByteArray("\x88\x02\x00\x00\x00\x00\x80", 7))
                + record(-5, QByteArray()) + record(1700000000010, QByteArray(300, 'x'));
        QCOMPARE(bytes, expected);

        CaptureFile::Contents contents;
        QString error;
        QVERIFY(CaptureFile::read(path, &contents, &error));
        QVERIFY(error.isEmpty());
        QVERIFY(!contents.truncated);
        QCOMPARE(contents.device.serialNumber, device.serialNumber);
        QCOMPARE(contents.device.productId, 0x1F01);
        QCOMPARE(contents.device.protocolRevision, 2);
        QCOMPARE(contents.device.settings, device.settings);
        QCOMPARE(int(contents.records.size()), 3);
        QCOMPARE(contents.records[1].timer, qint64(-5));
        QVERIFY(contents.records[1].bytes.isEmpty());
        QCOMPARE(contents.records[2].bytes, QByteArray(300, 'x'));
    }

    void rejectsBadFiles_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QByteArray() << "not a capture file";
        QTest::newRow("bad magic") << "KAVROCAT" + header().mid(8) << "not a capture file";
        QTest::newRow("version 2") << header(GoodJson, 2) << "unknown capture format version 2";
        QTest::newRow("absurd header length")
                << "KAVROCAP" + u32(1) + u32(0xFFFFFFF0) + GoodJson << "implausible";
        QTest::newRow("header longer than the file")
                << "KAVROCAP" + u32(1) + u32(1000) + GoodJson << "ends inside the device";
        QTest::newRow("invalid JSON") << header("{\"serial\":") << "not valid JSON";
        QTest::newRow("JSON array") << header("[1,2]") << "not a JSON object";
        QTest::newRow("short serial") << header(withJson("66AA", "66A")) << "\"serial\"";
        QTest::newRow("non-hex serial") << header(withJson("66AA", "66AZ")) << "\"serial\"";
        QTest::newRow("no product id")
                << header(withJson("\"productId\"", "\"product\"")) << "\"productId\"";
        QTest::newRow("negative version")
                << header(withJson("\"firmwareVersion\":25", "\"firmwareVersion\":-1"))
                << "\"firmwareVersion\"";
        QTest::newRow("version as text")
                << header(withJson("\"protocolVersion\":16", "\"protocolVersion\":\"16\""))
                << "\"protocolVersion\"";
        QTest::newRow("odd settings hex") << header(withJson("0a0b0c", "0a0b0")) << "\"settings\"";
        QTest::newRow("settings too long")
                << header(withJson("0a0b0c", QByteArray(54, 'a'))) << "\"settings\"";
    }

    void rejectsBadFiles()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, message);
        CaptureFile::Contents contents;
        QString error;
        QVERIFY(!CaptureFile::parse(data, &contents, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(contents.records.empty());
    }

    void keepsTheRecordsBeforeDamage_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QString>("message");
        const QByteArray next = record(3, QByteArray(40, 'c'));
        QTest::newRow("cut in a record head") << next.left(7) << "inside the head of record 3";
        QTest::newRow("cut in a payload")
                << next.left(30) << "record 3 at offset 200 announces 40 bytes but only 18 remain";
        QTest::newRow("length beyond the file") << i64(3) + u32(100000) + "abc"
                                                << "announces 100000 bytes but only 3 remain";
        QTest::newRow("absurd length") << i64(3) + u32(0xFFFFFFFF) + "abc"
                                       << "more than the limit of 1048576";
    }

    void keepsTheRecordsBeforeDamage()
    {
        QFETCH(QByteArray, tail);
        QFETCH(QString, message);
        const QByteArray good = header() + record(1, "first") + record(2, "second");
        QCOMPARE(good.size(), 200);
        CaptureFile::Contents contents;
        QString error;
        QVERIFY(CaptureFile::parse(good + tail, &contents, &error));
        QVERIFY(contents.truncated);
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(int(contents.records.size()), 2);
        QCOMPARE(contents.records[1].timer, qint64(2));
        QCOMPARE(contents.records[1].bytes, QByteArray("second"));
    }

    void headerWithoutRecords()
    {
        CaptureFile::Contents contents;
        QString error;
        QVERIFY(CaptureFile::parse(header(), &contents, &error));
        QVERIFY(!contents.truncated);
        QVERIFY(contents.records.empty());
        QCOMPARE(contents.device.serialNumber, QByteArray::fromHex("00112233445566aa"));
        QCOMPARE(contents.device.settings, QByteArray::fromHex("0a0b0c"));
    }

    void survivesRandomDamage()
    {
        // Flipped and cut bytes anywhere: the reader must answer, never crash.
        QByteArray valid = header();
        for (int i = 0; i < 20; ++i)
            valid += record(i, QByteArray(i * 3, char(i)));
        QRandomGenerator random(7);
        for (int round = 0; round < 3000; ++round) {
            QByteArray data = valid;
            const int flips = 1 + random.bounded(4);
            for (int i = 0; i < flips; ++i)
                data[random.bounded(int(data.size()))] = char(random.bounded(256));
            if (random.bounded(4) == 0)
                data.truncate(random.bounded(int(data.size())));
            CaptureFile::Contents contents;
            QString error;
            const bool ok = CaptureFile::parse(data, &contents, &error);
            QVERIFY(ok || !error.isEmpty());
            QVERIFY(ok || contents.records.empty());
            QCOMPARE(contents.truncated, ok && !error.isEmpty());
        }
    }

    void reportsWriteErrors()
    {
        CaptureFile::Device device;
        device.serialNumber = QByteArray(8, '\1');
        CaptureFile file;
        QVERIFY(!file.append(1, "x"));
        QVERIFY(file.errorString().contains(QLatin1String("not open")));

        const QString missing = folder.filePath(QStringLiteral("no/such/folder/x.cap"));
        QVERIFY(!file.create(missing, device));
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

    void streamRecordFraming()
    {
        QCOMPARE(CaptureFile::streamRecord(QByteArray(54, 'h')),
                 QByteArray("\x88\x36\x00\x00\x00", 5) + QByteArray(54, 'h'));
    }
};

QTEST_GUILESS_MAIN(TestCaptureFile)
#include "tst_capturefile.moc"
