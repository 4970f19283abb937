#pragma once

#include "usbhandle.h"

#include <QPointer>

namespace LibHardware {

class SimulatedSensor;

// A handle on a simulated sensor, as SimulatedBackend opens it. It claims
// the sensor while it lives and forwards transfers and reading to it. Once
// the sensor is unplugged (or destroyed) the handle is dead: transfers fail
// and reading does not start, even after the sensor is plugged in again.
class SimulatedHandle : public UsbHandle
{
public:
    // The sensor must already be claimed (SimulatedSensor::open()).
    explicit SimulatedHandle(SimulatedSensor *sensor);
    ~SimulatedHandle() override;

    int controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                        char *data, quint16 length, unsigned timeout = ControlTimeout) override;
    bool startReading(UsbReadSink *sink) override;
    void stopReading() override;
    bool isReading() const override;
    QString errorString() const override;

    SimulatedSensor *sensor() const;

private:
    // The sensor while this handle's connection lasts, null afterwards.
    SimulatedSensor *liveSensor() const;

    QPointer<SimulatedSensor> m_sensor;
    quint64 m_connection = 0;
};

} // namespace LibHardware
