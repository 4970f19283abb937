// Faults from outside the program. Sensors that go away at the worst
// moments: pulled out at every step of the sequence that opens and starts
// them; the controller must forget the device cleanly and take it back when
// it returns (a drop-out mid-exercise: tst_exerciseflow). A settings file
// full of garbage: values of the wrong type, out of range or not numbers at
// all for every key the program reads; the
// program must start, keep its limits and run a lane through an exercise
// with what it read.
#include <applicationdata.h>
#include <lanerig.h>
#include <rangedata.h>
#include <testenvironment.h>

#include <hardwarecontroller.h>
#include <session.h>
#include <trace.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace LibHardware;

namespace {

// The keys the program and its pages read, per lane and globally.
const char *const LaneKeys[]
        = {"device",         "caliber",        "distance",        "calibrationShotsPerSerie",
           "shotCountLimit", "withTimeLimits", "jointTime",       "separateCalibrationTime",
           "shootingMode",   "serieShotsTime", "autoCorrection",  "calibrationShotsTime",
           "currentOrg",     "currentOrgText", "withCalibration", "currentGroupText"};
const char *const GlobalKeys[]
        = {"maxRanges",        "maxSecondsBeforeShot", "window/x",          "window/y",
           "window/width",     "window/height",        "window/visibility", "window/confirmQuit",
           "sound/shotAiming", "printer/distance"};

// Values that are wrong in every way a hand-edited or damaged file can be,
// one after each '|'.
const QList<QByteArray> BadValues
        = QByteArray("|-1|99999999999999999999999|-9223372036854775808|1e400|nan|inf|0x7fffffff|"
                     "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x10garbage)|@Variant(|"
                     "@ByteArray(\\xff\\xfe)|@Rect(1 2 3)|@Point(x)|@Size(-1 -1)|@DateTime(\\0)|"
                     "\"unterminated|\\x0\\x0\\x0|true false|0123456789ABCDEF0123456789ABCDEF")
                  .split('|');

// Every key with a bad value; SENSOR stands for the sensor's serial number.
QByteArray hostileFile(quint32 seed)
{
    QRandomGenerator random(seed);
    const auto value = [&] { return BadValues.at(random.bounded(int(BadValues.size()))); };
    QByteArray text = "[General]\n";
    for (const char *key : GlobalKeys)
        text += QByteArray(key) + '=' + value() + '\n';
    for (int lane = 0; lane < 8; ++lane) {
        text += "[range" + QByteArray::number(lane) + "]\n";
        for (const char *key : LaneKeys)
            text += QByteArray(key) + '=' + value() + '\n';
    }
    return text + "[device_SENSOR]\nmicrophoneThreshold=" + value() + "\nmicrophoneMode=" + value()
            + '\n';
}

void writeSettingsFile(const QByteArray &contents)
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

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestEnvironment::resetUserState(); }

    // The sensor fails each kind of request of the sequence that opens and
    // starts it in turn and is pulled out; the removal arrives after the
    // failure, as a hot-plug event does. The first round notes the sequence.
    void unplugAtEveryStepOfOpenAndStart()
    {
        QList<quint8> sequence;
        for (int step = -1; step < sequence.size(); ++step) {
            SimulatedBackend backend;
            SimulatedSensor simulated(3);
            simulated.setPacing(SimulatedSensor::Pacing::Driven);
            const DeviceRef ref = DeviceRef::opticalSensor(simulated.serialNumber());
            HardwareController controller(nullptr, &backend);
            QSignalSpy states(&controller, &HardwareController::deviceStateChanged);
            QSignalSpy events(&controller, &HardwareController::opticalSensorEvent);
            controller.registerLane(0);
            controller.setLaneDevice(0, ref);
            controller.setLaneActive(0, true);
            const quint8 failing = step < 0 ? 0 : sequence.at(step);
            if (failing)
                simulated.failRequest(failing, SimulatedSensor::AlwaysFail);
            backend.plug(&simulated);
            if (failing) {
                const auto failed = [&] {
                    for (const ControlRequest &request : simulated.requests()) {
                        if (request.request == failing)
                            return true;
                    }
                    return false;
                };
                QTRY_VERIFY2(failed(), qPrintable(QString::number(failing, 16)));
                backend.unplug(&simulated);
                // The controller keeps nothing of the device but, once it had
                // a record, the record marked removed.
                QVERIFY(controller.connectedDevices().isEmpty());
                QVERIFY(!controller.sensorOf(ref));
                if (controller.knownDevices().contains(ref))
                    QCOMPARE(controller.knownDevices().value(ref), HardwareController::Removed);
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                // Plugged in again, it opens, streams and delivers samples.
                simulated.clearFailures();
                backend.plug(&simulated);
                QCOMPARE(states.last().at(1).value<HardwareController::DeviceState>(),
                         HardwareController::Opened);
            }
            QTRY_VERIFY2(simulated.isStreaming(), qPrintable(QString::number(failing, 16)));
            for (const ControlRequest &request : simulated.requests()) {
                if (step < 0 && !sequence.contains(request.request))
                    sequence << request.request;
            }
            QVERIFY(sequence.size() >= 10);
            QCOMPARE(simulated.generateFrames(10, 1700000000000), 10);
            QCOMPARE(events.count(), 10);
            QCOMPARE(controller.connectedDevices(), QList<DeviceRef>({ref}));
            backend.unplug(&simulated);
        }
    }

    void settingsFileFullOfGarbage_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("valid"); // the exercise must be shot and stored
        QTest::newRow("valid values")
                << QByteArray("[General]\nmaxRanges=1\n[range0]\ncaliber=4.5\ndistance=10\n"
                              "calibrationShotsPerSerie=0\nshotCountLimit=3\n"
                              "withTimeLimits=false\ncurrentOrgText=Dynamo\n")
                << true;
        for (quint32 seed = 1; seed <= 6; ++seed)
            QTest::addRow("hostile values %u", seed) << hostileFile(seed) << false;
    }

    void settingsFileFullOfGarbage()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, valid);
        LaneRig rig;
        writeSettingsFile(contents.replace("SENSOR", rig.serial().toLatin1()));
        if (QTest::currentTestFailed())
            return;
        if (contents.startsWith("[General]"))
            QVERIFY(!QSettings().allKeys().isEmpty()); // the file is what is read

        ApplicationData application;
        QCOMPARE(application.ranges().size(), application.maxRanges()); // limits: applicationdata

        // The first lane, set up from the file as the lane screens do.
        RangeData *lane = application.ranges().first();
        lane->setDeviceSerialNumber(rig.serial());
        QVERIFY(lane->ready());
        QVERIFY(lane->microphoneThreshold() >= 0 && lane->microphoneThreshold() <= 4096);
        const auto key = [](const char *name) { return QStringLiteral("range0/") + name; };
        const auto number = [&](const char *name, qlonglong fallback) {
            return int(application.intValue(key(name), fallback));
        };
        LibModel::Session *session = lane->session();
        session->setTargetDescriptor(application.targetManager()->findByUuid(
                QLatin1String(LibModel::TargetManager::AirRifleUuid)));
        session->setCaliber(application.realValue(key("caliber")));
        session->setDistance(application.realValue(key("distance")));
        session->setShooter(application.stringValue(key("currentOrgText")), {}, {});
        lane->setCalibrationShotsPerSerie(number("calibrationShotsPerSerie", 0));
        lane->setShotCountLimit(number("shotCountLimit", 1));
        lane->setWithTimeLimits(application.boolValue(key("withTimeLimits"), true));
        lane->setJointTime(number("jointTime", 30));
        lane->setCalibrationShotsTime(number("calibrationShotsTime", 10));
        lane->setShotsTime(number("serieShotsTime", 20));
        lane->setShootingMode(RangeData::ShootingMode(number("shootingMode", 1) & 3));
        lane->setState(RangeData::ShootingState);
        lane->setCalibrationMode(false);
        QVERIFY(rig.waitForStream());
        rig.frames(50);
        lane->changePhase();
        for (int shot = 0; shot < 3; ++shot)
            rig.shoot();

        // Whatever came of it can be offered for saving: it is stored whole
        // or, when the values make no valid session, not at all.
        const qsizetype shots = session->shots().size();
        QVERIFY(!valid || shots == 3);
        if (application.storage()->write(session)) {
            std::unique_ptr<LibModel::Session> read(
                    application.storage()->readSession(uint(session->id())));
            QVERIFY(read);
            QCOMPARE(read->shots().size(), shots);
        } else {
            QVERIFY(!valid);
            QCOMPARE(session->id(), 0);
            LibModel::Storage::Statistics statistics;
            QVERIFY(application.storage()->statistics(&statistics));
            QCOMPARE(statistics.sessions, 0);
        }
    }
};

KAVRO_TEST_MAIN(TestFaults, QApplication)
#include "tst_faults.moc"
