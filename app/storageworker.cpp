#include "storageworker.h"

#include <sessionoutbox.h>
#include <storage.h>

StorageWorker::StorageWorker(const QString &databasePath, const QString &outboxFolder,
                             const QString &connectionName)
    : m_databasePath(databasePath)
    , m_outboxFolder(outboxFolder)
    , m_connectionName(connectionName)
{ }

StorageWorker::~StorageWorker()
{
    delete m_storage;
}

bool StorageWorker::ensureOpen(QString *error)
{
    if (m_open)
        return true;
    if (!m_storage) {
        m_storage = new LibModel::Storage;
        m_storage->setBusyTimeout(LockWait);
    }
    // A file that could not be opened last time may be usable now.
    m_open = m_storage->open(m_databasePath, m_connectionName);
    if (!m_open)
        *error = QStringLiteral("cannot open the database %1").arg(m_databasePath);
    return m_open;
}

void StorageWorker::deliver()
{
    LibModel::SessionOutbox outbox(m_outboxFolder);
    QString error;
    if (!ensureOpen(&error)) {
        emit delivered(0, outbox.pendingCount(), 0, error);
        return;
    }
    const LibModel::SessionOutbox::Delivery result = outbox.deliver(m_storage);
    emit delivered(result.delivered, result.pending, result.rejected, result.error);
}
