#include <deviceref.h>

#include <QMap>
#include <QTest>

using LibHardware::DeviceRef;

class TestDeviceRef : public QObject
{
    Q_OBJECT

private slots:
    void equality_data()
    {
        QTest::addColumn<DeviceRef>("a");
        QTest::addColumn<DeviceRef>("b");
        QTest::addColumn<bool>("equal");

        const QByteArray serial = QByteArray::fromHex("0011223344556677");
        QTest::newRow("default refs") << DeviceRef() << DeviceRef() << true;
        QTest::newRow("null refs ignore the id")
                << DeviceRef(1, 0, "abc") << DeviceRef(1, 0, "xyz") << true;
        QTest::newRow("null refs of other categories")
                << DeviceRef(1, 0, {}) << DeviceRef(2, 0, {}) << false;
        QTest::newRow("same serial")
                << DeviceRef::opticalSensor(serial) << DeviceRef(1, 1, serial) << true;
        QTest::newRow("other serial") << DeviceRef::opticalSensor(serial)
                                      << DeviceRef::opticalSensor(serial.left(7) + 'x') << false;
        QTest::newRow("serial against null")
                << DeviceRef::opticalSensor(serial) << DeviceRef() << false;
        QTest::newRow("unknown id kind never equal")
                << DeviceRef(1, 2, serial) << DeviceRef(1, 2, serial) << false;
    }

    void equality()
    {
        QFETCH(DeviceRef, a);
        QFETCH(DeviceRef, b);
        QFETCH(bool, equal);
        QCOMPARE(a == b, equal);
        QCOMPARE(b == a, equal);
        QCOMPARE(a != b, !equal);
    }

    void worksAsAMapKey()
    {
        // Null references with stray ids must land on one key, or a lane
        // without a device would appear several times in a table.
        QMap<DeviceRef, int> map;
        map[DeviceRef(1, 0, "a")] = 1;
        map[DeviceRef(1, 0, "b")] = 2;
        map[DeviceRef::opticalSensor("11111111")] = 3;
        map[DeviceRef::opticalSensor("22222222")] = 4;
        QCOMPARE(map.size(), 3);
        QCOMPARE(map.value(DeviceRef(1, 0, {})), 2);
        QCOMPARE(map.value(DeviceRef::opticalSensor("22222222")), 4);
    }

    void travelsThroughQVariant()
    {
        const DeviceRef ref = DeviceRef::opticalSensor("ABCDEFGH");
        const QVariant v = QVariant::fromValue(ref);
        QCOMPARE(v.value<DeviceRef>(), ref);
        QVERIFY(ref.isOpticalSensor());
        QVERIFY(!DeviceRef().isOpticalSensor());
        QVERIFY(DeviceRef().isNull());
    }
};

QTEST_GUILESS_MAIN(TestDeviceRef)
#include "tst_deviceref.moc"
