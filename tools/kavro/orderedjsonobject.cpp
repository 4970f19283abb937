#include "orderedjsonobject.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

// The compact text of any JSON value, by way of a one-element array.
QByteArray valueText(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray {value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QJsonObject objectFrom(const QVariantHash &hash)
{
    QJsonObject object;
    for (auto it = hash.cbegin(); it != hash.cend(); ++it)
        object.insert(it.key(), OrderedJsonObject::fromVariant(it.value()));
    return object;
}

QJsonObject objectFrom(const QVariantMap &map)
{
    QJsonObject object;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        object.insert(it.key(), OrderedJsonObject::fromVariant(it.value()));
    return object;
}

} // namespace

OrderedJsonObject &OrderedJsonObject::insertText(const QString &key, const QByteArray &json)
{
    if (!m_members.isEmpty())
        m_members += ',';
    m_members += valueText(QJsonValue(key));
    m_members += ':';
    m_members += json;
    return *this;
}

OrderedJsonObject &OrderedJsonObject::insert(const QString &key, const QJsonValue &value)
{
    return insertText(key, valueText(value));
}

OrderedJsonObject &OrderedJsonObject::insert(const QString &key, const OrderedJsonObject &object)
{
    return insertText(key, object.toJson());
}

OrderedJsonObject &OrderedJsonObject::insert(const QString &key,
                                             const QList<OrderedJsonObject> &objects)
{
    QByteArray array = "[";
    for (const OrderedJsonObject &object : objects) {
        if (array.size() > 1)
            array += ',';
        array += object.toJson();
    }
    array += ']';
    return insertText(key, array);
}

QByteArray OrderedJsonObject::toJson() const
{
    return '{' + m_members + '}';
}

QJsonValue OrderedJsonObject::number(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonValue OrderedJsonObject::number(float value)
{
    if (!std::isfinite(value))
        return QJsonValue(QJsonValue::Null);
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    // The double nearest to the shortest text prints as that same text.
    return QJsonValue(QByteArray(text, int(result.ptr - text)).toDouble());
}

QJsonValue OrderedJsonObject::fromVariant(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QJsonValue(QJsonValue::Null);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return QJsonValue(value.toBool());
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QJsonValue(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong unsignedValue = value.toULongLong();
        if (unsignedValue <= qulonglong(std::numeric_limits<qint64>::max()))
            return QJsonValue(qint64(unsignedValue));
        return QJsonValue(double(unsignedValue));
    }
    case QMetaType::Float:
        return number(value.toFloat());
    case QMetaType::Double:
        return number(value.toDouble());
    case QMetaType::QString:
        return QJsonValue(value.toString());
    case QMetaType::QVariantHash:
        return objectFrom(value.toHash());
    case QMetaType::QVariantMap:
        return objectFrom(value.toMap());
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QJsonArray array;
        const QVariantList list = value.toList();
        for (const QVariant &element : list)
            array.append(fromVariant(element));
        return array;
    }
    default:
        return QJsonValue::fromVariant(value);
    }
}
