#include "sessionoutbox.h"
#include "abstractstorage.h"
#include "recordcodec.h"
#include "session.h"
#include "shot.h"
#include "targetmanager.h"
#include "trace.h"

#include <QByteArrayList>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

#include <memory>

#include <zlib.h>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace LibModel {

namespace {

// One shot in an outbox file, the same in every format version.
QDataStream &operator<<(QDataStream &out, const SessionOutbox::Snapshot::ShotData &shot)
{
    return out << shot.serie << shot.offset << shot.missed << shot.phase << shot.timer
               << shot.properties;
}

QDataStream &operator>>(QDataStream &in, SessionOutbox::Snapshot::ShotData &shot)
{
    in >> shot.serie >> shot.offset >> shot.missed >> shot.phase >> shot.timer;
    RecordCodec::readProperties(in, &shot.properties);
    return in;
}

constexpr quint32 Magic = 0x4B505345; // "KPSE"
// Version 1 kept the samples' blobs inside the checked payload; version 2
// keeps them after it, each checked by its own compression, so that a large
// session is not run through the payload's checksum at both ends. Version 3
// adds each trace's sample count and a checksum of its blob, and each shot's
// breach, so that delivery passes the blobs on without decoding them.
constexpr quint16 BlobsInPayload = 1;
constexpr quint16 BlobsAfterPayload = 2;
constexpr quint16 Version = 3;
constexpr int NumberDigits = 16;
const QString Suffix = QStringLiteral(".session");
const QString RejectedName = QStringLiteral("rejected");
// A file the program writes stays far below this; a bigger one is refused unread.
constexpr qint64 MaxFileSize = 512 * 1024 * 1024;

QStringList sessionFiles(const QString &folder)
{
    return QDir(folder).entryList({QLatin1Char('*') + Suffix}, QDir::Files, QDir::Name);
}

// The leading number of a file name; -1 when there is none.
qint64 fileNumber(const QString &name)
{
    bool ok = false;
    const qint64 number = name.left(NumberDigits).toLongLong(&ok);
    return ok ? number : -1;
}

// A checksum of a samples blob, cheap enough to take at both ends.
quint32 blobChecksum(const QByteArray &blob)
{
    uLong sum = adler32(0L, Z_NULL, 0);
    const auto *data = reinterpret_cast<const Bytef *>(blob.constData());
    for (qsizetype done = 0; done < blob.size();) {
        const uInt chunk = uInt(qMin<qsizetype>(blob.size() - done, 1 << 30));
        sum = adler32(sum, data + done, chunk);
        done += chunk;
    }
    return quint32(sum);
}

void writeShooter(QDataStream &out, const ShooterRecord &shooter)
{
    out << shooter.name << shooter.organization << shooter.group << shooter.properties;
}

bool readShooter(QDataStream &in, ShooterRecord *shooter)
{
    QString name, organization, group;
    QVariantHash properties;
    in >> name >> organization >> group;
    RecordCodec::readProperties(in, &properties);
    if (in.status() != QDataStream::Ok || name.trimmed().isEmpty())
        return false;
    shooter->setName(name);
    shooter->setOrganization(organization);
    shooter->setGroup(group);
    shooter->setProperties(properties);
    return true;
}

} // namespace

SessionOutbox::SessionOutbox(const QString &folder)
    : m_folder(folder)
{ }

QString SessionOutbox::folderFor(const QString &databaseFile)
{
    return databaseFile + QStringLiteral(".pending");
}

QString SessionOutbox::rejectedFolder() const
{
    return m_folder + QLatin1Char('/') + RejectedName;
}

SessionOutbox::Snapshot SessionOutbox::snapshot(const Session &session)
{
    Snapshot snapshot;
    snapshot.valid = session.isValid();
    snapshot.uuid = session.uuid();
    snapshot.targetUuid = session.targetUuid();
    snapshot.caliber = session.caliber();
    snapshot.distance = session.distance();
    snapshot.timer = session.timer();
    snapshot.sampleRate = quint16(session.sampleRate());
    snapshot.position = qint32(session.position());
    snapshot.comments = session.comments();
    snapshot.competitionName = session.competitionName();
    snapshot.isGto = session.isGto();
    snapshot.shooter = session.shooter();
    snapshot.properties = session.properties();
    for (const Trace *trace : session.segments()) {
        if (trace->samples().isEmpty())
            continue;
        Snapshot::TraceData data;
        data.start = trace->timerStart();
        data.samples = trace->samples();
        data.properties = trace->properties();
        for (const Shot *shot : trace->shots()) {
            const QPointF breach = shot->breach();
            data.shots.append({quint16(shot->serieIndex()), qint32(shot->offset()),
                               shot->isMissed(), shot->phase(), shot->timer(), shot->properties(),
                               breach.x(), breach.y()});
        }
        snapshot.traces.append(data);
    }
    return snapshot;
}

QByteArray SessionOutbox::encode(const Session &session)
{
    return encode(snapshot(session));
}

QByteArray SessionOutbox::encode(const Snapshot &snapshot)
{
    QByteArray payload;
    QByteArrayList blobs;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_5_15);
        out << snapshot.uuid << snapshot.targetUuid << snapshot.caliber << snapshot.distance
            << snapshot.timer << snapshot.sampleRate << snapshot.position << snapshot.comments
            << snapshot.competitionName << snapshot.isGto;
        writeShooter(out, snapshot.shooter);
        out << snapshot.properties << qint32(snapshot.traces.size());
        for (const Snapshot::TraceData &trace : snapshot.traces) {
            // The samples in the blob the database stores, so that delivery
            // stores that blob as it is.
            blobs.append(RecordCodec::encodeSamples(trace.samples));
            out << trace.start << trace.properties << qint32(trace.samples.size())
                << blobChecksum(blobs.constLast()) << qint32(trace.shots.size());
            for (const Snapshot::ShotData &shot : trace.shots)
                out << shot << shot.breachX << shot.breachY;
        }
    }
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << Magic << Version << payload << quint16(qChecksum(payload));
    for (const QByteArray &blob : std::as_const(blobs))
        out << blob;
    return bytes;
}

Session *SessionOutbox::decode(const QByteArray &bytes, AbstractStorage *storage, QString *error)
{
    const auto fail = [error](const char *why) -> Session * {
        if (error)
            *error = QString::fromLatin1(why);
        return nullptr;
    };
    QDataStream head(bytes);
    head.setVersion(QDataStream::Qt_5_15);
    quint32 magic = 0;
    quint16 version = 0, checksum = 0;
    QByteArray payload;
    head >> magic >> version;
    if (head.status() != QDataStream::Ok || magic != Magic)
        return fail("not a pending session");
    if (version != Version && version != BlobsAfterPayload && version != BlobsInPayload)
        return fail("a pending session of an unknown format");
    head >> payload >> checksum;
    if (head.status() != QDataStream::Ok || quint16(qChecksum(payload)) != checksum
        || (version == BlobsInPayload && !head.atEnd()))
        return fail("a damaged pending session");

    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_5_15);
    QString uuid, targetUuid, comments, competitionName;
    double caliber = 0, distance = 0;
    qint64 timer = 0;
    quint16 sampleRate = 0;
    qint32 position = 0, traceCount = 0;
    bool isGto = false;
    ShooterRecord shooter;
    QVariantHash properties;
    in >> uuid >> targetUuid >> caliber >> distance >> timer >> sampleRate >> position >> comments
            >> competitionName >> isGto;
    if (!readShooter(in, &shooter))
        return fail("a pending session without a readable shooter");
    RecordCodec::readProperties(in, &properties);
    in >> traceCount;
    if (in.status() != QDataStream::Ok || traceCount < 0)
        return fail("a damaged pending session");

    auto session = std::make_unique<Session>(storage);
    if (!session->setUuid(uuid))
        return fail("a pending session without a valid uuid");
    session->setTargetUuid(targetUuid);
    session->setCaliber(caliber);
    session->setDistance(distance);
    session->setTimer(timer);
    session->setSampleRate(sampleRate);
    session->setPosition(position >= Session::PositionProne && position <= Session::PositionStanding
                                 ? Session::Position(position)
                                 : Session::PositionUndefined);
    session->setComments(comments);
    session->setCompetitionName(competitionName);
    session->setIsGto(isGto);
    session->setShooterRecord(shooter);
    session->setProperties(properties);
    session->loadPulseData();
    for (qint32 t = 0; t < traceCount; ++t) {
        qint64 start = 0;
        QByteArray blob;
        QVariantHash traceProperties;
        qint32 shotCount = 0, sampleCount = 0;
        quint32 checksum = 0;
        in >> start;
        (version == BlobsInPayload ? in : head) >> blob;
        RecordCodec::readProperties(in, &traceProperties);
        if (version == Version)
            in >> sampleCount >> checksum;
        in >> shotCount;
        if (in.status() != QDataStream::Ok || head.status() != QDataStream::Ok || shotCount < 0)
            return fail("a pending session with a damaged trace");
        QVector<TraceSample> samples;
        if (version == Version ? sampleCount <= 0 || blobChecksum(blob) != checksum
                            || RecordCodec::encodedSampleCount(blob) != sampleCount
                               : !RecordCodec::decodeSamples(blob, &samples) || samples.isEmpty())
            return fail("a pending session with a damaged trace");
        Trace *trace = session->appendTrace(start);
        if (!trace)
            return fail("a pending session with a damaged trace");
        if (version == Version)
            trace->setEncodedSamples(blob, sampleCount);
        else
            trace->setSamples(samples, blob);
        trace->setProperties(traceProperties);
        for (qint32 s = 0; s < shotCount; ++s) {
            Snapshot::ShotData data;
            in >> data;
            if (version == Version)
                in >> data.breachX >> data.breachY;
            if (in.status() != QDataStream::Ok || data.offset < 0 || data.offset >= trace->count())
                return fail("a pending session with a damaged shot");
            Shot *shot = version == Version
                    ? trace->appendShot(data.serie, data.offset, data.missed, data.phase,
                                        QPointF(data.breachX, data.breachY))
                    : trace->appendShot(data.serie, data.offset, data.missed, data.phase);
            if (!shot)
                return fail("a pending session with a damaged shot");
            shot->setTimer(data.timer);
            shot->setProperties(data.properties);
        }
    }
    if (!in.atEnd() || !head.atEnd())
        return fail("a damaged pending session");
    return session.release();
}

Session *SessionOutbox::read(const QString &path, AbstractStorage *storage, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return nullptr;
    }
    if (file.size() > MaxFileSize) {
        if (error)
            *error = QStringLiteral("a pending session too big to be one");
        return nullptr;
    }
    return decode(file.readAll(), storage, error);
}

bool SessionOutbox::put(const Session &session)
{
    return put(snapshot(session));
}

bool SessionOutbox::put(const Snapshot &snapshot)
{
    if (!snapshot.valid) {
        m_lastError = QStringLiteral("the session is not complete: it cannot be kept");
        return false;
    }
    return put(snapshot.uuid, encode(snapshot));
}

bool SessionOutbox::put(const QString &uuid, const QByteArray &bytes)
{
    m_lastError.clear();
    if (!QDir().mkpath(m_folder)) {
        m_lastError = QStringLiteral("cannot make the folder %1").arg(m_folder);
        return false;
    }
    // Names begin with a number that grows with every file, so that the
    // listing gives the order; the clock is only its usual source.
    qint64 number = QDateTime::currentMSecsSinceEpoch();
    const QStringList existing = sessionFiles(m_folder);
    if (!existing.isEmpty())
        number = qMax(number, fileNumber(existing.constLast()) + 1);
    const QString name
            = QStringLiteral("%1-%2%3")
                      .arg(number, NumberDigits, 10, QLatin1Char('0'))
                      .arg(QUuid::fromString(uuid).toString(QUuid::WithoutBraces), Suffix);
    QSaveFile file(m_folder + QLatin1Char('/') + name);
    // Unbuffered: a write that fails on a full disk must fail here, since
    // commit() would not report it and would leave an empty file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || file.write(bytes) != bytes.size() || !file.commit()) {
        m_lastError = file.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    // The file's data is on the disk; its name is once the folder is too.
    const int folder = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
#endif
    return true;
}

QStringList SessionOutbox::pending() const
{
    QStringList paths;
    for (const QString &name : sessionFiles(m_folder))
        paths.append(m_folder + QLatin1Char('/') + name);
    return paths;
}

int SessionOutbox::pendingCount() const
{
    return int(sessionFiles(m_folder).size());
}

QStringList SessionOutbox::pendingUuids() const
{
    QStringList uuids;
    for (const QString &name : sessionFiles(m_folder)) {
        const QString text
                = name.mid(NumberDigits + 1, name.size() - NumberDigits - 1 - Suffix.size());
        uuids.append(QUuid::fromString(text).toString());
    }
    return uuids;
}

int SessionOutbox::rejectedCount() const
{
    return int(QDir(rejectedFolder()).entryList(QDir::Files).size());
}

bool SessionOutbox::reject(const QString &path, const QString &reason)
{
    const QString name = QFileInfo(path).fileName();
    QString target = rejectedFolder() + QLatin1Char('/') + name;
    for (int i = 1; QFile::exists(target); ++i)
        target = rejectedFolder() + QStringLiteral("/%1.%2").arg(name).arg(i);
    if (!QDir().mkpath(rejectedFolder()) || !QFile::rename(path, target)) {
        m_lastError = QStringLiteral("cannot move %1 aside (%2)").arg(path, reason);
        return false;
    }
    qWarning("pending session %s moved to %s: %s", qPrintable(path), qPrintable(target),
             qPrintable(reason));
    return true;
}

SessionOutbox::Delivery SessionOutbox::deliver(AbstractStorage *storage)
{
    Delivery delivery;
    m_lastError.clear();
    const auto failed = [&](const QString &why) {
        m_lastError = why.isEmpty() ? QStringLiteral("the database refused the session") : why;
    };
    for (const QString &path : pending()) {
        if (!storage) {
            failed(QStringLiteral("no database"));
            break;
        }
        QString error;
        const std::unique_ptr<Session> session(read(path, storage, &error));
        if (!session) {
            if (!QFile::exists(path))
                continue; // delivered meanwhile by another process
            if (!reject(path, error))
                break;
            ++delivery.rejected;
            continue;
        }
        bool ok = false;
        bool stored = storage->hasSession(session->uuid(), &ok);
        if (!ok) {
            failed(storage->lastError());
            break;
        }
        if (!stored) {
            if (!session->targetDescriptor() && !TargetManager::instance()) {
                failed(QStringLiteral("no target catalogue to deliver with"));
                break;
            }
            if (!session->isValid()) {
                if (!reject(path, QStringLiteral("not a complete session")))
                    break;
                ++delivery.rejected;
                continue;
            }
            // A refused write may be another process having stored it first.
            if (!storage->write(session.get())
                && !(storage->hasSession(session->uuid(), &ok) && ok)) {
                failed(storage->lastError());
                break;
            }
        }
        if (!QFile::remove(path) && QFile::exists(path)) {
            failed(QStringLiteral("cannot remove %1").arg(path));
            break;
        }
        ++delivery.delivered;
    }
    delivery.pending = pendingCount();
    delivery.error = m_lastError;
    return delivery;
}

} // namespace LibModel
