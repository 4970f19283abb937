#include "simulatecommand.h"
#include "arguments.h"
#include "commandline.h"
#include "orderedjsonobject.h"

#include <capturefile.h>
#include <simulatedsensor.h>

#include <QTextStream>
#include <QtEndian>

#include <cctype>
#include <cmath>

using LibHardware::CaptureFile;
using LibHardware::SimulatedSensor;
using LibHardware::SimulatedShooter;

namespace {

// 2024-01-01T00:00:00Z: a fixed start keeps the file a function of the
// options alone.
constexpr qint64 StartTimer = 1704067200000;
// Four hours: about 100 MB of capture, which the replay holds in memory.
constexpr double MaxSeconds = 4.0 * 60 * 60;
// The microphone level above which the host hears a shot.
constexpr quint16 ShotThreshold = 15;

bool parseSerial(const QString &text, QByteArray *serial)
{
    if (text.isEmpty() || text.size() > 16)
        return false;
    for (const QChar c : text) {
        const char latin = c.toLatin1(); // 0 for anything outside Latin-1
        if (!std::isxdigit(static_cast<unsigned char>(latin)))
            return false;
    }
    *serial = QByteArray::fromHex(text.rightJustified(16, QLatin1Char('0')).toLatin1());
    return true;
}

} // namespace

int SimulateCommand::run(const QStringList &arguments, QTextStream &out)
{
    const QString outOption = QStringLiteral("out");
    const QString secondsOption = QStringLiteral("seconds");
    const QString shotOption = QStringLiteral("shot-every");
    const QString seedOption = QStringLiteral("seed");
    const QString serialOption = QStringLiteral("serial");
    const QString skillOption = QStringLiteral("skill");
    Arguments args(arguments,
                   {outOption, secondsOption, shotOption, seedOption, serialOption, skillOption});
    if (!args.isValid() || !args.require({outOption}))
        return CommandLine::fail(args.error());
    if (!args.positional().isEmpty())
        return CommandLine::fail(
                QStringLiteral("unexpected argument \"%1\"").arg(args.positional().first()));

    double seconds = 60.0;
    if (args.has(secondsOption) && !args.number(secondsOption, &seconds))
        return CommandLine::fail(args.error());
    if (seconds <= 0.0 || seconds > MaxSeconds)
        return CommandLine::fail(
                QStringLiteral("--seconds must be above 0 and at most %1").arg(MaxSeconds));

    double shotEvery = 10.0;
    if (args.has(shotOption) && !args.number(shotOption, &shotEvery))
        return CommandLine::fail(args.error());
    if (shotEvery != 0.0 && (shotEvery < 1.0 || shotEvery > MaxSeconds))
        return CommandLine::fail(QStringLiteral("--shot-every must be 0 (no shots) or from 1 to "
                                                "%1 seconds")
                                         .arg(MaxSeconds));

    quint32 seed = 1;
    if (args.has(seedOption)) {
        bool ok = false;
        const qulonglong value = args.value(seedOption).toULongLong(&ok);
        if (!ok || value > 0xFFFFFFFFULL)
            return CommandLine::fail(
                    QStringLiteral("--seed needs an integer from 0 to 4294967295, not \"%1\"")
                            .arg(args.value(seedOption)));
        seed = quint32(value);
    }

    QByteArray serial = QByteArray::fromHex("0000000000000001");
    if (args.has(serialOption) && !parseSerial(args.value(serialOption), &serial))
        return CommandLine::fail(QStringLiteral("--serial needs 1 to 16 hex digits, not \"%1\"")
                                         .arg(args.value(serialOption)));

    SimulatedShooter::Skill skill = SimulatedShooter::DefaultSkill;
    if (args.has(skillOption) && !SimulatedShooter::skillFromName(args.value(skillOption), &skill))
        return CommandLine::fail(QStringLiteral("--skill needs novice, club or master, not \"%1\"")
                                         .arg(args.value(skillOption)));

    SimulatedSensor sensor(seed);
    sensor.setSerialNumber(serial);
    sensor.setSkill(skill);
    sensor.setShotInterval(int(std::lround(shotEvery * 1000.0)));
    const SimulatedSensor::Scene scene = sensor.scene();

    CaptureFile::Device device;
    device.serialNumber = sensor.serialNumber();
    device.productId = SimulatedSensor::ProductId;
    device.hardwareVersion = sensor.hardwareVersion();
    device.firmwareVersion = sensor.firmwareVersion();
    device.protocolVersion = sensor.protocolVersion();
    device.protocolRevision = sensor.protocolRevision();
    device.settings = sensor.settingsBlock();

    const QString path = args.value(outOption);
    CaptureFile file;
    if (!file.create(path, device))
        return CommandLine::fail(file.errorString());

    // The stream as the host would have recorded it: the start marker, the
    // frames, the stop marker; every read framed as one stream record.
    const qint64 frames = std::llround(seconds * 1000.0 / SimulatedSensor::FramePeriod);
    bool written
            = file.append(StartTimer, CaptureFile::streamRecord(SimulatedSensor::startMarker()));
    int shots = 0;
    quint16 previousLevel = 0;
    for (qint64 i = 0; written && i < frames; ++i) {
        const QByteArray header = SimulatedSensor::renderFrame(scene, i);
        const quint16 level = qFromLittleEndian<quint16>(header.constData() + 32);
        if (level > ShotThreshold && previousLevel <= ShotThreshold)
            ++shots;
        previousLevel = level;
        written = file.append(StartTimer + i * SimulatedSensor::FramePeriod,
                              CaptureFile::streamRecord(header));
    }
    written = written
            && file.append(StartTimer + frames * SimulatedSensor::FramePeriod,
                           CaptureFile::streamRecord(SimulatedSensor::stopMarker()));
    if (!file.close() || !written)
        return CommandLine::fail(file.errorString());

    out << OrderedJsonObject()
                    .insert(QStringLiteral("out"), path)
                    .insert(QStringLiteral("records"), QJsonValue(frames + 2))
                    .insert(QStringLiteral("frames"), QJsonValue(frames))
                    .insert(QStringLiteral("shots"), shots)
                    .toJson()
        << Qt::endl;
    return 0;
}
