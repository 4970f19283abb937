#include "usbdevice.h"
#include "usbbackend.h"

#include <QtEndian>

#include <cstring>

namespace LibHardware {

UsbDevice::UsbDevice(QObject *parent, UsbBackend *backend)
    : QObject(parent)
    , m_backend(backend)
{ }

UsbDevice::~UsbDevice()
{
    // The derived class has gone already: close what this class owns.
    if (m_handle) {
        m_handle->stopReading();
        m_handle.reset();
    }
}

bool UsbDevice::open(const UsbDeviceInfo &info)
{
    if (m_handle)
        close();
    UsbBackend *backend = m_backend ? m_backend : UsbBackend::instance();
    m_handle = backend->open(info.path, &m_openError);
    if (!m_handle) {
        qCritical("unable to open device, error %s", qPrintable(m_openError));
        return false;
    }
    m_info = info;
    return true;
}

void UsbDevice::close()
{
    if (m_polling)
        stopPolling();
    m_handle.reset();
}

QString UsbDevice::errorString() const
{
    return m_handle ? m_handle->errorString() : m_openError;
}

bool UsbDevice::startPolling()
{
    if (m_polling)
        return true;
    if (!m_handle || !m_handle->startReading(this))
        return false;
    m_polling = true;
    return true;
}

void UsbDevice::stopPolling()
{
    if (!m_polling)
        return;
    m_handle->stopReading();
    m_polling = false;
}

void UsbDevice::readCompleted(qint64 timer, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_handle->deliversFramedRecords() || m_info.productId == UnframedProductId) {
        emit data(timer, bytes);
        return;
    }
    // Each read becomes one stream record: marker, 32-bit length, bytes.
    QByteArray record(5 + bytes.size(), Qt::Uninitialized);
    record[0] = char(0x88);
    qToLittleEndian<qint32>(qint32(bytes.size()), record.data() + 1);
    std::memcpy(record.data() + 5, bytes.constData(), size_t(bytes.size()));
    emit data(timer, record);
}

bool UsbDevice::controlTransfer(quint32 function, const char *out, int outLength, char *in,
                                int inLength, int *transferred)
{
    if (transferred)
        *transferred = 0;
    if (!m_handle || function != VendorRequestFunction || !out || outLength < 8)
        return false;
    const quint8 request = quint8(out[0]);
    const quint16 value = qFromLittleEndian<quint16>(out + 2);
    const quint16 index = qFromLittleEndian<quint16>(out + 4);
    const quint16 length = qFromLittleEndian<quint16>(out + 6);

    if (!in) {
        if (outLength < 8 + length)
            return false;
        QByteArray payload(out + 8, length);
        const int count = m_handle->controlTransfer(UsbHandle::VendorOut, request, value, index,
                                                    payload.data(), length);
        if (transferred)
            *transferred = qMax(count, 0);
        return count == length;
    }
    if (inLength < 0 || inLength > 0xFFFF)
        return false;
    const int count = m_handle->controlTransfer(UsbHandle::VendorIn, request, value, index, in,
                                                quint16(inLength));
    if (count < 0)
        return false;
    if (transferred)
        *transferred = count;
    return true;
}

namespace {
QByteArray requestHead(quint8 request, quint16 value, quint16 index, quint16 length)
{
    QByteArray head(8, '\0');
    head[0] = char(request);
    qToLittleEndian<quint16>(value, head.data() + 2);
    qToLittleEndian<quint16>(index, head.data() + 4);
    qToLittleEndian<quint16>(length, head.data() + 6);
    return head;
}
} // namespace

bool UsbDevice::vendorOut(quint8 request, quint16 value, quint16 index)
{
    const QByteArray head = requestHead(request, value, index, 0);
    return controlTransfer(VendorRequestFunction, head.constData(), int(head.size()), nullptr, 0,
                           nullptr);
}

bool UsbDevice::vendorOut(quint8 request, const QByteArray &data, quint16 value, quint16 index)
{
    if (data.size() > 0xFFFF)
        return false;
    const QByteArray out = requestHead(request, value, index, quint16(data.size())) + data;
    return controlTransfer(VendorRequestFunction, out.constData(), int(out.size()), nullptr, 0,
                           nullptr);
}

bool UsbDevice::vendorIn(quint8 request, char *buffer, int length, quint16 value, quint16 index)
{
    const QByteArray head = requestHead(request, value, index, 0);
    int transferred = 0;
    return controlTransfer(VendorRequestFunction, head.constData(), int(head.size()), buffer,
                           length, &transferred)
            && transferred == length;
}

QByteArray UsbDevice::vendorIn(quint8 request, int length, quint16 value, quint16 index)
{
    QByteArray buffer(qBound(0, length, MaxInLength), '\0');
    const QByteArray head = requestHead(request, value, index, 0);
    int transferred = 0;
    if (!controlTransfer(VendorRequestFunction, head.constData(), int(head.size()), buffer.data(),
                         int(buffer.size()), &transferred))
        return QByteArray();
    buffer.truncate(transferred);
    return buffer;
}

bool UsbDevice::driverQuery(quint32, char *, int)
{
    return false;
}

} // namespace LibHardware
