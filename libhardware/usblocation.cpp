#include "usblocation.h"

#include <QStringList>

#include <algorithm>

namespace LibHardware {

namespace {

bool inByteRange(int value)
{
    return value >= 1 && value <= 255;
}

// A four-digit hexadecimal id after a fixed prefix, as in "VID_1224".
bool parseId(const QString &text, const QString &prefix, int *id)
{
    if (text.size() != prefix.size() + 4 || !text.startsWith(prefix, Qt::CaseInsensitive))
        return false;
    const QString digits = text.mid(prefix.size());
    // Hexadecimal digits only: toInt() would also take a sign.
    const auto isHexDigit = [](QChar c) {
        return c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
    };
    if (!std::all_of(digits.begin(), digits.end(), isHexDigit))
        return false;
    *id = digits.toInt(nullptr, 16);
    return true;
}

} // namespace

UsbLocation::UsbLocation(int bus, const QList<int> &ports)
    : m_bus(bus)
    , m_ports(ports)
{ }

bool UsbLocation::isValid() const
{
    if (!inByteRange(m_bus) || m_ports.isEmpty() || m_ports.size() > MaxPorts)
        return false;
    return std::all_of(m_ports.begin(), m_ports.end(), inByteRange);
}

QString UsbLocation::toString() const
{
    if (!isValid())
        return QString();
    QString text = QString::number(m_bus);
    for (int port : m_ports)
        text += QLatin1Char('.') + QString::number(port);
    return text;
}

UsbLocation UsbLocation::fromString(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    QList<int> numbers;
    for (const QString &part : parts) {
        // Digits only: toInt() would also take signs and surrounding blanks.
        if (part.isEmpty()
            || !std::all_of(part.begin(), part.end(), [](QChar c) { return c.isDigit(); }))
            return UsbLocation();
        numbers.append(part.toInt());
    }
    UsbLocation location(numbers.takeFirst(), numbers);
    // The round trip refuses leading zeros and out-of-range numbers, so that
    // one device has exactly one path.
    if (location.toString() != text)
        return UsbLocation();
    return location;
}

UsbLocation UsbLocation::fromDevicePath(const QString &path, int *vendorId, int *productId)
{
    // \\?\USB#VID_xxxx&PID_yyyy#<location>#<interface class GUID or nothing>
    const QStringList parts = path.split(QLatin1Char('#'));
    if (parts.size() != 4 || parts.at(0).compare(QLatin1String("\\\\?\\USB"), Qt::CaseInsensitive))
        return UsbLocation();
    const QStringList ids = parts.at(1).split(QLatin1Char('&'));
    int vendor = 0;
    int product = 0;
    if (ids.size() != 2 || !parseId(ids.at(0), QStringLiteral("VID_"), &vendor)
        || !parseId(ids.at(1), QStringLiteral("PID_"), &product))
        return UsbLocation();
    const QString &guid = parts.at(3);
    if (!guid.isEmpty() && (!guid.startsWith(QLatin1Char('{')) || !guid.endsWith(QLatin1Char('}'))))
        return UsbLocation();
    const UsbLocation location = fromString(parts.at(2));
    if (location.isValid()) {
        *vendorId = vendor;
        *productId = product;
    }
    return location;
}

} // namespace LibHardware
