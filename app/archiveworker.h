#pragma once

#include <sessionanalysis.h>
#include <sessioninfo.h>

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <array>
#include <atomic>

namespace LibModel {
class SessionInfoModel;
class Storage;
} // namespace LibModel

// Reads the archive on the thread it lives on, through a connection of
// that thread's own, so that the thread asking never waits on the database.
// Only plain values go in and out. A request older than the newest one of
// its kind is skipped: nobody waits for its answer any more.
class ArchiveWorker : public QObject
{
    Q_OBJECT

public:
    // How long a statement waits on another connection's lock, in ms.
    static constexpr int LockWait = 1000;

    // Session lists, whole sessions and progress are superseded apart.
    enum Kind { List, Whole, Progress };

    // A whole session as the outbox encodes it, with what the encoding
    // leaves out: the row ids and whether the samples carry the trigger.
    struct StoredSession
    {
        QByteArray bytes; // empty when the session could not be read
        qint64 id = 0;
        QList<qint64> traceIds; // in the order of the session's traces
        QList<qint64> shotIds; // trace by trace, in the order of each trace's shots
        bool triggerData = false;
    };

    // Nothing is opened here: the connection is made by the first request,
    // on the worker's thread.
    ArchiveWorker(const QString &databasePath, const QString &connectionName);
    ~ArchiveWorker() override;

    // Called by the asking thread before it queues the request `ticket`.
    void setNewest(Kind kind, int ticket) { m_newest.at(kind) = ticket; }

    // The summaries of a person's sessions (all sessions for personId 0),
    // or of a competition's with their places.
    void readSessions(int ticket, qlonglong personId);
    void readCompetition(int ticket, const QString &name, bool isGto);
    void readSession(int ticket, uint id);
    // The groups of a person's sessions, oldest first.
    void readProgress(int ticket, qlonglong personId);

signals:
    // ok is false when the database could not be read.
    void listRead(int ticket, const QList<LibModel::SessionInfo> &rows, bool ok);
    void sessionRead(int ticket, const ArchiveWorker::StoredSession &session);
    void progressRead(int ticket, const QList<LibModel::SessionAnalysis> &sessions, bool ok);

private:
    bool superseded(Kind kind, int ticket) const { return m_newest.at(kind).load() != ticket; }
    // Opens the connection when it is not; reloads the persons the
    // summaries and sessions are matched with.
    bool prepare();
    void answerList(int ticket, LibModel::SessionInfoModel *model);

    QString m_databasePath;
    QString m_connectionName;
    LibModel::Storage *m_storage = nullptr;
    bool m_open = false;
    std::array<std::atomic<int>, 3> m_newest {};
};

Q_DECLARE_METATYPE(ArchiveWorker::StoredSession)
