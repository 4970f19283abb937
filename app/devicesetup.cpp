#include "devicesetup.h"

#include <hardwarecontroller.h>
#include <replaybackend.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>

#include <QCoreApplication>
#include <QKeyEvent>

using namespace LibHardware;

DeviceSetup::DeviceSetup(QObject *parent)
    : QObject(parent)
{ }

DeviceSetup::~DeviceSetup()
{
    // The controller's sensors read from these devices: stop them first.
    if (!m_sensors.empty())
        HardwareController::destroyInstance();
}

QByteArray DeviceSetup::simulatedSerial(int i)
{
    return QByteArray::fromHex(QByteArray::number(0x5A000001 + i, 16).rightJustified(16, '0'));
}

SimulatedShooter::Skill DeviceSetup::simulatedSkill(int i)
{
    static constexpr SimulatedShooter::Skill Skills[]
            = {SimulatedShooter::Skill::Novice, SimulatedShooter::Skill::Club,
               SimulatedShooter::Skill::Master};
    return Skills[i % 3];
}

bool DeviceSetup::configure(const QStringList &arguments, QString *error)
{
    int simulated = 0;
    QString replay;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--simulate")) {
            simulated = DefaultSimulatedSensors;
        } else if (argument.startsWith(QLatin1String("--simulate="))) {
            bool ok = false;
            simulated = argument.mid(11).toInt(&ok);
            if (!ok || simulated < 1 || simulated > MaxSimulatedSensors) {
                *error = QStringLiteral("--simulate takes a number of sensors from 1 to %1")
                                 .arg(MaxSimulatedSensors);
                return false;
            }
        } else if (argument == QLatin1String("--replay") && i + 1 < arguments.size()) {
            replay = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--replay="))) {
            replay = argument.mid(9);
        } else if (argument == QLatin1String("--replay")) {
            *error = QStringLiteral("--replay needs a capture file");
            return false;
        }
    }
    if (simulated && !replay.isEmpty()) {
        *error = QStringLiteral("--simulate and --replay cannot be combined");
        return false;
    }

    if (!replay.isEmpty()) {
        QString readError;
        std::unique_ptr<ReplayBackend> backend = ReplayBackend::fromFile(replay, &readError);
        if (!backend) {
            *error = QStringLiteral("cannot replay %1: %2").arg(replay, readError);
            return false;
        }
        backend->setMode(ReplayBackend::Paced);
        backend->setDrivesClock(true);
        UsbBackend::setInstance(backend.release());
        return true;
    }
    if (simulated)
        simulate(simulated);
    return true;
}

void DeviceSetup::simulate(int count)
{
    auto *backend = new SimulatedBackend;
    for (int i = 0; i < count; ++i) {
        auto sensor = std::make_unique<SimulatedSensor>(quint32(i + 1));
        sensor->setSerialNumber(simulatedSerial(i));
        sensor->setSkill(simulatedSkill(i));
        sensor->setShotInterval(12000 + 3000 * i);
        backend->plug(sensor.get());
        m_sensors.push_back(std::move(sensor));
    }
    UsbBackend::setInstance(backend);
    QCoreApplication::instance()->installEventFilter(this);
}

QPointF DeviceSetup::simulatedCentre(int i) const
{
    if (i < 0 || i >= int(m_sensors.size()))
        return {};
    return QPointF(m_sensors.at(i)->defaultCentreX(), m_sensors.at(i)->defaultCentreY());
}

bool DeviceSetup::fireShot(int lane)
{
    HardwareController *controller = HardwareController::instance();
    const QByteArray serial = lane >= 0 ? controller->deviceOfLane(quint16(lane)).id : QByteArray();
    bool fired = false;
    for (const auto &sensor : m_sensors) {
        if (lane < 0 ? sensor->isStreaming() : sensor->serialNumber() == serial)
            fired = sensor->fireShot() || fired;
    }
    return fired;
}

bool DeviceSetup::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat()) {
            if (key->key() == Qt::Key_F9 && key->modifiers() == Qt::NoModifier) {
                fireShot(-1);
                return true;
            }
            if (key->modifiers() == Qt::ShiftModifier && key->key() >= Qt::Key_F1
                && key->key() <= Qt::Key_F6) {
                fireShot(key->key() - Qt::Key_F1);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
