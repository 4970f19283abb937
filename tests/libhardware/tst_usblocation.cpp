#include <usbbackend.h>
#include <usblocation.h>

#include <QTest>

using LibHardware::makeDevicePath;
using LibHardware::UsbLocation;

class TestUsbLocation : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<int>("bus");
        QTest::addColumn<QList<int>>("ports");
        QTest::addColumn<QString>("text");

        QTest::newRow("root port") << 1 << QList<int> {3} << "1.3";
        QTest::newRow("behind hubs") << 3 << QList<int> {1, 4} << "3.1.4";
        QTest::newRow("largest numbers") << 255 << QList<int> {255, 10} << "255.255.10";
        QTest::newRow("deepest chain")
                << 2 << QList<int> {1, 2, 3, 4, 5, 6, 7} << "2.1.2.3.4.5.6.7";
    }

    void roundTrip()
    {
        QFETCH(int, bus);
        QFETCH(QList<int>, ports);
        QFETCH(QString, text);
        const UsbLocation location(bus, ports);
        QVERIFY(location.isValid());
        QCOMPARE(location.toString(), text);
        QCOMPARE(UsbLocation::fromString(text), location);
    }

    void invalidLocationsHaveNoText_data()
    {
        QTest::addColumn<int>("bus");
        QTest::addColumn<QList<int>>("ports");

        QTest::newRow("root hub") << 1 << QList<int> {};
        QTest::newRow("bus 0") << 0 << QList<int> {1};
        QTest::newRow("bus 256") << 256 << QList<int> {1};
        QTest::newRow("port 0") << 1 << QList<int> {2, 0};
        QTest::newRow("port 256") << 1 << QList<int> {256};
        QTest::newRow("too deep") << 1 << QList<int> {1, 1, 1, 1, 1, 1, 1, 1};
    }

    void invalidLocationsHaveNoText()
    {
        QFETCH(int, bus);
        QFETCH(QList<int>, ports);
        const UsbLocation location(bus, ports);
        QVERIFY(!location.isValid());
        QVERIFY(location.toString().isEmpty());
    }

    void refusesOddText_data()
    {
        QTest::addColumn<QString>("text");

        QTest::newRow("empty") << "";
        QTest::newRow("bus only") << "3";
        QTest::newRow("empty part") << "3..1";
        QTest::newRow("leading dot") << ".3.1";
        QTest::newRow("trailing dot") << "3.1.";
        QTest::newRow("leading zero") << "03.1";
        QTest::newRow("sign") << "+3.1";
        QTest::newRow("blank") << "3. 1";
        QTest::newRow("letters") << "3.a";
        QTest::newRow("other separator") << "3-1";
        QTest::newRow("out of range") << "3.256";
        QTest::newRow("too deep") << "1.1.1.1.1.1.1.1.1";
        QTest::newRow("huge number") << "1.99999999999999999999";
    }

    void refusesOddText()
    {
        QFETCH(QString, text);
        QVERIFY(!UsbLocation::fromString(text).isValid());
    }

    void builtPathsParseBack_data()
    {
        QTest::addColumn<int>("vendor");
        QTest::addColumn<int>("product");
        QTest::addColumn<QString>("location");

        QTest::newRow("sensor") << 0x1224 << 0x1F01 << "3.1.4";
        QTest::newRow("product without interface class") << 0x1224 << 34 << "1.2";
        QTest::newRow("other vendor") << 0xABCD << 0x00EF << "12.7";
    }

    void builtPathsParseBack()
    {
        QFETCH(int, vendor);
        QFETCH(int, product);
        QFETCH(QString, location);
        const QString path = makeDevicePath(vendor, product, location);
        for (const QString &form : {path, path.toLower()}) {
            int parsedVendor = 0;
            int parsedProduct = 0;
            const UsbLocation parsed
                    = UsbLocation::fromDevicePath(form, &parsedVendor, &parsedProduct);
            QCOMPARE(parsed.toString(), location);
            QCOMPARE(parsedVendor, vendor);
            QCOMPARE(parsedProduct, product);
        }
    }

    void refusesOddPaths_data()
    {
        QTest::addColumn<QString>("path");

        const QString guid = QStringLiteral("{6DD29847-8B42-4AB4-AB06-4B9BF751334C}");
        QTest::newRow("empty") << QString();
        QTest::newRow("no location") << "\\\\?\\USB#VID_1224&PID_1F01#" + guid;
        QTest::newRow("bad location") << "\\\\?\\USB#VID_1224&PID_1F01#3.0#" + guid;
        QTest::newRow("other bus type") << "\\\\?\\HID#VID_1224&PID_1F01#3.1#" + guid;
        QTest::newRow("no prefix") << "USB#VID_1224&PID_1F01#3.1#" + guid;
        QTest::newRow("short vendor") << "\\\\?\\USB#VID_124&PID_1F01#3.1#" + guid;
        QTest::newRow("signed vendor") << "\\\\?\\USB#VID_+124&PID_1F01#3.1#" + guid;
        QTest::newRow("no product") << "\\\\?\\USB#VID_1224#3.1#" + guid;
        QTest::newRow("ids swapped") << "\\\\?\\USB#PID_1F01&VID_1224#3.1#" + guid;
        QTest::newRow("unbraced class") << "\\\\?\\USB#VID_1224&PID_1F01#3.1#6DD29847";
        QTest::newRow("extra part") << "\\\\?\\USB#VID_1224&PID_1F01#3.1#" + guid + "#x";
        QTest::newRow("file name") << "/dev/bus/usb/003/004";
    }

    void refusesOddPaths()
    {
        QFETCH(QString, path);
        int vendor = -1;
        int product = -1;
        QVERIFY(!UsbLocation::fromDevicePath(path, &vendor, &product).isValid());
        // A refused path leaves the outputs alone.
        QCOMPARE(vendor, -1);
        QCOMPARE(product, -1);
    }
};

QTEST_GUILESS_MAIN(TestUsbLocation)
#include "tst_usblocation.moc"
