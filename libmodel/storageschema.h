#pragma once

#include <QSqlDatabase>

namespace LibModel {

class SqlDialect;

// Creates the database schema in a new file or server database and brings
// files of earlier versions (1 and 2) up to the current version 3, one
// committed step at a time. The statement texts are the file format: SQLite
// keeps them verbatim in sqlite_master, so they must never change. A server
// database starts at version 3 (there were no older ones).
class StorageSchema
{
public:
    StorageSchema() = delete;

    static constexpr int CurrentVersion = 3;

    // The stored version (0: an empty database), or -1 when it cannot be
    // read or the database is another program's.
    static int version(const QSqlDatabase &db, const SqlDialect &dialect);
    // False with *error when the database is another program's, newer than
    // this program, or a step fails: nothing is changed then, except that
    // earlier committed steps stay.
    static bool upgrade(QSqlDatabase &db, const SqlDialect &dialect, QString *error);
};

} // namespace LibModel
