// umockdev's headers pull in GLib, whose structures have members named
// "signals": they come before Qt's keyword macros.
#include <umockdev.h>

#include "readrecorder.h"

#include <clock.h>
#include <libusbbackend.h>
#include <libusbhandle.h>

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
#include <set>
#include <utility>

using namespace LibHardware;

namespace {

constexpr int Vendor = 0x1224;
constexpr int Sensor = 0x1F01;
// Devices whose usbfs requests the test answers: another product, so that
// they stay out of the sensor lists.
constexpr int Answering = 0x1F02;
constexpr int MouseVendor = 0x046D;
constexpr int Mouse = 0xC077;
constexpr int Timeout = 15000; // ms; generous, events cross several threads

// A device on bus 1. Its kernel name gives its place: "1-2.4" is port 4 of
// the hub at port 2 of the root hub. Its one endpoint is IN 0x81, bulk for
// class 0xFF, else interrupt.
struct Device
{
    QByteArray name;
    int devnum;
    int vendor;
    int product;
    int interfaceClass;

    QByteArray sysPath() const
    {
        QByteArray path = "/sys/devices/pci0000:00/0000:00:14.0/usb1";
        if (name.contains('-')) {
            for (int dot = name.indexOf('.'); dot > 0; dot = name.indexOf('.', dot + 1))
                path += '/' + name.left(dot);
            path += '/' + name;
        }
        return path;
    }
    QByteArray devNode() const
    {
        return QString::asprintf("/dev/bus/usb/001/%03d", devnum).toLatin1();
    }

    // umockdev's format: P path, N node, E udev properties, A sysfs
    // attributes, H binary attributes in hex (the kernel's copy of the
    // device, configuration, interface 0 and endpoint descriptors).
    QByteArray description() const
    {
        const int dash = name.indexOf('-');
        return "P: " + sysPath().mid(4) + "\nN: " + devNode().mid(5) + "\nE: DEVNAME=" + devNode()
                + "\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: SUBSYSTEM=usb\nE: BUSNUM=001"
                + "\nE: DEVNUM=" + devNode().right(3)
                + "\nA: busnum=1\nA: devnum=" + QByteArray::number(devnum)
                + "\nA: devpath=" + (dash > 0 ? name.mid(dash + 1) : QByteArray("0"))
                + "\nA: speed=12\nA: bConfigurationValue=1\n"
                + QString::asprintf("A: idVendor=%04x\nA: idProduct=%04x\nH: descriptors="
                                    "1201000200000040%02X%02X%02X%02X000100000001"
                                    "0902190001010080320904000001%02X000000070581%02X40000A\n",
                                    vendor, product, vendor & 0xFF, vendor >> 8, product & 0xFF,
                                    product >> 8, interfaceClass, interfaceClass == 0xFF ? 2 : 3)
                          .toLatin1();
    }
};

const Device RootHub {"usb1", 1, 0x1D6B, 0x0002, 9};
const Device Hub {"1-2", 2, 0x05E3, 0x0608, 9};
const Device SensorBehindHub {"1-2.4", 4, Vendor, Sensor, 0xFF};
const Device PluggedSensor {"1-3", 5, Vendor, Sensor, 0xFF};
const Device PluggedMouse {"1-2.1", 6, MouseVendor, Mouse, 3};
const Device AnsweringDevice {"1-4", 7, Vendor, Answering, 0xFF};
const Device SentinelSensor {"1-5", 9, Vendor, Sensor, 0xFF};

// Answers the usbfs requests of the answering device on umockdev's worker
// thread, as the kernel would: claims succeed, reads complete with queued
// data, control transfers at once. The lists are guarded by the mutex.
class Usbfs
{
public:
    Usbfs()
        : handler(umockdev_ioctl_base_new())
    {
        g_signal_connect(handler, "handle-ioctl", G_CALLBACK(&Usbfs::onIoctl), this);
    }
    ~Usbfs()
    {
        g_object_unref(handler);
        for (UMockdevIoctlData *urb : reads + controls + reapable)
            umockdev_ioctl_data_unref(urb);
    }

    template<typename F>
    auto locked(F f)
    {
        std::lock_guard lock(mutex);
        return f();
    }

    UMockdevIoctlBase *handler;
    std::mutex mutex;
    QList<UMockdevIoctlData *> reads; // submitted reads, oldest first
    QList<UMockdevIoctlData *> controls; // answered control transfers
    QList<UMockdevIoctlData *> reapable; // discarded, not yet reaped
    QList<QByteArray> data; // what the next reads return
    QByteArray lastSetup, lastControlOut; // of the last control transfer
    std::atomic<int> clearHalts {0};
    std::atomic<bool> stallRead {false}, clearHaltFails {false}, stallControl {false};
    std::atomic<bool> gone {false}; // unplugged: reads end with "no device", submits fail

private:
    static usbdevfs_urb *urbOf(UMockdevIoctlData *data)
    {
        return reinterpret_cast<usbdevfs_urb *>(data->data);
    }

    static gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer self)
    {
        auto *usbfs = static_cast<Usbfs *>(self);
        std::lock_guard lock(usbfs->mutex);
        UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
        int error = 0;
        switch (umockdev_ioctl_client_get_request(client)) {
        case USBDEVFS_GET_CAPABILITIES:
            *reinterpret_cast<quint32 *>(
                    umockdev_ioctl_data_resolve(arg, 0, sizeof(quint32), nullptr)->data)
                    = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM
                    | USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
            break;
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_DISCONNECT_CLAIM:
            break;
        case USBDEVFS_IOCTL: // attaching a kernel driver again: there is none
            error = ENODATA;
            break;
        case USBDEVFS_CLEAR_HALT:
            ++usbfs->clearHalts;
            error = usbfs->clearHaltFails ? EPIPE : 0;
            break;
        case USBDEVFS_SUBMITURB:
            if (usbfs->gone)
                error = ENODEV;
            else
                usbfs->submit(arg);
            break;
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            error = usbfs->reap(arg) ? 0 : EAGAIN;
            break;
        case USBDEVFS_DISCARDURB: {
            const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void **>(arg->data));
            const auto it = std::find_if(usbfs->reads.begin(), usbfs->reads.end(),
                                         [&](auto *urb) { return urb->client_addr == address; });
            if (it == usbfs->reads.end()) {
                error = EINVAL;
            } else {
                urbOf(*it)->status = -ENOENT;
                usbfs->reapable.append(*it);
                usbfs->reads.erase(it);
            }
            break;
        }
        default:
            return false;
        }
        umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
        return true;
    }

    void submit(UMockdevIoctlData *arg)
    {
        UMockdevIoctlData *urbData
                = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        usbdevfs_urb *urb = urbOf(urbData);
        umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                    size_t(urb->buffer_length), nullptr);
        umockdev_ioctl_data_ref(urbData);
        if (urb->type != USBDEVFS_URB_TYPE_CONTROL) {
            reads.append(urbData);
            return;
        }
        // The setup packet, then the data stage.
        auto *buffer = static_cast<char *>(urb->buffer);
        lastSetup = QByteArray(buffer, 8);
        const int length = qFromLittleEndian<quint16>(buffer + 6);
        urb->status = stallControl ? -EPIPE : 0;
        if (buffer[0] & 0x80) {
            urb->actual_length = std::min(length, 3);
            std::memcpy(buffer + 8, "\x11\x22\x33", size_t(urb->actual_length));
        } else {
            lastControlOut = QByteArray(buffer + 8, length);
            urb->actual_length = length;
        }
        controls.append(urbData);
    }

    bool reap(UMockdevIoctlData *arg)
    {
        UMockdevIoctlData *done = nullptr;
        if (!reapable.isEmpty()) {
            done = reapable.takeFirst();
        } else if (!reads.isEmpty() && (gone || stallRead || !data.isEmpty())) {
            done = reads.takeFirst();
            usbdevfs_urb *urb = urbOf(done);
            urb->actual_length = 0;
            urb->status = gone ? -ENODEV : stallRead ? -EPIPE : 0;
            if (!gone && !stallRead.exchange(false)) {
                const QByteArray bytes = data.takeFirst();
                urb->actual_length = int(std::min<qsizetype>(bytes.size(), urb->buffer_length));
                std::memcpy(urb->buffer, bytes.constData(), size_t(urb->actual_length));
            }
        } else if (!controls.isEmpty()) {
            // Only once no read is ready: reads complete while a control
            // transfer waits.
            done = controls.takeFirst();
        } else {
            return false;
        }
        umockdev_ioctl_data_set_ptr(umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), nullptr), 0,
                                    done);
        umockdev_ioctl_data_unref(done);
        return true;
    }
};

QString sensorPath(const char *location)
{
    return makeDevicePath(Vendor, Sensor, QLatin1String(location));
}

} // namespace

// The libusb backend against devices emulated by umockdev, under
// umockdev-run (skipped otherwise): enumeration and hot-plug through libusb's
// udev handling, reading and control transfers through usbfs answers.
class TestLibUsbBackendEmulated : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!umockdev_in_mock_environment())
            QSKIP("needs the umockdev preload: run under umockdev-run");
        m_testbed = umockdev_testbed_new();
        m_usbfs = std::make_unique<Usbfs>();
        // Emulated before they exist, so that no request finds them unanswered.
        QVERIFY(umockdev_testbed_attach_ioctl(m_testbed, AnsweringDevice.devNode().constData(),
                                              m_usbfs->handler, nullptr));
        for (const Device *device : {&RootHub, &Hub, &SensorBehindHub, &AnsweringDevice})
            QVERIFY(plug(*device, false));
    }

    void cleanupTestCase()
    {
        if (m_testbed)
            g_object_unref(m_testbed);
        m_usbfs.reset();
    }

    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("."))); }

    // Back to the devices of initTestCase: umockdev aborts on adding a
    // device that exists.
    void cleanup()
    {
        for (const Device *device : {&PluggedMouse, &PluggedSensor, &SentinelSensor}) {
            if (m_present.contains(device->name))
                unplug(*device);
        }
        if (!m_present.contains(SensorBehindHub.name))
            plug(SensorBehindHub);
        m_usbfs->locked([this] { m_usbfs->data.clear(); });
        m_usbfs->clearHalts = 0;
        m_usbfs->stallRead = m_usbfs->clearHaltFails = m_usbfs->stallControl = false;
        m_usbfs->gone = false;
        LibMisc::Clock::reset();
    }

    void listsAndReportsDevicesByLocation()
    {
        LibUsbBackend backend;
        QCOMPARE(backend.devicePaths(Vendor, Answering),
                 QStringList {makeDevicePath(Vendor, Answering, QStringLiteral("1.4"))});
        QSignalSpy arrived(&backend, &UsbBackend::deviceArrived);
        QSignalSpy removed(&backend, &UsbBackend::deviceRemoved);
        QVERIFY(backend.startMonitoring(Vendor, Sensor));

        // Events come in order: had the mouse been reported, it would be
        // the first arrival.
        QVERIFY(plug(PluggedMouse));
        QVERIFY(plug(PluggedSensor));
        QTRY_COMPARE_WITH_TIMEOUT(arrived.count(), 1, Timeout);
        QCOMPARE(arrived.at(0).at(0).toString(), sensorPath("1.3"));
        QCOMPARE(backend.devicePaths(Vendor, Sensor),
                 (QStringList {sensorPath("1.2.4"), sensorPath("1.3")}));

        unplug(PluggedMouse);
        unplug(PluggedSensor);
        QTRY_COMPARE_WITH_TIMEOUT(removed.count(), 1, Timeout);
        QCOMPARE(removed.at(0).at(0).toString(), sensorPath("1.3"));
        QCOMPARE(backend.devicePaths(Vendor, Sensor), QStringList {sensorPath("1.2.4")});

        // Unplugging and plugging back gives a removal and an arrival.
        unplug(SensorBehindHub);
        QVERIFY(plug(SensorBehindHub));
        QTRY_COMPARE_WITH_TIMEOUT(arrived.count(), 2, Timeout);
        QCOMPARE(removed.count(), 2);
        QCOMPARE(removed.at(1).at(0).toString(), sensorPath("1.2.4"));
        QCOMPARE(arrived.at(1).at(0).toString(), sensorPath("1.2.4"));

        // Stopped, nothing is reported: in and out, listed and unlisted so
        // that libusb saw both; then monitoring again, the next event must
        // be a sentinel's arrival.
        backend.stopMonitoring();
        QVERIFY(plug(PluggedSensor));
        QTRY_COMPARE_WITH_TIMEOUT(backend.devicePaths(Vendor, Sensor).size(), 2, Timeout);
        unplug(PluggedSensor);
        QTRY_COMPARE_WITH_TIMEOUT(backend.devicePaths(Vendor, Sensor).size(), 1, Timeout);
        QVERIFY(backend.startMonitoring(Vendor, Sensor));
        QVERIFY(plug(SentinelSensor));
        QTRY_COMPARE_WITH_TIMEOUT(arrived.count(), 3, Timeout);
        QCOMPARE(arrived.at(2).at(0).toString(), sensorPath("1.5"));
        QCOMPARE(removed.count(), 2);
    }

    void openRefusesWhatItCannotUse()
    {
        LibUsbBackend backend;
        // Nothing there, another identity there, a device without usbfs
        // answers (it opens as a file, but claiming fails), not a path.
        for (const QString &path : {sensorPath("1.7"), sensorPath("1.4"), sensorPath("1.2.4"),
                                    QStringLiteral("/dev/bus/usb/001/004")}) {
            QString error;
            QVERIFY2(!backend.open(path, &error), qPrintable(path));
            QVERIFY(!error.isEmpty());
        }
    }

    void readsUntilStopped()
    {
        LibUsbBackend backend;
        std::unique_ptr<UsbHandle> handle = open(backend);
        QVERIFY2(handle, qPrintable(m_error));
        ReadRecorder sink;
        LibMisc::Clock::setManual(1'600'000'000'000);
        queue({"abc", "", "defg"}); // an empty read is no data
        QVERIFY(handle->startReading(&sink));
        QVERIFY(handle->isReading());
        QVERIFY(!handle->startReading(&sink));

        QTRY_COMPARE_WITH_TIMEOUT(sink.bytes(), (QList<QByteArray> {"abc", "defg"}), Timeout);
        for (const ReadRecorder::Read &read : sink.reads()) {
            QCOMPARE(read.timer, 1'600'000'000'000); // the clock at completion
            QVERIFY(read.thread != std::this_thread::get_id());
        }
        // Every transfer goes out again after its read.
        QTRY_COMPARE_WITH_TIMEOUT(inFlight(), LibUsbHandle::TransferCount, Timeout);

        // Stopped, no transfer is left to take data (a restart: below).
        handle->stopReading();
        QVERIFY(!handle->isReading());
        QCOMPARE(inFlight(), 0);
    }

    void controlTransfers()
    {
        LibUsbBackend backend;
        std::unique_ptr<UsbHandle> handle = open(backend);
        QVERIFY2(handle, qPrintable(m_error));
        ReadRecorder sink;
        const int rounds = 3;
        const int readsPerRound = 20;
        for (bool reading : {false, true}) {
            if (reading)
                QVERIFY(handle->startReading(&sink));
            for (int round = 0; round < (reading ? rounds : 1); ++round) {
                // Reads complete while the control transfers wait.
                for (int i = 0; reading && i < readsPerRound; ++i)
                    queue({QByteArray::number(round * readsPerRound + i)});
                char in[4] = {};
                QCOMPARE(handle->controlTransfer(UsbHandle::VendorIn, 0x01, 0x1234, 5, in, 4), 3);
                QCOMPARE(QByteArray(in, 3), QByteArray("\x11\x22\x33"));
                QCOMPARE(m_usbfs->locked([this] { return m_usbfs->lastSetup; }),
                         QByteArray::fromHex("c001341205000400"));

                char out[2] = {'\x7e', char(round)};
                QCOMPARE(handle->controlTransfer(UsbHandle::VendorOut, 0x02, 0, 0, out, 2), 2);
                QCOMPARE(m_usbfs->locked([this] { return m_usbfs->lastControlOut; }),
                         QByteArray(out, 2));

                m_usbfs->stallControl = true;
                QCOMPARE(handle->controlTransfer(UsbHandle::VendorOut, 0x03, 0, 0, out, 2), -1);
                QVERIFY(!handle->errorString().isEmpty());
                m_usbfs->stallControl = false;
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(sink.count(), rounds * readsPerRound, Timeout);
        QCOMPARE(sink.bytes().last(), QByteArray::number(rounds * readsPerRound - 1));
        // Only the reader thread called the sink, never a thread waiting for
        // its control transfer.
        std::set<std::thread::id> threads;
        for (const ReadRecorder::Read &read : sink.reads())
            threads.insert(read.thread);
        QCOMPARE(threads.size(), size_t(1));
        QVERIFY(!threads.count(std::this_thread::get_id()));
        QVERIFY(handle->isReading());
    }

    // Stalls are cleared; the device going away while streaming ends
    // reading, as does a stall that cannot be cleared.
    void readingSurvivesStallsUntilTheDeviceGoes()
    {
        LibUsbBackend backend;
        std::unique_ptr<UsbHandle> handle = open(backend);
        QVERIFY2(handle, qPrintable(m_error));
        ReadRecorder sink;
        m_usbfs->stallRead = true;
        queue({"after the stall"});
        QVERIFY(handle->startReading(&sink));
        QTRY_COMPARE_WITH_TIMEOUT(sink.count(), 1, Timeout);
        QCOMPARE(m_usbfs->clearHalts.load(), 1);
        QVERIFY(handle->isReading());

        m_usbfs->gone = true;
        QTRY_VERIFY_WITH_TIMEOUT(!handle->isReading(), Timeout);
        QVERIFY(!handle->errorString().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(inFlight(), 0, Timeout);
        handle->stopReading();
        QCOMPARE(sink.count(), 1);

        m_usbfs->gone = false; // back, as far as this handle can tell
        queue({"again"});
        QVERIFY(handle->startReading(&sink));
        QTRY_COMPARE_WITH_TIMEOUT(sink.bytes(), (QList<QByteArray> {"after the stall", "again"}),
                                  Timeout);
        m_usbfs->clearHaltFails = true;
        m_usbfs->stallRead = true;
        QTRY_VERIFY_WITH_TIMEOUT(!handle->isReading(), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(inFlight(), 0, Timeout);
    }

private:
    std::unique_ptr<UsbHandle> open(LibUsbBackend &backend)
    {
        return backend.open(makeDevicePath(Vendor, Answering, QStringLiteral("1.4")), &m_error);
    }

    void queue(const QList<QByteArray> &reads)
    {
        m_usbfs->locked([&] { m_usbfs->data += reads; });
    }
    int inFlight()
    {
        return m_usbfs->locked([this] { return int(m_usbfs->reads.size()); });
    }

    // Adds a device to the testbed, announcing it unless it was there from
    // the start.
    bool plug(const Device &device, bool announce = true)
    {
        GError *error = nullptr;
        if (!umockdev_testbed_add_from_string(m_testbed, device.description().constData(),
                                              &error)) {
            qInfo("cannot add %s: %s", device.name.constData(), error->message);
            g_error_free(error);
            return false;
        }
        m_present.insert(device.name);
        if (announce)
            umockdev_testbed_uevent(m_testbed, device.sysPath().constData(), "add");
        return true;
    }

    // The "remove" uevent first: umockdev builds it from the sysfs entry.
    void unplug(const Device &device)
    {
        umockdev_testbed_uevent(m_testbed, device.sysPath().constData(), "remove");
        umockdev_testbed_remove_device(m_testbed, device.sysPath().constData());
        m_present.remove(device.name);
    }

    UMockdevTestbed *m_testbed = nullptr;
    std::unique_ptr<Usbfs> m_usbfs;
    QSet<QByteArray> m_present; // kernel names of the devices in the testbed
    QString m_error;
};

QTEST_GUILESS_MAIN(TestLibUsbBackendEmulated)
#include "tst_libusbbackendemulated.moc"
