#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

namespace LibHardware {

class UsbHandle;

// The platform side of device access: listing the present devices, telling
// when one is plugged in or out, and opening one. Real sensors come through
// libusb; a simulated sensor and a capture replay are backends too, so that
// everything above this layer runs without hardware.
//
// One backend serves the process (instance()); it is chosen at start-up.
// Its signals are emitted in the thread that owns it (the GUI thread).
class UsbBackend : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The backend in use; a libusb backend is made on first use when none
    // was installed.
    static UsbBackend *instance();
    // Installs a backend (the process takes ownership; the previous one is
    // deleted). Must happen before the hardware controller is first used.
    static void setInstance(UsbBackend *backend);

    // Device paths in the upper-case form the enumerator parses, for
    // example \\?\USB#VID_1224&PID_1F01#3.1.4#{6DD29847-8B42-4AB4-AB06-4B9BF751334C}.
    virtual QStringList devicePaths(int vendorId, int productId) = 0;
    // Starts reporting arrivals and removals of that identity.
    virtual bool startMonitoring(int vendorId, int productId) = 0;
    virtual void stopMonitoring() = 0;
    // Opens a device by path; null with a diagnostic in `error` on failure.
    virtual std::unique_ptr<UsbHandle> open(const QString &path, QString *error) = 0;

signals:
    void deviceArrived(const QString &path);
    void deviceRemoved(const QString &path);
};

// The interface class GUID of a product's device paths, in brace form and
// upper case; empty for products without one.
QString interfaceClassGuid(int productId);
// A device path built from a product identity and a location text.
QString makeDevicePath(int vendorId, int productId, const QString &location);

} // namespace LibHardware
