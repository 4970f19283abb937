#pragma once

#include "shooterrecord.h"
#include "tracesample.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantHash>
#include <QVector>

namespace LibModel {

class AbstractStorage;
class Session;

// Finished sessions waiting for the database, one file each, in the folder
// "<database file>.pending/". A session is put here first and removed once
// the database holds it, so neither a refused write nor a crash loses it.
// Files that cannot be read are moved to "rejected/" inside the folder.
class SessionOutbox
{
public:
    // What one delivery did and what is left.
    struct Delivery
    {
        int delivered = 0; // sessions now in the database (also those found already stored)
        int pending = 0; // files left in the outbox
        int rejected = 0; // files moved to rejected/ by this delivery
        QString error; // why the last attempt failed; empty when nothing failed
    };

    // What put() files of a session, in plain values: cheap to take (the
    // samples are shared, not copied) and free to be encoded on another
    // thread while the session goes on living on its own.
    struct Snapshot
    {
        struct ShotData
        {
            quint16 serie = 0;
            qint32 offset = 0;
            bool missed = false;
            double phase = 0;
            qint64 timer = 0;
            QVariantHash properties;
            double breachX = 0, breachY = 0; // the aiming point of the shot's sample
        };
        struct TraceData
        {
            qint64 start = 0;
            QVector<TraceSample> samples;
            QVariantHash properties;
            QList<ShotData> shots;
        };
        bool valid = false;
        QString uuid, targetUuid, comments, competitionName;
        double caliber = 0, distance = 0;
        qint64 timer = 0;
        quint16 sampleRate = 0;
        qint32 position = 0;
        bool isGto = false;
        ShooterRecord shooter;
        QVariantHash properties;
        QList<TraceData> traces; // those with samples: the others are not stored
    };

    // The outbox kept in folder, usually folderFor(database file); the
    // folder is made on the first put().
    explicit SessionOutbox(const QString &folder);

    // The outbox folder of a database file: "<databaseFile>.pending".
    static QString folderFor(const QString &databaseFile);
    QString folder() const { return m_folder; }
    // Where unreadable files are kept: "<folder>/rejected".
    QString rejectedFolder() const;

    // Writes the whole session (shooter, fields, traces with samples, shots,
    // properties) as one file, atomically; false (see lastError()) when not.
    bool put(const Session &session);
    bool put(const Snapshot &snapshot);
    // Files bytes that encode() made for the session with this uuid.
    bool put(const QString &uuid, const QByteArray &bytes);

    // Paths of the pending files, in the order their sessions were finished.
    QStringList pending() const;
    int pendingCount() const;
    // The uuids of the pending sessions, in the same order (from the file names).
    QStringList pendingUuids() const;
    // Files kept in rejected/.
    int rejectedCount() const;

    // Stores the pending sessions in order and removes their files; stops at
    // the first storage failure and leaves the rest pending. A session whose
    // uuid is already stored is not stored again; its file is just removed.
    // Runs on the thread that uses the storage.
    Delivery deliver(AbstractStorage *storage);

    // Reads one outbox file back as a new session of storage (owned by the
    // caller); nullptr with *error set when the file cannot be decoded.
    static Session *read(const QString &path, AbstractStorage *storage, QString *error = nullptr);
    // The same from the bytes of a file.
    static Session *decode(const QByteArray &bytes, AbstractStorage *storage,
                           QString *error = nullptr);
    // The bytes put() writes for a session.
    static QByteArray encode(const Session &session);
    static QByteArray encode(const Snapshot &snapshot);
    static Snapshot snapshot(const Session &session);

    // Why the last put() or deliver() failed; empty after a success.
    QString lastError() const { return m_lastError; }

private:
    bool reject(const QString &path, const QString &reason);

    QString m_folder;
    QString m_lastError;
};

} // namespace LibModel
