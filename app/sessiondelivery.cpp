#include "sessiondelivery.h"
#include "sessionfiler.h"
#include "storageworker.h"

#include <session.h>
#include <storage.h>

SessionDelivery::SessionDelivery(const QString &databasePath, const QString &outboxFolder,
                                 QObject *parent)
    : QObject(parent)
    , m_outbox(outboxFolder.isEmpty() ? LibModel::SessionOutbox::folderFor(databasePath)
                                      : outboxFolder)
    , m_filer(new SessionFiler(m_outbox.folder()))
    , m_worker(new StorageWorker(
              databasePath, m_outbox.folder(),
              LibModel::Storage::uniqueConnectionName(QStringLiteral("kavro-delivery"))))
{
    // Filing has a thread of its own: the storage thread may sit in a lock wait.
    m_filer->moveToThread(&m_filingThread);
    connect(&m_filingThread, &QThread::finished, m_filer, &QObject::deleteLater);
    connect(m_filer, &SessionFiler::filed, this, &SessionDelivery::filed);
    m_filingThread.setObjectName(QStringLiteral("filing"));
    m_filingThread.start();
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
    // Everything handed over is filed (or tried once more) before the end.
    SessionFiler *filer = m_filer;
    QMetaObject::invokeMethod(
            filer, [filer] { filer->retry(); }, Qt::BlockingQueuedConnection);
    m_filingThread.quit();
    m_filingThread.wait();
    m_thread.quit();
    m_thread.wait();
}

void SessionDelivery::submit(const LibModel::Session &session)
{
    const LibModel::SessionOutbox::Snapshot snapshot = LibModel::SessionOutbox::snapshot(session);
    ++m_filing;
    update(m_pending + 1, m_reason);
    SessionFiler *filer = m_filer;
    QMetaObject::invokeMethod(
            filer, [filer, snapshot] { filer->file(snapshot); }, Qt::QueuedConnection);
}

void SessionDelivery::filed(int taken, int held, const QString &error)
{
    m_filing -= taken;
    const bool heldChanged = m_held != held;
    m_held = held;
    m_filingError = error;
    if (heldChanged)
        emit pendingChanged();
    if (error.isEmpty()) {
        deliverPending();
        return;
    }
    update(left(), error);
    if (!m_busy)
        m_retry.start(m_interval);
}

int SessionDelivery::left() const
{
    return m_outbox.pendingCount() + m_held + m_filing;
}

void SessionDelivery::deliverPending()
{
    m_retry.stop();
    if (m_held > 0) {
        SessionFiler *filer = m_filer;
        QMetaObject::invokeMethod(
                filer, [filer] { filer->retry(); }, Qt::QueuedConnection);
    }
    if (m_busy) {
        m_again = true;
        return;
    }
    m_busy = true;
    QMetaObject::invokeMethod(m_worker, &StorageWorker::deliver, Qt::QueuedConnection);
}

void SessionDelivery::answered(int delivered, int pending, int rejected, const QString &error)
{
    Q_UNUSED(pending) // the outbox may have grown since the worker counted
    m_busy = false;
    const int left = this->left();
    QString reason = error;
    if (reason.isEmpty() && m_held > 0)
        reason = m_filingError;
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
