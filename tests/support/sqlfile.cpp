#include "sqlfile.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Runs the statements on a connection of its own: the first value of the
// last one's result, invalid (and `ok` false, with a warning) on a failure.
QVariant run(const QString &path, const QStringList &statements, bool *ok)
{
    static int counter = 0;
    const QString name = QStringLiteral("sqlfile-%1").arg(++counter);
    QVariant result;
    *ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery query(db);
        for (const QString &statement : statements) {
            if (!query.exec(statement)) {
                qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
                *ok = false;
                break;
            }
        }
        if (*ok && query.next())
            result = query.value(0);
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace

QVariant SqlFile::value(const QString &path, const QString &statement)
{
    bool ok = false;
    return run(path, {statement}, &ok);
}

bool SqlFile::exec(const QString &path, const QStringList &statements)
{
    bool ok = false;
    run(path, statements, &ok);
    return ok;
}
