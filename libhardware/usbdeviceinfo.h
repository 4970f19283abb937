#pragma once

#include <QMetaType>
#include <QString>

namespace LibHardware {

// A USB device as the enumerator found it: its device path (upper case,
// the key to open it) and the vendor and product ids parsed from the path.
struct UsbDeviceInfo
{
    QString path;
    int vendorId = 0;
    int productId = 0;

    friend bool operator==(const UsbDeviceInfo &a, const UsbDeviceInfo &b)
    {
        return a.path == b.path && a.vendorId == b.vendorId && a.productId == b.productId;
    }
    friend bool operator!=(const UsbDeviceInfo &a, const UsbDeviceInfo &b) { return !(a == b); }
    friend bool operator<(const UsbDeviceInfo &a, const UsbDeviceInfo &b)
    {
        if (a.path != b.path)
            return a.path < b.path;
        if (a.vendorId != b.vendorId)
            return a.vendorId < b.vendorId;
        return a.productId < b.productId;
    }
};

} // namespace LibHardware

Q_DECLARE_METATYPE(LibHardware::UsbDeviceInfo)
