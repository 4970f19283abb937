#include "sessiondelivery.h"
#include "storageworker.h"

#include <session.h>

#include <memory>

SessionDelivery::SessionDelivery(const QString &databasePath, QObject *parent)
    : QObject(parent)
    , m_outbox(LibModel::SessionOutbox::folderFor(databasePath))
    , m_worker(new StorageWorker(databasePath, QStringLiteral("kavro-delivery")))
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &StorageWorker::delivered, this, &SessionDelivery::answered);
    m_thread.setObjectName(QStringLiteral("storage"));
    m_thread.start();
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &SessionDelivery::deliverPending);
    m_pending = m_outbox.pendingCount();
    deliverPending();
}

SessionDelivery::~SessionDelivery()
{
    m_thread.quit();
    m_thread.wait();
}

void SessionDelivery::submit(const LibModel::Session &session)
{
    if (!m_outbox.put(session)) {
        qWarning("cannot file a finished session: %s", qPrintable(m_outbox.lastError()));
        m_unfiled.append(LibModel::SessionOutbox::encode(session));
        update(m_pending + 1, m_outbox.lastError());
        if (!m_busy)
            m_retry.start(m_interval);
        return;
    }
    update(m_pending + 1, m_reason);
    deliverPending();
}

void SessionDelivery::fileUnfiled()
{
    while (!m_unfiled.isEmpty()) {
        const std::unique_ptr<LibModel::Session> session(
                LibModel::SessionOutbox::decode(m_unfiled.constFirst(), nullptr));
        if (session && !m_outbox.put(*session))
            return;
        // One that cannot be decoded again could never be stored either.
        if (!session)
            qWarning("a finished session kept in memory cannot be read back");
        m_unfiled.removeFirst();
    }
}

void SessionDelivery::deliverPending()
{
    m_retry.stop();
    if (m_busy) {
        m_again = true;
        return;
    }
    fileUnfiled();
    m_busy = true;
    QMetaObject::invokeMethod(m_worker, &StorageWorker::deliver, Qt::QueuedConnection);
}

void SessionDelivery::answered(int delivered, int pending, int rejected, const QString &error)
{
    Q_UNUSED(pending) // the outbox may have grown since the worker counted
    m_busy = false;
    const int left = m_outbox.pendingCount() + int(m_unfiled.size());
    QString reason = error;
    if (reason.isEmpty() && !m_unfiled.isEmpty())
        reason = m_outbox.lastError();
    update(left, reason);
    if (reason.isEmpty())
        m_interval = FirstRetry;
    if (m_again) {
        m_again = false;
        deliverPending();
    } else if (left > 0) {
        m_retry.start(m_interval);
        m_interval = qMin(2 * m_interval, LastRetry);
    }
    emit finished(delivered, left, rejected);
}

void SessionDelivery::update(int pending, const QString &reason)
{
    if (pending == m_pending && reason == m_reason)
        return;
    m_pending = pending;
    m_reason = reason;
    emit pendingChanged();
}
