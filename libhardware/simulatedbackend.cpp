#include "simulatedbackend.h"
#include "simulatedhandle.h"
#include "simulatedsensor.h"

namespace LibHardware {

void SimulatedBackend::plug(SimulatedSensor *sensor)
{
    if (!sensor || m_plugged.contains(sensor))
        return;
    if (!m_paths.contains(sensor)) {
        m_paths.insert(sensor,
                       makeDevicePath(SimulatedSensor::VendorId, SimulatedSensor::ProductId,
                                      QStringLiteral("SIM%1").arg(m_nextLocation++)));
        connect(sensor, &SimulatedSensor::connectedChanged, this,
                [this, sensor](bool connected) { sensorConnectedChanged(sensor, connected); });
        connect(sensor, &QObject::destroyed, this, &SimulatedBackend::forget);
    }
    m_plugged.append(sensor);
    sensor->setConnected(true);
    if (monitorsSensors())
        emit deviceArrived(m_paths.value(sensor));
}

void SimulatedBackend::unplug(SimulatedSensor *sensor)
{
    // Taken off the list first: the sensor's own connectedChanged(false)
    // then finds nothing more to do.
    if (!m_plugged.removeOne(sensor))
        return;
    sensor->setConnected(false);
    if (monitorsSensors())
        emit deviceRemoved(m_paths.value(sensor));
}

QList<SimulatedSensor *> SimulatedBackend::sensors() const
{
    return m_plugged;
}

QString SimulatedBackend::pathOf(SimulatedSensor *sensor) const
{
    return m_paths.value(sensor);
}

QStringList SimulatedBackend::devicePaths(int vendorId, int productId)
{
    QStringList paths;
    if (vendorId != SimulatedSensor::VendorId || productId != SimulatedSensor::ProductId)
        return paths;
    for (SimulatedSensor *sensor : std::as_const(m_plugged))
        paths << m_paths.value(sensor);
    return paths;
}

bool SimulatedBackend::startMonitoring(int vendorId, int productId)
{
    m_monitoring = true;
    m_vendorId = vendorId;
    m_productId = productId;
    return true;
}

void SimulatedBackend::stopMonitoring()
{
    m_monitoring = false;
}

bool SimulatedBackend::isMonitoring() const
{
    return m_monitoring;
}

std::unique_ptr<UsbHandle> SimulatedBackend::open(const QString &path, QString *error)
{
    const QString key = path.toUpper();
    for (SimulatedSensor *sensor : std::as_const(m_plugged)) {
        if (m_paths.value(sensor) != key)
            continue;
        if (!sensor->open()) {
            if (error)
                *error = QStringLiteral("the simulated sensor %1 is already open").arg(key);
            return nullptr;
        }
        return std::make_unique<SimulatedHandle>(sensor);
    }
    if (error)
        *error = QStringLiteral("no simulated sensor at %1").arg(path);
    return nullptr;
}

void SimulatedBackend::sensorConnectedChanged(SimulatedSensor *sensor, bool connected)
{
    // A sensor that unplugged itself: report it like an unplug. (Plugging
    // in goes through plug(), which reports by itself.)
    if (!connected && m_plugged.removeOne(sensor) && monitorsSensors())
        emit deviceRemoved(m_paths.value(sensor));
}

void SimulatedBackend::forget(QObject *sensor)
{
    // Only the address is used: the sensor is being destroyed.
    const bool wasPlugged = m_plugged.removeOne(static_cast<SimulatedSensor *>(sensor));
    const QString path = m_paths.take(sensor);
    if (wasPlugged && monitorsSensors())
        emit deviceRemoved(path);
}

bool SimulatedBackend::monitorsSensors() const
{
    return m_monitoring && m_vendorId == SimulatedSensor::VendorId
            && m_productId == SimulatedSensor::ProductId;
}

} // namespace LibHardware
