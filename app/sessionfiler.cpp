#include "sessionfiler.h"

SessionFiler::SessionFiler(const QString &folder)
    : m_outbox(folder)
{ }

void SessionFiler::file(const LibModel::SessionOutbox::Snapshot &snapshot)
{
    // An incomplete session is filed all the same: delivery moves it to the
    // rejected ones and says so, rather than it waiting here for ever.
    if (!snapshot.valid)
        qWarning("filing an incomplete session %s", qPrintable(snapshot.uuid));
    m_held.append({snapshot.uuid, LibModel::SessionOutbox::encode(snapshot)});
    fileHeld(1);
}

void SessionFiler::retry()
{
    fileHeld(0);
}

void SessionFiler::fileHeld(int taken)
{
    QString error;
    while (!m_held.isEmpty()) {
        if (!m_outbox.put(m_held.constFirst().first, m_held.constFirst().second)) {
            error = m_outbox.lastError();
            qWarning("cannot file a finished session: %s", qPrintable(error));
            break;
        }
        m_held.removeFirst();
    }
    emit filed(taken, int(m_held.size()), error);
}
