#include <capturefile.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using LibHardware::CaptureFile;

// kavro simulate, run as a separate process; its captures are read back
// with the capture reader.
class TestKavroSimulate : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;

    // Runs the tool; returns its exit code and keeps its standard output.
    int kavro(const QStringList &arguments, QByteArray *output = nullptr)
    {
        QProcess process;
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kavro"),
                      QStringList {QStringLiteral("simulate")} + arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            return -1;
        }
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QByteArray contentsOf(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void writesACaptureOfTheStream()
    {
        const QString path = folder.filePath(QStringLiteral("a.cap"));
        QByteArray output;
        QCOMPARE(kavro({QStringLiteral("--out"), path, QStringLiteral("--seconds"),
                        QStringLiteral("3"), QStringLiteral("--shot-every"), QStringLiteral("1")},
                       &output),
                 0);
        const QJsonObject summary = QJsonDocument::fromJson(output).object();
        QCOMPARE(summary.value(QLatin1String("frames")).toInt(), 300);

        QVERIFY(contentsOf(path).startsWith("KAVROCAP"));
        CaptureFile::Contents capture;
        QString error;
        QVERIFY2(CaptureFile::read(path, &capture, &error), qPrintable(error));
        QVERIFY(!capture.truncated);
        QCOMPARE(capture.device.serialNumber, QByteArray::fromHex("0000000000000001"));
        QCOMPARE(capture.device.productId, 0x1F01);
        QCOMPARE(capture.device.settings.size(), 26);

        // The start marker, 100 frames a second, the stop marker.
        const auto &records = capture.records;
        QCOMPARE(int(records.size()), 302);
        QCOMPARE(records.front().bytes, QByteArray("\x88\x02\x00\x00\x00\x00\x80", 7));
        QCOMPARE(records.back().bytes, QByteArray("\x88\x02\x00\x00\x00\x00\x81", 7));
        int shots = 0;
        quint16 previousLevel = 0;
        for (int i = 1; i <= 300; ++i) {
            const QByteArray &bytes = records[size_t(i)].bytes;
            QCOMPARE(bytes.size(), 5 + 54);
            QCOMPARE(quint8(bytes[0]), quint8(0x88));
            QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 1), 54);
            QCOMPARE(bytes[6], '\x02'); // header type
            QCOMPARE(records[size_t(i)].timer - records.front().timer, qint64(10 * (i - 1)));
            const quint16 level = qFromLittleEndian<quint16>(bytes.constData() + 5 + 32);
            if (level > 15 && previousLevel <= 15)
                ++shots;
            previousLevel = level;
        }
        QCOMPARE(shots, 2); // at 1 s and 2 s
    }

    void sameSeedSameFile()
    {
        const auto run = [this](const QString &name, const QStringList &options) {
            const QString path = folder.filePath(name);
            if (kavro(QStringList {QStringLiteral("--out"), path, QStringLiteral("--seconds"),
                                   QStringLiteral("2")}
                      + options)
                != 0)
                return QByteArray();
            return contentsOf(path);
        };
        const QByteArray first = run(QStringLiteral("s1.cap"), {QStringLiteral("--seed=5")});
        QVERIFY(!first.isEmpty());
        QCOMPARE(run(QStringLiteral("s2.cap"), {QStringLiteral("--seed=5")}), first);
        QVERIFY(run(QStringLiteral("s3.cap"), {QStringLiteral("--seed=6")}) != first);

        CaptureFile::Contents capture;
        QString error;
        const QString path = folder.filePath(QStringLiteral("serial.cap"));
        QCOMPARE(kavro({QStringLiteral("--out"), path, QStringLiteral("--seconds"),
                        QStringLiteral("0.5"), QStringLiteral("--serial"),
                        QStringLiteral("ABCDEF")}),
                 0);
        QVERIFY(CaptureFile::read(path, &capture, &error));
        QCOMPARE(capture.device.serialNumber, QByteArray::fromHex("0000000000abcdef"));
        QCOMPARE(int(capture.records.size()), 52);
    }

    void refusesBadOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no --out") << QStringList {QStringLiteral("--seconds=1")};
        QTest::newRow("unwritable") << QStringList {
                QStringLiteral("--out=") + folder.filePath(QStringLiteral("no/such/x.cap"))};
    }

    void refusesBadOptions()
    {
        QFETCH(QStringList, arguments);
        QCOMPARE(kavro(arguments), 1);
    }
};

QTEST_GUILESS_MAIN(TestKavroSimulate)
#include "tst_kavrosimulate.moc"
