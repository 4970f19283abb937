#include "usbdeviceenumerator.h"
#include "usbbackend.h"

#include <QRegularExpression>

namespace LibHardware {

namespace {

const int AcceptedProducts[] = {2, 5, 10, 14, 19, 23, 32, 34, 35, 255, 0x1F01};

// Products with a device-interface class, in table order.
const int ClassTableOrder[] = {32, 19, 10, 2, 5, 0x1F01, 14, 23};

} // namespace

UsbDeviceEnumerator::UsbDeviceEnumerator(QObject *parent, UsbBackend *backend)
    : QObject(parent)
    , m_backend(backend ? backend : UsbBackend::instance())
{ }

UsbDeviceEnumerator::~UsbDeviceEnumerator()
{
    stop();
}

bool UsbDeviceEnumerator::isAcceptedProduct(int productId)
{
    return std::find(std::begin(AcceptedProducts), std::end(AcceptedProducts), productId)
            != std::end(AcceptedProducts);
}

int UsbDeviceEnumerator::productOfGuid(const QString &guid)
{
    for (int product : ClassTableOrder) {
        if (interfaceClassGuid(product) == guid)
            return product;
    }
    return 0;
}

bool UsbDeviceEnumerator::parseDevicePath(const QString &path, UsbDeviceInfo *info)
{
    static const QRegularExpression ids(QStringLiteral("VID_(\\w+)&PID_(\\w+)"));
    static const QRegularExpression guid(
            QStringLiteral("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}"));
    info->path = path;
    info->vendorId = 0;
    info->productId = 0;

    const QRegularExpressionMatch match = ids.match(path);
    if (!match.hasMatch())
        return false;
    bool ok = false;
    const int vendor = match.captured(1).toInt(&ok, 16);
    if (!ok || vendor != VendorId)
        return false;
    info->vendorId = vendor;
    const int product = match.captured(2).toInt(&ok, 16);
    if (!ok || !isAcceptedProduct(product))
        return false;
    info->productId = product;

    const QRegularExpressionMatch classMatch = guid.match(path);
    return classMatch.hasMatch() && productOfGuid(classMatch.captured(0)) != 0;
}

QStringList UsbDeviceEnumerator::listDevicePaths(int vendorId, int productId) const
{
    if (interfaceClassGuid(productId).isEmpty())
        return {};
    QStringList paths;
    for (const QString &path : m_backend->devicePaths(vendorId, productId))
        paths.append(path.toUpper());
    return paths;
}

bool UsbDeviceEnumerator::start(int vendorId, int productId)
{
    stop();
    m_vendorId = vendorId;
    m_productId = productId;
    connect(m_backend, &UsbBackend::deviceArrived, this, &UsbDeviceEnumerator::onArrived);
    connect(m_backend, &UsbBackend::deviceRemoved, this, &UsbDeviceEnumerator::onRemoved);
    m_monitoring = m_backend->startMonitoring(vendorId, productId);
    for (const QString &path : listDevicePaths(vendorId, productId))
        onArrived(path);
    return m_monitoring;
}

void UsbDeviceEnumerator::stop()
{
    if (m_backend) {
        disconnect(m_backend, nullptr, this, nullptr);
        if (m_monitoring)
            m_backend->stopMonitoring();
    }
    m_monitoring = false;
    m_known.clear();
}

void UsbDeviceEnumerator::onArrived(const QString &rawPath)
{
    UsbDeviceInfo info;
    const QString path = rawPath.toUpper();
    if (!parseDevicePath(path, &info) || info.vendorId != m_vendorId
        || info.productId != m_productId || m_known.contains(path))
        return;
    m_known.insert(path, info);
    emit deviceAdded(info);
}

void UsbDeviceEnumerator::onRemoved(const QString &rawPath)
{
    const QString path = rawPath.toUpper();
    const auto it = m_known.find(path);
    if (it == m_known.end())
        return;
    const UsbDeviceInfo info = it.value();
    m_known.erase(it);
    emit deviceRemoved(info);
}

} // namespace LibHardware
