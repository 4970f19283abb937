#include <usbimagesensor.h>

#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

using LibHardware::UsbImageSensor;

namespace {

constexpr double Pi = 3.14159265358979323846;

QByteArray record(const QByteArray &payload)
{
    QByteArray bytes(5, '\0');
    bytes[0] = char(0x88);
    qToLittleEndian<qint32>(qint32(payload.size()), bytes.data() + 1);
    return bytes + payload;
}

struct HeaderFields
{
    quint16 totalLength = 54;
    bool found = true;
    float x = 10.5f;
    float y = -3.25f;
    quint16 shutter = 30;
    quint16 word26 = 77;
    quint16 microphone = 5;
    quint16 axisA = 2048;
    quint16 axisB = 2048 - 1000;
    quint16 axisC = 2048;
    quint8 echo = 64;
    quint8 width = 8;
    quint8 height = 8;
};

QByteArray header(const HeaderFields &f)
{
    QByteArray h(54, '\0');
    h[1] = 2;
    qToLittleEndian<quint16>(f.totalLength, h.data() + 2);
    h[10] = char(f.width);
    h[11] = char(f.height);
    h[13] = f.found ? 1 : 0;
    quint32 bits;
    std::memcpy(&bits, &f.x, 4);
    qToLittleEndian<quint32>(bits, h.data() + 16);
    std::memcpy(&bits, &f.y, 4);
    qToLittleEndian<quint32>(bits, h.data() + 20);
    qToLittleEndian<quint16>(f.shutter, h.data() + 24);
    qToLittleEndian<quint16>(f.word26, h.data() + 26);
    qToLittleEndian<quint16>(f.microphone, h.data() + 32);
    qToLittleEndian<quint16>(f.axisA, h.data() + 42);
    qToLittleEndian<quint16>(f.axisB, h.data() + 44);
    qToLittleEndian<quint16>(f.axisC, h.data() + 46);
    h[52] = char(f.echo);
    return h;
}

QByteArray chunk(quint8 number, int pixels)
{
    return QByteArray(1, char(number)) + QByteArray(pixels, char(0x40));
}

UsbImageSensor::Event eventOf(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(1).value<UsbImageSensor::Event>();
}

} // namespace

class TestSensorDecoding : public QObject
{
    Q_OBJECT

private slots:
    void headerBecomesAnEvent()
    {
        UsbImageSensor sensor;
        QSignalSpy samples(&sensor, &UsbImageSensor::sample);
        QSignalSpy changed(&sensor, &UsbImageSensor::dataChanged);
        HeaderFields f;
        f.microphone = 412;
        f.shutter = 44;
        sensor.onData(1234, record(header(f)));
        QCOMPARE(samples.count(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(samples.first().at(0).toLongLong(), 1234);
        const UsbImageSensor::Event event = eventOf(samples, 0);
        QVERIFY(event.found && event.valid);
        QCOMPARE(event.x, 10.5);
        QCOMPARE(event.y, -3.25);
        QCOMPARE(event.microphone, 412u);
        QCOMPARE(event.word26, 77u);
        QCOMPARE(event.source, quint8(2));
        QVERIFY(std::fabs(event.cant) < 1e-12); // a = 0, b < 0: upright
        QVERIFY(std::fabs(event.tilt) < 1e-12);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(event.header.data()), 54), header(f));
        QCOMPARE(sensor.shutter(), 44);
        QCOMPARE(sensor.microphone(), 412);
        QCOMPARE(sensor.echoValue(), quint16(64));
    }

    void recordCutting()
    {
        UsbImageSensor sensor;
        QSignalSpy samples(&sensor, &UsbImageSensor::sample);
        HeaderFields first, second, third;
        first.microphone = 1;
        second.microphone = 2;
        third.microphone = 3;
        // Two records back to back, then one whose length runs past the end.
        QByteArray bytes = record(header(first)) + record(header(second));
        QByteArray overrun = record(header(third));
        overrun.chop(1);
        sensor.onData(1, bytes + overrun);
        QCOMPARE(samples.count(), 2);
        QCOMPARE(eventOf(samples, 0).microphone, 1u);
        QCOMPARE(eventOf(samples, 1).microphone, 2u);

        // A bad marker or a zero length ends the buffer; what came before stands.
        samples.clear();
        QByteArray zero(5, '\0');
        zero[0] = char(0x88);
        sensor.onData(2, record(header(first)) + zero + record(header(second)));
        QCOMPARE(samples.count(), 1);
        QByteArray badMarker = record(header(second));
        badMarker[0] = char(0x87);
        sensor.onData(3, badMarker);
        QCOMPARE(samples.count(), 1);
        // Negative and absurd lengths are refused, short buffers too.
        QByteArray negative = record(header(second));
        qToLittleEndian<qint32>(-54, negative.data() + 1);
        sensor.onData(4, negative);
        sensor.onData(5, QByteArray("\x88\x01", 2));
        sensor.onData(6, QByteArray());
        QCOMPARE(samples.count(), 1);
        // Headers of another length, other kinds and markers are dropped.
        sensor.onData(7,
                      record(header(first).left(53)) + record(QByteArray("\x00\x07", 2))
                              + record(QByteArray("\x00\x80", 2)) + record(QByteArray(1, '\0')));
        QCOMPARE(samples.count(), 1);
    }

    void imagesAreAssembledInOrder()
    {
        UsbImageSensor sensor;
        QSignalSpy samples(&sensor, &UsbImageSensor::sample);
        HeaderFields f;
        f.totalLength = 54 + 64;
        sensor.onData(10, record(header(f)));
        QCOMPARE(samples.count(), 0);
        sensor.onData(11, record(chunk(1, 40)));
        QCOMPARE(samples.count(), 0);
        sensor.onData(12, record(chunk(2, 24)));
        QCOMPARE(samples.count(), 1);
        QCOMPARE(samples.first().at(0).toLongLong(), 10); // the header's read time

        // Chunks 1 then 3: the image and its sample are dropped.
        sensor.onData(20, record(header(f)) + record(chunk(1, 40)) + record(chunk(3, 24)));
        QCOMPARE(samples.count(), 1);
        // An overlong image is dropped as well.
        sensor.onData(30, record(header(f)) + record(chunk(1, 40)) + record(chunk(2, 30)));
        QCOMPARE(samples.count(), 1);
        // A stop marker abandons an image being assembled.
        sensor.onData(40,
                      record(header(f)) + record(chunk(1, 40)) + record(QByteArray("\x00\x81", 2))
                              + record(chunk(2, 24)));
        QCOMPARE(samples.count(), 1);
        // A new header abandons the old image.
        HeaderFields plain;
        sensor.onData(50,
                      record(header(f)) + record(chunk(1, 40)) + record(header(plain))
                              + record(chunk(2, 24)));
        QCOMPARE(samples.count(), 2);
        // Chunks without a header are ignored.
        sensor.onData(60, record(chunk(1, 64)));
        QCOMPARE(samples.count(), 2);
    }

    void cantAndTilt_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<double>("cant");
        QTest::newRow("a positive") << 1000 << 0 << Pi / 2;
        QTest::newRow("centre") << 0 << 0 << Pi / 2;
        QTest::newRow("b positive") << 0 << 1000 << Pi;
        QTest::newRow("b negative") << 0 << -1000 << 0.0;
        QTest::newRow("a negative") << -1000 << 0 << -Pi / 2;
        QTest::newRow("quadrant 4") << 1000 << -1000 << Pi / 4;
        QTest::newRow("quadrant 3") << -1000 << -1000 << -Pi / 4;
        QTest::newRow("quadrant 2") << -1000 << 1000 << -3 * Pi / 4;
    }

    void cantAndTilt()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(double, cant);
        const double computed = UsbImageSensor::cantFromAxes(a, b);
        QVERIFY2(std::fabs(computed - cant) < 1e-12, qPrintable(QString::number(computed)));
        QVERIFY(computed >= -Pi && computed <= Pi);
    }

    void tiltLimits()
    {
        QCOMPARE(UsbImageSensor::tiltFromAxis(1500), Pi / 2);
        QCOMPARE(UsbImageSensor::tiltFromAxis(1000), Pi / 2);
        QCOMPARE(UsbImageSensor::tiltFromAxis(-1000), -Pi / 2);
        QCOMPARE(UsbImageSensor::tiltFromAxis(-999), std::asin(-0.999));
        QCOMPARE(UsbImageSensor::tiltFromAxis(0), 0.0);

        UsbImageSensor sensor;
        QSignalSpy samples(&sensor, &UsbImageSensor::sample);
        HeaderFields f;
        f.axisC = 2048 + 1500;
        f.axisA = 2048 + 1000;
        f.axisB = 2048;
        sensor.onData(1, record(header(f)));
        QCOMPARE(eventOf(samples, 0).tilt, Pi / 2);
        QCOMPARE(eventOf(samples, 0).cant, Pi / 2);
    }

    void foundWithoutCoordinatesIsNotValid()
    {
        UsbImageSensor sensor;
        QSignalSpy samples(&sensor, &UsbImageSensor::sample);
        HeaderFields f;
        f.x = std::numeric_limits<float>::quiet_NaN();
        sensor.onData(1, record(header(f)));
        HeaderFields lost;
        lost.found = false;
        sensor.onData(2, record(header(lost)));
        QVERIFY(eventOf(samples, 0).found);
        QVERIFY(!eventOf(samples, 0).valid);
        QVERIFY(!eventOf(samples, 1).found);
        QVERIFY(!eventOf(samples, 1).valid);
    }

    void markerKernels()
    {
        // Markers at 12 mm with 1.2 mm per pixel: 10 pixels, 5, 2.5.
        QVector<UsbImageSensor::Marker> markers;
        for (int i = 0; i < 5; ++i) {
            UsbImageSensor::Marker marker;
            marker.weight = quint8(i == 0);
            marker.truncate = i % 2 == 1;
            marker.x = i == 0 ? 0.0 : (i % 2 ? 15.0 : -15.0);
            marker.y = i < 3 ? 0.0 : 15.0;
            marker.biasX = qint8(i == 4 ? -2 : 0);
            markers.append(marker);
        }
        const auto kernel = UsbImageSensor::markerKernel(markers, 1.2, 1);
        QCOMPARE(kernel.size(), 5);
        QCOMPARE(kernel.at(1).x, qint8(12)); // 12.5 truncated
        QCOMPARE(kernel.at(2).x, qint8(-12)); // -12.5 rounded as floor(v + 0.5)
        QCOMPARE(kernel.at(4).x, qint8(-14)); // -12 with a bias of -2
        QCOMPARE(kernel.at(0).weight, quint8(1));
        QCOMPARE(UsbImageSensor::kernelSize(kernel), 29); // largest offset 14
        const auto binned = UsbImageSensor::markerKernel(markers, 1.2, 4);
        QCOMPARE(binned.at(1).x, qint8(3)); // 3.125 truncated
        QCOMPARE(UsbImageSensor::kernelSize(binned), 11); // -3 with a bias of -2
    }

    void generatedKernels()
    {
        // A large aiming mark: 13 entries, inner ring, centre, outer ring.
        const auto large = UsbImageSensor::generatedKernel(30.5, 0.6, 1);
        QCOMPARE(large.size(), 13);
        const int inner = int(30.5f * 0.5f * 0.55f * (1.0f / 0.6f));
        QCOMPARE(int(large.at(0).x), inner);
        QCOMPARE(int(large.at(1).x), -inner);
        QCOMPARE(large.at(4).weight, quint8(1));
        QCOMPARE(int(large.at(5).x), int(30.5f / 0.6f));
        QCOMPARE(large.at(5).weight, quint8(0));
        QCOMPARE(UsbImageSensor::kernelSize(large), 2 * int(30.5f / 0.6f) + 1);
        // A tiny mark: 12 entries, a 2 x 2 centre and a ring of eight.
        const auto small = UsbImageSensor::generatedKernel(1.0, 1.2, 4);
        QCOMPARE(small.size(), 12);
        QCOMPARE(small.at(3).x, qint8(1));
        QCOMPARE(small.at(3).y, qint8(1));
        QCOMPARE(small.at(3).weight, quint8(1));
        QCOMPARE(small.at(4).weight, quint8(0));
    }

    void modelNames()
    {
        QCOMPARE(UsbImageSensor::modelName(0, 1), QStringLiteral("OS-Rifle rev. A"));
        QVERIFY(UsbImageSensor::modelName(9, 3).contains(QLatin1String("9")));
        QVERIFY(UsbImageSensor::modelName(1, 8).endsWith(QLatin1String("HW8")));
        QCOMPARE(UsbImageSensor::errorText(8), QStringLiteral("Firmware upgrade required"));
        QVERIFY(UsbImageSensor::errorText(42).isEmpty());
    }

    void closedSensorRefusesRequests()
    {
        UsbImageSensor sensor;
        QVERIFY(!sensor.isOpen());
        QVERIFY(!sensor.setShutter(10));
        QVERIFY(!sensor.setTargetDistance(10));
        QVERIFY(!sensor.setMarkers(1, {}));
        QVERIFY(sensor.configureKernel()); // nothing to do while closed
        QCOMPARE(sensor.sensorMode(), 0);
        QCOMPARE(sensor.settingsWord4(), quint16(0));
        QCOMPARE(sensor.errorCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSensorDecoding)
#include "tst_sensordecoding.moc"
