#include "recordcodec.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <cstring>
#include <new>

namespace LibModel {

namespace {

constexpr int MaxNesting = 32;
constexpr qint64 SampleSize = 14; // x, y, z as floats and a 16-bit trigger

QDataStream &prepare(QDataStream &stream)
{
    stream.setByteOrder(QDataStream::BigEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    stream.setVersion(QDataStream::Qt_5_15);
    return stream;
}

quint32 floatBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float bitsFloat(quint32 bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

qint64 remaining(const QDataStream &stream)
{
    const QIODevice *device = stream.device();
    return device->size() - device->pos();
}

bool readHeader(QDataStream &stream)
{
    quint32 magic = 0;
    qint32 format = 0;
    stream >> magic >> format;
    return stream.status() == QDataStream::Ok && magic == RecordCodec::Magic
            && format == RecordCodec::Format;
}

// The types other than the containers above that a property map of the
// program holds: numbers, texts, bytes, dates, points and the like, each of
// a bounded or chunked size on the stream. Everything else is refused: the
// GUI types (an image, a pixmap, ...) would decode arbitrary pictures and
// abort without a GUI application, and the toolkit's readers of other types
// (byte array lists, easing curves, CBOR, ...) reserve room for whatever
// count the data claims. The ids are those of stream version 5.15, which
// for these types are the toolkit's own.
bool isStoredScalarType(quint32 typeId)
{
    switch (typeId) {
    case QMetaType::UnknownType: // an invalid (null) variant
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::QChar:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
    case QMetaType::QUrl:
    case QMetaType::QUuid:
    case QMetaType::QPoint:
    case QMetaType::QPointF:
    case QMetaType::QSize:
    case QMetaType::QSizeF:
    case QMetaType::QRect:
    case QMetaType::QRectF:
    case QMetaType::QLine:
    case QMetaType::QLineF:
        return true;
    default:
        return false;
    }
}

// Reads one variant as QVariant's stream operator would, but for the
// container types it checks every element count against the remaining
// bytes first (the toolkit's reader reserves room for whatever count the
// data claims). Types without a count are left to the toolkit's reader.
bool readVariant(QDataStream &stream, QVariant *value, int depth);

// A QVariantHash or QVariantMap: a count, then key and variant pairs.
template<class Map>
bool readMap(QDataStream &stream, Map *map, int depth)
{
    quint32 count = 0;
    stream >> count;
    // Each entry needs at least a key length and a variant header.
    if (stream.status() != QDataStream::Ok || qint64(count) * 9 > remaining(stream))
        return false;
    map->clear();
    for (quint32 i = 0; i < count; ++i) {
        QString key;
        QVariant item;
        stream >> key;
        if (stream.status() != QDataStream::Ok || !readVariant(stream, &item, depth + 1))
            return false;
        map->insert(key, item);
    }
    return true;
}

bool readVariant(QDataStream &stream, QVariant *value, int depth)
{
    if (depth > MaxNesting)
        return false;
    const qint64 start = stream.device()->pos();
    quint32 typeId = 0;
    qint8 isNull = 0;
    stream >> typeId >> isNull;
    if (stream.status() != QDataStream::Ok)
        return false;

    switch (typeId) {
    case QMetaType::QVariantList: {
        quint32 count = 0;
        stream >> count;
        if (stream.status() != QDataStream::Ok || qint64(count) * 5 > remaining(stream))
            return false;
        QVariantList list;
        list.reserve(count);
        for (quint32 i = 0; i < count; ++i) {
            QVariant item;
            if (!readVariant(stream, &item, depth + 1))
                return false;
            list.append(item);
        }
        *value = isNull ? QVariant(QMetaType(QMetaType::QVariantList)) : QVariant(list);
        return true;
    }
    case QMetaType::QStringList: {
        quint32 count = 0;
        stream >> count;
        if (stream.status() != QDataStream::Ok || qint64(count) * 4 > remaining(stream))
            return false;
        QStringList list;
        list.reserve(count);
        for (quint32 i = 0; i < count; ++i) {
            QString item;
            stream >> item;
            if (stream.status() != QDataStream::Ok)
                return false;
            list.append(item);
        }
        *value = isNull ? QVariant(QMetaType(QMetaType::QStringList)) : QVariant(list);
        return true;
    }
    case QMetaType::QVariantHash: {
        QVariantHash hash;
        if (!readMap(stream, &hash, depth))
            return false;
        *value = isNull ? QVariant(QMetaType(QMetaType::QVariantHash)) : QVariant(hash);
        return true;
    }
    case QMetaType::QVariantMap: {
        QVariantMap map;
        if (!readMap(stream, &map, depth))
            return false;
        *value = isNull ? QVariant(QMetaType(QMetaType::QVariantMap)) : QVariant(map);
        return true;
    }
    default:
        if (!isStoredScalarType(typeId))
            return false;
        // Everything else (numbers, texts, dates, ...) reads in bounded
        // steps: hand the whole variant to the toolkit.
        stream.device()->seek(start);
        stream >> *value;
        return stream.status() == QDataStream::Ok;
    }
}

} // namespace

bool RecordCodec::readProperties(QDataStream &stream, QVariantHash *properties)
{
    QVariantHash hash;
    bool ok = false;
    try {
        ok = readMap(stream, &hash, 0) && stream.status() == QDataStream::Ok;
    } catch (const std::bad_alloc &) { }
    if (!ok) {
        stream.setStatus(QDataStream::ReadCorruptData);
        return false;
    }
    *properties = hash;
    return true;
}

QByteArray RecordCodec::uncompress(const QByteArray &blob)
{
    if (blob.size() < 4)
        return QByteArray();
    // zlib cannot expand data by more than about 1032 times.
    const qint64 claimed = qFromBigEndian<quint32>(blob.constData());
    if (claimed > MaxUncompressedSize || claimed > (qint64(blob.size()) - 4) * 1032 + 64)
        return QByteArray();
    return qUncompress(blob);
}

QByteArray RecordCodec::encodeProperties(const QVariantHash &properties)
{
    QByteArray bytes;
    {
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        prepare(stream);
        stream << Magic << Format;
        // Entries from the last to the first, as earlier installations did.
        QList<QVariantHash::const_iterator> entries;
        entries.reserve(properties.size());
        for (auto it = properties.cbegin(); it != properties.cend(); ++it)
            entries.append(it);
        stream << quint32(properties.size());
        for (auto it = entries.crbegin(); it != entries.crend(); ++it)
            stream << (*it).key() << (*it).value();
    }
    return qCompress(bytes, 1);
}

bool RecordCodec::decodeProperties(const QByteArray &blob, QVariantHash *properties)
{
    properties->clear();
    const QByteArray bytes = uncompress(blob);
    if (bytes.isEmpty())
        return false;
    QDataStream stream(bytes);
    prepare(stream);
    return readHeader(stream) && readProperties(stream, properties);
}

QByteArray RecordCodec::encodeSamples(const QVector<TraceSample> &samples)
{
    // The stream record written byte by byte: the same bytes the data stream
    // would give, without its cost per value.
    QByteArray bytes(12 + samples.size() * SampleSize, Qt::Uninitialized);
    char *out = bytes.data();
    qToBigEndian<quint32>(Magic, out);
    qToBigEndian<qint32>(Format, out + 4);
    qToBigEndian<qint32>(qint32(samples.size()), out + 8);
    out += 12;
    for (const TraceSample &sample : samples) {
        qToBigEndian<quint32>(floatBits(sample.x), out);
        qToBigEndian<quint32>(floatBits(sample.y), out + 4);
        qToBigEndian<quint32>(floatBits(sample.z), out + 8);
        qToBigEndian<quint16>(quint16(sample.trigger & 0xFFFF), out + 12);
        out += SampleSize;
    }
    return qCompress(bytes, 1);
}

qint64 RecordCodec::encodedSampleCount(const QByteArray &blob)
{
    if (blob.size() < 4)
        return -1;
    const qint64 size = qFromBigEndian<quint32>(blob.constData());
    return size >= 12 && (size - 12) % SampleSize == 0 ? (size - 12) / SampleSize : -1;
}

bool RecordCodec::decodeSamples(const QByteArray &blob, QVector<TraceSample> *samples)
{
    samples->clear();
    const QByteArray bytes = uncompress(blob);
    if (bytes.size() < 12)
        return false;
    const char *in = bytes.constData();
    const qint32 count = qFromBigEndian<qint32>(in + 8);
    if (qFromBigEndian<quint32>(in) != Magic || qFromBigEndian<qint32>(in + 4) != Format
        || count < 0 || qint64(count) * SampleSize > qint64(bytes.size()) - 12)
        return false;
    samples->resize(count);
    in += 12;
    for (TraceSample &sample : *samples) {
        sample.x = bitsFloat(qFromBigEndian<quint32>(in));
        sample.y = bitsFloat(qFromBigEndian<quint32>(in + 4));
        sample.z = bitsFloat(qFromBigEndian<quint32>(in + 8));
        sample.trigger = qFromBigEndian<qint16>(in + 12);
        in += SampleSize;
    }
    return true;
}

} // namespace LibModel
