#pragma once

#include "archiveworker.h"

#include <QObject>
#include <QThread>

namespace LibModel {
class AbstractStorage;
class Session;
class SessionInfoModel;
} // namespace LibModel

Q_MOC_INCLUDE("session.h")
Q_MOC_INCLUDE("sessioninfomodel.h")

// The archive pages' reads, answered later instead of waited for: each
// request returns a ticket at once, a worker thread with a connection of its
// own reads the database, and the answer comes back with the same ticket as
// a model or a session built here. A newer request of the same kind (lists,
// or whole sessions) supersedes an older one, whose answer is dropped.
// What an answer carries belongs to its receiver: to QML's garbage
// collector once a page lets go of it, or to be deleted by C++ receivers.
class ArchiveReader : public QObject
{
    Q_OBJECT
    // True while a request is waiting for its answer.
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)

public:
    // Sessions read are sessions of sessionStorage, to be deleted or
    // written again through it.
    ArchiveReader(const QString &databasePath, LibModel::AbstractStorage *sessionStorage,
                  QObject *parent = nullptr);
    // Waits for a read under way.
    ~ArchiveReader() override;

    bool busy() const { return m_listTicket != 0 || m_sessionTicket != 0 || m_progressTicket != 0; }

    // The summaries of a person's sessions, by start time.
    Q_INVOKABLE int readSessions(qlonglong personId);
    // The summaries of a competition's or a fitness-norm event's sessions,
    // with their places.
    Q_INVOKABLE int readCompetition(const QString &name, bool isGto);
    // The whole stored session with its traces and shots.
    Q_INVOKABLE int readSession(uint id);
    // The groups of a person's sessions, oldest first (for C++ receivers).
    int readProgress(qlonglong personId);

signals:
    void busyChanged();
    // model is null when the database could not be read.
    void sessionsRead(int ticket, LibModel::SessionInfoModel *model);
    // session is null when it could not be read.
    void sessionRead(int ticket, LibModel::Session *session);
    // ok is false when the database could not be read.
    void progressRead(int ticket, const QList<LibModel::SessionAnalysis> &sessions, bool ok);

private:
    int issue(ArchiveWorker::Kind kind);
    void listAnswered(int ticket, const QList<LibModel::SessionInfo> &rows, bool ok);
    void sessionAnswered(int ticket, const ArchiveWorker::StoredSession &stored);
    LibModel::Session *rebuild(const ArchiveWorker::StoredSession &stored) const;
    // The request waited for in *outstanding has its answer.
    void settle(int *outstanding);

    LibModel::AbstractStorage *m_sessionStorage;
    QThread m_thread;
    ArchiveWorker *m_worker;
    int m_lastTicket = 0;
    // The tickets waited for, 0 for none.
    int m_listTicket = 0;
    int m_sessionTicket = 0;
    int m_progressTicket = 0;
};
