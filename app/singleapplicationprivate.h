#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class QSharedMemory;
class SingleApplication;

// The machinery behind SingleApplication: the shared block that marks a
// running primary, the primary's local server and the handshake that a new
// start sends to it.
class SingleApplicationPrivate : public QObject
{
    Q_OBJECT

public:
    enum ConnectionKind : char {
        NewInstance = 'N',
        SecondaryInstance = 'S',
        Reconnect = 'R',
    };

    // Contents of the shared block.
    struct InstanceBlock
    {
        bool primary;
        quint32 secondary;
    };

    struct Handshake
    {
        enum Status { Incomplete, Valid, Invalid };
        Status status = Incomplete;
        char kind = 0;
        quint32 instanceId = 0;
        int length = 0; // bytes the handshake took from the front of the data
    };

    SingleApplicationPrivate(SingleApplication *q, bool userMode, int timeout);
    ~SingleApplicationPrivate() override;

    // Decides between primary and second start; returns false when this
    // process is a second start that has notified the primary.
    bool startGuard();
    bool connectToPrimary(int timeout, char kind);

    // The instance key: SHA-256 over the program's identity, the executable
    // path in lower case and the user's login name, Base64 with "/" as "_".
    static QString computeKey(const QString &applicationName, const QString &organizationName,
                              const QString &organizationDomain, const QString &version,
                              const QString &executablePath, const QString &userName);
    // The login name of the user running the process; the home location when
    // no name can be found.
    static QString loginName();

    static QByteArray encodeHandshake(const QString &key, char kind, quint32 instanceId);
    static Handshake decodeHandshake(const QString &key, const QByteArray &data);
    // The checksum rendered as digits of base 256: one character per digit,
    // '0'..'9' for 0..9 and from 'a' onwards (wrapping at 256) above.
    static QByteArray checksumText(quint16 checksum);

    SingleApplication *q;
    QString key;
    bool userMode;
    int timeout;
    quint32 instanceNumber = 0;
    bool primary = false;
    QSharedMemory *memory = nullptr;
    QLocalServer *server = nullptr;
    QLocalSocket *socket = nullptr;

private:
    struct Connection
    {
        QByteArray buffer;
        bool accepted = false;
        quint32 instanceId = 0;
    };

    void startPrimary(bool reset);
    void onNewConnection();
    void onReadyRead(QLocalSocket *peer);

    QHash<QLocalSocket *, Connection> connections;
};
