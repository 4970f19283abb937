#include "shooterimport.h"
#include "storage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace LibModel {

namespace {

// Stores `key` of `entry` in `properties` when it is a string; false when it
// is not (absent included).
bool takeString(const QJsonObject &entry, const char *key, QVariantHash *properties)
{
    const QJsonValue value = entry.value(QLatin1String(key));
    if (!value.isString())
        return false;
    properties->insert(QLatin1String(key), value.toString());
    return true;
}

} // namespace

int ShooterImport::importFile(const QString &filename, Storage *storage)
{
    QFile file(filename);
    if (!file.open(QIODevice::ReadOnly))
        return CannotOpen;
    return importData(file.readAll(), storage);
}

int ShooterImport::importData(const QByteArray &data, Storage *storage, int *added)
{
    if (added)
        *added = 0;
    const QJsonDocument document = QJsonDocument::fromJson(data);
    if (document.isNull())
        return NotJson;
    if (!document.isArray())
        return NotAnArray;
    const QJsonArray array = document.array();
    if (array.isEmpty())
        return EmptyArray;

    for (const QJsonValue &element : array) {
        const QJsonObject entry = element.toObject();
        if (!element.isObject() || entry.isEmpty())
            continue;
        const QJsonValue name = entry.value(QLatin1String("name"));
        const QJsonValue organization = entry.value(QLatin1String("organization"));
        const QJsonValue isGto = entry.value(QLatin1String("isGto"));
        if (!name.isString() || !organization.isString() || !isGto.isBool())
            continue;

        QVariantHash properties;
        if (isGto.toBool()) {
            if (!takeString(entry, "birthDate", &properties)
                || !takeString(entry, "sex", &properties) || !takeString(entry, "step", &properties)
                || !takeString(entry, "gtoUuid", &properties))
                continue;
            takeString(entry, "pectoralNumber", &properties);
            takeString(entry, "athleticRank", &properties);
        }
        const QJsonValue group = entry.value(QLatin1String("group"));
        if (!group.isString())
            continue;

        const bool known
                = storage->findShooter(name.toString(), organization.toString(), group.toString())
                          .id
                != 0;
        const ShooterRecord person = storage->createShooter(
                name.toString(), organization.toString(), group.toString(), properties);
        if (added && !known && person.id != 0)
            ++*added;
    }
    return Imported;
}

} // namespace LibModel
