#include <capturefile.h>
#include <clock.h>
#include <controlrequest.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <usbimagesensor.h>

#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

using namespace LibHardware;

namespace {

constexpr double Pi = 3.14159265358979323846;

// One payload in the stream-record framing (its bytes: tst_captures).
QByteArray record(const QByteArray &payload)
{
    return CaptureFile::streamRecord(payload);
}

// A 54-byte sample header, written at the documented offsets.
struct HeaderFields
{
    quint16 totalLength = 54;
    bool found = true;
    float x = 10.5f;
    float y = -3.25f;
    quint16 shutter = 30;
    quint16 word26 = 77;
    quint16 microphone = 5;
    int axisA = 0; // inclination axes, relative to their zero of 2048
    int axisB = -1000;
    int axisC = 0;
    quint8 echo = 64;

    QByteArray bytes() const
    {
        QByteArray h(54, '\0');
        h[1] = 2;
        qToLittleEndian<quint16>(totalLength, h.data() + 2);
        h[13] = found ? 1 : 0;
        std::memcpy(h.data() + 16, &x, 4); // little-endian host
        std::memcpy(h.data() + 20, &y, 4);
        qToLittleEndian<quint16>(shutter, h.data() + 24);
        qToLittleEndian<quint16>(word26, h.data() + 26);
        qToLittleEndian<quint16>(microphone, h.data() + 32);
        qToLittleEndian<quint16>(quint16(2048 + axisA), h.data() + 42);
        qToLittleEndian<quint16>(quint16(2048 + axisB), h.data() + 44);
        qToLittleEndian<quint16>(quint16(2048 + axisC), h.data() + 46);
        h[52] = char(echo);
        return h;
    }
    QByteArray framed() const { return record(bytes()); }
};

QByteArray chunk(quint8 number, int pixels)
{
    return record(QByteArray(1, char(number)) + QByteArray(pixels, char(0x40)));
}

UsbImageSensor::Event eventOf(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(1).value<UsbImageSensor::Event>();
}

// Requests as "code:value:index", with ":data" in hex for sent data.
QStringList describe(const QVector<ControlRequest> &requests)
{
    QStringList list;
    for (const ControlRequest &r : requests)
        list << QString::asprintf("%02x:%d:%d", r.request, r.value, r.index)
                        + (r.data.isEmpty() ? QString() : ':' + r.data.toHex());
    return list;
}

// A grid of markers 10 mm apart, nine to a row, from (-40, -20).
QVector<UsbImageSensor::Marker> markers(int count)
{
    QVector<UsbImageSensor::Marker> list(count);
    for (int i = 0; i < count; ++i) {
        list[i].weight = 1;
        list[i].x = (i % 9) * 10.0 - 40.0;
        list[i].y = (i / 9) * 10.0 - 20.0;
    }
    return list;
}

} // namespace

// The optical sensor: its stream decoder and kernel computation, and its
// requests against a simulated sensor.
class TestUsbImageSensor : public QObject
{
    Q_OBJECT

private:
    SimulatedBackend backend;
    std::unique_ptr<SimulatedSensor> simulated;
    std::unique_ptr<UsbImageSensor> sensor;

    UsbDeviceInfo info() const { return {backend.pathOf(simulated.get()), 0x1224, 0x1F01}; }

private slots:
    void init()
    {
        simulated = std::make_unique<SimulatedSensor>(7);
        simulated->setPacing(SimulatedSensor::Pacing::Driven);
        simulated->setDefaultCentre(376, 240);
        simulated->setFocalLength(50.0f);
        backend.plug(simulated.get());
        sensor = std::make_unique<UsbImageSensor>(nullptr, &backend);
    }

    void cleanup()
    {
        sensor.reset();
        backend.unplug(simulated.get());
        simulated.reset();
        LibMisc::Clock::reset();
    }

    void headerBecomesAnEvent()
    {
        QSignalSpy samples(sensor.get(), &UsbImageSensor::sample);
        HeaderFields f;
        f.microphone = 412;
        f.shutter = 44;
        sensor->onData(1234, f.framed());
        QCOMPARE(samples.first().at(0).toLongLong(), 1234);
        const UsbImageSensor::Event event = eventOf(samples, 0);
        QVERIFY(event.found && event.valid);
        QCOMPARE(QList<double>({event.x, event.y, double(event.microphone), double(event.word26)}),
                 QList<double>({10.5, -3.25, 412, 77}));
        QCOMPARE(QList<int>({sensor->shutter(), sensor->echoValue()}), QList<int>({44, 64}));

        // Found without coordinates, or not found: not valid.
        HeaderFields noX, lost;
        noX.x = std::numeric_limits<float>::quiet_NaN();
        lost.found = false;
        sensor->onData(1, noX.framed() + lost.framed());
        QVERIFY(eventOf(samples, 1).found && !eventOf(samples, 1).valid);
        QVERIFY(!eventOf(samples, 2).found && !eventOf(samples, 2).valid);
    }

    void cantAndTilt_data()
    {
        // Inclination axes a, b, c from their zero; cant and tilt in radians.
        QTest::addColumn<QList<int>>("axes");
        QTest::addColumn<double>("cant");
        QTest::addColumn<double>("tilt");
        QTest::newRow("upright") << QList<int> {0, -1000, 0} << 0.0 << 0.0;
        QTest::newRow("a positive") << QList<int> {1000, 0, 500} << Pi / 2 << Pi / 6;
        QTest::newRow("b positive") << QList<int> {0, 1000, 0} << Pi << 0.0;
        QTest::newRow("quadrant 2") << QList<int> {-1000, 1000, 0} << -3 * Pi / 4 << 0.0;
        QTest::newRow("tilt beyond the top") << QList<int> {0, -1000, 1500} << 0.0 << Pi / 2;
        QTest::newRow("tilt at the bottom") << QList<int> {0, -1000, -1000} << 0.0 << -Pi / 2;
    }

    void cantAndTilt()
    {
        QFETCH(QList<int>, axes);
        QFETCH(double, cant);
        QFETCH(double, tilt);
        QSignalSpy samples(sensor.get(), &UsbImageSensor::sample);
        HeaderFields f;
        f.axisA = axes[0];
        f.axisB = axes[1];
        f.axisC = axes[2];
        sensor->onData(1, f.framed());
        const UsbImageSensor::Event event = eventOf(samples, 0);
        QVERIFY2(std::fabs(event.cant - cant) < 1e-12 && std::fabs(event.tilt - tilt) < 1e-12,
                 qPrintable(QStringLiteral("%1, %2").arg(event.cant).arg(event.tilt)));
    }

    void streamDecoding_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<QStringList>("samples"); // "microphone@read index"
        HeaderFields one, two, image;
        one.microphone = 1;
        two.microphone = 2;
        image.microphone = 3;
        image.totalLength = 54 + 64;
        const QByteArray a = one.framed(), b = two.framed(), i = image.framed();
        QByteArray zero(5, '\0'), badMarker = b, negative = b;
        zero[0] = char(0x88);
        badMarker[0] = char(0x87);
        qToLittleEndian<qint32>(-54, negative.data() + 1);
        const auto row
                = [](const char *name, const QList<QByteArray> &reads, const QStringList &samples) {
                      QTest::newRow(name) << reads << samples;
                  };
        // Records: a bad one ends the read, what came before stands.
        row("back to back", {a + b}, {"1@0", "2@0"});
        row("length past the end", {a + b + b.left(58)}, {"1@0", "2@0"});
        row("zero length", {a + zero + b}, {"1@0"});
        row("bad marker, negative length, short read", {badMarker, negative, "\x88\x01"}, {});
        // Headers of another length, other kinds, markers, a bare kind.
        const QByteArray odd = record(a.mid(5, 53)) + record(QByteArrayLiteral("\x00\x07"))
                + record(QByteArrayLiteral("\x00\x80")) + record(QByteArrayLiteral("\0"));
        row("not headers", {odd}, {});
        // Images: chunks in order complete the sample of their header.
        row("image", {i, chunk(1, 40), chunk(2, 24)}, {"3@0"});
        row("chunks out of order", {i + chunk(1, 40) + chunk(3, 24) + chunk(2, 24)}, {});
        const QByteArray stop = record(QByteArrayLiteral("\x00\x81"));
        row("stop marker", {i + chunk(1, 40) + stop + chunk(2, 64)}, {});
        row("new header", {i + chunk(1, 40), a + chunk(2, 24)}, {"1@1"});
    }

    void streamDecoding()
    {
        QFETCH(QList<QByteArray>, reads);
        QStringList samples;
        connect(sensor.get(), &UsbImageSensor::sample, this,
                [&](qlonglong timer, const UsbImageSensor::Event &event) {
                    samples << QStringLiteral("%1@%2").arg(event.microphone).arg(timer);
                });
        for (int i = 0; i < reads.size(); ++i)
            sensor->onData(i, reads[i]);
        QTEST(samples, "samples");
    }

    void openSequence()
    {
        QVERIFY(simulated->setSerialNumber(QByteArray::fromHex("0102030405060708")));
        simulated->setFirmwareVersion(24);
        simulated->setHardwareVersion(2);
        simulated->setProtocolRevision(1);
        simulated->setExtraWord(0x1234);
        QVERIFY(sensor->open(info()));
        QCOMPARE(sensor->errorCode(), 0);
        QCOMPARE(describe(simulated->requests()),
                 QStringList({"81:0:0", "44:0:0", "40:0:0", "45:0:0", "a2:0:0", "a3:0:0", "d0:0:0",
                              "b9:376:240", "9d:0:0", "95:9999:0", "84:0:0", "82:30:0", "8b:64:0",
                              "92:1:0", "9e:0:0", "9f:0:0", "ba:0:4", "ba:200:1", "ba:255:2"}));
        QCOMPARE(sensor->serialNumber(), QByteArray::fromHex("0102030405060708"));
        QCOMPARE(QList<int>({sensor->firmwareVersion(), sensor->hardwareVersion(),
                             sensor->protocolVersion(), sensor->protocolRevision(),
                             sensor->extraWord(), sensor->sensorMode()}),
                 QList<int>({24, 2, 16, 1, 0x1234, 1}));
        QCOMPARE(sensor->focalLength(), 50.0);
        sensor->close();
        QCOMPARE(sensor->sensorMode(), 0);
        QVERIFY(!simulated->isOpen());

        // Older firmware: the old protocol request, and no extra word.
        simulated->setFirmwareVersion(17);
        simulated->setProtocolVersion(15);
        simulated->clearRequests();
        QVERIFY(sensor->open(info()));
        QCOMPARE(sensor->protocolVersion(), quint16(15));
        const QStringList requests = describe(simulated->requests());
        QVERIFY(requests.contains("a5:0:0"));
        QVERIFY(!requests.contains("45:0:0") && !requests.contains("d0:0:0"));
    }

    void openErrors_data()
    {
        QTest::addColumn<QList<int>>("identity"); // firmware, hardware, protocol, revision
        QTest::addColumn<int>("settingsSize");
        QTest::addColumn<int>("failing"); // request that fails, 0 for none
        QTest::addColumn<int>("error");
        const QList<int> good {25, 3, 16, 0};
        QTest::newRow("firmware 13") << QList<int> {13, 3, 16, 0} << -1 << 0 << 8;
        QTest::newRow("protocol 18") << QList<int> {25, 3, 18, 0} << -1 << 0 << 9;
        QTest::newRow("protocol 17 revision 2") << QList<int> {25, 3, 17, 2} << -1 << 0 << 10;
        QTest::newRow("protocol 17 revision 1") << QList<int> {25, 3, 17, 1} << -1 << 0 << 0;
        QTest::newRow("hardware 0") << QList<int> {25, 0, 16, 0} << -1 << 0 << 7;
        QTest::newRow("settings of 27 bytes") << good << 27 << 0 << 6;
        QTest::newRow("serial fails") << good << -1 << 0x40 << 5;
    }

    void openErrors()
    {
        QFETCH(QList<int>, identity);
        QFETCH(int, settingsSize);
        QFETCH(int, failing);
        QFETCH(int, error);
        simulated->setFirmwareVersion(quint16(identity[0]));
        simulated->setHardwareVersion(quint16(identity[1]));
        simulated->setProtocolVersion(quint16(identity[2]));
        simulated->setProtocolRevision(quint16(identity[3]));
        simulated->setReportedSettingsSize(settingsSize);
        if (failing)
            simulated->failRequest(quint8(failing), SimulatedSensor::AlwaysFail);
        // Opened with no error or a recommendation only; else released.
        const bool opened = error == 0 || error == UsbImageSensor::SoftwareUpgradeRecommended;
        QCOMPARE(sensor->open(info()), opened);
        QCOMPARE(sensor->errorCode(), error);
        QCOMPARE(simulated->isOpen(), opened);
    }

    void kernelUploads()
    {
        QVERIFY(sensor->open(info()));
        // Without a pattern there is nothing to configure.
        QVERIFY(!sensor->setTargetDistance(10.0));
        simulated->clearRequests();
        // Mode 1, 10 m, 50 mm lens: 1.2 mm per pixel; markers near: binning 4.
        QVERIFY(sensor->setMarkers(3, markers(8)));
        // The markers from (-40, -20) to (30, -20) mm are (-8, -4) to (6, -4)
        // binned pixels.
        QCOMPARE(describe(simulated->requests()),
                 QStringList({"ba:4:3", "b1:3:0",
                              "b2:8:0:f8fc01fafc01fcfc01fefc0100fc0102fc0104fc0106fc01", "b3:0:0",
                              "ba:240:6"}));

        simulated->clearRequests();
        QVERIFY(sensor->setMarkers(4, markers(45)));
        // In chunks of 21 entries.
        const QStringList requests = describe(simulated->requests());
        QCOMPARE(requests.filter("b2:21:").size() + requests.filter("b2:3:").size(), 3);
        QCOMPARE(int(simulated->kernel().size()), 45);
        // The size parameter in pixels: 0.3 m at 1.2 mm per pixel.
        QVERIFY(sensor->setSizeParameter(0.3));
        QCOMPARE(simulated->parameter(6), quint16(250));

        QVERIFY(!sensor->setMarkers(1, markers(4))); // too few
        QVERIFY(!sensor->setMarkers(1, markers(65))); // too many

        // A focal length out of all reason in the settings block, or a size
        // past 32 bits: refused, and nothing goes out.
        for (const auto &[focal, size] :
             QList<std::pair<float, double>> {{1e30f, 0.3}, {1e-44f, 0.3}, {50.0f, 1e12}}) {
            simulated->setFocalLength(focal);
            QVERIFY(sensor->open(info()) && !sensor->setTargetDistance(10.0)
                    && !sensor->setSizeParameter(size)); // no aiming mark yet
            simulated->clearRequests();
            QVERIFY(!sensor->setAimMarkDiameter(30.5));
            QCOMPARE(sensor->errorCode(), int(UsbImageSensor::InvalidParameter));
            QVERIFY(simulated->requests().isEmpty() && std::isnan(sensor->millimetresPerPixel()));
        }
    }

    void binningRules()
    {
        QVERIFY(sensor->open(info()));
        // Mode 1: far away with markers, or with a generated kernel, binning 2.
        sensor->setTargetDistance(100.0);
        QVERIFY(sensor->setMarkers(1, markers(8)));
        QCOMPARE(sensor->binning(), 2);
        QVERIFY(sensor->setAimMarkDiameter(30.5));
        QCOMPARE(sensor->binning(), 2);
        // Aiming mode: the smallest binning whose kernel fits 32 pixels.
        QVERIFY(sensor->selectModeTwo(376, 240));
        QVERIFY(sensor->setTargetDistance(10.0)); // 1.2 mm/px: a 30.5 mm mark is 51 px wide
        QCOMPARE(sensor->binning(), 2);
        QVERIFY(sensor->setTargetDistance(50.0)); // 6 mm/px: 11 px
        QCOMPARE(sensor->binning(), 1);
        QVERIFY(sensor->setAimMarkDiameter(200.0)); // 67 px, 34 px, 17 px
        QCOMPARE(sensor->binning(), 4);
        QCOMPARE(sensor->kernelWidth(), quint16(17));
    }

    void settingsAndMicrophone()
    {
        QVERIFY(sensor->open(info()));
        simulated->clearRequests();
        QVERIFY(!sensor->sendSetting(UsbImageSensor::Setting9D, 8)); // out of range
        QCOMPARE(sensor->errorCode(), int(UsbImageSensor::InvalidParameter));
        // Hardware 1 has no microphone settings; firmware 14 has not the pair.
        for (const int hardware : {1, 3}) {
            simulated->setHardwareVersion(quint16(hardware));
            simulated->setFirmwareVersion(14);
            QVERIFY(sensor->open(info()));
            simulated->clearRequests();
            QCOMPARE(sensor->setMicrophoneParameters(1, 40), hardware == 1);
            QVERIFY(simulated->requests().isEmpty());
        }
    }

    void streamStartAndSamples()
    {
        QVERIFY(sensor->open(info()));
        QVERIFY(!sensor->setAimMarkDiameter(30.5)); // no distance yet
        QVERIFY(sensor->setTargetDistance(10.0));
        simulated->clearRequests();
        QSignalSpy samples(sensor.get(), &UsbImageSensor::sample);
        QVERIFY(sensor->startPolling());
        // The kernel goes out again, then the stream starts.
        const QStringList requests = describe(simulated->requests());
        QCOMPARE(requests.first(), "ba:2:3");
        QCOMPARE(requests.last(), "80:0:0");

        QCOMPARE(simulated->generateFrames(50, 1700000000000), 50);
        QCOMPARE(samples.count(), 50);
        QCOMPARE(samples.first().at(0).toLongLong(), 1700000000000);
        QCOMPARE(samples.last().at(0).toLongLong(), 1700000000490);

        simulated->clearRequests();
        sensor->stopPolling();
        QCOMPARE(describe(simulated->requests()).first(), "81:0:0");
        QVERIFY(!simulated->isReading());

        // A failed stream start stops reading again.
        simulated->failRequest(0x80);
        QVERIFY(!sensor->startPolling());
        QVERIFY(!sensor->isPolling());
        QCOMPARE(sensor->errorCode(), int(UsbImageSensor::RequestFailed));
        QVERIFY(!simulated->isReading());
    }

    // Real time must pass: the simulated sensor's own thread delivers frames
    // at its frame rate.
    void stopWhileDataFlows()
    {
        simulated->setPacing(SimulatedSensor::Pacing::RealTime);
        LibMisc::Clock::setManual(1700000000123);
        QVERIFY(sensor->open(info()));
        QSignalSpy samples(sensor.get(), &UsbImageSensor::sample);
        QVERIFY(sensor->startPolling());
        while (samples.count() < 20)
            QVERIFY(samples.wait());
        sensor->stopPolling();
        QVERIFY(!simulated->isReading());
        // Reads queued before the stop are decoded; then a sentinel through
        // the same queue must be the next sample.
        QCoreApplication::processEvents();
        const int settled = samples.count();
        for (int i = 0; i < settled; ++i)
            QCOMPARE(samples.at(i).at(0).toLongLong(), 1700000000123); // the clock at delivery
        HeaderFields sentinel;
        sentinel.word26 = 0xBEEF;
        QMetaObject::invokeMethod(
                sensor.get(), [&] { sensor->onData(-1, sentinel.framed()); }, Qt::QueuedConnection);
        QTRY_COMPARE(samples.count(), settled + 1);
        QCOMPARE(eventOf(samples, settled).word26, 0xBEEFu);
    }
};

QTEST_GUILESS_MAIN(TestUsbImageSensor)
#include "tst_usbimagesensor.moc"
