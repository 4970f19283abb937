#include "simulatedhandle.h"
#include "simulatedsensor.h"

namespace LibHardware {

SimulatedHandle::SimulatedHandle(SimulatedSensor *sensor)
    : m_sensor(sensor)
    , m_connection(sensor ? sensor->connectionNumber() : 0)
{ }

SimulatedHandle::~SimulatedHandle()
{
    if (SimulatedSensor *sensor = liveSensor())
        sensor->close();
}

int SimulatedHandle::controlTransfer(quint8 requestType, quint8 request, quint16 value,
                                     quint16 index, char *data, quint16 length, unsigned)
{
    SimulatedSensor *sensor = liveSensor();
    return sensor ? sensor->controlTransfer(requestType, request, value, index, data, length) : -1;
}

bool SimulatedHandle::startReading(UsbReadSink *sink)
{
    SimulatedSensor *sensor = liveSensor();
    return sensor && sensor->startReading(sink);
}

void SimulatedHandle::stopReading()
{
    // A dead handle has no reader: the unplug ended it.
    if (SimulatedSensor *sensor = liveSensor())
        sensor->stopReading();
}

bool SimulatedHandle::isReading() const
{
    SimulatedSensor *sensor = liveSensor();
    return sensor && sensor->isReading();
}

QString SimulatedHandle::errorString() const
{
    return liveSensor() ? QString() : QStringLiteral("the simulated sensor was unplugged");
}

SimulatedSensor *SimulatedHandle::sensor() const
{
    return m_sensor.data();
}

SimulatedSensor *SimulatedHandle::liveSensor() const
{
    SimulatedSensor *sensor = m_sensor.data();
    if (!sensor || sensor->connectionNumber() != m_connection || !sensor->isConnected())
        return nullptr;
    return sensor;
}

} // namespace LibHardware
