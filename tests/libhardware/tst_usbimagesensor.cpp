#include <controlrequest.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <usbdeviceenumerator.h>
#include <usbimagesensor.h>

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace LibHardware;

namespace {

// A request as "code:value:index", with ":data" in hex for sent data.
QString describe(const ControlRequest &request)
{
    QString text = QStringLiteral("%1:%2:%3")
                           .arg(request.request, 2, 16, QLatin1Char('0'))
                           .arg(request.value)
                           .arg(request.index);
    if (!request.data.isEmpty())
        text += QLatin1Char(':') + QString::fromLatin1(request.data.toHex());
    return text;
}

QStringList describe(const QVector<ControlRequest> &requests)
{
    QStringList list;
    for (const ControlRequest &request : requests)
        list << describe(request);
    return list;
}

QVector<UsbImageSensor::Marker> markers(int count)
{
    QVector<UsbImageSensor::Marker> list;
    for (int i = 0; i < count; ++i) {
        UsbImageSensor::Marker marker;
        marker.weight = 1;
        marker.x = (i % 9) * 10.0 - 40.0;
        marker.y = (i / 9) * 10.0 - 20.0;
        list.append(marker);
    }
    return list;
}

} // namespace

class TestUsbImageSensor : public QObject
{
    Q_OBJECT

private:
    SimulatedBackend backend;
    std::unique_ptr<SimulatedSensor> simulated;
    std::unique_ptr<UsbImageSensor> sensor;

    UsbDeviceInfo info() const
    {
        UsbDeviceInfo result;
        UsbDeviceEnumerator::parseDevicePath(backend.pathOf(simulated.get()), &result);
        return result;
    }

    QStringList requestsSince(int first) const
    {
        return describe(simulated->requests()).mid(first);
    }

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
    }

    void openSequence()
    {
        QVERIFY(sensor->open(info()));
        QCOMPARE(sensor->errorCode(), 0);
        QCOMPARE(describe(simulated->requests()),
                 QStringList({QStringLiteral("81:0:0"), QStringLiteral("44:0:0"),
                              QStringLiteral("40:0:0"), QStringLiteral("45:0:0"),
                              QStringLiteral("a2:0:0"), QStringLiteral("a3:0:0"),
                              QStringLiteral("d0:0:0"), QStringLiteral("b9:376:240"),
                              QStringLiteral("9d:0:0"), QStringLiteral("95:9999:0"),
                              QStringLiteral("84:0:0"), QStringLiteral("82:30:0"),
                              QStringLiteral("8b:64:0"), QStringLiteral("92:1:0"),
                              QStringLiteral("9e:0:0"), QStringLiteral("9f:0:0"),
                              QStringLiteral("ba:0:4"), QStringLiteral("ba:200:1"),
                              QStringLiteral("ba:255:2")}));
        QCOMPARE(sensor->serialNumber(), simulated->serialNumber());
        QCOMPARE(sensor->firmwareVersion(), simulated->firmwareVersion());
        QCOMPARE(sensor->hardwareVersion(), simulated->hardwareVersion());
        QCOMPARE(sensor->sensorMode(), 1);
        QCOMPARE(sensor->settingsWord4(), quint16(376));
        QCOMPARE(sensor->settingsWord6(), quint16(240));
        QCOMPARE(sensor->focalLength(), 50.0);
        QCOMPARE(sensor->driverVersion(), quint16(0xFFFF));
        QVERIFY(!sensor->modelName().isEmpty());
        QCOMPARE(simulated->mode(), 1);
        QCOMPARE(simulated->shutter(), quint16(30));

        sensor->close();
        QCOMPARE(sensor->sensorMode(), 0);
        QVERIFY(!sensor->setShutter(20));
    }

    void olderFirmwareAsksTheOldProtocolRequest()
    {
        simulated->setFirmwareVersion(17);
        simulated->failRequest(0xA5, SimulatedSensor::AlwaysFail);
        QVERIFY(sensor->open(info()));
        QCOMPARE(sensor->protocolVersion(), quint16(0)); // a failed 0xA5 reads as 0
        const QStringList requests = describe(simulated->requests());
        QVERIFY(requests.contains(QStringLiteral("a5:0:0")));
        QVERIFY(!requests.contains(QStringLiteral("45:0:0")));
        QVERIFY(!requests.contains(QStringLiteral("d0:0:0"))); // firmware not above 18
    }

    void openErrors_data()
    {
        QTest::addColumn<int>("firmware");
        QTest::addColumn<int>("hardware");
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("settingsSize");
        QTest::addColumn<int>("failing"); // request that fails, 0 for none
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("opened");
        QTest::newRow("firmware 13") << 13 << 3 << 16 << 0 << -1 << 0 << 8 << false;
        QTest::newRow("protocol 18") << 25 << 3 << 18 << 0 << -1 << 0 << 9 << false;
        QTest::newRow("protocol 17 revision 2") << 25 << 3 << 17 << 2 << -1 << 0 << 10 << true;
        QTest::newRow("protocol 17 revision 1") << 25 << 3 << 17 << 1 << -1 << 0 << 0 << true;
        QTest::newRow("hardware 0") << 25 << 0 << 16 << 0 << -1 << 0 << 7 << false;
        QTest::newRow("settings of 27 bytes") << 25 << 3 << 16 << 0 << 27 << 0 << 6 << false;
        QTest::newRow("serial fails") << 25 << 3 << 16 << 0 << -1 << 0x40 << 5 << false;
        QTest::newRow("a default fails") << 25 << 3 << 16 << 0 << -1 << 0x8B << 5 << false;
        QTest::newRow("mode one fails") << 25 << 3 << 16 << 0 << -1 << 0xB9 << 5 << false;
    }

    void openErrors()
    {
        QFETCH(int, firmware);
        QFETCH(int, hardware);
        QFETCH(int, protocol);
        QFETCH(int, revision);
        QFETCH(int, settingsSize);
        QFETCH(int, failing);
        QFETCH(int, error);
        QFETCH(bool, opened);
        simulated->setFirmwareVersion(quint16(firmware));
        simulated->setHardwareVersion(quint16(hardware));
        simulated->setProtocolVersion(quint16(protocol));
        simulated->setProtocolRevision(quint16(revision));
        simulated->setReportedSettingsSize(settingsSize);
        if (failing)
            simulated->failRequest(quint8(failing), SimulatedSensor::AlwaysFail);
        QCOMPARE(sensor->open(info()), opened);
        QCOMPARE(sensor->isOpen(), opened);
        QCOMPARE(sensor->errorCode(), error);
        if (!opened)
            QVERIFY(!simulated->isOpen()); // the device was released
    }

    void kernelUploads()
    {
        QVERIFY(sensor->open(info()));
        // Mode 1, 10 m, 50 mm lens: 1.2 mm per pixel. Without a pattern yet
        // there is nothing to configure.
        QVERIFY(!sensor->setTargetDistance(10.0));
        simulated->clearRequests();
        QVERIFY(sensor->setMarkers(3, markers(8)));
        QCOMPARE(sensor->millimetresPerPixel(), 1.2);
        QStringList requests = describe(simulated->requests());
        QCOMPARE(requests.size(), 5);
        QCOMPARE(requests.at(0), QStringLiteral("ba:4:3")); // binning 4: mode 1, markers, near
        QCOMPARE(requests.at(1), QStringLiteral("b1:3:0"));
        QVERIFY(requests.at(2).startsWith(QStringLiteral("b2:8:0:")));
        QCOMPARE(simulated->requests().at(2).data.size(), 24);
        QCOMPARE(requests.at(3), QStringLiteral("b3:0:0"));
        QCOMPARE(requests.at(4), QStringLiteral("ba:240:6"));
        QCOMPARE(int(simulated->kernel().size()), 8);
        QCOMPARE(simulated->kernelTag(), quint16(3));

        simulated->clearRequests();
        QVERIFY(sensor->setMarkers(4, markers(45)));
        QVector<int> chunks;
        for (const ControlRequest &request : simulated->requests()) {
            if (request.request == 0xB2)
                chunks << request.value;
        }
        QCOMPARE(chunks, QVector<int>({21, 21, 3}));
        QCOMPARE(int(simulated->kernel().size()), 45);
        // The size parameter in pixels: 0.3 m at 1.2 mm per pixel.
        QVERIFY(sensor->setSizeParameter(0.3));
        QCOMPARE(simulated->parameter(6), quint16(250));
        QCOMPARE(sensor->sizeParameterSent(), quint16(250));

        QVERIFY(!sensor->setMarkers(1, markers(4))); // too few: refused
        QVERIFY(!sensor->setMarkers(1, markers(65))); // too many
    }

    void binningRules()
    {
        QVERIFY(sensor->open(info()));
        // Far away with markers in mode 1: binning 2.
        sensor->setTargetDistance(100.0);
        QVERIFY(sensor->setMarkers(1, markers(8)));
        QCOMPARE(sensor->binning(), 2);
        // Mode 1 with a generated kernel: binning 2.
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
        QCOMPARE(simulated->parameter(3), quint16(4));
        QCOMPARE(sensor->kernelWidth(),
                 quint16(UsbImageSensor::kernelSize(
                         UsbImageSensor::generatedKernel(200.0, 6.0, 4))));
    }

    void chestFrameMarkers()
    {
        // The chest figure's frame: a centre marker and two rings of eight.
        QVector<UsbImageSensor::Marker> chest;
        UsbImageSensor::Marker centre;
        centre.weight = 1;
        centre.truncate = true;
        chest << centre;
        const double corners[8][2] = {{-115, -255}, {115, -255}, {115, -70},  {255, -70},
                                      {255, 255},   {-255, 255}, {-255, -70}, {-115, -70}};
        for (int ring = 0; ring < 2; ++ring) {
            for (const auto &corner : corners) {
                UsbImageSensor::Marker marker;
                marker.weight = ring == 0 ? 1 : 0;
                marker.truncate = ring == 0;
                marker.x = corner[0];
                marker.y = corner[1];
                chest << marker;
            }
        }
        QCOMPARE(chest.size(), 17);
        QVERIFY(sensor->open(info()));
        sensor->setTargetDistance(25.0); // 3 mm per pixel
        QVERIFY(sensor->setMarkers(1, chest));
        const auto uploaded = simulated->kernel();
        QCOMPARE(int(uploaded.size()), 17);
        const auto expected = UsbImageSensor::markerKernel(chest, 3.0, 4);
        for (int i = 0; i < 17; ++i) {
            QCOMPARE(uploaded[size_t(i)].x, expected.at(i).x);
            QCOMPARE(uploaded[size_t(i)].y, expected.at(i).y);
            QCOMPARE(uploaded[size_t(i)].weight, expected.at(i).weight);
        }
        QCOMPARE(int(expected.at(4).x), int(std::trunc(255.0 / 3.0 / 4.0)));
    }

    void settingsAndMicrophone()
    {
        simulated->setHardwareVersion(1);
        QVERIFY(sensor->open(info()));
        simulated->clearRequests();
        QVERIFY(sensor->setMicrophoneParameters(2, 40)); // hardware 1: nothing to send
        QVERIFY(simulated->requests().isEmpty());
        QVERIFY(!sensor->sendSetting(UsbImageSensor::Setting9D, 8));
        QCOMPARE(sensor->errorCode(), 4);
        QVERIFY(simulated->requests().isEmpty());
        QVERIFY(sensor->sendSetting(UsbImageSensor::Setting9D, 7));
        QCOMPARE(sensor->settingValue(UsbImageSensor::Setting9D), quint16(7));
        sensor->close();

        simulated->setHardwareVersion(3);
        QVERIFY(sensor->open(info()));
        simulated->clearRequests();
        QVERIFY(sensor->setMicrophoneParameters(1, 40));
        QCOMPARE(describe(simulated->requests()), QStringList({QStringLiteral("ba:1:15")}));
        QVERIFY(sensor->setMicrophoneParameters(2, 40));
        QCOMPARE(requestsSince(1),
                 QStringList({QStringLiteral("ba:2:15"), QStringLiteral("ba:40:16")}));
        simulated->failRequest(0x82);
        QVERIFY(!sensor->setShutter(12));
        QCOMPARE(sensor->errorCode(), 5);
        QCOMPARE(sensor->errorText(), QStringLiteral("Request failed"));
        QVERIFY(sensor->setShutter(12));
        QCOMPARE(sensor->errorCode(), 0);
        sensor->close();

        simulated->setFirmwareVersion(14);
        QVERIFY(sensor->open(info()));
        QVERIFY(!sensor->setMicrophoneParameters(1, 40)); // firmware without the pair
    }

    void streamStartAndSamples()
    {
        QVERIFY(sensor->open(info()));
        QVERIFY(!sensor->setAimMarkDiameter(30.5)); // no distance yet
        QVERIFY(sensor->setTargetDistance(10.0));
        simulated->clearRequests();
        QSignalSpy samples(sensor.get(), &UsbImageSensor::sample);
        QVERIFY(sensor->startPolling());
        QVERIFY(sensor->isPolling());
        const QStringList requests = describe(simulated->requests());
        // The kernel goes out again, then the stream starts.
        QCOMPARE(requests.first(), QStringLiteral("ba:2:3"));
        QCOMPARE(requests.last(), QStringLiteral("80:0:0"));
        QVERIFY(simulated->isStreaming());

        QCOMPARE(simulated->generateFrames(50, 1700000000000), 50);
        QCOMPARE(samples.count(), 50);
        QCOMPARE(samples.first().at(0).toLongLong(), 1700000000000);
        QCOMPARE(samples.last().at(0).toLongLong(), 1700000000490);
        int found = 0;
        for (const QList<QVariant> &arguments : samples) {
            const auto event = arguments.at(1).value<UsbImageSensor::Event>();
            if (!event.found)
                continue;
            ++found;
            QVERIFY(qAbs(event.x - 376.0) < 10.0);
            QVERIFY(qAbs(event.y - 240.0) < 10.0);
            QVERIFY(qAbs(event.cant) < 0.2);
        }
        QVERIFY(found > 40);

        simulated->clearRequests();
        sensor->stopPolling();
        QVERIFY(!sensor->isPolling());
        QCOMPARE(describe(simulated->requests()).first(), QStringLiteral("81:0:0"));
        QVERIFY(!simulated->isStreaming());
    }

    void failedStreamStartStopsReading()
    {
        QVERIFY(sensor->open(info()));
        simulated->failRequest(0x80);
        QVERIFY(!sensor->startPolling());
        QVERIFY(!sensor->isPolling());
        QCOMPARE(sensor->errorCode(), 5);
        QVERIFY(!simulated->isReading());
    }

    void synchronousStopWhileDataFlow()
    {
        simulated->setPacing(SimulatedSensor::Pacing::RealTime);
        QVERIFY(sensor->open(info()));
        QSignalSpy samples(sensor.get(), &UsbImageSensor::sample);
        QVERIFY(sensor->startPolling());
        QTRY_VERIFY_WITH_TIMEOUT(samples.count() >= 20, 5000);
        sensor->stopPolling();
        QVERIFY(!simulated->isReading());
        // Reads already queued may still be decoded; nothing arrives after.
        QCoreApplication::processEvents();
        const int settled = samples.count();
        QTest::qWait(100);
        QCOMPARE(samples.count(), settled);
        // And again, stopping by closing.
        QVERIFY(sensor->startPolling());
        QTRY_VERIFY_WITH_TIMEOUT(samples.count() >= settled + 10, 5000);
        sensor->close();
        QVERIFY(!simulated->isOpen());
    }
};

QTEST_GUILESS_MAIN(TestUsbImageSensor)
#include "tst_usbimagesensor.moc"
