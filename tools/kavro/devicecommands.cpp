#include "devicecommands.h"
#include "arguments.h"
#include "commandline.h"
#include "orderedjsonobject.h"

#include <capturefile.h>
#include <hardwarecontroller.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaEnum>
#include <QTextStream>
#include <QTimer>

#include <cmath>
#include <memory>

using namespace LibHardware;

namespace {

QString serialText(const QByteArray &serial)
{
    return QString::fromLatin1(serial.toHex()).toUpper();
}

// With --simulate, one simulated sensor (serial 0000000000000001) in place
// of the hardware; it must outlive the controller.
std::unique_ptr<SimulatedSensor> installSimulation(const Arguments &args)
{
    if (!args.has(QStringLiteral("simulate")))
        return nullptr;
    auto sensor = std::make_unique<SimulatedSensor>(1);
    sensor->setShotInterval(5000);
    auto *backend = new SimulatedBackend;
    backend->plug(sensor.get());
    UsbBackend::setInstance(backend);
    return sensor;
}

void settle(int msecs)
{
    QEventLoop loop;
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int DeviceCommands::devices(const QStringList &arguments, QTextStream &out)
{
    Arguments args(arguments, {}, {QStringLiteral("simulate")});
    if (!args.isValid())
        return CommandLine::fail(args.error());
    const auto simulated = installSimulation(args);
    HardwareController *controller = HardwareController::instance();
    settle(200); // arrivals reported right after start-up

    const QMap<DeviceRef, HardwareController::DeviceState> known = controller->knownDevices();
    const QMetaEnum states = QMetaEnum::fromType<HardwareController::DeviceState>();
    for (UsbImageSensor *sensor : controller->sensors()) {
        const DeviceRef ref = DeviceRef::opticalSensor(sensor->serialNumber());
        const auto state = known.constFind(ref);
        const QString stateText = sensor->isOpen() && state != known.cend()
                ? QLatin1String(states.valueToKey(state.value()))
                : QStringLiteral("Failed");
        out << OrderedJsonObject()
                        .insert(QStringLiteral("serial"), serialText(sensor->serialNumber()))
                        .insert(QStringLiteral("state"), stateText)
                        .insert(QStringLiteral("model"), sensor->modelName())
                        .insert(QStringLiteral("firmware"), int(sensor->firmwareVersion()))
                        .insert(QStringLiteral("error"), sensor->errorText())
                        .insert(QStringLiteral("path"), sensor->deviceInfo().path)
                        .toJson()
            << '\n';
    }
    out.flush();
    HardwareController::destroyInstance();
    return 0;
}

int DeviceCommands::capture(const QStringList &arguments, QTextStream &out)
{
    Arguments args(arguments,
                   {QStringLiteral("out"), QStringLiteral("serial"), QStringLiteral("seconds"),
                    QStringLiteral("records")},
                   {QStringLiteral("simulate")});
    double seconds = 60.0;
    double limit = 0.0;
    if (!args.isValid() || !args.require({QStringLiteral("out")})
        || (args.has(QStringLiteral("seconds"))
            && !args.number(QStringLiteral("seconds"), &seconds))
        || (args.has(QStringLiteral("records")) && !args.number(QStringLiteral("records"), &limit)))
        return CommandLine::fail(args.error());
    if (seconds <= 0 || seconds > 4 * 3600)
        return CommandLine::fail(QStringLiteral("--seconds must be above 0 and at most 14400"));
    if (args.has(QStringLiteral("records")) && (limit < 1 || limit != std::floor(limit)))
        return CommandLine::fail(QStringLiteral("--records must be a whole number above 0"));

    const auto simulated = installSimulation(args);
    HardwareController *controller = HardwareController::instance();
    settle(200);

    DeviceRef ref;
    const QString wanted = args.value(QStringLiteral("serial")).toUpper();
    for (const DeviceRef &candidate : controller->connectedDevices()) {
        if (wanted.isEmpty() || serialText(candidate.id).endsWith(wanted)) {
            ref = candidate;
            break;
        }
    }
    UsbImageSensor *sensor = controller->sensorOf(ref);
    if (!sensor || !sensor->isOpen()) {
        HardwareController::destroyInstance();
        return CommandLine::fail(
                wanted.isEmpty()
                        ? QStringLiteral("no sensor is connected")
                        : QStringLiteral("no connected sensor with serial %1").arg(wanted));
    }

    CaptureFile file;
    CaptureFile::Device device;
    device.serialNumber = sensor->serialNumber();
    device.productId = sensor->deviceInfo().productId;
    device.hardwareVersion = sensor->hardwareVersion();
    device.firmwareVersion = sensor->firmwareVersion();
    device.protocolVersion = sensor->protocolVersion();
    device.protocolRevision = sensor->protocolRevision();
    device.settings = sensor->settingsBlock();
    if (!file.create(args.value(QStringLiteral("out")), device)) {
        HardwareController::destroyInstance();
        return CommandLine::fail(file.errorString());
    }
    // Every read as the device delivered it, framed, with its time stamp.
    // Until the time is up or, with --records, the records are in.
    qint64 records = 0;
    QEventLoop recording;
    QObject::connect(sensor, &UsbDevice::data, sensor,
                     [&](qlonglong timer, const LibMisc::ByteVector &bytes) {
                         if (limit > 0 && records == qint64(limit))
                             return;
                         if (file.append(timer, bytes) && ++records == qint64(limit))
                             recording.quit();
                     });
    controller->registerLane(0);
    controller->setLaneDevice(0, ref);
    controller->setLaneActive(0, true);
    QTimer::singleShot(int(seconds * 1000), &recording, &QEventLoop::quit);
    recording.exec();
    controller->setLaneActive(0, false);
    settle(100);
    const bool written = file.close();
    HardwareController::destroyInstance();
    if (!written)
        return CommandLine::fail(file.errorString());
    out << OrderedJsonObject()
                    .insert(QStringLiteral("out"), args.value(QStringLiteral("out")))
                    .insert(QStringLiteral("serial"), serialText(device.serialNumber))
                    .insert(QStringLiteral("records"), records)
                    .toJson()
        << '\n';
    return 0;
}
