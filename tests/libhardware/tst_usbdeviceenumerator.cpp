#include <usbbackend.h>
#include <usbdeviceenumerator.h>
#include <usbhandle.h>

#include <QSignalSpy>
#include <QTest>

using namespace LibHardware;

namespace {

const QString SensorGuid = QStringLiteral("{6DD29847-8B42-4AB4-AB06-4B9BF751334C}");

QString sensorPath(const QString &location,
                   const QString &ids = QStringLiteral("VID_1224&PID_1F01"))
{
    return QStringLiteral("\\\\?\\USB#%1#%2#%3").arg(ids, location, SensorGuid);
}

// Devices come and go when the test says so.
class ScriptedBackend : public UsbBackend
{
public:
    QStringList present;
    bool monitoring = false;

    QStringList devicePaths(int, int) override { return present; }
    bool startMonitoring(int, int) override { return monitoring = true; }
    void stopMonitoring() override { monitoring = false; }
    std::unique_ptr<UsbHandle> open(const QString &, QString *error) override
    {
        *error = QStringLiteral("not here");
        return nullptr;
    }
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

class TestUsbDeviceEnumerator : public QObject
{
    Q_OBJECT

private slots:
    void parsing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("vendor");
        QTest::addColumn<int>("product");
        QTest::newRow("sensor") << sensorPath(QStringLiteral("3.1.4")) << true << 0x1224 << 0x1F01;
        QTest::newRow("other vendor")
                << sensorPath(QStringLiteral("1"), QStringLiteral("VID_1225&PID_1F01")) << false
                << 0 << 0;
        QTest::newRow("other product")
                << sensorPath(QStringLiteral("1"), QStringLiteral("VID_1224&PID_1F02")) << false
                << 0x1224 << 0;
        QTest::newRow("no guid") << QStringLiteral("\\\\?\\USB#VID_1224&PID_1F01#1") << false
                                 << 0x1224 << 0x1F01;
        QTest::newRow("unknown guid") << QStringLiteral(
                "\\\\?\\USB#VID_1224&PID_1F01#1#{00000000-0000-0000-0000-000000000000}")
                                      << false << 0x1224 << 0x1F01;
        QTest::newRow("lower-case guid")
                << sensorPath(QStringLiteral("1")).toLower() << false << 0 << 0;
        QTest::newRow("another accepted product") << QStringLiteral(
                "\\\\?\\USB#VID_1224&PID_0013#5#{448A342C-4663-4C50-AB76-24A45DA27C03}")
                                                  << true << 0x1224 << 0x13;
        QTest::newRow("garbage") << QStringLiteral("VID_&PID_") << false << 0 << 0;
        QTest::newRow("not hex") << sensorPath(QStringLiteral("1"),
                                               QStringLiteral("VID_12G4&PID_1F01"))
                                 << false << 0 << 0;
    }

    void parsing()
    {
        QFETCH(QString, path);
        UsbDeviceInfo info;
        QTEST(UsbDeviceEnumerator::parseDevicePath(path, &info), "valid");
        QCOMPARE(info.path, path);
        QTEST(info.vendorId, "vendor");
        QTEST(info.productId, "product");
    }

    void classTable()
    {
        QCOMPARE(interfaceClassGuid(0x1F01), SensorGuid);
        QCOMPARE(interfaceClassGuid(10), interfaceClassGuid(19));
        QVERIFY(interfaceClassGuid(34).isEmpty());
        // The GUID shared by 19 and 10 belongs to 19, the first in the table.
        QCOMPARE(UsbDeviceEnumerator::productOfGuid(interfaceClassGuid(10)), 19);
        QCOMPARE(UsbDeviceEnumerator::productOfGuid(QStringLiteral("{X}")), 0);
        const QString path = makeDevicePath(0x1224, 0x1F01, QStringLiteral("sim1"));
        UsbDeviceInfo info;
        QVERIFY(UsbDeviceEnumerator::parseDevicePath(path, &info));
        QCOMPARE(path, path.toUpper());
    }

    void arrivalsAndRemovals()
    {
        ScriptedBackend backend;
        backend.present << sensorPath(QStringLiteral("1")).toLower() // reported in lower case
                        << sensorPath(QStringLiteral("2"), QStringLiteral("VID_1224&PID_0013"));
        UsbDeviceEnumerator enumerator(nullptr, &backend);
        QSignalSpy added(&enumerator, &UsbDeviceEnumerator::deviceAdded);
        QSignalSpy removed(&enumerator, &UsbDeviceEnumerator::deviceRemoved);
        QVERIFY(enumerator.start(0x1224, 0x1F01));
        QVERIFY(backend.monitoring);
        QCOMPARE(added.count(), 1); // the other product is not ours
        QCOMPARE(added.first().first().value<UsbDeviceInfo>().path,
                 sensorPath(QStringLiteral("1")));

        backend.plug(sensorPath(QStringLiteral("7")));
        backend.plug(sensorPath(QStringLiteral("7"))); // already known: nothing
        QCOMPARE(added.count(), 2);
        backend.unplug(sensorPath(QStringLiteral("9"))); // never known: nothing
        QCOMPARE(removed.count(), 0);
        backend.unplug(sensorPath(QStringLiteral("7")));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().first().value<UsbDeviceInfo>().productId, 0x1F01);
        QCOMPARE(enumerator.knownDevices().size(), 1);

        enumerator.stop();
        QVERIFY(!backend.monitoring);
        QVERIFY(enumerator.knownDevices().isEmpty());
        backend.plug(sensorPath(QStringLiteral("8")));
        QCOMPARE(added.count(), 2); // not monitoring
    }
};

QTEST_GUILESS_MAIN(TestUsbDeviceEnumerator)
#include "tst_usbdeviceenumerator.moc"
