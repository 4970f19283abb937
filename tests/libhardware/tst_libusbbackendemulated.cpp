// umockdev's headers pull in GLib, whose structures have members named
// "signals": they come before Qt's keyword macros.
#include <umockdev.h>

#include <clock.h>
#include <libusbbackend.h>
#include <libusbhandle.h>
#include <usbhandle.h>

#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

using LibHardware::LibUsbBackend;
using LibHardware::makeDevicePath;
using LibHardware::UsbBackend;
using LibHardware::UsbHandle;

namespace {

constexpr int SensorVendor = 0x1224;
constexpr int SensorProduct = 0x1F01;
constexpr int MouseVendor = 0x046D;
constexpr int MouseProduct = 0xC077;
// Devices whose usbfs requests the test answers; another product, so that
// they stay out of the sensor lists.
constexpr int AnsweringProduct = 0x1F02;
constexpr int Timeout = 15000; // ms; generous, events cross several threads

const char RootHub[] = "/sys/devices/pci0000:00/0000:00:14.0/usb1";

struct EmulatedDevice
{
    QByteArray kernelName; // "1-2.4": bus 1, port 2, port 4
    int devnum;
    int vendor;
    int product;
    int interfaceClass;
    int endpointAddress;
    int endpointAttributes;

    QByteArray sysPath() const
    {
        QByteArray path = RootHub;
        // Each hub on the way is a directory level: 1-2, then 1-2.4.
        const int dash = kernelName.indexOf('-');
        if (dash > 0) {
            const QList<QByteArray> ports = kernelName.mid(dash + 1).split('.');
            QByteArray name = kernelName.left(dash + 1);
            for (int i = 0; i < ports.size(); ++i) {
                name += (i ? "." : "") + ports.at(i);
                path += '/' + name;
            }
        }
        return path;
    }

    QByteArray devNode() const
    {
        return "/dev/bus/usb/001/" + QByteArray::number(devnum).rightJustified(3, '0');
    }

    // A device in umockdev's description format: P path, N device node,
    // E udev properties, A sysfs attributes, H binary attributes in hex.
    QByteArray description() const
    {
        const int dash = kernelName.indexOf('-');
        const QByteArrayList lines = {
                "P: " + sysPath().mid(4),
                "N: " + devNode().mid(5),
                "E: DEVNAME=" + devNode(),
                "E: DEVTYPE=usb_device",
                "E: DRIVER=usb",
                "E: SUBSYSTEM=usb",
                "E: BUSNUM=001",
                "E: DEVNUM=" + devNode().right(3),
                QString::asprintf("A: idVendor=%04x", vendor).toLatin1(),
                QString::asprintf("A: idProduct=%04x", product).toLatin1(),
                "A: busnum=1",
                "A: devnum=" + QByteArray::number(devnum),
                "A: devpath=" + (dash > 0 ? kernelName.mid(dash + 1) : QByteArray("0")),
                "A: speed=12",
                "A: bConfigurationValue=1",
                // The kernel's copy of the descriptors: device (USB 2.00,
                // control packets of 64 bytes, one configuration), then the
                // configuration with interface 0 and its one endpoint.
                QString::asprintf("H: descriptors="
                                  "1201000200000040%02X%02X%02X%02X000100000001"
                                  "090219000101008032"
                                  "0904000001%02X000000"
                                  "0705%02X%02X40000A",
                                  vendor & 0xFF, vendor >> 8, product & 0xFF, product >> 8,
                                  interfaceClass, endpointAddress, endpointAttributes)
                        .toLatin1(),
        };
        return lines.join('\n') + '\n';
    }
};

constexpr int Bulk = 0x02;
constexpr int Interrupt = 0x03;
const EmulatedDevice RootHubDevice {"usb1", 1, 0x1D6B, 0x0002, 9, 0x81, Interrupt};
const EmulatedDevice HubDevice {"1-2", 2, 0x05E3, 0x0608, 9, 0x81, Interrupt};
const EmulatedDevice MouseDevice {"1-1", 3, MouseVendor, MouseProduct, 3, 0x81, Interrupt};
const EmulatedDevice SensorBehindHub {"1-2.4", 4, SensorVendor, SensorProduct, 0xFF, 0x81, Bulk};
const EmulatedDevice PluggedSensor {"1-3", 5, SensorVendor, SensorProduct, 0xFF, 0x81, Bulk};
const EmulatedDevice PluggedMouse {"1-2.1", 6, MouseVendor, MouseProduct, 3, 0x81, Interrupt};
const EmulatedDevice AnsweringDevice {"1-4", 7, SensorVendor, AnsweringProduct, 0xFF, 0x81, Bulk};
const EmulatedDevice WriteOnlyDevice {"1-6", 8, SensorVendor, AnsweringProduct, 0xFF, 0x01, Bulk};

// Answers the usbfs requests for emulated device nodes, on umockdev's worker
// thread, the way the kernel would: claims succeed, bulk and interrupt reads
// complete with queued data, control requests complete at once.
class UsbfsEmulation
{
public:
    UsbfsEmulation()
        : m_handler(umockdev_ioctl_base_new())
    {
        g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(&UsbfsEmulation::onIoctl), this);
    }
    ~UsbfsEmulation()
    {
        g_object_unref(m_handler);
        for (UMockdevIoctlData *urb : m_reads + m_controls + m_reapable)
            umockdev_ioctl_data_unref(urb);
    }
    UsbfsEmulation(const UsbfsEmulation &) = delete;
    UsbfsEmulation &operator=(const UsbfsEmulation &) = delete;

    UMockdevIoctlBase *handler() const { return m_handler; }

    // Back to a device that answers everything, with nothing queued.
    void reset()
    {
        locked([&] { m_data.clear(); });
        m_clearHalts = 0;
        m_stallRead = m_clearHaltFails = m_stallControl = m_gone = false;
    }

    void queueRead(const QByteArray &bytes)
    {
        locked([&] { m_data.append(bytes); });
    }
    void setControlAnswer(const QByteArray &bytes)
    {
        locked([&] { m_controlAnswer = bytes; });
    }
    void stallNextRead() { m_stallRead = true; }
    void setClearHaltFails(bool fails) { m_clearHaltFails = fails; }
    void setStallControl(bool stall) { m_stallControl = stall; }
    // Unplugged: reads complete with "no device", and nothing can be submitted.
    void setGone(bool gone) { m_gone = gone; }

    int clearHalts() const { return m_clearHalts; }
    int readsInFlight()
    {
        return locked([&] { return int(m_reads.size()); });
    }
    // The last control request: its setup packet, and its data when outgoing.
    std::pair<QByteArray, QByteArray> lastControl()
    {
        return locked([&] { return std::make_pair(m_lastSetup, m_lastControlOut); });
    }

private:
    template<typename F>
    auto locked(F f) -> decltype(f())
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f();
    }

    static gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer self)
    {
        std::lock_guard<std::mutex> lock(static_cast<UsbfsEmulation *>(self)->m_mutex);
        return static_cast<UsbfsEmulation *>(self)->handle(client);
    }

    gboolean handle(UMockdevIoctlClient *client)
    {
        UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
        int result = 0;
        int error = 0;
        switch (umockdev_ioctl_client_get_request(client)) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData *caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(quint32), nullptr);
            *reinterpret_cast<quint32 *>(caps->data) = USBDEVFS_CAP_BULK_CONTINUATION
                    | USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT
                    | USBDEVFS_CAP_ZERO_PACKET;
            break;
        }
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_DISCONNECT_CLAIM:
            break;
        case USBDEVFS_IOCTL: // attaching a kernel driver again: there is none
            result = -1;
            error = ENODATA;
            break;
        case USBDEVFS_CLEAR_HALT:
            ++m_clearHalts;
            if (m_clearHaltFails) {
                result = -1;
                error = EPIPE;
            }
            break;
        case USBDEVFS_SUBMITURB:
            if (m_gone) {
                result = -1;
                error = ENODEV;
            } else {
                submit(arg);
            }
            break;
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            if (!reap(arg)) {
                result = -1;
                error = EAGAIN;
            }
            break;
        case USBDEVFS_DISCARDURB: {
            const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void **>(arg->data));
            const auto it = std::find_if(m_reads.begin(), m_reads.end(),
                                         [&](auto *urb) { return urb->client_addr == address; });
            if (it == m_reads.end()) {
                result = -1;
                error = EINVAL;
            } else {
                urbOf(*it)->status = -ENOENT;
                m_reapable.append(*it);
                m_reads.erase(it);
            }
            break;
        }
        default:
            return false;
        }
        umockdev_ioctl_client_complete(client, result, error);
        return true;
    }

    static usbdevfs_urb *urbOf(UMockdevIoctlData *data)
    {
        return reinterpret_cast<usbdevfs_urb *>(data->data);
    }

    void submit(UMockdevIoctlData *arg)
    {
        UMockdevIoctlData *data
                = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        usbdevfs_urb *urb = urbOf(data);
        umockdev_ioctl_data_resolve(data, offsetof(usbdevfs_urb, buffer),
                                    size_t(urb->buffer_length), nullptr);
        umockdev_ioctl_data_ref(data);
        if (urb->type != USBDEVFS_URB_TYPE_CONTROL) {
            m_reads.append(data);
            return;
        }
        // Setup packet, then the data stage.
        auto *buffer = static_cast<char *>(urb->buffer);
        m_lastSetup = QByteArray(buffer, 8);
        const int length = qFromLittleEndian<quint16>(buffer + 6);
        urb->status = m_stallControl ? -EPIPE : 0;
        if (buffer[0] & 0x80) {
            urb->actual_length = int(std::min<qsizetype>(length, m_controlAnswer.size()));
            std::memcpy(buffer + 8, m_controlAnswer.constData(), size_t(urb->actual_length));
        } else {
            m_lastControlOut = QByteArray(buffer + 8, length);
            urb->actual_length = length;
        }
        m_controls.append(data);
    }

    bool reap(UMockdevIoctlData *arg)
    {
        UMockdevIoctlData *data = nullptr;
        if (!m_reapable.isEmpty()) {
            data = m_reapable.takeFirst();
        } else if (!m_reads.isEmpty() && (m_gone || m_stallRead || !m_data.isEmpty())) {
            data = m_reads.takeFirst();
            usbdevfs_urb *urb = urbOf(data);
            urb->actual_length = 0;
            if (m_gone) {
                urb->status = -ENODEV;
            } else if (m_stallRead) {
                urb->status = -EPIPE;
                m_stallRead = false;
            } else {
                const QByteArray bytes = m_data.takeFirst();
                urb->status = 0;
                urb->actual_length = int(std::min<qsizetype>(bytes.size(), urb->buffer_length));
                std::memcpy(urb->buffer, bytes.constData(), size_t(urb->actual_length));
            }
        } else if (!m_controls.isEmpty()) {
            // Only once no read is ready: reads complete while a control
            // transfer waits.
            data = m_controls.takeFirst();
        } else {
            return false;
        }
        UMockdevIoctlData *pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), nullptr);
        umockdev_ioctl_data_set_ptr(pointer, 0, data);
        umockdev_ioctl_data_unref(data);
        return true;
    }

    UMockdevIoctlBase *m_handler;
    std::mutex m_mutex;
    QList<UMockdevIoctlData *> m_reads; // submitted reads, oldest first
    QList<UMockdevIoctlData *> m_controls; // answered control transfers
    QList<UMockdevIoctlData *> m_reapable; // discarded, not yet reaped
    QList<QByteArray> m_data;
    QByteArray m_controlAnswer;
    QByteArray m_lastSetup;
    QByteArray m_lastControlOut;
    std::atomic<int> m_clearHalts {0};
    std::atomic<bool> m_stallRead {false};
    std::atomic<bool> m_clearHaltFails {false};
    std::atomic<bool> m_stallControl {false};
    std::atomic<bool> m_gone {false};
};

// Collects what the reader delivers, from whichever thread it comes.
class RecordingSink : public LibHardware::UsbReadSink
{
public:
    void readCompleted(qint64 timer, const QByteArray &bytes) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reads.append(bytes);
        m_timers.append(timer);
        m_threads.insert(std::this_thread::get_id());
    }
    QList<QByteArray> reads() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reads;
    }
    QList<qint64> timers() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_timers;
    }
    std::set<std::thread::id> threads() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_threads;
    }

private:
    mutable std::mutex m_mutex;
    QList<QByteArray> m_reads;
    QList<qint64> m_timers;
    std::set<std::thread::id> m_threads;
};

QString sensorPath(const char *location)
{
    return makeDevicePath(SensorVendor, SensorProduct, QLatin1String(location));
}

QString answeringPath(const char *location)
{
    return makeDevicePath(SensorVendor, AnsweringProduct, QLatin1String(location));
}

} // namespace

// The libusb backend against devices emulated by umockdev: enumeration and
// hot-plug through libusb's own udev handling, and reading and control
// transfers through usbfs requests the test answers itself. Runs under
// umockdev-run, which preloads the emulation; skipped otherwise.
class TestLibUsbBackendEmulated : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!umockdev_in_mock_environment())
            QSKIP("needs the umockdev preload: run under umockdev-run");
        m_testbed = umockdev_testbed_new();
        m_usbfs = std::make_unique<UsbfsEmulation>();
        // The answering devices get their usbfs emulation before they exist,
        // so that no request can find them unanswered.
        for (const EmulatedDevice *device : {&AnsweringDevice, &WriteOnlyDevice})
            QVERIFY(umockdev_testbed_attach_ioctl(m_testbed, device->devNode().constData(),
                                                  m_usbfs->handler(), nullptr));
        for (const EmulatedDevice *device : {&RootHubDevice, &HubDevice, &MouseDevice,
                                             &SensorBehindHub, &AnsweringDevice, &WriteOnlyDevice})
            QVERIFY(add(*device));
    }

    void cleanupTestCase()
    {
        if (m_testbed)
            g_object_unref(m_testbed);
        m_usbfs.reset();
        LibMisc::Clock::reset();
    }

    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("."))); }

    // Back to the devices of initTestCase after a failed test, as umockdev
    // aborts on adding a device that exists.
    void cleanup()
    {
        for (const EmulatedDevice *device : {&PluggedMouse, &PluggedSensor}) {
            if (m_present.contains(device->kernelName))
                unplug(*device);
        }
        if (!m_present.contains(SensorBehindHub.kernelName))
            plug(SensorBehindHub);
        m_usbfs->reset();
        LibMisc::Clock::reset();
    }

    void listsPresentDevicesByLocation()
    {
        LibUsbBackend backend;
        QCOMPARE(backend.devicePaths(SensorVendor, SensorProduct),
                 QStringList {sensorPath("1.2.4")});
        QCOMPARE(backend.devicePaths(MouseVendor, MouseProduct),
                 QStringList {makeDevicePath(MouseVendor, MouseProduct, QStringLiteral("1.1"))});
        QCOMPARE(backend.devicePaths(SensorVendor, AnsweringProduct),
                 (QStringList {answeringPath("1.4"), answeringPath("1.6")}));
        QVERIFY(backend.devicePaths(SensorVendor, 0x1F03).isEmpty());
    }

    void reportsArrivalAndRemoval()
    {
        LibUsbBackend backend;
        QSignalSpy arrived(&backend, &UsbBackend::deviceArrived);
        QSignalSpy removed(&backend, &UsbBackend::deviceRemoved);
        QVERIFY(backend.startMonitoring(SensorVendor, SensorProduct));

        // Events come in order: had the mouse been reported, it would be
        // the first arrival.
        QVERIFY(plug(PluggedMouse));
        QVERIFY(plug(PluggedSensor));
        QTRY_COMPARE_WITH_TIMEOUT(arrived.count(), 1, Timeout);
        QCOMPARE(arrived.at(0).at(0).toString(), sensorPath("1.3"));
        QCOMPARE(backend.devicePaths(SensorVendor, SensorProduct),
                 (QStringList {sensorPath("1.2.4"), sensorPath("1.3")}));

        unplug(PluggedMouse);
        unplug(PluggedSensor);
        QTRY_COMPARE_WITH_TIMEOUT(removed.count(), 1, Timeout);
        QCOMPARE(removed.at(0).at(0).toString(), sensorPath("1.3"));
        QCOMPARE(backend.devicePaths(SensorVendor, SensorProduct),
                 QStringList {sensorPath("1.2.4")});
        QCOMPARE(arrived.count(), 1);

        // Unplugging and plugging back gives a removal and an arrival.
        unplug(SensorBehindHub);
        QVERIFY(plug(SensorBehindHub));
        QTRY_COMPARE_WITH_TIMEOUT(arrived.count(), 2, Timeout);
        QCOMPARE(removed.count(), 2);
        QCOMPARE(removed.at(1).at(0).toString(), sensorPath("1.2.4"));
        QCOMPARE(arrived.at(1).at(0).toString(), sensorPath("1.2.4"));
    }

    void stoppedMonitoringReportsNothing()
    {
        LibUsbBackend backend;
        QSignalSpy arrived(&backend, &UsbBackend::deviceArrived);
        QVERIFY(backend.startMonitoring(SensorVendor, SensorProduct));
        backend.stopMonitoring();
        QVERIFY(plug(PluggedSensor));
        // The backend lists the device, so libusb has seen it arrive.
        QTRY_COMPARE_WITH_TIMEOUT(backend.devicePaths(SensorVendor, SensorProduct).size(), 2,
                                  Timeout);
        QTest::qWait(200);
        QCOMPARE(arrived.count(), 0);
        unplug(PluggedSensor);
        QTRY_COMPARE_WITH_TIMEOUT(backend.devicePaths(SensorVendor, SensorProduct).size(), 1,
                                  Timeout);
    }

    void openRefusesWhatItCannotUse()
    {
        LibUsbBackend backend;
        QString error;
        // Nothing at that location.
        QVERIFY(!backend.open(sensorPath("1.7"), &error));
        QVERIFY(!error.isEmpty());
        // Another identity at that location.
        error.clear();
        QVERIFY(!backend.open(sensorPath("1.1"), &error));
        QVERIFY(!error.isEmpty());
        // A device without usbfs answers opens as a file, but claiming
        // interface 0 fails.
        error.clear();
        QVERIFY(!backend.open(sensorPath("1.2.4"), &error));
        QVERIFY(!error.isEmpty());
    }

    void readsUntilStopped()
    {
        LibUsbBackend backend;
        std::unique_ptr<UsbHandle> handle = open(backend, "1.4");
        QVERIFY(handle);
        RecordingSink sink;
        LibMisc::Clock::setManual(1'600'000'000'000);
        m_usbfs->queueRead("abc");
        m_usbfs->queueRead(""); // an empty read is no data
        m_usbfs->queueRead("defg");
        QVERIFY(handle->startReading(&sink));
        QVERIFY(handle->isReading());
        QVERIFY(!handle->startReading(&sink));

        QTRY_COMPARE_WITH_TIMEOUT(sink.reads(), (QList<QByteArray> {"abc", "defg"}), Timeout);
        QCOMPARE(sink.timers(), (QList<qint64> {1'600'000'000'000, 1'600'000'000'000}));
        QVERIFY(!sink.threads().count(std::this_thread::get_id()));
        // Every transfer goes out again after its read.
        QTRY_COMPARE_WITH_TIMEOUT(m_usbfs->readsInFlight(),
                                  LibHardware::LibUsbHandle::TransferCount, Timeout);

        handle->stopReading();
        QVERIFY(!handle->isReading());
        QCOMPARE(m_usbfs->readsInFlight(), 0);
        m_usbfs->queueRead("late");
        QTest::qWait(100);
        QCOMPARE(sink.reads().size(), 2);
        handle->stopReading();

        // Reading starts again, and the handle goes while reading.
        QVERIFY(handle->startReading(&sink));
        QTRY_COMPARE_WITH_TIMEOUT(sink.reads().size(), 3, Timeout);
        QCOMPARE(sink.reads().last(), QByteArray("late"));
    }

    void controlTransfers()
    {
        LibUsbBackend backend;
        std::unique_ptr<UsbHandle> handle = open(backend, "1.4");
        QVERIFY(handle);
        RecordingSink sink;
        const int rounds = 10;
        const int readsPerRound = 50;
        for (bool reading : {false, true}) {
            if (reading)
                QVERIFY(handle->startReading(&sink));
            for (int round = 0; round < (reading ? rounds : 1); ++round) {
                // Reads complete while the control transfers wait.
                for (int i = 0; reading && i < readsPerRound; ++i)
                    m_usbfs->queueRead(QByteArray::number(round * readsPerRound + i));
                m_usbfs->setControlAnswer("\x11\x22\x33");
                char in[4] = {};
                QCOMPARE(handle->controlTransfer(UsbHandle::VendorIn, 0x01, 0x1234, 5, in, 4), 3);
                QCOMPARE(QByteArray(in, 3), QByteArray("\x11\x22\x33"));
                QCOMPARE(m_usbfs->lastControl().first, QByteArray::fromHex("c001341205000400"));

                char out[2] = {'\x7e', char(round)};
                QCOMPARE(handle->controlTransfer(UsbHandle::VendorOut, 0x02, 0, 0, out, 2), 2);
                QCOMPARE(m_usbfs->lastControl().second, QByteArray(out, 2));

                m_usbfs->setStallControl(true);
                QCOMPARE(handle->controlTransfer(UsbHandle::VendorOut, 0x03, 0, 0, out, 2), -1);
                QVERIFY(!handle->errorString().isEmpty());
                m_usbfs->setStallControl(false);
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(sink.reads().size(), rounds * readsPerRound, Timeout);
        QCOMPARE(sink.reads().last(), QByteArray::number(rounds * readsPerRound - 1));
        // Only the reader thread called the sink, never a thread waiting for
        // its control transfer.
        QCOMPARE(sink.threads().size(), size_t(1));
        QVERIFY(!sink.threads().count(std::this_thread::get_id()));
        QVERIFY(handle->isReading());
    }

    void stalledReadsAreCleared()
    {
        LibUsbBackend backend;
        std::unique_ptr<UsbHandle> handle = open(backend, "1.4");
        QVERIFY(handle);
        RecordingSink sink;
        m_usbfs->stallNextRead();
        m_usbfs->queueRead("after the stall");
        QVERIFY(handle->startReading(&sink));
        QTRY_COMPARE_WITH_TIMEOUT(sink.reads().size(), 1, Timeout);
        QCOMPARE(m_usbfs->clearHalts(), 1);
        QVERIFY(handle->isReading());

        // A halt that cannot be cleared ends reading.
        m_usbfs->setClearHaltFails(true);
        m_usbfs->stallNextRead();
        QTRY_VERIFY_WITH_TIMEOUT(!handle->isReading(), Timeout);
        QVERIFY(!handle->errorString().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(m_usbfs->readsInFlight(), 0, Timeout);
    }

    void vanishedDeviceEndsReading()
    {
        LibUsbBackend backend;
        std::unique_ptr<UsbHandle> handle = open(backend, "1.4");
        QVERIFY(handle);
        RecordingSink sink;
        QVERIFY(handle->startReading(&sink));
        m_usbfs->setGone(true);
        QTRY_VERIFY_WITH_TIMEOUT(!handle->isReading(), Timeout);
        QVERIFY(!handle->errorString().isEmpty());
        handle->stopReading();
        QCOMPARE(sink.reads().size(), 0);
        // Back again (as far as this handle can tell), reading restarts.
        m_usbfs->setGone(false);
        m_usbfs->queueRead("again");
        QVERIFY(handle->startReading(&sink));
        QTRY_COMPARE_WITH_TIMEOUT(sink.reads().size(), 1, Timeout);
    }

    void readingNeedsAnInEndpoint()
    {
        LibUsbBackend backend;
        std::unique_ptr<UsbHandle> handle = open(backend, "1.6");
        QVERIFY(handle);
        RecordingSink sink;
        QVERIFY(!handle->startReading(&sink));
        QVERIFY(!handle->isReading());
        QVERIFY(!handle->errorString().isEmpty());
        handle->stopReading();
    }

private:
    static std::unique_ptr<UsbHandle> open(LibUsbBackend &backend, const char *location)
    {
        QString error;
        std::unique_ptr<UsbHandle> handle = backend.open(answeringPath(location), &error);
        if (!handle)
            qInfo("cannot open %s: %s", location, qPrintable(error));
        return handle;
    }

    bool add(const EmulatedDevice &device)
    {
        GError *error = nullptr;
        if (umockdev_testbed_add_from_string(m_testbed, device.description().constData(), &error)) {
            m_present.insert(device.kernelName);
            return true;
        }
        qInfo("cannot add %s: %s", device.kernelName.constData(), error->message);
        g_error_free(error);
        return false;
    }

    bool plug(const EmulatedDevice &device)
    {
        if (!add(device))
            return false;
        umockdev_testbed_uevent(m_testbed, device.sysPath().constData(), "add");
        return true;
    }

    // The "remove" uevent first: umockdev builds it from the device's sysfs
    // entry, which must still be there.
    void unplug(const EmulatedDevice &device)
    {
        umockdev_testbed_uevent(m_testbed, device.sysPath().constData(), "remove");
        umockdev_testbed_remove_device(m_testbed, device.sysPath().constData());
        m_present.remove(device.kernelName);
    }

    UMockdevTestbed *m_testbed = nullptr;
    std::unique_ptr<UsbfsEmulation> m_usbfs;
    QSet<QByteArray> m_present; // kernel names of the devices in the testbed
};

QTEST_GUILESS_MAIN(TestLibUsbBackendEmulated)
#include "tst_libusbbackendemulated.moc"
