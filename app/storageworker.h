#pragma once

#include <QObject>
#include <QString>

namespace LibModel {
class Storage;
}

// Delivers the outbox of a database on the thread it lives on, through a
// connection of that thread's own, so that the thread asking for it never
// waits on the database. Only plain values go in and out.
class StorageWorker : public QObject
{
    Q_OBJECT

public:
    // How long a statement waits on another connection's lock, in ms.
    static constexpr int LockWait = 1000;

    // Nothing is opened here: the connection is made by the first delivery,
    // on the worker's thread.
    StorageWorker(const QString &databasePath, const QString &outboxFolder,
                  const QString &connectionName);
    ~StorageWorker() override;

public slots:
    // Stores the pending sessions in the order they were finished.
    void deliver();

signals:
    // What the delivery did: sessions stored, files left, files moved to the
    // rejected ones, and why it stopped (empty when nothing failed).
    void delivered(int delivered, int pending, int rejected, const QString &error);

private:
    bool ensureOpen(QString *error);

    QString m_databasePath;
    QString m_outboxFolder;
    QString m_connectionName;
    LibModel::Storage *m_storage = nullptr;
    bool m_open = false;
};
