#include "deviceref.h"

#include <QDebug>

#include <tuple>

namespace LibHardware {

DeviceRef::DeviceRef(int category, int idType, const QByteArray &id)
    : category(category)
    , idType(idType)
    , id(id)
{ }

DeviceRef DeviceRef::opticalSensor(const QByteArray &serialNumber)
{
    return DeviceRef(OpticalSensor, SerialNumberId, serialNumber);
}

bool operator==(const DeviceRef &a, const DeviceRef &b)
{
    if (a.category != b.category || a.idType != b.idType)
        return false;
    switch (a.idType) {
    case DeviceRef::NullId:
        return true;
    case DeviceRef::SerialNumberId:
        return a.id == b.id;
    default:
        return false;
    }
}

bool operator<(const DeviceRef &a, const DeviceRef &b)
{
    const QByteArray aId = a.idType == DeviceRef::NullId ? QByteArray() : a.id;
    const QByteArray bId = b.idType == DeviceRef::NullId ? QByteArray() : b.id;
    return std::tie(a.category, a.idType, aId) < std::tie(b.category, b.idType, bId);
}

QDebug operator<<(QDebug debug, const DeviceRef &ref)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "DeviceRef(" << ref.category << ", " << ref.idType << ", " << ref.id.toHex()
                    << ')';
    return debug;
}

} // namespace LibHardware
