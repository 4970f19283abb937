#pragma once

#include <sessionoutbox.h>

#include <QByteArrayList>
#include <QObject>
#include <QThread>
#include <QTimer>

namespace LibModel {
class Session;
}

class StorageWorker;

// Takes finished sessions to the database without the caller waiting on it:
// each is first filed in the database's outbox, then a worker thread with a
// connection of its own stores the outbox. What cannot be stored stays filed
// and is tried again with a growing pause while the program runs, at every
// start and whenever asked.
class SessionDelivery : public QObject
{
    Q_OBJECT

public:
    static constexpr int FirstRetry = 1000; // ms
    static constexpr int LastRetry = 60000; // ms

    // Starts the worker and a delivery of what an earlier run left behind.
    SessionDelivery(const QString &databasePath, QObject *parent = nullptr);
    // Waits for a delivery under way; what is left stays filed.
    ~SessionDelivery() override;

    // Files the session and asks for a delivery. When the outbox refuses it,
    // it is held in memory, counted as pending and filed by a later delivery.
    void submit(const LibModel::Session &session);
    // Sessions not stored yet, filed or not.
    int pending() const { return m_pending; }
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
    void fileUnfiled();
    void answered(int delivered, int pending, int rejected, const QString &error);
    void update(int pending, const QString &reason);

    LibModel::SessionOutbox m_outbox;
    QThread m_thread;
    StorageWorker *m_worker;
    QTimer m_retry;
    int m_interval = FirstRetry;
    bool m_busy = false;
    bool m_again = false;
    // Encoded sessions the outbox refused, in the order they finished.
    QByteArrayList m_unfiled;
    int m_pending = 0;
    QString m_reason;
};
