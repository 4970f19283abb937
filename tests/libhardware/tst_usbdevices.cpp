#include <deviceref.h>
#include <nullbackend.h>
#include <usbdeviceenumerator.h>
#include <usbhandle.h>
#include <usblocation.h>

#include <QMap>
#include <QSignalSpy>
#include <QTest>

using namespace LibHardware;

namespace {

const QString SensorGuid = QStringLiteral("{6DD29847-8B42-4AB4-AB06-4B9BF751334C}");

QString sensorPath(const QString &location)
{
    return QStringLiteral("\\\\?\\USB#VID_1224&PID_1F01#") + location + '#' + SensorGuid;
}

// Devices come and go when the test says so.
class ScriptedBackend : public NullBackend
{
public:
    QStringList present;
    bool monitoring = false;

    QStringList devicePaths(int, int) override { return present; }
    bool startMonitoring(int, int) override { return monitoring = true; }
    void plug(const QString &path)
    {
        present << path;
        emit deviceArrived(path);
    }
    void unplug(const QString &path)
    {
        present.removeAll(path);
        emit deviceRemoved(path);
    }
};

} // namespace

// How devices are named and found: locations, device paths, references, the
// enumerator.
class TestUsbDevices : public QObject
{
    Q_OBJECT

private slots:
    void locations()
    {
        // Bus, then 1 to 7 hub ports, each 1 to 255, written without
        // leading zeros: one text per place.
        for (const char *text : {"1.3", "3.1.4", "255.255.10", "2.1.2.3.4.5.6.7"}) {
            const UsbLocation location = UsbLocation::fromString(text);
            QVERIFY2(location.isValid(), text);
            QCOMPARE(location.toString(), text);
        }
        QCOMPARE(UsbLocation(3, {1, 4}), UsbLocation::fromString("3.1.4"));
        for (const char *text :
             {"1", "0.1", "256.1", "1.2.0", "1.256", "1.1.1.1.1.1.1.1.1", "", "3..1", ".3.1",
              "3.1.", "03.1", "+3.1", "3. 1", "3.a", "3-1", "1.99999999999999999999"})
            QVERIFY2(!UsbLocation::fromString(text).isValid(), text);
        QCOMPARE(UsbLocation(1, {}).toString(), QString()); // a root hub has no location
    }

    void devicePaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("location"); // empty: not a device path
        QTest::addColumn<int>("vendor");
        QTest::addColumn<int>("product");
        QTest::addColumn<bool>("built"); // what makeDevicePath() builds
        QTest::addColumn<int>("sensor"); // the enumerator's verdict; -1: not asked
        const QString ids = QStringLiteral("\\\\?\\USB#VID_1224&PID_1F01#");
        const auto row = [](const char *name, const QString &path, const QString &location,
                            int vendor, int product, bool built, int sensor) {
            QTest::newRow(name) << path << location << vendor << product << built << sensor;
        };
        // Paths of devices: built by makeDevicePath() or not.
        row("sensor", sensorPath("3.1.4"), "3.1.4", 0x1224, 0x1F01, true, 1);
        row("shared interface class",
            "\\\\?\\USB#VID_1224&PID_000A#1.2#{448A342C-4663-4C50-AB76-24A45DA27C03}", "1.2",
            0x1224, 0x0A, true, 1);
        row("no interface class", "\\\\?\\USB#VID_1224&PID_0022#1.2#", "1.2", 0x1224, 34, true, 0);
        row("unlisted product", "\\\\?\\USB#VID_1224&PID_1F02#1.1#" + SensorGuid, "1.1", 0x1224,
            0x1F02, false, 0);
        row("unknown interface class", ids + "1.1#{00000000-0000-0000-0000-000000000000}", "1.1",
            0x1224, 0x1F01, false, 0);
        // Backends may report lower case; the enumerator takes upper case.
        row("lower case", sensorPath("3.1.4").toLower(), "3.1.4", 0x1224, 0x1F01, false, 0);
        // Not device paths.
        row("not hex", "\\\\?\\USB#VID_12G4&PID_1F01#1.1#" + SensorGuid, "", 0, 0, false, 0);
        row("empty", "", "", 0, 0, false, 0);
        row("bad location", ids + "3.0#" + SensorGuid, "", 0, 0, false, -1);
        row("extra part", ids + "3.1#" + SensorGuid + "#x", "", 0, 0, false, -1);
    }

    void devicePaths()
    {
        QFETCH(QString, path);
        QFETCH(QString, location);
        QFETCH(bool, built);
        QFETCH(int, sensor);
        int vendor = -1;
        int product = -1;
        QCOMPARE(UsbLocation::fromDevicePath(path, &vendor, &product).toString(), location);
        if (location.isEmpty()) {
            // A refused path leaves the ids alone.
            QCOMPARE(vendor, -1);
            QCOMPARE(product, -1);
        } else {
            QTEST(vendor, "vendor");
            QTEST(product, "product");
            if (built)
                QCOMPARE(makeDevicePath(vendor, product, location), path);
        }
        UsbDeviceInfo info;
        if (sensor >= 0)
            QCOMPARE(UsbDeviceEnumerator::parseDevicePath(path, &info), bool(sensor));
        if (sensor > 0) {
            QTEST(info.vendorId, "vendor");
            QTEST(info.productId, "product");
        }
    }

    void references()
    {
        // Null references are equal within a category whatever their id,
        // serial references by serial, other kinds of id never.
        const QByteArray serial = QByteArray::fromHex("0011223344556677");
        const DeviceRef sensor = DeviceRef::opticalSensor(serial);
        const struct
        {
            DeviceRef a, b;
            bool equal;
        } cases[] = {
                {DeviceRef(1, 0, "abc"), DeviceRef(1, 0, "xyz"), true},
                {sensor, DeviceRef(1, 1, serial), true},
                {sensor, DeviceRef::opticalSensor(serial.left(7) + 'x'), false},
                {DeviceRef(1, 2, serial), DeviceRef(1, 2, serial), false},
        };
        for (const auto &c : cases) {
            QCOMPARE(c.a == c.b, c.equal);
            QCOMPARE(c.b == c.a, c.equal);
            QCOMPARE(c.a != c.b, !c.equal);
            // Equal references share a map key.
            if (c.a.idType != 2)
                QCOMPARE((QMap<DeviceRef, int> {{c.a, 1}, {c.b, 2}}).size(), c.equal ? 1 : 2);
        }
    }

    void enumeratorFollowsTheBackend()
    {
        ScriptedBackend backend;
        backend.present
                << sensorPath("1.1").toLower()
                << "\\\\?\\USB#VID_1224&PID_000A#1.2#{448A342C-4663-4C50-AB76-24A45DA27C03}";
        UsbDeviceEnumerator enumerator(nullptr, &backend);
        QSignalSpy added(&enumerator, &UsbDeviceEnumerator::deviceAdded);
        QSignalSpy removed(&enumerator, &UsbDeviceEnumerator::deviceRemoved);
        QVERIFY(enumerator.start(0x1224, 0x1F01));
        QVERIFY(backend.monitoring);
        QCOMPARE(added.count(), 1); // the other product is not watched
        QCOMPARE(added.first().first().value<UsbDeviceInfo>().path, sensorPath("1.1"));

        backend.plug(sensorPath("1.7"));
        backend.plug(sensorPath("1.7")); // already known: nothing
        QCOMPARE(added.count(), 2);
        backend.unplug(sensorPath("1.9")); // never known: nothing
        backend.unplug(sensorPath("1.7"));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().first().value<UsbDeviceInfo>().path, sensorPath("1.7"));
        QCOMPARE(enumerator.knownDevices().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestUsbDevices)
#include "tst_usbdevices.moc"
