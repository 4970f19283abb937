#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace LibHardware {

// One control transfer as a stand-in device received it: the setup fields,
// the length the host allowed for the data stage, and the bytes the host
// sent (host-to-device requests; empty for device-to-host ones). Simulated
// and replayed devices keep a log of these for tests and diagnostics.
struct ControlRequest
{
    quint8 requestType = 0;
    quint8 request = 0;
    quint16 value = 0;
    quint16 index = 0;
    quint16 length = 0;
    QByteArray data;

    bool isDeviceToHost() const { return (requestType & 0x80) != 0; }
};

} // namespace LibHardware
