#pragma once

#include <sessionoutbox.h>

#include <QObject>
#include <QThread>
#include <QTimer>

namespace LibModel {
class Session;
}

class SessionFiler;
class StorageWorker;

// Takes finished sessions to the database without the caller waiting on it:
// each is first filed in the database's outbox by a filing thread, then a
// worker thread with a connection of its own stores the outbox. What cannot
// be stored stays filed and is tried again with a growing pause while the
// program runs, at every start and whenever asked.
class SessionDelivery : public QObject
{
    Q_OBJECT

public:
    static constexpr int FirstRetry = 1000; // ms
    static constexpr int LastRetry = 60000; // ms

    // Starts the worker and a delivery of what an earlier run left behind.
    // The database is a file path or a server's URI; its outbox is
    // outboxFolder (for a file, "<file>.pending" when none is given).
    SessionDelivery(const QString &databasePath, const QString &outboxFolder = QString(),
                    QObject *parent = nullptr);
    // Waits for the filing of every session handed over and for a delivery
    // under way; what is left stays filed.
    ~SessionDelivery() override;

    // Hands a copy of the session to the filing thread, which files it and
    // then asks for a delivery; it counts as pending from now on. When the
    // outbox refuses it, it is held in memory and filed by a later delivery.
    void submit(const LibModel::Session &session);
    // Sessions not stored yet, filed or not.
    int pending() const { return m_pending; }
    // Of those, the sessions the outbox refused: they live only in memory
    // and are lost if the program ends before a retry files them.
    int unfiled() const { return m_held; }
    // Why the last attempt failed; empty after a success.
    QString reason() const { return m_reason; }
    // The pause before the next automatic attempt.
    int retryInterval() const { return m_interval; }

public slots:
    void deliverPending();

signals:
    void pendingChanged();
    // A delivery came back: sessions stored, left and rejected by it.
    void finished(int delivered, int pending, int rejected);

private:
    void filed(int taken, int held, const QString &error);
    int left() const;
    void answered(int delivered, int pending, int rejected, const QString &error);
    void update(int pending, const QString &reason);

    LibModel::SessionOutbox m_outbox;
    QThread m_filingThread;
    SessionFiler *m_filer;
    QThread m_thread;
    StorageWorker *m_worker;
    QTimer m_retry;
    int m_interval = FirstRetry;
    bool m_busy = false;
    bool m_again = false;
    int m_filing = 0; // sessions handed to the filer and not reported yet
    int m_held = 0; // sessions the filer holds after the outbox refused them
    QString m_filingError;
    int m_pending = 0;
    QString m_reason;
};
