#include "persontable.h"
#include "recordcodec.h"
#include "sqldialect.h"

#include <QSqlQuery>
#include <QVariant>

namespace LibModel {

PersonTable::PersonTable(const QSqlDatabase &db, const SqlDialect &dialect)
    : m_db(db)
    , m_dialect(dialect)
{ }

bool PersonTable::failed(const QSqlQuery &query)
{
    m_error = query.lastError();
    return false;
}

bool PersonTable::load(QList<ShooterRecord> *records)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT person_id, name, organization, group_name, properties "
                                   "FROM persons ORDER BY %1;")
                            .arg(m_dialect.byCharacters("name_uppercase"))))
        return failed(query);
    records->clear();
    while (query.next()) {
        ShooterRecord record;
        record.id = query.value(0).toLongLong();
        record.setName(query.value(1).toString());
        record.setOrganization(query.value(2).toString());
        record.setGroup(query.value(3).toString());
        const QVariant blob = query.value(4);
        if (!blob.isNull()
            && !RecordCodec::decodeProperties(blob.toByteArray(), &record.properties)) {
            m_error = QSqlError(QStringLiteral("a person's record cannot be read"), QString(),
                                QSqlError::StatementError);
            return false;
        }
        record.isDirty = false;
        records->append(record);
    }
    return true;
}

bool PersonTable::write(ShooterRecord &record)
{
    QSqlQuery query(m_db);
    const bool update = record.id != 0;
    const bool prepared = update
            ? query.prepare(QStringLiteral(
                    "UPDATE persons SET name=?, organization=?, group_name=?, name_uppercase=?, "
                    "organization_uppercase=?, group_uppercase=?, properties=? WHERE "
                    "person_id=?;"))
            : query.prepare(m_dialect.insertReturningKey(
                    QStringLiteral("INSERT INTO persons (name, organization, group_name, "
                                   "name_uppercase, organization_uppercase, group_uppercase, "
                                   "properties) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                    "person_id"));
    if (!prepared)
        return failed(query);
    // The columns are NOT NULL: a null text is stored as an empty one.
    const auto text
            = [](const QString &value) { return value.isNull() ? QLatin1String("") : value; };
    query.addBindValue(text(record.name));
    query.addBindValue(text(record.organization));
    query.addBindValue(text(record.group));
    query.addBindValue(text(record.name.toUpper()));
    query.addBindValue(text(record.organization.toUpper()));
    query.addBindValue(text(record.group.toUpper()));
    query.addBindValue(RecordCodec::encodeProperties(record.properties));
    if (update)
        query.addBindValue(record.id);
    if (!query.exec())
        return failed(query);
    if (!update)
        record.id = m_dialect.insertedId(query);
    return true;
}

bool PersonTable::remove(qint64 personId)
{
    QSqlQuery query(m_db);
    if (!query.prepare(QStringLiteral("DELETE FROM persons WHERE person_id=?;")))
        return failed(query);
    query.addBindValue(personId);
    return query.exec() || failed(query);
}

bool PersonTable::distinct(QSqlQuery &query, QStringList *names)
{
    if (!query.exec())
        return failed(query);
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (!name.isEmpty() && (names->isEmpty() || names->constLast() != name))
            names->append(name);
    }
    return true;
}

bool PersonTable::organizations(QStringList *names)
{
    // Grouped rather than DISTINCT: a DISTINCT query may only sort by what it gives.
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    return (query.prepare(QStringLiteral("SELECT organization FROM persons GROUP BY "
                                         "organization, organization_uppercase ORDER BY %1, "
                                         "organization;")
                                  .arg(m_dialect.byCharacters("organization_uppercase")))
            || failed(query))
            && distinct(query, names);
}

bool PersonTable::groups(const QString &organization, QStringList *names)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT group_name FROM persons WHERE "
                                      "organization_uppercase=? GROUP BY group_name, "
                                      "group_uppercase ORDER BY %1, group_name;")
                               .arg(m_dialect.byCharacters("group_uppercase"))))
        return failed(query);
    query.addBindValue(organization.toUpper());
    return distinct(query, names);
}

} // namespace LibModel
