#pragma once

#include "shooterrecord.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>

class QSqlQuery;

namespace LibModel {

class SqlDialect;

// The rows of the persons table: all persons, one written, one deleted, the
// organisations and the groups of one. Names are compared by their upper
// case columns, which the writes keep.
class PersonTable
{
public:
    PersonTable(const QSqlDatabase &db, const SqlDialect &dialect);

    bool load(QList<ShooterRecord> *records);
    // Inserts (the record gets its id) or updates the person.
    bool write(ShooterRecord &record);
    bool remove(qint64 personId);
    // The distinct non-empty organisations, by their upper case.
    bool organizations(QStringList *names);
    bool groups(const QString &organization, QStringList *names);

    QSqlError error() const { return m_error; }

private:
    bool distinct(QSqlQuery &query, QStringList *names);
    bool failed(const QSqlQuery &query);

    QSqlDatabase m_db;
    const SqlDialect &m_dialect;
    QSqlError m_error;
};

} // namespace LibModel
