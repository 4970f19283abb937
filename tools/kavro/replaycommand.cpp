#include "replaycommand.h"
#include "arguments.h"
#include "commandline.h"
#include "databasecommands.h"
#include "orderedjsonobject.h"

#include <exercise.h>
#include <rangedata.h>

#include <clock.h>
#include <hardwarecontroller.h>
#include <replaybackend.h>
#include <session.h>
#include <sessionoutbox.h>
#include <shot.h>
#include <storage.h>
#include <storagelocation.h>
#include <targetdescriptor.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTextStream>

#include <memory>

using LibHardware::HardwareController;
using LibHardware::ReplayBackend;
using LibHardware::UsbBackend;

namespace {

void print(QTextStream &out, const OrderedJsonObject &line)
{
    out << line.toJson() << '\n';
}

// "X,Y" as a point; false when it is not two numbers.
bool parsePoint(const QString &text, QPointF *point)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return false;
    bool okX = false, okY = false;
    const double x = parts.at(0).trimmed().toDouble(&okX);
    const double y = parts.at(1).trimmed().toDouble(&okY);
    *point = QPointF(x, y);
    return okX && okY && std::isfinite(x) && std::isfinite(y);
}

bool integerOption(Arguments &args, const QString &name, int fallback, int *value)
{
    if (!args.has(name)) {
        *value = fallback;
        return true;
    }
    double number = 0.0;
    if (!args.number(name, &number) || number < 0 || number != std::floor(number) || number > 65535)
        return false;
    *value = int(number);
    return true;
}

// The session as the program keeps a finished one: into the outbox of the
// database, then delivered with whatever waits there before it. *id is the
// stored session's id, 0 while it is pending. Returns an error text when
// the session could not even be put into the outbox.
QString keep(const LibModel::Session &session, const QString &outboxFolder,
             LibModel::Storage *storage, qint64 *id)
{
    LibModel::SessionOutbox outbox(outboxFolder);
    if (!outbox.put(session))
        return QStringLiteral("the session could not be kept in %1: %2")
                .arg(outbox.folder(), outbox.lastError());
    *id = 0;
    if (!storage)
        return QString();
    outbox.deliver(storage);
    if (outbox.pendingUuids().contains(session.uuid()))
        return QString();
    QSqlQuery query(QSqlDatabase::database(storage->connectionName()));
    query.prepare(QStringLiteral("SELECT session_id FROM sessions WHERE uuid = ?;"));
    query.addBindValue(session.uuid());
    if (query.exec() && query.next())
        *id = query.value(0).toLongLong();
    return QString();
}

} // namespace

int ReplayCommand::run(const QStringList &arguments, QTextStream &out)
{
    const QSet<QString> valueOptions = {QStringLiteral("target"),
                                        QStringLiteral("distance"),
                                        QStringLiteral("caliber"),
                                        QStringLiteral("shots"),
                                        QStringLiteral("trial-shots"),
                                        QStringLiteral("offset"),
                                        QStringLiteral("calibration-angle"),
                                        QStringLiteral("threshold"),
                                        QStringLiteral("shots-time"),
                                        QStringLiteral("trial-time"),
                                        QStringLiteral("joint-time"),
                                        QStringLiteral("db"),
                                        QStringLiteral("shooter"),
                                        QStringLiteral("organization"),
                                        QStringLiteral("group")};
    Arguments args(arguments, valueOptions);
    double distance = 0.0, caliber = 0.0, angle = 0.0;
    int shots = 0, trialShots = 0, threshold = 0, shotsTime = 0, trialTime = 0, jointTime = 0;
    if (!args.isValid()
        || !args.require(
                {QStringLiteral("target"), QStringLiteral("distance"), QStringLiteral("caliber")})
        || !args.number(QStringLiteral("distance"), &distance)
        || !args.number(QStringLiteral("caliber"), &caliber))
        return CommandLine::fail(args.error());
    if (args.positional().size() != 1)
        return CommandLine::fail(QStringLiteral("replay needs exactly one capture file"));
    if (!integerOption(args, QStringLiteral("shots"), 10, &shots)
        || !integerOption(args, QStringLiteral("trial-shots"), 0, &trialShots)
        || !integerOption(args, QStringLiteral("threshold"), 15, &threshold)
        || !integerOption(args, QStringLiteral("shots-time"), 0, &shotsTime)
        || !integerOption(args, QStringLiteral("trial-time"), 0, &trialTime)
        || !integerOption(args, QStringLiteral("joint-time"), 0, &jointTime))
        return CommandLine::fail(args.isValid() ? QStringLiteral("counts and times must be whole "
                                                                 "numbers from 0 to 65535")
                                                : args.error());
    if (args.has(QStringLiteral("calibration-angle"))
        && !args.number(QStringLiteral("calibration-angle"), &angle))
        return CommandLine::fail(args.error());
    if (args.has(QStringLiteral("joint-time"))
        && (args.has(QStringLiteral("shots-time")) || args.has(QStringLiteral("trial-time"))))
        return CommandLine::fail(
                QStringLiteral("--joint-time excludes --shots-time and --trial-time"));
    if (args.has(QStringLiteral("trial-time")) && !args.has(QStringLiteral("shots-time")))
        return CommandLine::fail(QStringLiteral("--trial-time needs --shots-time"));
    QPointF offset;
    const bool withOffset = args.has(QStringLiteral("offset"));
    if (withOffset && !parsePoint(args.value(QStringLiteral("offset")), &offset))
        return CommandLine::fail(QStringLiteral("--offset takes X,Y"));
    const bool withDatabase = args.has(QStringLiteral("db"));
    if (withDatabase != args.has(QStringLiteral("shooter")))
        return CommandLine::fail(QStringLiteral("--db and --shooter go together"));

    LibModel::TargetManager targets;
    LibModel::TargetDescriptor *target
            = targets.findByUuidOrName(args.value(QStringLiteral("target")));
    if (!target)
        return CommandLine::fail(
                QStringLiteral("unknown target \"%1\"").arg(args.value(QStringLiteral("target"))));

    // A database that cannot be opened now (locked, read-only, damaged) does
    // not stop the replay: the session then waits in the outbox.
    const QString databasePath = args.value(QStringLiteral("db"));
    std::unique_ptr<LibModel::Storage> storage;
    QString outboxFolder;
    if (withDatabase) {
        if (databasePath.isEmpty())
            return CommandLine::fail(
                    QStringLiteral("option --db needs a file name or a database address"));
        const LibModel::StorageLocation location = LibModel::StorageLocation::parse(databasePath);
        if (!location.isValid())
            return CommandLine::fail(location.error());
        outboxFolder = DatabaseCommands::outboxFolder(location);
        storage = std::make_unique<LibModel::Storage>();
        if (!DatabaseCommands::open(*storage, databasePath, true).isEmpty())
            storage.reset();
    }

    QString error;
    std::unique_ptr<ReplayBackend> replay
            = ReplayBackend::fromFile(args.positional().first(), &error);
    if (!replay)
        return CommandLine::fail(
                QStringLiteral("cannot replay %1: %2").arg(args.positional().first(), error));
    if (replay->capture().records.empty())
        return CommandLine::fail(QStringLiteral("the capture holds no records"));
    ReplayBackend *backend = replay.get();
    backend->setMode(ReplayBackend::Driven);
    backend->setDrivesClock(true);
    UsbBackend::setInstance(replay.release());

    HardwareController *controller = HardwareController::instance();
    const QString serial = RangeData::serialText(backend->capture().device.serialNumber);
    auto lane = std::make_unique<RangeData>(0, storage.get());
    lane->setDeviceSerialNumber(serial);
    LibHardware::UsbImageSensor *sensor
            = lane->ready() ? controller->sensorOf(controller->deviceOfLane(0)) : nullptr;
    if (!sensor)
        return CommandLine::fail(QStringLiteral("the recorded sensor did not open"));

    // Everything the lane reports, one line each, stamped with the time of
    // the sensor event that caused it (the clock follows the records).
    QObject::connect(lane.get(), &RangeData::phaseChanged, lane.get(), [&] {
        print(out,
              OrderedJsonObject()
                      .insert(QStringLiteral("event"), QStringLiteral("phase"))
                      .insert(QStringLiteral("phase"), int(lane->phase()))
                      .insert(QStringLiteral("timer"), LibMisc::Clock::now()));
    });
    QObject::connect(
            lane.get(), &RangeData::calibrationShotMy, lane.get(),
            [&](QPointF point, QPointF hwPoint, double shotAngle, double result) {
                print(out,
                      OrderedJsonObject()
                              .insert(QStringLiteral("event"), QStringLiteral("calibrationShot"))
                              .insert(QStringLiteral("timer"), LibMisc::Clock::now())
                              .insert(QStringLiteral("x"), OrderedJsonObject::number(point.x()))
                              .insert(QStringLiteral("y"), OrderedJsonObject::number(point.y()))
                              .insert(QStringLiteral("hwX"), OrderedJsonObject::number(hwPoint.x()))
                              .insert(QStringLiteral("hwY"), OrderedJsonObject::number(hwPoint.y()))
                              .insert(QStringLiteral("angle"), OrderedJsonObject::number(shotAngle))
                              .insert(QStringLiteral("result"), OrderedJsonObject::number(result)));
            });
    QObject::connect(
            lane.get(), &RangeData::newShot, lane.get(),
            [&](LibModel::Shot *shot, QPointF hwPoint, double stab, double trigStab, double result,
                double area, double shotAngle) {
                const QPointF breach = shot->breach();
                print(out,
                      OrderedJsonObject()
                              .insert(QStringLiteral("event"), QStringLiteral("shot"))
                              .insert(QStringLiteral("timer"), LibMisc::Clock::now())
                              .insert(QStringLiteral("serieIndex"), shot->serieIndex())
                              .insert(QStringLiteral("offset"), shot->offset())
                              .insert(QStringLiteral("breachX"),
                                      OrderedJsonObject::number(breach.x()))
                              .insert(QStringLiteral("breachY"),
                                      OrderedJsonObject::number(breach.y()))
                              .insert(QStringLiteral("shotResult"),
                                      OrderedJsonObject::number(shot->result()))
                              .insert(QStringLiteral("result"), OrderedJsonObject::number(result))
                              .insert(QStringLiteral("stab"), OrderedJsonObject::number(stab))
                              .insert(QStringLiteral("trigStab"),
                                      OrderedJsonObject::number(trigStab))
                              .insert(QStringLiteral("area"), OrderedJsonObject::number(area))
                              .insert(QStringLiteral("timeSincePreviousShot"),
                                      OrderedJsonObject::number(lane->timeSincePreviousShot()))
                              .insert(QStringLiteral("angle"), OrderedJsonObject::number(shotAngle))
                              .insert(QStringLiteral("hwX"), OrderedJsonObject::number(hwPoint.x()))
                              .insert(QStringLiteral("hwY"),
                                      OrderedJsonObject::number(hwPoint.y())));
            });

    // The lane's set-up, in the order the lane screens use.
    LibModel::Session *session = lane->session();
    session->setTargetDescriptor(target);
    session->setDistance(distance);
    session->setCaliber(caliber);
    if (withDatabase) {
        const QString name = args.value(QStringLiteral("shooter"));
        const QString organization = args.value(QStringLiteral("organization"));
        const QString group = args.value(QStringLiteral("group"));
        // A new person is made together with the session when that is
        // stored, so a database refusing writes is waited on only once.
        if (storage && storage->findShooter(name, organization, group).id > 0) {
            session->setShooter(name, organization, group);
        } else {
            LibModel::ShooterRecord person;
            person.setName(name);
            person.setOrganization(organization);
            person.setGroup(group);
            session->setShooterRecord(person);
        }
    }
    // The exercise as the program runs it, without its calibration screen
    // and without the trial shots' correction; the tool writes the session.
    Exercise::Settings exercise;
    exercise.shots = shots;
    exercise.trialShots = trialShots;
    exercise.withTimeLimits
            = args.has(QStringLiteral("joint-time")) || args.has(QStringLiteral("shots-time"));
    exercise.withJointTime = args.has(QStringLiteral("joint-time"));
    exercise.jointTime = jointTime;
    exercise.shotsTime = shotsTime;
    exercise.trialTime = trialTime;
    exercise.shootingMode = RangeData::TrainingMode;
    lane->setMicrophoneThreshold(threshold);
    lane->setState(RangeData::ShootingState);
    lane->setCalibrationOffset(
            withOffset ? offset : QPointF(sensor->settingsWord4(), sensor->settingsWord6()));
    lane->setCalibrationAngle(angle);
    lane->setCalibrationMode(false);
    lane->exercise()->setSavesAtEnd(false);
    lane->exercise()->begin(exercise);

    // The controller starts the stream from its event loop.
    QElapsedTimer waiting;
    waiting.start();
    while (!sensor->isPolling() && waiting.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!sensor->isPolling())
        return CommandLine::fail(QStringLiteral("the recorded sensor did not start streaming"));
    while (backend->deliverNext()) { }
    lane->cutCurrTrace();

    OrderedJsonObject line;
    line.insert(QStringLiteral("event"), QStringLiteral("session"))
            .insert(QStringLiteral("shots"), int(session->shots().size()))
            .insert(QStringLiteral("result"), OrderedJsonObject::number(session->result()))
            .insert(QStringLiteral("resultInt"), session->resultInt());
    qint64 id = 0;
    if (withDatabase && !session->shots().isEmpty()) {
        error = keep(*session, outboxFolder, storage.get(), &id);
        if (!error.isEmpty())
            return CommandLine::fail(error);
        line.insert(QStringLiteral("saved"),
                    id > 0 ? QStringLiteral("database") : QStringLiteral("pending"));
    }
    print(out, line.insert(QStringLiteral("id"), id));
    out.flush();
    lane.reset();
    HardwareController::destroyInstance();
    return 0;
}
