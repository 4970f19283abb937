#pragma once

#include "usbbackend.h"

namespace LibHardware {

// A backend without devices: lists nothing, reports nothing and opens
// nothing. It serves while no real backend is installed.
class NullBackend : public UsbBackend
{
    Q_OBJECT

public:
    using UsbBackend::UsbBackend;

    QStringList devicePaths(int vendorId, int productId) override;
    bool startMonitoring(int vendorId, int productId) override;
    void stopMonitoring() override;
    std::unique_ptr<UsbHandle> open(const QString &path, QString *error) override;
};

} // namespace LibHardware
