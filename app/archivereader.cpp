#include "archivereader.h"

#include <storage.h>

#include <session.h>
#include <sessioninfomodel.h>
#include <sessionoutbox.h>
#include <shot.h>
#include <trace.h>

#include <QJSEngine>
#include <QMetaMethod>

#include <memory>
#include <utility>

ArchiveReader::ArchiveReader(const QString &databasePath, LibModel::AbstractStorage *sessionStorage,
                             QObject *parent)
    : QObject(parent)
    , m_sessionStorage(sessionStorage)
    , m_worker(new ArchiveWorker(
              databasePath,
              LibModel::Storage::uniqueConnectionName(QStringLiteral("kavro-archive"))))
{
    qRegisterMetaType<QList<LibModel::SessionInfo>>();
    qRegisterMetaType<ArchiveWorker::StoredSession>();
    qRegisterMetaType<QList<LibModel::SessionAnalysis>>();
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &ArchiveWorker::listRead, this, &ArchiveReader::listAnswered);
    connect(m_worker, &ArchiveWorker::sessionRead, this, &ArchiveReader::sessionAnswered);
    connect(m_worker, &ArchiveWorker::progressRead, this,
            [this](int ticket, const QList<LibModel::SessionAnalysis> &sessions, bool ok) {
                if (ticket != m_progressTicket)
                    return;
                settle(&m_progressTicket);
                emit progressRead(ticket, sessions, ok);
            });
    m_thread.setObjectName(QStringLiteral("archive"));
    m_thread.start();
}

ArchiveReader::~ArchiveReader()
{
    m_thread.quit();
    m_thread.wait();
}

int ArchiveReader::issue(ArchiveWorker::Kind kind)
{
    const bool wasBusy = busy();
    const int ticket = ++m_lastTicket;
    (kind == ArchiveWorker::List            ? m_listTicket
             : kind == ArchiveWorker::Whole ? m_sessionTicket
                                            : m_progressTicket)
            = ticket;
    m_worker->setNewest(kind, ticket);
    if (!wasBusy)
        emit busyChanged();
    return ticket;
}

int ArchiveReader::readProgress(qlonglong personId)
{
    const int ticket = issue(ArchiveWorker::Progress);
    ArchiveWorker *worker = m_worker;
    QMetaObject::invokeMethod(
            worker, [worker, ticket, personId] { worker->readProgress(ticket, personId); },
            Qt::QueuedConnection);
    return ticket;
}

int ArchiveReader::readSessions(qlonglong personId)
{
    const int ticket = issue(ArchiveWorker::List);
    ArchiveWorker *worker = m_worker;
    QMetaObject::invokeMethod(
            worker, [worker, ticket, personId] { worker->readSessions(ticket, personId); },
            Qt::QueuedConnection);
    return ticket;
}

int ArchiveReader::readCompetition(const QString &name, bool isGto)
{
    const int ticket = issue(ArchiveWorker::List);
    ArchiveWorker *worker = m_worker;
    QMetaObject::invokeMethod(
            worker, [worker, ticket, name, isGto] { worker->readCompetition(ticket, name, isGto); },
            Qt::QueuedConnection);
    return ticket;
}

int ArchiveReader::readSession(uint id)
{
    const int ticket = issue(ArchiveWorker::Whole);
    ArchiveWorker *worker = m_worker;
    QMetaObject::invokeMethod(
            worker, [worker, ticket, id] { worker->readSession(ticket, id); },
            Qt::QueuedConnection);
    return ticket;
}

void ArchiveReader::settle(int *outstanding)
{
    *outstanding = 0;
    if (!busy())
        emit busyChanged();
}

void ArchiveReader::listAnswered(int ticket, const QList<LibModel::SessionInfo> &rows, bool ok)
{
    if (ticket != m_listTicket)
        return;
    LibModel::SessionInfoModel *model = nullptr;
    if (ok) {
        model = new LibModel::SessionInfoModel;
        for (const LibModel::SessionInfo &row : rows)
            model->append(row);
        QJSEngine::setObjectOwnership(model, QJSEngine::JavaScriptOwnership);
    }
    settle(&m_listTicket);
    if (model && !isSignalConnected(QMetaMethod::fromSignal(&ArchiveReader::sessionsRead)))
        delete std::exchange(model, nullptr);
    emit sessionsRead(ticket, model);
}

void ArchiveReader::sessionAnswered(int ticket, const ArchiveWorker::StoredSession &stored)
{
    if (ticket != m_sessionTicket)
        return;
    LibModel::Session *session = rebuild(stored);
    if (session)
        QJSEngine::setObjectOwnership(session, QJSEngine::JavaScriptOwnership);
    settle(&m_sessionTicket);
    if (session && !isSignalConnected(QMetaMethod::fromSignal(&ArchiveReader::sessionRead)))
        delete std::exchange(session, nullptr);
    emit sessionRead(ticket, session);
}

LibModel::Session *ArchiveReader::rebuild(const ArchiveWorker::StoredSession &stored) const
{
    if (stored.bytes.isEmpty())
        return nullptr;
    std::unique_ptr<LibModel::Session> session(
            LibModel::SessionOutbox::decode(stored.bytes, m_sessionStorage));
    if (!session || session->segments().size() != stored.traceIds.size())
        return nullptr;
    // As read from the database: with its row ids and clean, so that
    // writing it again updates those rows.
    session->setId(stored.id);
    session->setTriggerDataAvailable(stored.triggerData);
    int shot = 0;
    for (int t = 0; t < stored.traceIds.size(); ++t) {
        LibModel::Trace *trace = session->segments().at(t);
        trace->setId(stored.traceIds.at(t));
        for (LibModel::Shot *s : trace->shots()) {
            if (shot >= stored.shotIds.size())
                return nullptr;
            s->setId(stored.shotIds.at(shot++));
        }
        trace->setDirty(false);
    }
    if (shot != stored.shotIds.size())
        return nullptr;
    session->clearDirty();
    return session.release();
}
