#include "nullbackend.h"
#include "usbhandle.h"

namespace LibHardware {

QStringList NullBackend::devicePaths(int, int)
{
    return {};
}

bool NullBackend::startMonitoring(int, int)
{
    // Monitoring succeeds; there is just never anything to report.
    return true;
}

void NullBackend::stopMonitoring()
{ }

std::unique_ptr<UsbHandle> NullBackend::open(const QString &path, QString *error)
{
    if (error)
        *error = QStringLiteral("no device backend is installed, cannot open %1").arg(path);
    return nullptr;
}

} // namespace LibHardware
