#pragma once

#include <QSqlDatabase>

namespace LibModel {

// Creates the database schema in a new file and brings files of earlier
// versions (1 and 2) up to the current version 3, one committed step at a
// time. The statement texts are the file format: SQLite keeps them verbatim
// in sqlite_master, so they must never change.
class StorageSchema
{
public:
    StorageSchema() = delete;

    static constexpr int CurrentVersion = 3;

    // The file's user_version, or -1 when it cannot be read.
    static int version(const QSqlDatabase &db);
    // False when the file is newer than this program or a step fails; a
    // failed step is rolled back, earlier committed steps stay.
    static bool upgrade(QSqlDatabase &db);
};

} // namespace LibModel
