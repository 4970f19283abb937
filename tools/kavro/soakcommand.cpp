#include "soakcommand.h"
#include "arguments.h"
#include "commandline.h"
#include "databasecommands.h"
#include "orderedjsonobject.h"

#include <rangedata.h>

#include <clock.h>
#include <hardwarecontroller.h>
#include <session.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <storage.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <memory>
#include <vector>

using LibHardware::HardwareController;
using LibHardware::SimulatedBackend;
using LibHardware::SimulatedSensor;

namespace {

constexpr qint64 Start = 1700000000000;

// A line of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 when unknown.
qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

bool wholeNumber(Arguments &args, const QString &name, int low, int high, int *value)
{
    if (!args.has(name))
        return true;
    double number = 0.0;
    if (!args.number(name, &number) || number != std::floor(number) || number < low
        || number > high)
        return false;
    *value = int(number);
    return true;
}

// One lane's exercise as the lane screens set it up: the target, the
// shooter, the counts and times, then aiming (calibration off) and the
// shooter confirmed (the first phase).
void startExercise(RangeData *lane, LibModel::TargetDescriptor *target, int number, int shots)
{
    LibModel::Session *session = lane->session();
    session->setTargetDescriptor(target);
    session->setDistance(10.0);
    session->setCaliber(4.5);
    session->setShooter(QStringLiteral("Lane %1 shooter %2").arg(lane->index()).arg(number % 7),
                        QStringLiteral("Soak"), QStringLiteral("G%1").arg(number % 3));
    session->setCompetitionName(QStringLiteral("Soak %1").arg(lane->index()));
    // Lanes differ: trial shots first on odd lanes, a time limit on lane 5.
    lane->setCalibrationShotsPerSerie(lane->index() % 2 == 1 ? 2 : 0);
    lane->setShotCountLimit(shots);
    const bool timed = lane->index() == 5;
    lane->setWithTimeLimits(timed);
    lane->setShotsTime(timed ? 3 * shots : 0);
    lane->setCalibrationShotsTime(timed ? 10 : 0);
    lane->setState(RangeData::ShootingState);
    lane->setCalibrationOffset(QPointF(376, 240));
    lane->setCalibrationMode(false);
    lane->changePhase();
}

} // namespace

int SoakCommand::run(const QStringList &arguments, QTextStream &out)
{
    Arguments args(arguments,
                   {QStringLiteral("lanes"), QStringLiteral("seconds"), QStringLiteral("shots"),
                    QStringLiteral("report-every"), QStringLiteral("max-growth-mb"),
                    QStringLiteral("db")});
    int lanes = 6, seconds = 3600, shots = 10, reportEvery = 600, maxGrowth = 16;
    if (!args.isValid())
        return CommandLine::fail(args.error());
    if (!args.positional().isEmpty())
        return CommandLine::fail(QStringLiteral("soak takes no file"));
    if (!wholeNumber(args, QStringLiteral("lanes"), 1, 6, &lanes)
        || !wholeNumber(args, QStringLiteral("seconds"), 1, 7 * 24 * 3600, &seconds)
        || !wholeNumber(args, QStringLiteral("shots"), 1, 100, &shots)
        || !wholeNumber(args, QStringLiteral("report-every"), 1, 7 * 24 * 3600, &reportEvery)
        || !wholeNumber(args, QStringLiteral("max-growth-mb"), 0, 1 << 20, &maxGrowth))
        return CommandLine::fail(args.isValid() ? QStringLiteral("--lanes takes 1 to 6; --seconds, "
                                                                 "--shots, --report-every and "
                                                                 "--max-growth-mb whole numbers")
                                                : args.error());

    QTemporaryDir folder;
    // The lanes remember their sensors in the settings: keep the simulated
    // ones out of the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       folder.filePath(QStringLiteral("settings")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       folder.filePath(QStringLiteral("settings")));
    const QString path = args.has(QStringLiteral("db"))
            ? args.value(QStringLiteral("db"))
            : folder.filePath(QStringLiteral("soak.sqlite"));
    LibModel::Storage storage;
    storage.setBusyTimeout(DatabaseCommands::LockWait);
    if (!storage.open(path, QStringLiteral("soak")))
        return CommandLine::fail(QStringLiteral("cannot open the database %1").arg(path));
    LibModel::TargetManager targets;
    LibModel::TargetDescriptor *target
            = targets.findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid));

    LibMisc::Clock::setManual(Start);
    auto *backend = new SimulatedBackend;
    LibHardware::UsbBackend::setInstance(backend);
    std::vector<std::unique_ptr<SimulatedSensor>> sensors;
    std::vector<std::unique_ptr<RangeData>> ranges;
    for (int i = 0; i < lanes; ++i) {
        auto sensor = std::make_unique<SimulatedSensor>(quint32(101 + i));
        sensor->setPacing(SimulatedSensor::Pacing::Driven);
        sensor->setDefaultCentre(376, 240);
        sensor->setFocalLength(50.0f);
        sensor->setShotInterval(2000 + 250 * i);
        backend->plug(sensor.get());
        auto lane = std::make_unique<RangeData>(quint16(i), &storage);
        lane->setDeviceSerialNumber(RangeData::serialText(sensor->serialNumber()));
        sensors.push_back(std::move(sensor));
        ranges.push_back(std::move(lane));
    }
    std::vector<int> exercises(size_t(lanes), 0);
    for (int i = 0; i < lanes; ++i)
        startExercise(ranges[size_t(i)].get(), target, 0, shots);
    // The controller starts the streams one at a time from its event loop.
    QElapsedTimer waiting;
    waiting.start();
    const auto allStreaming = [&] {
        for (const auto &sensor : sensors) {
            if (!sensor->isStreaming())
                return false;
        }
        return true;
    };
    while (!allStreaming() && waiting.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!allStreaming())
        return CommandLine::fail(QStringLiteral("the simulated sensors did not start"));

    qint64 sessions = 0, storedShots = 0, writeErrors = 0, lostSensors = 0, samples = 0;
    const qint64 rssStart = statusKiB("VmRSS");
    qint64 rssBaseline = -1;
    out << OrderedJsonObject()
                    .insert(QStringLiteral("event"), QStringLiteral("start"))
                    .insert(QStringLiteral("lanes"), lanes)
                    .insert(QStringLiteral("sensorSeconds"), seconds)
                    .insert(QStringLiteral("rssKiB"), rssStart)
                    .toJson()
        << '\n';
    out.flush();

    QElapsedTimer elapsed;
    elapsed.start();
    const qint64 frames = qint64(seconds) * 100;
    qint64 now = Start;
    const auto report = [&](const QString &event, qint64 frame) {
        const qint64 rss = statusKiB("VmRSS");
        out << OrderedJsonObject()
                        .insert(QStringLiteral("event"), event)
                        .insert(QStringLiteral("sensorSeconds"), frame / 100)
                        .insert(QStringLiteral("elapsedSeconds"),
                                OrderedJsonObject::number(elapsed.elapsed() / 1000.0))
                        .insert(QStringLiteral("sessions"), sessions)
                        .insert(QStringLiteral("shots"), storedShots)
                        .insert(QStringLiteral("samples"), samples)
                        .insert(QStringLiteral("rssKiB"), rss)
                        .toJson()
            << '\n';
        out.flush();
        return rss;
    };

    for (qint64 frame = 1; frame <= frames; ++frame) {
        LibMisc::Clock::setManual(now);
        for (int i = 0; i < lanes; ++i) {
            if (sensors[size_t(i)]->generateFrames(1, now) != 1)
                ++lostSensors;
        }
        now += SimulatedSensor::FramePeriod;

        for (int i = 0; i < lanes; ++i) {
            RangeData *lane = ranges[size_t(i)].get();
            if (!lane->ready()) {
                ++lostSensors;
                continue;
            }
            if (lane->phase() != RangeData::NoPhase)
                continue;
            // The exercise is over: save it and start the next one.
            lane->cutCurrTrace();
            LibModel::Session *session = lane->session();
            if (session->write()) {
                ++sessions;
                storedShots += session->shots().size();
                for (const LibModel::Trace *trace : session->segments())
                    samples += trace->count();
            } else {
                ++writeErrors;
            }
            lane->reset();
            startExercise(lane, target, ++exercises[size_t(i)], shots);
        }

        // Once a second of sensor time, the event loop's turn: the sessions
        // given up by reset() are deleted there, as in the program.
        // The simulated sensors log every request for the tests; that log is
        // no part of the program and is emptied so as not to be counted.
        if (frame % 100 == 0) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            for (const auto &sensor : sensors)
                sensor->clearRequests();
        }
        if (frame % (qint64(reportEvery) * 100) == 0) {
            const qint64 rss = report(QStringLiteral("progress"), frame);
            if (rssBaseline < 0)
                rssBaseline = rss;
        }
    }
    // Measured as the run left it: whatever the loop kept is still there.
    const qint64 rssEnd = statusKiB("VmRSS");
    if (rssBaseline < 0)
        rssBaseline = rssStart;
    const qint64 growth = rssEnd - rssBaseline;
    const bool grew = growth > qint64(maxGrowth) * 1024;
    out << OrderedJsonObject()
                    .insert(QStringLiteral("event"), QStringLiteral("end"))
                    .insert(QStringLiteral("sensorSeconds"), seconds)
                    .insert(QStringLiteral("elapsedSeconds"),
                            OrderedJsonObject::number(elapsed.elapsed() / 1000.0))
                    .insert(QStringLiteral("framesPerLane"), frames)
                    .insert(QStringLiteral("sessions"), sessions)
                    .insert(QStringLiteral("shots"), storedShots)
                    .insert(QStringLiteral("samples"), samples)
                    .insert(QStringLiteral("writeErrors"), writeErrors)
                    .insert(QStringLiteral("lostSensorFrames"), lostSensors)
                    .insert(QStringLiteral("rssStartKiB"), rssStart)
                    .insert(QStringLiteral("rssBaselineKiB"), rssBaseline)
                    .insert(QStringLiteral("rssEndKiB"), rssEnd)
                    .insert(QStringLiteral("rssPeakKiB"), statusKiB("VmHWM"))
                    .insert(QStringLiteral("databaseBytes"), QFileInfo(path).size())
                    .toJson()
        << '\n';
    out.flush();

    ranges.clear();
    HardwareController::destroyInstance();
    for (const auto &sensor : sensors)
        backend->unplug(sensor.get());
    LibMisc::Clock::reset();
    if (writeErrors > 0 || lostSensors > 0 || sessions == 0)
        return CommandLine::fail(QStringLiteral("the soak met errors"));
    if (grew)
        return CommandLine::fail(QStringLiteral("resident memory grew by %1 KiB").arg(growth));
    return 0;
}
