#include "usbbackend.h"
#include "libusbbackend.h"
#include "nullbackend.h"

namespace LibHardware {

namespace {

std::unique_ptr<UsbBackend> &installedBackend()
{
    static std::unique_ptr<UsbBackend> backend;
    return backend;
}

} // namespace

UsbBackend *UsbBackend::instance()
{
    // Nothing installed: real devices through libusb. Without USB support
    // it lists no devices, so the rest of the program still runs.
    if (!installedBackend())
        installedBackend() = std::make_unique<LibUsbBackend>();
    return installedBackend().get();
}

void UsbBackend::setInstance(UsbBackend *backend)
{
    // Installing the installed one again must not delete it.
    if (installedBackend().get() != backend)
        installedBackend().reset(backend);
}

QString interfaceClassGuid(int productId)
{
    switch (productId) {
    case 32:
        return QStringLiteral("{7D318304-5D35-11D2-9420-00105A075F6B}");
    case 19:
    case 10:
        return QStringLiteral("{448A342C-4663-4C50-AB76-24A45DA27C03}");
    case 2:
        return QStringLiteral("{14EA0900-B960-11D7-AAEC-0090F5067976}");
    case 5:
        return QStringLiteral("{22208D80-EAC3-11D7-AAEC-0090F5067976}");
    case 0x1F01:
        return QStringLiteral("{6DD29847-8B42-4AB4-AB06-4B9BF751334C}");
    case 14:
        return QStringLiteral("{8E42B302-E8EA-4AFC-994F-45F9C4F4C718}");
    case 23:
        return QStringLiteral("{2F60BE07-4F40-4A1A-A03E-2DDD80D0A40A}");
    default:
        return QString();
    }
}

QString makeDevicePath(int vendorId, int productId, const QString &location)
{
    // Concatenated rather than built with arg(), so that a location text
    // containing "%1" cannot be mistaken for a placeholder.
    const auto hex4
            = [](int id) { return QStringLiteral("%1").arg(id & 0xFFFF, 4, 16, QLatin1Char('0')); };
    const QString path = QStringLiteral("\\\\?\\USB#VID_") + hex4(vendorId)
            + QStringLiteral("&PID_") + hex4(productId) + QLatin1Char('#') + location
            + QLatin1Char('#') + interfaceClassGuid(productId);
    return path.toUpper();
}

} // namespace LibHardware
