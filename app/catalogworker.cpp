#include "catalogworker.h"

#include <shooterimport.h>
#include <shootermodel.h>
#include <storage.h>

#include <QFile>

CatalogWorker::CatalogWorker(const QString &databasePath, const QString &connectionName)
    : m_databasePath(databasePath)
    , m_connectionName(connectionName)
{ }

CatalogWorker::~CatalogWorker()
{
    delete m_storage;
}

bool CatalogWorker::prepare(QString *error)
{
    if (!m_storage) {
        m_storage = new LibModel::Storage;
        m_storage->setBusyTimeout(LockWait);
    }
    // A file that could not be opened last time may be usable now.
    if (!m_open)
        m_open = m_storage->open(m_databasePath, m_connectionName);
    if (!m_open)
        *error = storageError(QStringLiteral("the database cannot be opened"));
    return m_open;
}

QString CatalogWorker::storageError(const QString &fallback) const
{
    const QString reason = m_storage ? m_storage->lastError() : QString();
    return reason.isEmpty() ? fallback : reason;
}

void CatalogWorker::readLists(int ticket)
{
    if (m_newest.load() != ticket)
        return;
    Lists lists;
    QString error;
    if (prepare(&error)) {
        m_storage->clearLastError();
        if (m_storage->reloadShooters() && m_storage->reloadCompetitions()) {
            lists.shooters = m_storage->shooters()->records();
            lists.competitions = m_storage->competitions();
            lists.competitionsGto = m_storage->competitionsGto();
        } else {
            error = storageError(QStringLiteral("the catalogue cannot be read"));
        }
    }
    emit listsRead(ticket, lists, error);
}

void CatalogWorker::deleteSession(int ticket, const QString &uuid)
{
    QString error;
    if (prepare(&error)) {
        m_storage->clearLastError();
        if (!m_storage->deleteSession(uuid))
            error = storageError(QStringLiteral("the session was not deleted"));
    }
    emit changed(ticket, 0, 0, error);
}

void CatalogWorker::deleteShooter(int ticket, qint64 personId)
{
    QString error;
    if (prepare(&error)) {
        m_storage->clearLastError();
        if (personId <= 0 || !m_storage->deleteShooter(uint(personId)))
            error = storageError(QStringLiteral("the shooter was not deleted"));
    }
    emit changed(ticket, 0, 0, error);
}

void CatalogWorker::createShooter(int ticket, const LibModel::ShooterRecord &person)
{
    QString error;
    if (prepare(&error)) {
        m_storage->clearLastError();
        if (m_storage
                    ->createShooter(person.name, person.organization, person.group,
                                    person.properties)
                    .id
            == 0)
            error = storageError(QStringLiteral("the shooter was not stored"));
    }
    emit changed(ticket, 0, 0, error);
}

void CatalogWorker::importShooters(int ticket, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        emit changed(ticket, LibModel::ShooterImport::CannotOpen, 0, QString());
        return;
    }
    const QByteArray data = file.readAll();
    QString error;
    int code = 0, added = 0;
    if (prepare(&error)) {
        // A person the database refuses is skipped by the import: the
        // refusal is told apart by the error it leaves.
        m_storage->clearLastError();
        code = LibModel::ShooterImport::importData(data, m_storage, &added);
        error = m_storage->lastError();
    }
    emit changed(ticket, code, added, error);
}
