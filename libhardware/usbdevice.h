#pragma once

#include "usbdeviceinfo.h"
#include "usbhandle.h"

#include <bytevector.h>

#include <QObject>

#include <memory>

namespace LibHardware {

class UsbBackend;

// One opened USB device: vendor control requests and a reader that hands
// every completed read to the rest of the program through data(), stamped
// with the time it completed. The platform work is the backend's; this class
// keeps the request format and the stream framing.
class UsbDevice : public QObject, private UsbReadSink
{
    Q_OBJECT

public:
    // The function number of a vendor request.
    static constexpr quint32 VendorRequestFunction = 0x800;
    // A product whose reads are not framed into stream records.
    static constexpr int UnframedProductId = 34;
    static constexpr int MaxInLength = 4096;

    explicit UsbDevice(QObject *parent = nullptr, UsbBackend *backend = nullptr);
    ~UsbDevice() override;

    virtual bool open(const LibHardware::UsbDeviceInfo &info);
    virtual void close();
    virtual bool startPolling();
    virtual void stopPolling();

    bool isOpen() const { return bool(m_handle); }
    bool isPolling() const { return m_polling; }
    // Every device here is reached the WinUSB way: requests go straight to
    // the default control pipe.
    bool usesWinUsb() const { return isOpen(); }
    UsbDeviceInfo deviceInfo() const { return m_info; }
    QString errorString() const;

    // The request primitive: `out` starts with an 8-byte head (request,
    // reserved, value, index, data length; little-endian) and the data; with
    // an `in` buffer the request goes from device to host.
    bool controlTransfer(quint32 function, const char *out, int outLength, char *in, int inLength,
                         int *transferred);
    bool vendorOut(quint8 request, quint16 value, quint16 index);
    bool vendorOut(quint8 request, const QByteArray &data, quint16 value, quint16 index);
    // True only when exactly `length` bytes came back.
    bool vendorIn(quint8 request, char *buffer, int length, quint16 value, quint16 index);
    // The bytes that came back (at most 4096); empty on failure.
    QByteArray vendorIn(quint8 request, int length, quint16 value, quint16 index);
    // Requests to the older kernel driver, which this platform does not have.
    bool driverQuery(quint32 function, char *buffer, int length);

signals:
    // Emitted on the reader thread; receivers elsewhere get it queued.
    void data(qlonglong timer, LibMisc::ByteVector bytes);

private:
    void readCompleted(qint64 timer, const QByteArray &bytes) override;

    UsbBackend *m_backend;
    std::unique_ptr<UsbHandle> m_handle;
    UsbDeviceInfo m_info;
    bool m_polling = false;
    QString m_openError;
};

} // namespace LibHardware
