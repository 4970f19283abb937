#pragma once

#include <sessionoutbox.h>

#include <QList>
#include <QObject>
#include <QPair>

// Files finished sessions in a database's outbox on the thread it lives on,
// so that encoding and writing a long session never holds up the thread
// that finished it. Sessions are filed in the order they come; one that the
// outbox refuses is held in memory and filed, before any later one, by the
// next request.
class SessionFiler : public QObject
{
    Q_OBJECT

public:
    explicit SessionFiler(const QString &folder);

    // Files what is held, then this session.
    void file(const LibModel::SessionOutbox::Snapshot &snapshot);
    // Files what is held.
    void retry();

signals:
    // After every request: the sessions it brought in (1 for file(), 0 for
    // retry()), the sessions still held and why the last of them was refused.
    void filed(int taken, int held, const QString &error);

private:
    void fileHeld(int taken);

    LibModel::SessionOutbox m_outbox;
    QList<QPair<QString, QByteArray>> m_held; // uuid and encoded session
};
