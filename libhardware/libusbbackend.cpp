#include "libusbbackend.h"
#include "libusbhandle.h"
#include "usblocation.h"

#include <QDebug>
#include <QTimer>

#include <libusb.h>

#include <algorithm>

namespace LibHardware {

namespace {

// How long one round of event handling waits; shutdown interrupts it.
constexpr int EventTimeoutMs = 200;
constexpr int RescanIntervalMs = 1000;

QString libusbError(int code)
{
    return QString::fromUtf8(libusb_strerror(code));
}

bool hasIdentity(libusb_device *device, int vendorId, int productId)
{
    libusb_device_descriptor descriptor;
    return libusb_get_device_descriptor(device, &descriptor) == LIBUSB_SUCCESS
            && descriptor.idVendor == vendorId && descriptor.idProduct == productId;
}

// The device list of a context, freed on scope exit.
class DeviceList
{
public:
    explicit DeviceList(libusb_context *context)
    {
        const ssize_t count = libusb_get_device_list(context, &m_devices);
        m_count = count > 0 ? count : 0;
        if (count < 0)
            m_devices = nullptr;
    }
    ~DeviceList()
    {
        if (m_devices)
            libusb_free_device_list(m_devices, 1);
    }
    DeviceList(const DeviceList &) = delete;
    DeviceList &operator=(const DeviceList &) = delete;

    libusb_device *const *begin() const { return m_devices; }
    libusb_device *const *end() const { return m_devices + m_count; }

private:
    libusb_device **m_devices = nullptr;
    ssize_t m_count = 0;
};

} // namespace

LibUsbBackend::LibUsbBackend(QObject *parent)
    : UsbBackend(parent)
{
    const int result = libusb_init(&m_context);
    if (result != LIBUSB_SUCCESS) {
        qDebug("USB unavailable (%s): no devices will be listed", libusb_strerror(result));
        m_context = nullptr;
        return;
    }
    // Hot-plug messages queue up in the context until events are handled,
    // so the event thread runs all the time, not only while monitoring:
    // otherwise a monitoring run would start with stale events.
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG))
        m_eventThread = std::thread(&LibUsbBackend::runEvents, this);
}

LibUsbBackend::~LibUsbBackend()
{
    stopMonitoring();
    stopEvents();
    if (m_context)
        libusb_exit(m_context);
}

UsbLocation LibUsbBackend::locationOf(libusb_device *device)
{
    uint8_t ports[UsbLocation::MaxPorts];
    const int count = libusb_get_port_numbers(device, ports, UsbLocation::MaxPorts);
    if (count <= 0)
        return UsbLocation();
    return UsbLocation(libusb_get_bus_number(device), QList<int>(ports, ports + count));
}

QStringList LibUsbBackend::devicePaths(int vendorId, int productId)
{
    QStringList paths;
    if (!m_context)
        return paths;
    for (libusb_device *device : DeviceList(m_context)) {
        if (!hasIdentity(device, vendorId, productId))
            continue;
        const UsbLocation location = locationOf(device);
        if (location.isValid())
            paths.append(makeDevicePath(vendorId, productId, location.toString()));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool LibUsbBackend::startMonitoring(int vendorId, int productId)
{
    stopMonitoring();
    m_vendorId = vendorId;
    m_productId = productId;
    ++m_generation;
    m_monitoring = true;
    if (!m_context)
        return true; // nothing can ever arrive; there is nothing to watch
    if (m_eventThread.joinable()) {
        // Called on the event thread. The path is computed right there: the
        // bus and port numbers of a device that has gone stay readable until
        // the callback returns.
        const auto callback = [](libusb_context *, libusb_device *device,
                                 libusb_hotplug_event event, void *userData) -> int {
            auto *backend = static_cast<LibUsbBackend *>(userData);
            const UsbLocation location = locationOf(device);
            libusb_device_descriptor descriptor;
            if (!location.isValid()
                || libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS)
                return 0;
            const QString path = makeDevicePath(descriptor.idVendor, descriptor.idProduct,
                                                location.toString());
            const bool arrived = event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED;
            const quint64 generation = backend->m_generation;
            QMetaObject::invokeMethod(
                    backend,
                    [backend, path, arrived, generation] {
                        backend->deviceEvent(path, arrived, generation);
                    },
                    Qt::QueuedConnection);
            return 0; // stay registered
        };
        libusb_hotplug_callback_handle handle = 0;
        const int result = libusb_hotplug_register_callback(
                m_context, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
                LIBUSB_HOTPLUG_NO_FLAGS, vendorId, productId, LIBUSB_HOTPLUG_MATCH_ANY, callback,
                this, &handle);
        if (result == LIBUSB_SUCCESS) {
            m_hotplugRegistered = true;
            m_hotplugHandle = handle;
        } else {
            qDebug("USB hot-plug unavailable (%s): rescanning instead", libusb_strerror(result));
        }
    }
    if (!m_hotplugRegistered) {
        if (!m_rescanTimer) {
            m_rescanTimer = new QTimer(this);
            m_rescanTimer->setInterval(RescanIntervalMs);
            connect(m_rescanTimer, &QTimer::timeout, this, &LibUsbBackend::rescan);
        }
        m_rescanTimer->start();
    }

    // Taken after registering, so that a device arriving meanwhile is either
    // in the snapshot or reported (and then recognised as known).
    const QStringList present = devicePaths(vendorId, productId);
    m_present = QSet<QString>(present.begin(), present.end());
    return true;
}

void LibUsbBackend::stopMonitoring()
{
    if (!m_monitoring)
        return;
    m_monitoring = false;
    ++m_generation;
    if (m_hotplugRegistered) {
        libusb_hotplug_deregister_callback(m_context, m_hotplugHandle);
        m_hotplugRegistered = false;
    }
    if (m_rescanTimer)
        m_rescanTimer->stop();
    m_present.clear();
}

std::unique_ptr<UsbHandle> LibUsbBackend::open(const QString &path, QString *error)
{
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return std::unique_ptr<UsbHandle>();
    };
    int vendorId = 0;
    int productId = 0;
    const UsbLocation location = UsbLocation::fromDevicePath(path, &vendorId, &productId);
    if (!location.isValid())
        return fail(QStringLiteral("not a USB device path: %1").arg(path));
    if (!m_context)
        return fail(QStringLiteral("USB is unavailable"));

    libusb_context *context = nullptr;
    int result = libusb_init(&context);
    if (result != LIBUSB_SUCCESS)
        return fail(libusbError(result));

    libusb_device_handle *handle = nullptr;
    result = LIBUSB_ERROR_NO_DEVICE;
    for (libusb_device *device : DeviceList(context)) {
        if (locationOf(device) == location && hasIdentity(device, vendorId, productId)) {
            result = libusb_open(device, &handle);
            break;
        }
    }
    if (result == LIBUSB_SUCCESS) {
        // Not every platform can detach kernel drivers; claiming tells.
        libusb_set_auto_detach_kernel_driver(handle, 1);
        result = libusb_claim_interface(handle, 0);
        if (result != LIBUSB_SUCCESS)
            libusb_close(handle);
    }
    if (result != LIBUSB_SUCCESS) {
        libusb_exit(context);
        return fail(libusbError(result));
    }
    return std::make_unique<LibUsbHandle>(context, handle);
}

void LibUsbBackend::runEvents()
{
    while (!m_stopEvents) {
        timeval timeout {0, EventTimeoutMs * 1000};
        libusb_handle_events_timeout_completed(m_context, &timeout, nullptr);
    }
}

void LibUsbBackend::stopEvents()
{
    if (!m_eventThread.joinable())
        return;
    m_stopEvents = true;
    libusb_interrupt_event_handler(m_context);
    m_eventThread.join();
}

void LibUsbBackend::deviceEvent(const QString &path, bool arrived, quint64 generation)
{
    if (!m_monitoring || generation != m_generation)
        return;
    if (arrived) {
        if (m_present.contains(path))
            return;
        m_present.insert(path);
        emit deviceArrived(path);
    } else {
        if (!m_present.remove(path))
            return;
        emit deviceRemoved(path);
    }
}

void LibUsbBackend::rescan()
{
    const QStringList now = devicePaths(m_vendorId, m_productId);
    const QSet<QString> current(now.begin(), now.end());
    const quint64 generation = m_generation;
    for (const QString &path : QSet<QString>(m_present).subtract(current))
        deviceEvent(path, false, generation);
    for (const QString &path : now)
        deviceEvent(path, true, generation);
}

} // namespace LibHardware
