#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QVariant>

// A JSON object written as compact text with its keys in insertion order
// (QJsonObject sorts them), so that output lines keep the documented key
// order. Values go through QJsonValue, which does the escaping; the static
// helpers turn NaN and infinities into null.
class OrderedJsonObject
{
public:
    OrderedJsonObject &insert(const QString &key, const QJsonValue &value);
    OrderedJsonObject &insert(const QString &key, const OrderedJsonObject &object);
    OrderedJsonObject &insert(const QString &key, const QList<OrderedJsonObject> &objects);

    // The compact text, e.g. {"b":1,"a":null}.
    QByteArray toJson() const;

    // A finite number, or null.
    static QJsonValue number(double value);
    // A single-precision value by its shortest decimal form (0.1f gives 0.1,
    // not 0.10000000149011612), or null when not finite.
    static QJsonValue number(float value);
    // Any property value: numbers as numbers (64-bit integers exactly, NaN as
    // null), lists as arrays, maps as objects with sorted keys, an invalid
    // value as null; other types as QJsonValue::fromVariant converts them.
    static QJsonValue fromVariant(const QVariant &value);

private:
    OrderedJsonObject &insertText(const QString &key, const QByteArray &json);

    QByteArray m_members; // "key":value pairs separated by commas
};
