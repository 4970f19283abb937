#include "capturefile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QtEndian>

namespace LibHardware {

namespace {

const QByteArray Magic = QByteArrayLiteral("KAVROCAP");
constexpr qsizetype FixedHeaderSize = 16; // magic, version, header length
constexpr qsizetype RecordHeadSize = 12; // timer, length
// Larger files are refused before being read: an hour of stream is about
// 30 MB, and every record is kept in memory.
constexpr qint64 MaxFileSize = 512LL * 1024 * 1024;
constexpr int SettingsLimit = 26;

bool isHex(const QString &text)
{
    for (const QChar c : text) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool lower = c >= QLatin1Char('a') && c <= QLatin1Char('f');
        const bool upper = c >= QLatin1Char('A') && c <= QLatin1Char('F');
        if (!digit && !lower && !upper)
            return false;
    }
    return true;
}

// A 16-bit unsigned integer field of the device description.
bool readWord(const QJsonObject &object, const char *key, int *value, QString *error)
{
    const QJsonValue field = object.value(QLatin1String(key));
    const double number = field.toDouble(-1.0);
    if (!field.isDouble() || number < 0.0 || number > 65535.0 || number != double(int(number))) {
        *error = QStringLiteral("the device description has no valid \"%1\" (an integer from 0 "
                                "to 65535)")
                         .arg(QLatin1String(key));
        return false;
    }
    *value = int(number);
    return true;
}

bool parseDevice(const QByteArray &json, CaptureFile::Device *device, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("the device description is not valid JSON (%1 at offset %2)")
                         .arg(parseError.errorString())
                         .arg(parseError.offset);
        return false;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("the device description is not a JSON object");
        return false;
    }
    const QJsonObject object = document.object();

    const QString serial = object.value(QLatin1String("serial")).toString();
    if (serial.size() != 16 || !isHex(serial)) {
        *error = QStringLiteral("the device description has no valid \"serial\" (16 hex "
                                "digits expected)");
        return false;
    }
    device->serialNumber = QByteArray::fromHex(serial.toLatin1());

    if (!readWord(object, "productId", &device->productId, error)
        || !readWord(object, "hardwareVersion", &device->hardwareVersion, error)
        || !readWord(object, "firmwareVersion", &device->firmwareVersion, error)
        || !readWord(object, "protocolVersion", &device->protocolVersion, error)
        || !readWord(object, "protocolRevision", &device->protocolRevision, error))
        return false;

    const QJsonValue settingsValue = object.value(QLatin1String("settings"));
    const QString settings = settingsValue.toString();
    if (!settingsValue.isString() || settings.size() % 2 != 0 || settings.size() > 2 * SettingsLimit
        || !isHex(settings)) {
        *error = QStringLiteral("the device description has no valid \"settings\" (hex of at "
                                "most %1 bytes expected)")
                         .arg(SettingsLimit);
        return false;
    }
    device->settings = QByteArray::fromHex(settings.toLatin1());
    return true;
}

} // namespace

CaptureFile::~CaptureFile()
{
    close();
}

bool CaptureFile::create(const QString &path, const Device &device)
{
    close();
    m_error.clear();
    if (device.serialNumber.size() != 8) {
        m_error = QStringLiteral("the serial number must have 8 bytes, not %1")
                          .arg(device.serialNumber.size());
        return false;
    }
    if (device.settings.size() > SettingsLimit) {
        m_error = QStringLiteral("the settings block must have at most %1 bytes, not %2")
                          .arg(SettingsLimit)
                          .arg(device.settings.size());
        return false;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = QStringLiteral("cannot create %1: %2").arg(path, m_file.errorString());
        return false;
    }
    return write(encodeHeader(device));
}

bool CaptureFile::append(qint64 timer, const QByteArray &bytes)
{
    return write(encodeRecord(timer, bytes));
}

bool CaptureFile::write(const QByteArray &bytes)
{
    // Errors stick: once a write failed the file is not a valid capture.
    if (!m_error.isEmpty())
        return false;
    if (!m_file.isOpen()) {
        m_error = QStringLiteral("the capture file is not open");
        return false;
    }
    if (m_file.write(bytes) != bytes.size()) {
        m_error = QStringLiteral("cannot write %1: %2")
                          .arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    return true;
}

bool CaptureFile::flush()
{
    if (!m_error.isEmpty())
        return false;
    if (!m_file.isOpen()) {
        m_error = QStringLiteral("the capture file is not open");
        return false;
    }
    if (!m_file.flush()) {
        m_error = QStringLiteral("cannot write %1: %2")
                          .arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    return true;
}

bool CaptureFile::close()
{
    if (!m_file.isOpen())
        return m_error.isEmpty();
    const bool flushed = flush();
    m_file.close();
    if (flushed && m_file.error() != QFileDevice::NoError) {
        m_error = QStringLiteral("cannot write %1: %2")
                          .arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    return flushed;
}

bool CaptureFile::isOpen() const
{
    return m_file.isOpen();
}

QString CaptureFile::errorString() const
{
    return m_error;
}

bool CaptureFile::read(const QString &path, Contents *contents, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > MaxFileSize) {
        *error = QStringLiteral("%1 is too large for a capture (%2 bytes, at most %3)")
                         .arg(path)
                         .arg(file.size())
                         .arg(MaxFileSize);
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    return parse(data, contents, error);
}

bool CaptureFile::parse(const QByteArray &data, Contents *contents, QString *error)
{
    *contents = Contents();
    error->clear();
    const char *bytes = data.constData();
    const qsizetype size = data.size();

    if (size < Magic.size() || !data.startsWith(Magic)) {
        *error = QStringLiteral("not a capture file (no \"KAVROCAP\" at the start)");
        return false;
    }
    if (size < FixedHeaderSize) {
        *error = QStringLiteral("the file ends inside the capture header");
        return false;
    }
    const quint32 version = qFromLittleEndian<quint32>(bytes + 8);
    if (version != FormatVersion) {
        *error = QStringLiteral("unknown capture format version %1 (this program reads "
                                "version %2)")
                         .arg(version)
                         .arg(FormatVersion);
        return false;
    }
    const quint32 headerLength = qFromLittleEndian<quint32>(bytes + 12);
    if (headerLength > MaxHeaderLength) {
        *error = QStringLiteral("implausible device description length %1 (at most %2)")
                         .arg(headerLength)
                         .arg(MaxHeaderLength);
        return false;
    }
    if (qsizetype(headerLength) > size - FixedHeaderSize) {
        *error = QStringLiteral("the file ends inside the device description (%1 bytes "
                                "announced, %2 present)")
                         .arg(headerLength)
                         .arg(size - FixedHeaderSize);
        return false;
    }
    if (!parseDevice(data.mid(FixedHeaderSize, headerLength), &contents->device, error))
        return false;

    qsizetype position = FixedHeaderSize + qsizetype(headerLength);
    while (position < size) {
        const qsizetype remaining = size - position;
        const qsizetype number = qsizetype(contents->records.size()) + 1;
        if (remaining < RecordHeadSize) {
            *error = QStringLiteral("the capture is truncated: the file ends inside the head of "
                                    "record %1 at offset %2")
                             .arg(number)
                             .arg(position);
            contents->truncated = true;
            break;
        }
        const qint64 timer = qFromLittleEndian<qint64>(bytes + position);
        const quint32 length = qFromLittleEndian<quint32>(bytes + position + 8);
        if (length > MaxRecordLength) {
            *error = QStringLiteral("the capture is damaged: record %1 at offset %2 announces %3 "
                                    "bytes, more than the limit of %4")
                             .arg(number)
                             .arg(position)
                             .arg(length)
                             .arg(MaxRecordLength);
            contents->truncated = true;
            break;
        }
        if (qsizetype(length) > remaining - RecordHeadSize) {
            *error = QStringLiteral("the capture is truncated: record %1 at offset %2 announces "
                                    "%3 bytes but only %4 remain")
                             .arg(number)
                             .arg(position)
                             .arg(length)
                             .arg(remaining - RecordHeadSize);
            contents->truncated = true;
            break;
        }
        contents->records.push_back({timer, data.mid(position + RecordHeadSize, length)});
        position += RecordHeadSize + qsizetype(length);
    }
    return true;
}

QByteArray CaptureFile::encodeHeader(const Device &device)
{
    const QByteArray json = deviceJson(device);
    QByteArray header = Magic;
    header.resize(FixedHeaderSize);
    qToLittleEndian<quint32>(FormatVersion, header.data() + 8);
    qToLittleEndian<quint32>(quint32(json.size()), header.data() + 12);
    return header + json;
}

QByteArray CaptureFile::encodeRecord(qint64 timer, const QByteArray &bytes)
{
    QByteArray record(RecordHeadSize, '\0');
    qToLittleEndian<qint64>(timer, record.data());
    qToLittleEndian<quint32>(quint32(bytes.size()), record.data() + 8);
    return record + bytes;
}

QByteArray CaptureFile::deviceJson(const Device &device)
{
    // Written by hand to keep the documented key order (QJsonDocument
    // sorts keys); every value is a number or a hex string, so nothing
    // needs escaping.
    const auto number = [](int value) { return QByteArray::number(value); };
    return QByteArrayLiteral("{\"serial\":\"") + device.serialNumber.toHex()
            + QByteArrayLiteral("\",\"productId\":") + number(device.productId)
            + QByteArrayLiteral(",\"hardwareVersion\":") + number(device.hardwareVersion)
            + QByteArrayLiteral(",\"firmwareVersion\":") + number(device.firmwareVersion)
            + QByteArrayLiteral(",\"protocolVersion\":") + number(device.protocolVersion)
            + QByteArrayLiteral(",\"protocolRevision\":") + number(device.protocolRevision)
            + QByteArrayLiteral(",\"settings\":\"") + device.settings.toHex()
            + QByteArrayLiteral("\"}");
}

QByteArray CaptureFile::streamRecord(const QByteArray &payload)
{
    QByteArray record(5, '\0');
    record[0] = char(0x88);
    qToLittleEndian<qint32>(qint32(payload.size()), record.data() + 1);
    return record + payload;
}

} // namespace LibHardware
