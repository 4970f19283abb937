#pragma once

#include <storagelocation.h>

#include <QObject>
#include <QString>
#include <QStringList>

class QThread;

// Where the program's database is and the settings page's choice of it:
// the data folder's file (the default), another file, or a club's server.
// The program takes it from --database DB, else from the setting
// "storage/database", else the default file. The page checks an address on
// a thread of its own (the GUI never waits on a connection) and stores a
// valid one; the program uses a newly stored one from its next start.
// Passwords never get into the setting: an address with one is refused.
class DatabaseSettings : public QObject
{
    Q_OBJECT
    // The database in use: whether on a server, and its address or file.
    Q_PROPERTY(bool serverInUse READ serverInUse CONSTANT)
    Q_PROPERTY(QString inUse READ inUse CONSTANT)
    // What the setting holds (empty: the default file).
    Q_PROPERTY(QString stored READ stored NOTIFY storedChanged)
    Q_PROPERTY(QString defaultFile READ defaultFile CONSTANT)
    // The stored choice differs from the one in use: a restart applies it.
    Q_PROPERTY(bool restartNeeded READ restartNeeded NOTIFY storedChanged)
    Q_PROPERTY(bool checking READ checking NOTIFY checkingChanged)
    // The answer of the last check or apply, and whether it was a failure.
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(bool failed READ failed NOTIFY messageChanged)

public:
    static QString settingKey() { return QStringLiteral("storage/database"); }
    // The database file in the program's data folder.
    static QString defaultFile();
    // The database of this run: the --database option taken by configure(),
    // else the setting, else the default file. A malformed setting falls
    // back to the default file.
    static LibModel::StorageLocation location();
    // Takes "--database DB" or "--database=DB" from the program's
    // arguments; false with an error text for a missing or malformed one.
    static bool configure(const QStringList &arguments, QString *error);
    // The location given on the command line, invalid when none was.
    static LibModel::StorageLocation option();
    // Forgets the command line's location.
    static void clearOption();

    explicit DatabaseSettings(const LibModel::StorageLocation &inUse, QObject *parent = nullptr);
    // Waits for a check under way.
    ~DatabaseSettings() override;

    bool serverInUse() const { return m_inUse.isServer(); }
    QString inUse() const { return m_inUse.text(); }
    QString stored() const;
    bool restartNeeded() const;
    bool checking() const { return m_thread != nullptr; }
    QString message() const { return m_message; }
    bool failed() const { return m_failed; }

    // Connects to the database on a thread of its own and reports, through
    // message(), its schema version and counts or why it cannot be used. A
    // missing file is not made. False when the address is refused at once
    // or a check is under way.
    Q_INVOKABLE bool check(bool server, const QString &text);
    // Stores the choice; false, storing nothing, for an address that does
    // not fit it. An empty file name is the default file.
    Q_INVOKABLE bool apply(bool server, const QString &text);

signals:
    void storedChanged();
    void checkingChanged();
    void messageChanged();
    // A check came back.
    void checked(bool ok);

private:
    // The location the page means; invalid with *why when it cannot be used.
    static LibModel::StorageLocation resolve(bool server, const QString &text, QString *why);
    void report(const QString &message, bool failed);
    void finishCheck(bool ok, const QString &message);

    LibModel::StorageLocation m_inUse;
    QThread *m_thread = nullptr;
    QString m_message;
    bool m_failed = false;
};
