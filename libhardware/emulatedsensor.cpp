#include "emulatedsensor.h"
#include "usbhandle.h"
#include "usbimagesensor.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace LibHardware {

namespace {

using Request = UsbImageSensor::Request;

// The setting requests with their power-on values.
const std::map<quint8, quint16> &settingDefaults()
{
    static const std::map<quint8, quint16> defaults {
            {Request::Shutter, 30},  {Request::Setting84, 0},    {Request::EchoSetting, 64},
            {Request::Setting92, 1}, {Request::Setting95, 9999}, {Request::Setting9D, 0},
            {Request::Setting9E, 0}, {Request::Setting9F, 0},
    };
    return defaults;
}

const std::map<quint16, quint16> &parameterDefaults()
{
    static const std::map<quint16, quint16> defaults {
            {1, 200}, {2, 255}, {3, 1}, {4, 0}, {6, 240}, {15, 0}, {16, 0},
    };
    return defaults;
}

QByteArray littleEndianWords(std::initializer_list<quint16> values)
{
    QByteArray bytes(int(2 * values.size()), '\0');
    int at = 0;
    for (const quint16 value : values) {
        qToLittleEndian<quint16>(value, bytes.data() + at);
        at += 2;
    }
    return bytes;
}

} // namespace

EmulatedSensor::EmulatedSensor()
    : m_serial(8, '\0')
    , m_settingsBlock(defaultSettingsBlock())
{
    resetVolatileState();
}

QByteArray EmulatedSensor::defaultSettingsBlock()
{
    QByteArray block(SettingsSize, '\0');
    qToLittleEndian<quint16>(376, block.data() + 4); // the default centre
    qToLittleEndian<quint16>(240, block.data() + 6);
    const float focalLength = 50.0f;
    quint32 bits = 0;
    std::memcpy(&bits, &focalLength, sizeof bits);
    qToLittleEndian<quint32>(bits, block.data() + 12);
    return block;
}

quint16 EmulatedSensor::settingsWord(int offset) const
{
    if (offset < 0 || offset + 2 > m_settingsBlock.size())
        return 0;
    return qFromLittleEndian<quint16>(m_settingsBlock.constData() + offset);
}

void EmulatedSensor::setSettingsWord(int offset, quint16 value)
{
    if (offset >= 0 && offset + 2 <= m_settingsBlock.size())
        qToLittleEndian<quint16>(value, m_settingsBlock.data() + offset);
}

float EmulatedSensor::settingsFloat(int offset) const
{
    if (offset < 0 || offset + 4 > m_settingsBlock.size())
        return 0.0f;
    const quint32 bits = qFromLittleEndian<quint32>(m_settingsBlock.constData() + offset);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void EmulatedSensor::setSettingsFloat(int offset, float value)
{
    if (offset < 0 || offset + 4 > m_settingsBlock.size())
        return;
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    qToLittleEndian<quint32>(bits, m_settingsBlock.data() + offset);
}

quint16 EmulatedSensor::settingValue(quint8 request) const
{
    const auto it = m_settings.find(request);
    return it == m_settings.end() ? 0 : it->second;
}

quint16 EmulatedSensor::parameter(quint16 number) const
{
    const auto it = m_parameters.find(number);
    return it == m_parameters.end() ? 0 : it->second;
}

void EmulatedSensor::resetVolatileState()
{
    m_settings = settingDefaults();
    m_parameters = parameterDefaults();
    m_mode = 0;
    m_modeValue = 0;
    m_modeIndex = 0;
    m_kernel.clear();
    m_kernelTag = 0;
    m_kernelUploading = false;
    m_pendingKernel.clear();
    m_streaming = false;
}

int EmulatedSensor::controlTransfer(quint8 requestType, quint8 request, quint16 value,
                                    quint16 index, char *data, quint16 length)
{
    ControlRequest logged;
    logged.requestType = requestType;
    logged.request = request;
    logged.value = value;
    logged.index = index;
    logged.length = length;
    if (requestType == UsbHandle::VendorOut && data && length > 0)
        logged.data = QByteArray(data, length);
    m_requests.append(logged);

    if (!m_connected || consumeFailure(request))
        return -1;
    if (requestType == UsbHandle::VendorIn) {
        QByteArray bytes;
        if (!answer(request, &bytes))
            return -1;
        // Like a USB device: never more than the host allowed for.
        const int size = std::min<int>(bytes.size(), length);
        if (size > 0) {
            if (!data)
                return -1;
            std::memcpy(data, bytes.constData(), size_t(size));
        }
        return size;
    }
    if (requestType == UsbHandle::VendorOut)
        return m_lenient || apply(request, value, index, data, length) ? length : -1;
    return -1;
}

bool EmulatedSensor::answer(quint8 request, QByteArray *answer) const
{
    switch (request) {
    case Request::SerialNumber:
        *answer = m_serial;
        return true;
    case Request::Versions:
        *answer = littleEndianWords({m_firmwareVersion, m_hardwareVersion});
        return true;
    case Request::ProtocolVersions:
        *answer = littleEndianWords({m_protocolVersion, m_protocolRevision});
        return true;
    case Request::ProtocolVersionOld:
        *answer = littleEndianWords({m_protocolVersion});
        return true;
    case Request::SettingsSize:
        *answer = littleEndianWords({quint16(
                m_reportedSettingsSize >= 0 ? m_reportedSettingsSize : m_settingsBlock.size())});
        return true;
    case Request::ReadSettings:
        *answer = m_settingsBlock;
        return true;
    case Request::ExtraWord:
        *answer = littleEndianWords({m_extraWord});
        return true;
    default:
        return false;
    }
}

bool EmulatedSensor::apply(quint8 request, quint16 value, quint16 index, const char *data,
                           quint16 length)
{
    if (settingDefaults().count(request)) {
        m_settings[request] = value;
        return true;
    }
    switch (request) {
    case Request::StartStream:
    case Request::StopStream:
        m_streaming = request == Request::StartStream;
        return true;
    case Request::WriteSettings:
        if (length != SettingsSize || !data)
            return false;
        m_settingsBlock = QByteArray(data, length);
        return true;
    case Request::KernelBegin:
        m_kernelUploading = true;
        m_pendingKernel.clear();
        m_pendingKernelTag = value;
        return true;
    case Request::KernelData:
        // `value` entries of 3 bytes each, after a kernel begin.
        if (!m_kernelUploading || length != 3 * int(value) || (length > 0 && !data))
            return false;
        for (int i = 0; i < int(value); ++i) {
            KernelEntry entry;
            entry.x = qint8(data[3 * i]);
            entry.y = qint8(data[3 * i + 1]);
            entry.weight = quint8(data[3 * i + 2]);
            m_pendingKernel.push_back(entry);
        }
        return true;
    case Request::KernelCommit:
        if (!m_kernelUploading)
            return false;
        m_kernel = m_pendingKernel;
        m_kernelTag = m_pendingKernelTag;
        m_kernelUploading = false;
        m_pendingKernel.clear();
        return true;
    case Request::ModeOne:
    case Request::ModeTwo:
        m_mode = request == Request::ModeOne ? 1 : 2;
        m_modeValue = value;
        m_modeIndex = index;
        return true;
    case Request::Parameter:
        m_parameters[index] = value;
        return true;
    default:
        return false;
    }
}

void EmulatedSensor::failRequest(quint8 request, int times)
{
    if (times == 0)
        m_failures.erase(request);
    else
        m_failures[request] = times < 0 ? AlwaysFail : times;
}

bool EmulatedSensor::consumeFailure(quint8 request)
{
    const auto it = m_failures.find(request);
    if (it == m_failures.end())
        return false;
    if (it->second > 0 && --it->second == 0)
        m_failures.erase(it);
    return true;
}

void EmulatedSensor::setReportedSettingsSize(int size)
{
    m_reportedSettingsSize = std::clamp(size, -1, 0xFFFF);
}

} // namespace LibHardware
