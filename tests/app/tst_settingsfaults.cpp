// A settings file full of garbage: random bytes, broken lines, and values
// of the wrong type, out of range or not numbers at all for every key the
// program reads. The program must start, keep its limits, give its pages
// usable values and run a lane through an exercise with what it read.
#include <applicationdata.h>
#include <rangedata.h>
#include <testenvironment.h>

#include <clock.h>
#include <hardwarecontroller.h>
#include <session.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <storage.h>
#include <targetmanager.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QTest>

#include <iterator>
#include <memory>

using namespace LibHardware;

namespace {

// The keys the program and its pages read, per lane and globally.
const char *const LaneKeys[] = {
        "device",
        "caliber",
        "distance",
        "calibrationShotsPerSerie",
        "shotCountLimit",
        "withTimeLimits",
        "separateCalibrationTime",
        "jointTime",
        "calibrationShotsTime",
        "serieShotsTime",
        "shootingMode",
        "autoCorrection",
        "withCalibration",
        "currentOrgText",
        "currentOrg",
        "currentGroupText",
};
const char *const GlobalKeys[] = {
        "maxRanges",        "maxSecondsBeforeShot", "window/x",          "window/y",
        "window/width",     "window/height",        "window/visibility", "window/confirmQuit",
        "sound/shotAiming", "printer/distance",
};

// Values that are wrong in every way a hand-edited or damaged file can be.
const char *const BadValues[] = {
        "",
        "-1",
        "99999999999999999999999",
        "-9223372036854775808",
        "1e400",
        "-1e400",
        "nan",
        "inf",
        "0x7fffffff",
        "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x10garbage)",
        "@Variant(",
        "@ByteArray(\\xff\\xfe)",
        "@Rect(1 2 3)",
        "@Point(x)",
        "@Size(-1 -1)",
        "@DateTime(\\0)",
        "\"unterminated",
        "\\x0\\x0\\x0",
        "true false",
        "ZZZZZZZZZZZZZZZZ",
        "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF",
};

QByteArray hostileFile(quint32 seed)
{
    QRandomGenerator random(seed);
    const auto value
            = [&] { return QByteArray(BadValues[random.bounded(int(std::size(BadValues)))]); };
    QByteArray text = "[General]\n";
    for (const char *key : GlobalKeys)
        text += QByteArray(key) + '=' + value() + '\n';
    for (int lane = 0; lane < 8; ++lane) {
        text += "[range" + QByteArray::number(lane) + "]\n";
        for (const char *key : LaneKeys)
            text += QByteArray(key) + '=' + value() + '\n';
    }
    text += "[device_0000000000000001]\nmicrophoneThreshold=" + value()
            + "\nmicrophoneMode=" + value() + '\n';
    return text;
}

QByteArray randomBytes(quint32 seed, int size)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    // Some structure, so that the parser gets past the first line.
    for (int i = 0; i < size; i += 97)
        bytes[i] = random.bounded(4) == 0 ? '[' : (random.bounded(2) ? '=' : '\n');
    return bytes;
}

} // namespace

class TestSettingsFaults : public QObject
{
    Q_OBJECT

private:
    SimulatedBackend *backend = nullptr; // owned by the process
    LibModel::TargetManager targets;

    static void writeSettingsFile(const QByteArray &contents)
    {
        const QString path = QSettings().fileName();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
        file.write(contents);
        file.close();
        // The toolkit re-reads a file whose time stamp moved: make sure it did,
        // even within one second of the last write.
        static int writes = 0;
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(++writes),
                                 QFileDevice::FileModificationTime));
    }

private slots:
    void initTestCase()
    {
        backend = new SimulatedBackend;
        UsbBackend::setInstance(backend);
    }

    void init() { TestEnvironment::resetUserState(); }

    void cleanup()
    {
        HardwareController::destroyInstance();
        LibMisc::Clock::reset();
    }

    void programStartsAndRunsAnExercise_data()
    {
        QTest::addColumn<QByteArray>("contents");
        for (quint32 seed = 1; seed <= 6; ++seed)
            QTest::addRow("hostile values %u", seed) << hostileFile(seed);
        QTest::newRow("random bytes") << randomBytes(7, 4096);
        QTest::newRow("random bytes, long") << randomBytes(8, 1 << 20);
        QTest::newRow("one endless line") << QByteArray(1 << 20, 'x');
        QTest::newRow("only a section") << QByteArray("[range0");
        QTest::newRow("NUL bytes") << QByteArray(512, '\0');
    }

    void programStartsAndRunsAnExercise()
    {
        QFETCH(QByteArray, contents);
        writeSettingsFile(contents);
        if (QTest::currentTestFailed())
            return;
        if (contents.startsWith("[General]"))
            QVERIFY(!QSettings().allKeys().isEmpty()); // the file is what is read

        auto simulated = std::make_unique<SimulatedSensor>(4);
        simulated->setPacing(SimulatedSensor::Pacing::Driven);
        QVERIFY(simulated->setSerialNumber(QByteArray::fromHex("0000000000000001")));
        backend->plug(simulated.get());

        ApplicationData application;
        QVERIFY(application.maxRanges() >= 1 && application.maxRanges() <= 6);
        QVERIFY(application.maxSecondsBeforeShot() >= 10
                && application.maxSecondsBeforeShot() <= 60);
        QCOMPARE(application.ranges().size(), application.maxRanges());
        for (const char *key : GlobalKeys) {
            application.intValue(QLatin1String(key), 7);
            application.realValue(QLatin1String(key), 7.0);
            application.boolValue(QLatin1String(key), true);
            application.stringValue(QLatin1String(key), QStringLiteral("d"));
        }

        // The first lane, set up from the file as the lane screens do.
        RangeData *lane = application.ranges().first();
        QVERIFY(lane->microphoneThreshold() >= 0 && lane->microphoneThreshold() <= 4096);
        lane->setDeviceSerialNumber(RangeData::serialText(simulated->serialNumber()));
        QVERIFY(lane->ready());
        const QString key = QStringLiteral("range%1/").arg(lane->index());
        const auto number = [&](const char *name, qlonglong fallback) {
            return int(application.intValue(key + QLatin1String(name), fallback));
        };
        LibModel::Session *session = lane->session();
        session->setTargetDescriptor(
                targets.findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
        session->setCaliber(application.realValue(key + QStringLiteral("caliber"), 0));
        session->setDistance(application.realValue(key + QStringLiteral("distance"), 0));
        session->setShooter(application.stringValue(key + QStringLiteral("currentOrgText")),
                            QString(), QString());
        lane->setCalibrationShotsPerSerie(number("calibrationShotsPerSerie", 0));
        lane->setShotCountLimit(number("shotCountLimit", 1));
        lane->setWithTimeLimits(
                application.boolValue(key + QStringLiteral("withTimeLimits"), true));
        lane->setJointTime(number("jointTime", 30));
        lane->setCalibrationShotsTime(number("calibrationShotsTime", 10));
        lane->setShotsTime(number("serieShotsTime", 20));
        lane->setShootingMode(RangeData::ShootingMode(number("shootingMode", 1) & 3));
        lane->setState(RangeData::ShootingState);
        lane->setCalibrationMode(false);
        QTRY_VERIFY(simulated->isStreaming());

        qint64 now = 1700000000000;
        const auto frames = [&](int count) {
            for (int i = 0; i < count; ++i) {
                LibMisc::Clock::setManual(now);
                simulated->generateFrames(1, now);
                now += 10;
            }
        };
        frames(50);
        lane->changePhase();
        for (int shot = 0; shot < 3; ++shot) {
            simulated->fireShot();
            frames(150);
        }
        // Whatever came of it can be offered for saving: it is stored whole
        // or, when the values make no valid session, not at all.
        const qsizetype shots = session->shots().size();
        if (session->write()) {
            std::unique_ptr<LibModel::Session> read(
                    application.storage()->readSession(uint(session->id())));
            QVERIFY(read);
            QCOMPARE(read->shots().size(), shots);
        } else {
            QCOMPARE(session->id(), 0);
            LibModel::Storage::Statistics statistics;
            QVERIFY(application.storage()->statistics(&statistics));
            QCOMPARE(statistics.sessions, 0);
        }

        HardwareController::instance()->setLaneActive(lane->index(), false);
        backend->unplug(simulated.get());
    }
};

KAVRO_TEST_MAIN(TestSettingsFaults, QApplication)
#include "tst_settingsfaults.moc"
