#include "lanesettings.h"

#include <QSettings>
#include <QVariant>

namespace {

QString deviceKey(const QString &serial, const char *name)
{
    return QStringLiteral("device_%1/%2").arg(serial, QLatin1String(name));
}

QString laneDeviceKey(int lane)
{
    return QStringLiteral("range%1/device").arg(lane);
}

} // namespace

bool LaneSettings::storedDevice(int lane, QString *serial)
{
    const QVariant device = QSettings().value(laneDeviceKey(lane));
    if (!device.canConvert<QString>() || !device.isValid())
        return false;
    *serial = device.toString();
    return true;
}

void LaneSettings::storeDevice(int lane, const QString &serial)
{
    QSettings().setValue(laneDeviceKey(lane), serial);
}

LaneSettings::Microphone LaneSettings::storedMicrophone(const QString &serial)
{
    QSettings settings;
    const auto stored = [&settings, &serial](const char *name, const QVariant &fallback) {
        const QString upper = deviceKey(serial.toUpper(), name);
        return settings.contains(upper) ? settings.value(upper)
                                        : settings.value(deviceKey(serial, name), fallback);
    };
    Microphone microphone;
    microphone.ultraSensitive = stored("microphoneMode", 0).toLongLong() != 0;
    const qlonglong threshold = stored("microphoneThreshold", int(DefaultThreshold)).toLongLong();
    if (quint64(threshold) <= MaxThreshold)
        microphone.threshold = quint16(threshold);
    return microphone;
}

void LaneSettings::storeThreshold(const QString &serial, quint16 threshold)
{
    QSettings().setValue(deviceKey(serial, "microphoneThreshold"), int(threshold));
}

void LaneSettings::storeUltraSensitive(const QString &serial, bool ultraSensitive)
{
    QSettings().setValue(deviceKey(serial, "microphoneMode"), ultraSensitive ? 1 : 0);
}
