#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// Statements on a database file through a connection of its own, outside
// the storage, e.g. to check what was written or to build an old file.
class SqlFile
{
public:
    SqlFile() = delete;

    // The first column of the first row; invalid after an error or no row.
    static QVariant value(const QString &path, const QString &statement);
    // Runs the statements in order; false (with a warning naming the
    // statement) at the first that fails.
    static bool exec(const QString &path, const QStringList &statements);
};
