#pragma once

#include "abstractstorage.h"
#include "shooterrecord.h"
#include "sqldialect.h"
#include "storagelocation.h"

#include <QObject>
#include <QSqlDatabase>
#include <QStringList>

#include <functional>

class QSqlError;

namespace LibModel {

class Session;
class SessionInfoModel;
class ShooterModel;

Q_MOC_INCLUDE("sessioninfomodel.h")
Q_MOC_INCLUDE("shootermodel.h")

// The database of persons, sessions, traces and shots: a SQLite file or a
// PostgreSQL server that several PCs share. Writes a whole session in one
// transaction, reads sessions back, lists them for the archive and the
// competition tables, keeps the person list and the organisation and
// competition lists current, and deletes sessions and persons. Statements
// run synchronously on the thread that owns the storage: each thread that
// touches the database has a Storage of its own (the program's GUI
// connection, its delivery and archive workers).
class Storage : public AbstractStorage
{
    Q_OBJECT
    Q_PROPERTY(QStringList organizations READ organizations NOTIFY organizationsChanged)
    Q_PROPERTY(QStringList competitions READ competitions NOTIFY competitionsChanged)
    Q_PROPERTY(QStringList competitionsGto READ competitionsGto NOTIFY competitionsGtoChanged)
    Q_PROPERTY(LibModel::ShooterModel *shooters READ shooters CONSTANT)

public:
    static constexpr int SchemaVersion = 3;

    explicit Storage(QObject *parent = nullptr);
    // Removes the database connection.
    ~Storage() override;

    // Opens (creating when absent) and upgrades the database, then loads
    // the person, organisation and competition lists. Refuses, writing
    // nothing, another program's database and one of a newer version.
    bool open(const StorageLocation &location, const QString &connectionName);
    // A file path or a server's URI (see StorageLocation).
    bool open(const QString &pathOrUri, const QString &connectionName);
    // Closes and opens the same database again (after a fault such as a
    // read-only or vanished file or a lost server has gone); reloads the
    // lists on success.
    bool reopen();
    bool isOpen() const;
    // The text the database was opened with.
    QString path() const { return m_path; }
    StorageLocation location() const { return m_dialect.location(); }
    // How long a statement waits on another connection's lock, in ms;
    // negative: the driver's default (5 s). Applies now and on later opens.
    void setBusyTimeout(int msecs);
    int busyTimeout() const { return m_busyTimeout; }
    QString connectionName() const { return m_connectionName; }
    // A connection name no other connection of the process has: names are
    // process-wide, and a second connection under a name in use replaces
    // the first under the feet of the thread that uses it.
    static QString uniqueConnectionName(const QString &prefix);
    // Closes and forgets the connection (before the file is deleted).
    void removeConnection();

    QStringList organizations() const;
    QStringList competitions() const { return m_competitions; }
    QStringList competitionsGto() const { return m_competitionsGto; }
    ShooterModel *shooters() const { return m_shooters; }

    // Writes the session in one transaction; a shooter not stored yet
    // (id 0) is found or created by name, organisation and group first.
    // A connection that a read-only file, an I/O error, a vanished file or
    // a lost server made useless is opened anew first; a missing file is not
    // made anew.
    bool write(Session *session) override;
    bool hasSession(const QString &uuid, bool *ok) override;
    QString lastError() const override { return m_lastError; }
    // Forgets the last error, so that a caller can tell whether a series of
    // calls (an import) met a new one.
    void clearLastError() { m_lastError.clear(); }
    ShooterRecord findShooter(const QString &name, const QString &organization,
                              const QString &group) override;
    ShooterRecord createShooter(const QString &name, const QString &organization,
                                const QString &group, const QVariantHash &properties) override;
    ShooterRecord findShooterById(qint64 id) const;
    // Inserts or updates the person; the record gets its id and is clean
    // afterwards.
    bool writeShooter(ShooterRecord &record);

    bool reloadShooters();
    bool reloadOrganizations();
    bool reloadCompetitions();

    Q_INVOKABLE LibModel::Session *readSession(uint id);
    Q_INVOKABLE bool deleteSession(const QString &uuid);
    Q_INVOKABLE bool deleteShooter(uint personId);
    Q_INVOKABLE LibModel::SessionInfoModel *sessions(qlonglong personId);
    Q_INVOKABLE LibModel::SessionInfoModel *sessions();
    Q_INVOKABLE LibModel::SessionInfoModel *
    sessionsByCompetitionName(const QString &competitionName, bool isGto);
    // Not settled what these should list: they give no model.
    Q_INVOKABLE LibModel::SessionInfoModel *sessionsByDate(int year, int month, int day,
                                                           const QString &competitionName);
    Q_INVOKABLE LibModel::SessionInfoModel *sessionsByDate(int year, int month, int day);
    Q_INVOKABLE LibModel::SessionInfoModel *sessionsByDate(int year, int month);
    Q_INVOKABLE LibModel::SessionInfoModel *sessionsByDate(int year);
    Q_INVOKABLE LibModel::SessionInfoModel *sessionsByDate();
    // The competition names of the sessions of a day and the next one.
    Q_INVOKABLE QStringList sessionsByDateName(int year, int month, int day);
    Q_INVOKABLE QStringList sessionsByDateName(int year, int month);
    Q_INVOKABLE QStringList sessionsByDateName(int year);
    Q_INVOKABLE QStringList sessionsByDateName();
    Q_INVOKABLE QStringList groups(const QString &organization);
    Q_INVOKABLE uint lookupShooter(const QString &name, const QString &organization,
                                   const QString &group);
    // Adds the persons of a JSON file; 0 on success, 1..4 for a file that
    // cannot be read, is no JSON, is no array or is an empty array.
    Q_INVOKABLE int addShootersFromJSON(const QString &filename);

    // Counts of the rows of the four tables and the schema version.
    struct Statistics
    {
        int userVersion = -1;
        qint64 persons = 0, sessions = 0, traces = 0, shots = 0;
    };
    bool statistics(Statistics *statistics) const;

    // Runs a reader's own queries on this storage's connection, with its
    // engine's dialect; a server connection that was lost is made anew
    // first. False when that fails or the reader does.
    bool readWith(const std::function<bool(const QSqlDatabase &, const SqlDialect &)> &reader);

signals:
    void organizationsChanged();
    void competitionsChanged();
    void competitionsGtoChanged();

private:
    QSqlDatabase database() const;
    bool writeSessionWithShooter(Session *session);
    // Keeps the error for lastError() and notes whether the connection
    // should be opened anew before the next write; false.
    bool noteError(const QSqlError &error);
    // Opens the connection anew when a fault needs that; false when the
    // file is missing or does not open.
    bool prepareWrite();
    // Before a read: a server connection that was lost is made anew.
    bool prepareRead();
    // Runs an attempt again on a new connection when a server connection
    // turned out lost during it (a server that went away and came back).
    template<typename Attempt>
    bool reconnecting(Attempt attempt);
    bool openWith(const StorageLocation &location, const QString &connectionName,
                  const QString &options);
    // A person's row written (inside the caller's transaction, if any).
    bool writePerson(ShooterRecord &record);
    // The persons, organisations and competitions read again.
    bool reloadPersonLists();
    bool runAll(const QStringList &statements);
    // Runs the deletion in a transaction and reloads the lists.
    template<typename Deletion>
    bool deleting(Deletion deletion);
    bool reloadAfterDelete();

    QString m_connectionName;
    QString m_path;
    SqlDialect m_dialect;
    SqlDialect::Failure m_lastFailure = SqlDialect::NoFailure;
    QString m_lastError;
    int m_busyTimeout = -1;
    bool m_reopenBeforeWrite = false;
    QStringList m_organizations; // without the "all organisations" entry
    QStringList m_competitions;
    QStringList m_competitionsGto;
    ShooterModel *m_shooters;
};

} // namespace LibModel
