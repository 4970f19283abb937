#include <libusbbackend.h>
#include <usbhandle.h>
#include <usblocation.h>

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using LibHardware::LibUsbBackend;
using LibHardware::makeDevicePath;
using LibHardware::UsbBackend;
using LibHardware::UsbLocation;

namespace {
constexpr int SensorVendor = 0x1224;
constexpr int SensorProduct = 0x1F01;
// Reserved identity no real device has.
constexpr int NoVendor = 0xFFFF;
constexpr int NoProduct = 0xFFFE;
} // namespace

// The libusb backend on whatever machine runs the tests: usually one without
// a sensor, possibly one without any USB at all. Nothing here may crash or
// print more than a debug line.
class TestLibUsbBackend : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("."))); }

    void isTheDefaultBackend() { QVERIFY(qobject_cast<LibUsbBackend *>(UsbBackend::instance())); }

    void listsOnlyDevicesOfTheIdentity()
    {
        LibUsbBackend backend;
        QVERIFY(backend.devicePaths(NoVendor, NoProduct).isEmpty());
        // A sensor may be plugged in where the tests run; what is listed
        // must be well-formed paths of that identity.
        for (const QString &path : backend.devicePaths(SensorVendor, SensorProduct)) {
            int vendor = 0;
            int product = 0;
            const UsbLocation location = UsbLocation::fromDevicePath(path, &vendor, &product);
            QVERIFY2(location.isValid(), qPrintable(path));
            QCOMPARE(vendor, SensorVendor);
            QCOMPARE(product, SensorProduct);
            QCOMPARE(path, makeDevicePath(vendor, product, location.toString()));
        }
    }

    void monitoringStartsAndStops()
    {
        LibUsbBackend backend;
        QSignalSpy arrived(&backend, &UsbBackend::deviceArrived);
        QSignalSpy removed(&backend, &UsbBackend::deviceRemoved);
        QVERIFY(backend.startMonitoring(NoVendor, NoProduct));
        // Starting again replaces the running watch.
        QVERIFY(backend.startMonitoring(NoVendor, NoProduct));
        QTest::qWait(50);
        backend.stopMonitoring();
        backend.stopMonitoring();
        QVERIFY(backend.startMonitoring(SensorVendor, SensorProduct));
        QCOMPARE(arrived.count(), 0);
        QCOMPARE(removed.count(), 0);
        // Destroyed while monitoring: the event thread must end.
    }

    void openFailsCleanly_data()
    {
        QTest::addColumn<QString>("path");

        QTest::newRow("nothing at that location")
                << makeDevicePath(SensorVendor, SensorProduct, QStringLiteral("255.9.9.9"));
        QTest::newRow("not a device path") << QStringLiteral("/dev/bus/usb/001/001");
        QTest::newRow("empty") << QString();
    }

    void openFailsCleanly()
    {
        QFETCH(QString, path);
        LibUsbBackend backend;
        QString error;
        QVERIFY(!backend.open(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!backend.open(path, nullptr));
    }
};

QTEST_GUILESS_MAIN(TestLibUsbBackend)
#include "tst_libusbbackend.moc"
