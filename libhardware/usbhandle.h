#pragma once

#include <QByteArray>
#include <QString>

namespace LibHardware {

// Receives the completed reads of a device, on the backend's reader thread.
class UsbReadSink
{
public:
    virtual ~UsbReadSink() = default;
    // `timer`: milliseconds since the epoch when the read completed.
    virtual void readCompleted(qint64 timer, const QByteArray &bytes) = 0;
};

// One opened device as a backend provides it. Control transfers are made
// from the GUI thread, also while the reader runs.
class UsbHandle
{
public:
    enum RequestType : quint8 {
        VendorOut = 0x40, // host to device
        VendorIn = 0xC0, // device to host
    };

    static constexpr unsigned ControlTimeout = 10000; // ms

    virtual ~UsbHandle() = default;

    // A control transfer with the given setup. For a device-to-host request
    // `data` receives up to `length` bytes. Returns the number of bytes
    // transferred, or -1 when the transfer failed.
    virtual int controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                                char *data, quint16 length, unsigned timeout = ControlTimeout)
            = 0;

    // Starts reading the first bulk or interrupt IN endpoint of interface 0
    // on a reader thread of the backend; false when there is no such
    // endpoint or reading cannot start.
    virtual bool startReading(UsbReadSink *sink) = 0;
    // Stops the reader and returns only once it has ended: after the return
    // the sink is never called again.
    virtual void stopReading() = 0;
    virtual bool isReading() const = 0;

    // True when the reads come already framed as stream records (recorded
    // captures); the device then passes them on as they are.
    virtual bool deliversFramedRecords() const { return false; }
    // The last system error of the handle, for diagnostics.
    virtual QString errorString() const { return QString(); }
};

} // namespace LibHardware
