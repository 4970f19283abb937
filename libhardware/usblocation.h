#pragma once

#include <QList>
#include <QString>

namespace LibHardware {

// Where a USB device sits: its bus number and the hub port numbers on the
// way from the root hub down to it. A location stays the same while the
// device stays in its socket, so it names a device in a device path.
class UsbLocation
{
public:
    // The deepest chain of hubs USB allows.
    static constexpr int MaxPorts = 7;

    UsbLocation() = default;
    UsbLocation(int bus, const QList<int> &ports);

    int bus() const { return m_bus; }
    const QList<int> &ports() const { return m_ports; }

    // Bus 1..255 and 1..MaxPorts port numbers of 1..255 each; a root hub has
    // no ports and so no valid location.
    bool isValid() const;

    // "<bus>.<port>.<port>...", for example "3.1.4"; empty when invalid.
    QString toString() const;
    // The inverse of toString(): an invalid location unless `text` is a
    // valid location written exactly as toString() writes it.
    static UsbLocation fromString(const QString &text);

    // Splits a device path as makeDevicePath() builds it into the identity
    // and the location. Returns an invalid location for anything else;
    // `vendorId` and `productId` are then left alone.
    static UsbLocation fromDevicePath(const QString &path, int *vendorId, int *productId);

    friend bool operator==(const UsbLocation &a, const UsbLocation &b)
    {
        return a.m_bus == b.m_bus && a.m_ports == b.m_ports;
    }
    friend bool operator!=(const UsbLocation &a, const UsbLocation &b) { return !(a == b); }

private:
    int m_bus = 0;
    QList<int> m_ports;
};

} // namespace LibHardware
