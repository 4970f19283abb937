#include "singleapplicationprivate.h"
#include "singleapplication.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSharedMemory>
#include <QStandardPaths>
#include <QTimer>

#include <cstring>

#include <pwd.h>
#include <unistd.h>

namespace {

class BlockLocker
{
public:
    explicit BlockLocker(QSharedMemory *memory)
        : memory(memory)
        , locked(memory->lock())
    { }
    ~BlockLocker()
    {
        if (locked)
            memory->unlock();
    }
    SingleApplicationPrivate::InstanceBlock *block() const
    {
        return static_cast<SingleApplicationPrivate::InstanceBlock *>(memory->data());
    }

private:
    QSharedMemory *memory;
    bool locked;
};

} // namespace

SingleApplicationPrivate::SingleApplicationPrivate(SingleApplication *q, bool userMode, int timeout)
    : QObject(q)
    , q(q)
    , userMode(userMode)
    , timeout(timeout)
{
    key = computeKey(QCoreApplication::applicationName(), QCoreApplication::organizationName(),
                     QCoreApplication::organizationDomain(), QCoreApplication::applicationVersion(),
                     QCoreApplication::applicationFilePath(), userMode ? loginName() : QString());
}

SingleApplicationPrivate::~SingleApplicationPrivate()
{
    if (socket)
        socket->close();
    if (server)
        server->close();
    if (memory && memory->isAttached() && primary) {
        BlockLocker lock(memory);
        lock.block()->primary = false;
    }
    delete memory;
}

QString SingleApplicationPrivate::computeKey(const QString &applicationName,
                                             const QString &organizationName,
                                             const QString &organizationDomain,
                                             const QString &version, const QString &executablePath,
                                             const QString &userName)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayLiteral("SingleApplication"));
    hash.addData(applicationName.toUtf8());
    hash.addData(organizationName.toUtf8());
    hash.addData(organizationDomain.toUtf8());
    hash.addData(version.toUtf8());
    hash.addData(executablePath.toLower().toUtf8());
    hash.addData(userName.toUtf8());
    return QString::fromLatin1(hash.result().toBase64())
            .replace(QLatin1Char('/'), QLatin1Char('_'));
}

QString SingleApplicationPrivate::loginName()
{
    if (const passwd *entry = ::getpwuid(::geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    const QString user = qEnvironmentVariable("USER");
    if (!user.isEmpty())
        return user;
    return QStandardPaths::standardLocations(QStandardPaths::HomeLocation).join(QString());
}

QByteArray SingleApplicationPrivate::checksumText(quint16 checksum)
{
    QByteArray digits;
    unsigned value = checksum;
    do {
        const unsigned digit = value % 256;
        value /= 256;
        digits.prepend(char(digit < 10 ? '0' + digit : 'a' - 10 + digit));
    } while (value);
    return digits;
}

QByteArray SingleApplicationPrivate::encodeHandshake(const QString &key, char kind,
                                                     quint32 instanceId)
{
    QByteArray message = key.toLatin1();
    message.append(kind);
    message.append(reinterpret_cast<const char *>(&instanceId), sizeof instanceId);
    message.append(checksumText(qChecksum(message)));
    return message;
}

SingleApplicationPrivate::Handshake
SingleApplicationPrivate::decodeHandshake(const QString &key, const QByteArray &data)
{
    Handshake result;
    const QByteArray keyBytes = key.toLatin1();
    const qsizetype headerLength = keyBytes.size() + 1 + qsizetype(sizeof(quint32));

    // Compare what has arrived so far, so that a wrong peer is refused early.
    const qsizetype keyPart = qMin(data.size(), keyBytes.size());
    if (std::memcmp(data.constData(), keyBytes.constData(), size_t(keyPart)) != 0) {
        result.status = Handshake::Invalid;
        return result;
    }
    if (data.size() < headerLength)
        return result;

    const QByteArray expected = checksumText(qChecksum(QByteArrayView(data).first(headerLength)));
    if (data.size() < headerLength + expected.size()) {
        // The part of the checksum that is there must already match.
        const QByteArray partial = data.mid(headerLength);
        if (!expected.startsWith(partial))
            result.status = Handshake::Invalid;
        return result;
    }
    if (data.mid(headerLength, expected.size()) != expected) {
        result.status = Handshake::Invalid;
        return result;
    }

    result.kind = data.at(keyBytes.size());
    if (result.kind != NewInstance && result.kind != SecondaryInstance
        && result.kind != Reconnect) {
        result.status = Handshake::Invalid;
        return result;
    }
    std::memcpy(&result.instanceId, data.constData() + keyBytes.size() + 1, sizeof(quint32));
    result.length = int(headerLength + expected.size());
    result.status = Handshake::Valid;
    return result;
}

bool SingleApplicationPrivate::startGuard()
{
    memory = new QSharedMemory(key);

    // Two tries: a block may vanish between a failed create and the attach
    // when its last user detaches at that moment.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (memory->create(sizeof(InstanceBlock))) {
            startPrimary(true);
            return true;
        }
        if (memory->attach())
            break;
    }

    if (memory->isAttached()) {
        BlockLocker lock(memory);
        if (!lock.block()->primary) {
            // The former primary is gone; carry on as the primary.
            lock.block()->primary = true;
            primary = true;
        }
    }
    if (primary) {
        startPrimary(false);
        return true;
    }

    if (connectToPrimary(timeout, NewInstance))
        return false;

    // Nobody answers under the key: the primary was killed and left its
    // block marked as taken. Take over.
    startPrimary(true);
    return true;
}

void SingleApplicationPrivate::startPrimary(bool reset)
{
    primary = true;
    instanceNumber = 0;
    if (memory->isAttached()) {
        BlockLocker lock(memory);
        lock.block()->primary = true;
        if (reset)
            lock.block()->secondary = 0;
    }

    QLocalServer::removeServer(key);
    server = new QLocalServer(this);
    server->setSocketOptions(userMode ? QLocalServer::UserAccessOption
                                      : QLocalServer::WorldAccessOption);
    if (!server->listen(key))
        qWarning("single instance: cannot listen: %s", qPrintable(server->errorString()));
    connect(server, &QLocalServer::newConnection, this, &SingleApplicationPrivate::onNewConnection);
}

bool SingleApplicationPrivate::connectToPrimary(int msecs, char kind)
{
    if (!socket)
        socket = new QLocalSocket(this);
    if (socket->state() != QLocalSocket::ConnectedState) {
        socket->connectToServer(key);
        if (socket->state() != QLocalSocket::ConnectedState && !socket->waitForConnected(msecs))
            return false;
        socket->write(encodeHandshake(key, kind, instanceNumber));
        socket->flush();
        if (socket->bytesToWrite() > 0 && !socket->waitForBytesWritten(msecs))
            return false;
    }
    return true;
}

void SingleApplicationPrivate::onNewConnection()
{
    while (QLocalSocket *peer = server->nextPendingConnection()) {
        connections.insert(peer, Connection());
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { onReadyRead(peer); });
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QObject::destroyed, this, [this, peer] { connections.remove(peer); });
        // A peer that has not identified itself in time is dropped.
        QTimer::singleShot(qMax(timeout, 100), peer, [this, peer] {
            if (!connections.value(peer).accepted)
                peer->abort();
        });
        if (peer->bytesAvailable() > 0)
            onReadyRead(peer);
    }
}

void SingleApplicationPrivate::onReadyRead(QLocalSocket *peer)
{
    auto it = connections.find(peer);
    if (it == connections.end())
        return;
    Connection &connection = it.value();
    connection.buffer.append(peer->readAll());

    if (!connection.accepted) {
        const Handshake handshake = decodeHandshake(key, connection.buffer);
        if (handshake.status == Handshake::Incomplete)
            return;
        if (handshake.status == Handshake::Invalid) {
            connection.buffer.clear();
            peer->abort();
            return;
        }
        connection.accepted = true;
        connection.instanceId = handshake.instanceId;
        connection.buffer.remove(0, handshake.length);
        if (handshake.kind == NewInstance)
            emit q->instanceStarted();
    }

    if (!connection.buffer.isEmpty()) {
        const QByteArray message = connection.buffer;
        const quint32 instanceId = connection.instanceId;
        connection.buffer.clear();
        emit q->receivedMessage(instanceId, message);
    }
}
