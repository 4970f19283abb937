#pragma once

#include <QByteArray>
#include <QMetaType>

class QDebug;

namespace LibHardware {

// Identity of a device known to the hardware controller. A default reference
// is the null reference. Two references are equal when category and id kind
// agree and either both are null or both carry the same serial number; any
// other id kind never compares equal.
class DeviceRef
{
public:
    enum Category { NoCategory = 0, OpticalSensor = 1 };
    enum IdType { NullId = 0, SerialNumberId = 1 };

    DeviceRef() = default;
    DeviceRef(int category, int idType, const QByteArray &id);

    static DeviceRef opticalSensor(const QByteArray &serialNumber);

    int category = NoCategory;
    int idType = NullId;
    QByteArray id;

    bool isNull() const { return idType == NullId; }
    bool isOpticalSensor() const { return category == OpticalSensor && idType == SerialNumberId; }
};

bool operator==(const DeviceRef &a, const DeviceRef &b);
inline bool operator!=(const DeviceRef &a, const DeviceRef &b)
{
    return !(a == b);
}
// Strict ordering for use as a map key; consistent with equality for the
// null and serial-number kinds.
bool operator<(const DeviceRef &a, const DeviceRef &b);
QDebug operator<<(QDebug debug, const DeviceRef &ref);

} // namespace LibHardware

Q_DECLARE_METATYPE(LibHardware::DeviceRef)
