#pragma once

#include "usbdeviceinfo.h"

#include <QMap>
#include <QObject>
#include <QPointer>

namespace LibHardware {

class UsbBackend;

// Finds the devices of one vendor and product that are present when
// monitoring starts and reports each one plugged in or out afterwards.
// Devices are known by their paths; the backend tells of arrivals and
// removals.
class UsbDeviceEnumerator : public QObject
{
    Q_OBJECT

public:
    // Uses the given backend, or the process-wide one.
    explicit UsbDeviceEnumerator(QObject *parent = nullptr, UsbBackend *backend = nullptr);
    ~UsbDeviceEnumerator() override;

    // Starts monitoring and reports every present device with deviceAdded.
    bool start(int vendorId, int productId);
    void stop();
    bool isMonitoring() const { return m_monitoring; }
    QList<UsbDeviceInfo> knownDevices() const { return m_known.values(); }

    QStringList listDevicePaths(int vendorId, int productId) const;

    // Fills `info` from a device path; false when the path names no
    // accepted device of the vendor.
    static bool parseDevicePath(const QString &path, UsbDeviceInfo *info);
    static bool isAcceptedProduct(int productId);
    // The product a device-interface class GUID belongs to (0 for none; the
    // first product of the table when several share one).
    static int productOfGuid(const QString &guid);

    static constexpr int VendorId = 0x1224;
    static constexpr int OpticalSensorProductId = 0x1F01;

signals:
    void deviceAdded(LibHardware::UsbDeviceInfo info);
    void deviceRemoved(LibHardware::UsbDeviceInfo info);

private:
    void onArrived(const QString &path);
    void onRemoved(const QString &path);

    QPointer<UsbBackend> m_backend;
    bool m_monitoring = false;
    int m_vendorId = 0;
    int m_productId = 0;
    QMap<QString, UsbDeviceInfo> m_known;
};

} // namespace LibHardware
