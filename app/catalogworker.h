#pragma once

#include <shooterrecord.h>

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

namespace LibModel {
class Storage;
} // namespace LibModel

// The shooter catalogue's reads and changes on the thread it lives on,
// through a connection of that thread's own: the person list, the
// competition names, deleting sessions and persons, importing persons.
// Only plain values go in and out. A list read older than the newest one
// is skipped; every change is carried out and answered.
class CatalogWorker : public QObject
{
    Q_OBJECT

public:
    // How long a statement waits on another connection's lock, in ms.
    static constexpr int LockWait = 1000;

    struct Lists
    {
        QList<LibModel::ShooterRecord> shooters; // in name order
        QStringList competitions;
        QStringList competitionsGto;
    };

    // Nothing is opened here: the connection is made by the first request,
    // on the worker's thread.
    CatalogWorker(const QString &databasePath, const QString &connectionName);
    ~CatalogWorker() override;

    // Called by the asking thread before it queues the list read `ticket`.
    void setNewest(int ticket) { m_newest = ticket; }

    void readLists(int ticket);
    void deleteSession(int ticket, const QString &uuid);
    void deleteShooter(int ticket, qint64 personId);
    // Adds the person unless it is stored already (by name, organisation
    // and group).
    void createShooter(int ticket, const LibModel::ShooterRecord &person);
    // Adds the persons of a JSON file; `code` of the answer is the import's
    // result (0: the file was read), `added` how many persons are new.
    void importShooters(int ticket, const QString &path);

signals:
    // error is empty when the lists were read.
    void listsRead(int ticket, const CatalogWorker::Lists &lists, const QString &error);
    // error is empty when the change was made whole.
    void changed(int ticket, int code, int added, const QString &error);

private:
    // Opens the connection when it is not; false with the reason in *error.
    bool prepare(QString *error);
    QString storageError(const QString &fallback) const;

    QString m_databasePath;
    QString m_connectionName;
    LibModel::Storage *m_storage = nullptr;
    bool m_open = false;
    std::atomic<int> m_newest {0};
};

Q_DECLARE_METATYPE(CatalogWorker::Lists)
