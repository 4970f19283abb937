#pragma once

#include "usbbackend.h"

#include <QList>
#include <QMap>

namespace LibHardware {

class SimulatedSensor;

// A backend whose devices are simulated sensors, plugged in and out at run
// time. Each sensor gets a stable device path of the optical sensor's
// identity (vendor 0x1224, product 0x1F01) with the location "SIM<n>", n
// counting from 1 in the order sensors are first plugged in. The backend
// does not own the sensors; a destroyed sensor counts as unplugged. A
// sensor that unplugs itself (failure injection) is reported as removed.
//
// Lives in the GUI thread, like every backend.
class SimulatedBackend : public UsbBackend
{
    Q_OBJECT

public:
    using UsbBackend::UsbBackend;

    // Plugs a sensor in (powering it up when it was unplugged); emits
    // deviceArrived while monitoring its identity. Nothing when already in.
    void plug(SimulatedSensor *sensor);
    // Unplugs a sensor: its handles die and its reader ends; emits
    // deviceRemoved while monitoring. Nothing when not plugged in.
    void unplug(SimulatedSensor *sensor);
    // The plugged-in sensors, in the order they were plugged in.
    QList<SimulatedSensor *> sensors() const;
    // The sensor's device path (also while unplugged, once it was plugged
    // in); empty for a sensor never plugged in here.
    QString pathOf(SimulatedSensor *sensor) const;

    QStringList devicePaths(int vendorId, int productId) override;
    bool startMonitoring(int vendorId, int productId) override;
    void stopMonitoring() override;
    bool isMonitoring() const;
    std::unique_ptr<UsbHandle> open(const QString &path, QString *error) override;

private:
    void sensorConnectedChanged(SimulatedSensor *sensor, bool connected);
    void forget(QObject *sensor);
    bool monitorsSensors() const;

    QList<SimulatedSensor *> m_plugged;
    QMap<QObject *, QString> m_paths;
    int m_nextLocation = 1;
    bool m_monitoring = false;
    int m_vendorId = 0;
    int m_productId = 0;
};

} // namespace LibHardware
