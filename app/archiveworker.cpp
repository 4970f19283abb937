#include "archiveworker.h"

#include <shooterprogress.h>

#include <session.h>
#include <sessioninfomodel.h>
#include <sessionoutbox.h>
#include <shot.h>
#include <storage.h>
#include <trace.h>

#include <memory>

ArchiveWorker::ArchiveWorker(const QString &databasePath, const QString &connectionName)
    : m_databasePath(databasePath)
    , m_connectionName(connectionName)
{ }

ArchiveWorker::~ArchiveWorker()
{
    delete m_storage;
}

bool ArchiveWorker::prepare()
{
    if (!m_storage) {
        m_storage = new LibModel::Storage;
        m_storage->setBusyTimeout(LockWait);
    }
    // A file that could not be opened last time may be usable now.
    if (!m_open)
        m_open = m_storage->open(m_databasePath, m_connectionName);
    // Other connections add persons; the summaries and sessions are
    // matched with this connection's list of them.
    return m_open && m_storage->reloadShooters();
}

void ArchiveWorker::answerList(int ticket, LibModel::SessionInfoModel *model)
{
    const std::unique_ptr<LibModel::SessionInfoModel> owned(model);
    emit listRead(ticket, owned ? owned->rows() : QList<LibModel::SessionInfo>(), bool(owned));
}

void ArchiveWorker::readSessions(int ticket, qlonglong personId)
{
    if (superseded(List, ticket))
        return;
    answerList(ticket, prepare() ? m_storage->sessions(personId) : nullptr);
}

void ArchiveWorker::readCompetition(int ticket, const QString &name, bool isGto)
{
    if (superseded(List, ticket))
        return;
    answerList(ticket, prepare() ? m_storage->sessionsByCompetitionName(name, isGto) : nullptr);
}

void ArchiveWorker::readSession(int ticket, uint id)
{
    if (superseded(Whole, ticket))
        return;
    StoredSession stored;
    const std::unique_ptr<LibModel::Session> session(prepare() ? m_storage->readSession(id)
                                                               : nullptr);
    if (session) {
        stored.bytes = LibModel::SessionOutbox::encode(*session);
        stored.id = session->id();
        stored.triggerData = session->isTriggerDataAvailable();
        for (const LibModel::Trace *trace : session->segments()) {
            stored.traceIds.append(trace->id());
            for (const LibModel::Shot *shot : trace->shots())
                stored.shotIds.append(shot->id());
        }
    }
    emit sessionRead(ticket, stored);
}

void ArchiveWorker::readProgress(int ticket, qlonglong personId)
{
    if (superseded(Progress, ticket))
        return;
    LibModel::ShooterProgress progress;
    const bool ok = prepare() && progress.read(*m_storage, personId, false);
    emit progressRead(ticket, progress.sessions(), ok);
}
