#pragma once

#include "usbbackend.h"

#include <QSet>

#include <atomic>
#include <thread>

class QTimer;

struct libusb_context;
struct libusb_device;

namespace LibHardware {

class UsbLocation;

// The backend for real devices, on libusb. Paths carry the bus and port
// numbers of a device (see UsbLocation), so a path stays valid while the
// device stays plugged into the same socket.
//
// Arrivals and removals come from libusb's hot-plug callbacks where the
// platform has them, otherwise from comparing the device list once a second.
// libusb reports hot-plug events on an event thread the backend owns; they
// are handed to the backend's thread and emitted there.
//
// When libusb cannot start at all, the backend lists no devices and opens
// none, without failing otherwise.
class LibUsbBackend : public UsbBackend
{
    Q_OBJECT

public:
    explicit LibUsbBackend(QObject *parent = nullptr);
    ~LibUsbBackend() override;

    QStringList devicePaths(int vendorId, int productId) override;
    bool startMonitoring(int vendorId, int productId) override;
    void stopMonitoring() override;
    // Opens the device on its own libusb context, so that the handle's
    // reader thread handles the events of that device only.
    std::unique_ptr<UsbHandle> open(const QString &path, QString *error) override;

private:
    // The location of a device libusb knows; invalid for a root hub.
    static UsbLocation locationOf(libusb_device *device);
    void runEvents();
    void stopEvents();
    // In the backend's thread: reports a change unless it repeats what is
    // known already or comes from an earlier monitoring run.
    void deviceEvent(const QString &path, bool arrived, quint64 generation);
    void rescan();

    libusb_context *m_context = nullptr;
    std::thread m_eventThread;
    std::atomic<bool> m_stopEvents {false};

    bool m_monitoring = false;
    // Counts monitoring runs, so that events queued by an earlier run are
    // dropped.
    std::atomic<quint64> m_generation {0};
    int m_vendorId = 0;
    int m_productId = 0;
    bool m_hotplugRegistered = false;
    int m_hotplugHandle = 0;
    QTimer *m_rescanTimer = nullptr;
    // The paths present as far as the reported events go.
    QSet<QString> m_present;
};

} // namespace LibHardware
