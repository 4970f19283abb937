#pragma once

#include <QStringList>

class QTextStream;

namespace LibModel {
class Storage;
class StorageLocation;
} // namespace LibModel

// The commands that read and fill the database given by --db DB (a file
// path or a PostgreSQL server's URI):
//   db info, db deliver, import-shooters FILE, shooters, sessions, export.
// Each opens the database through the storage, so the schema upgrade runs,
// and prints JSON Lines (export --format csv: a table) on out.
class DatabaseCommands
{
public:
    // The longest a statement of the tool waits on another connection's
    // lock, in ms.
    static constexpr int LockWait = 1000;

    // db info: the schema version, the row counts of the four tables and
    // the files in the outbox (pending and rejected).
    static int info(const QStringList &arguments, QTextStream &out);
    // db deliver: stores the sessions waiting in the outbox; exit code 0
    // when none is left pending.
    static int deliver(const QStringList &arguments, QTextStream &out);
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

    // Opens the database (a file path or a URI) for a command under the
    // connection name "kavro" unless told another, waiting at most a second
    // on another connection's lock. A missing file is created only when
    // create is set. Returns an error text on one line, empty on success.
    static QString open(LibModel::Storage &storage, const QString &database, bool create,
                        const QString &connectionName = QString());
    // The outbox folder of a database: beside a file, in the program's data
    // folder for a server (the tool has the program's names, so both use the
    // same folder).
    static QString outboxFolder(const LibModel::StorageLocation &location);
};
