#pragma once

#include <QStringList>

class QTextStream;

namespace LibModel {
class Storage;
}

// The commands that read and fill the database given by --db PATH:
//   db info, import-shooters FILE, shooters, sessions, export.
// Each opens the file through the storage, so the schema upgrade runs, and
// prints JSON Lines (export --format csv: a table) on out.
class DatabaseCommands
{
public:
    // db info: the schema version and the row counts of the four tables.
    static int info(const QStringList &arguments, QTextStream &out);
    // import-shooters FILE: the import's result code, printed and returned.
    static int importShooters(const QStringList &arguments, QTextStream &out);
    // shooters: one line per person.
    static int shooters(const QStringList &arguments, QTextStream &out);
    // sessions [--person ID | --competition NAME [--gto]]: one line per
    // summary row.
    static int sessions(const QStringList &arguments, QTextStream &out);
    // export --session ID [--format json|csv]: one session with its traces
    // and shots.
    static int exportSession(const QStringList &arguments, QTextStream &out);

    // Opens the database file for a command under the connection name
    // "kavro". A missing file is created only when create is set. Returns an
    // error text, empty on success.
    static QString open(LibModel::Storage &storage, const QString &path, bool create);
};
