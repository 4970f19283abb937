#include "lanesensor.h"

#include <hardwarecontroller.h>
#include <session.h>

#include <cmath>
#include <limits>

using LibHardware::DeviceRef;
using LibHardware::HardwareController;
using LibHardware::UsbImageSensor;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

UsbImageSensor::Marker marker(quint8 weight, bool truncate, double x, double y, qint8 biasX,
                              qint8 biasY)
{
    UsbImageSensor::Marker m;
    m.weight = weight;
    m.truncate = truncate;
    m.x = x;
    m.y = y;
    m.biasX = biasX;
    m.biasY = biasY;
    return m;
}

// A sensor coordinate as the sensor takes it: rounded, 16 bits.
quint16 sensorWord(double value)
{
    if (!std::isfinite(value))
        return 0;
    return quint16(qint64(std::floor(value + 0.5)) & 0xFFFF);
}

} // namespace

const QVector<LaneSensor::Frame> &LaneSensor::frames()
{
    static const QVector<Frame> table = [] {
        QVector<UsbImageSensor::Marker> chest = {marker(1, true, 0, 0, 0, 0)};
        const double corners[8][2] = {{-115, -255}, {115, -255}, {115, -70},  {255, -70},
                                      {255, 255},   {-255, 255}, {-255, -70}, {-115, -70}};
        const qint8 innerBias[8][2]
                = {{2, 2}, {-2, 2}, {-2, 2}, {-2, 2}, {-2, -2}, {2, -2}, {2, 2}, {2, 2}};
        for (int i = 0; i < 8; ++i)
            chest.append(marker(1, true, corners[i][0], corners[i][1], innerBias[i][0],
                                innerBias[i][1]));
        for (int i = 0; i < 8; ++i)
            chest.append(marker(0, false, corners[i][0], corners[i][1], qint8(-innerBias[i][0]),
                                qint8(-innerBias[i][1])));
        return QVector<Frame> {{"{401BEAC6-B6AA-4D42-98C0-6431EA2E0D0F}", chest, 1, NaN, 1.8},
                               {"{EE802967-C378-4ed8-B61A-609EC5061BBD}", {}, 0, 59.5, 0.6},
                               {"{26044802-5B13-48d6-A5F8-BE777C9BED82}", {}, 0, 30.5, 0.3},
                               {"{BF0CCDC6-E68C-4cdb-8095-1DB0B4B168BF}", {}, 0, 200.0, 0.45},
                               {"{4225AED6-4494-4c42-970C-0733074F462A}", {}, 0, 112.4, 0.6},
                               {"{2f172fce-9436-11e5-8a97-542696dbe481}", {}, 0, 61.7, 0.6}};
    }();
    return table;
}

QString LaneSensor::serialText(const QByteArray &serialNumber)
{
    return QString::fromLatin1(serialNumber.toHex()).toUpper();
}

QByteArray LaneSensor::serialBytes(const QString &serialText)
{
    return QByteArray::fromHex(serialText.toLatin1());
}

DeviceRef LaneSensor::ref() const
{
    return HardwareController::instance()->deviceOfLane(m_lane);
}

UsbImageSensor *LaneSensor::device() const
{
    return HardwareController::instance()->sensorOf(ref());
}

bool LaneSensor::isConnected(const DeviceRef &ref)
{
    return HardwareController::instance()->connectedDevices().contains(ref);
}

QString LaneSensor::serialNumber() const
{
    const DeviceRef bound = ref();
    return bound.isOpticalSensor() ? serialText(bound.id) : QString();
}

void LaneSensor::sendMicrophone(UsbImageSensor *device, bool ultraSensitive, quint16 threshold)
{
    if (device && device->isOpen())
        device->setMicrophoneParameters(ultraSensitive ? 2 : 1, threshold);
}

void LaneSensor::begin(UsbImageSensor *device)
{
    device->sendSetting(UsbImageSensor::Setting9D, 0);
}

void LaneSensor::configure(UsbImageSensor *device, bool ultraSensitive, quint16 threshold,
                           const LibModel::Session &session)
{
    device->sendSetting(UsbImageSensor::Setting84, 0);
    device->sendSetting(UsbImageSensor::Setting92, 1);
    device->sendSetting(UsbImageSensor::Setting9E, 1);
    device->sendSetting(UsbImageSensor::Setting9F, 1);
    device->sendSetting(UsbImageSensor::Shutter, 30);
    device->sendSetting(UsbImageSensor::EchoSetting, 64);
    device->setParameter(4, 0);
    device->setMicrophoneParameters(ultraSensitive ? 2 : 1, threshold);
    device->setParameter(1, 200);
    device->setParameter(2, 255);

    const QString uuid = session.targetUuid();
    for (const Frame &frame : frames()) {
        if (uuid != QLatin1String(frame.targetUuid))
            continue;
        if (!std::isnan(frame.aimMarkDiameter))
            device->setAimMarkDiameter(frame.aimMarkDiameter);
        else if (!frame.markers.isEmpty())
            device->setMarkers(frame.tag, frame.markers);
        if (!std::isnan(session.distance()))
            device->setTargetDistance(session.distance());
        device->setSizeParameter(frame.sizeParameter);
        break;
    }
}

QPointF LaneSensor::viewCalibration(UsbImageSensor *device)
{
    const QPointF offset(device->settingsWord4(), device->settingsWord6());
    device->selectModeOne();
    return offset;
}

void LaneSensor::aim(UsbImageSensor *device, const QPointF &offset)
{
    device->sendSetting(UsbImageSensor::Setting84, 0);
    device->selectModeTwo(sensorWord(offset.x()), sensorWord(offset.y()));
}
