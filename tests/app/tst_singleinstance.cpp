#include <singleapplicationprivate.h>
#include <testenvironment.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Private = SingleApplicationPrivate;

namespace {

// A started process of which we read stdout line by line.
class Probe
{
public:
    explicit Probe(const QString &program)
    {
        process.setProgram(program);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
    }
    ~Probe()
    {
        if (process.state() != QProcess::NotRunning) {
            process.closeWriteChannel();
            if (!process.waitForFinished(5000))
                process.kill();
            process.waitForFinished(5000);
        }
    }

    // Waits for a line that equals `line`; false on time-out or exit.
    bool waitForLine(const QString &line, int msecs = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < msecs) {
            while (process.canReadLine()) {
                const QString got = QString::fromUtf8(process.readLine()).trimmed();
                seen << got;
                if (got == line)
                    return true;
            }
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(100);
        }
        return false;
    }

    QProcess process;
    QStringList seen;
};

QString probePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/singleinstanceprobe");
}

// Runs a second start to its end and returns its exit code (-2 on time-out).
int runToEnd(const QString &program, const QStringList &arguments = {})
{
    QProcess second;
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    second.start(program, arguments);
    if (!second.waitForFinished(15000)) {
        second.kill();
        second.waitForFinished();
        return -2;
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -3;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void handshakeRoundTrip()
    {
        const QString key = QStringLiteral("abc+DEF_123=");
        const QByteArray message = Private::encodeHandshake(key, Private::NewInstance, 7);
        const Private::Handshake decoded = Private::decodeHandshake(key, message + "activate");
        QCOMPARE(decoded.status, Private::Handshake::Valid);
        QCOMPARE(decoded.kind, char(Private::NewInstance));
        QCOMPARE(decoded.instanceId, 7u);
        QCOMPARE(decoded.length, message.size());

        // Every proper prefix is incomplete, never valid or refused.
        for (int n = 0; n < message.size(); ++n)
            QCOMPARE(Private::decodeHandshake(key, message.left(n)).status,
                     Private::Handshake::Incomplete);
    }

    void handshakeRefusesStrangers()
    {
        const QString key = QStringLiteral("key-one");
        const QByteArray good = Private::encodeHandshake(key, Private::Reconnect, 0);

        QCOMPARE(Private::decodeHandshake(QStringLiteral("key-two"), good).status,
                 Private::Handshake::Invalid);
        // A wrong first byte is refused before the rest arrives.
        QCOMPARE(Private::decodeHandshake(key, QByteArray("x")).status,
                 Private::Handshake::Invalid);

        QByteArray badKind = good;
        badKind[key.size()] = 'Z';
        QCOMPARE(Private::decodeHandshake(key, badKind).status, Private::Handshake::Invalid);

        QByteArray badChecksum = good;
        badChecksum[badChecksum.size() - 1] = char(badChecksum.at(badChecksum.size() - 1) ^ 1);
        QCOMPARE(Private::decodeHandshake(key, badChecksum).status, Private::Handshake::Invalid);

        QByteArray badNumber = good;
        badNumber[key.size() + 1] = char(5);
        QCOMPARE(Private::decodeHandshake(key, badNumber).status, Private::Handshake::Invalid);
    }

    void checksumTextUsesBase256Digits()
    {
        QCOMPARE(Private::checksumText(0), QByteArray("0"));
        QCOMPARE(Private::checksumText(9), QByteArray("9"));
        QCOMPARE(Private::checksumText(10), QByteArray("a"));
        QCOMPARE(Private::checksumText(35), QByteArray("z"));
        QCOMPARE(Private::checksumText(256 * 1 + 2), QByteArray("12"));
        QCOMPARE(Private::checksumText(0xFFFF).size(), 2);
    }

    void keyDependsOnUserAndPathButNotLetterCase()
    {
        const auto key = [](const QString &path, const QString &user) {
            return Private::computeKey(QStringLiteral("kavrotir"), {}, {}, {}, path, user);
        };
        const QString base = key(QStringLiteral("/opt/kavro/bin/kavrotir"), QStringLiteral("ivan"));
        QCOMPARE(key(QStringLiteral("/OPT/Kavro/bin/KAVROTIR"), QStringLiteral("ivan")), base);
        QVERIFY(key(QStringLiteral("/opt/kavro2/bin/kavrotir"), QStringLiteral("ivan")) != base);
        QVERIFY(key(QStringLiteral("/opt/kavro/bin/kavrotir"), QStringLiteral("petr")) != base);
        QVERIFY(!base.contains(QLatin1Char('/')));
        QCOMPARE(base.size(), 44); // Base64 of a SHA-256 digest
        QVERIFY(!Private::loginName().isEmpty());
    }

    void secondStartNotifiesThePrimaryAndExitsWithZero()
    {
        Probe primary(probePath());
        QVERIFY2(primary.waitForLine(QStringLiteral("primary")),
                 qPrintable(primary.seen.join('|')));
        QCOMPARE(runToEnd(probePath()), 0);
        QVERIFY(primary.waitForLine(QStringLiteral("instanceStarted")));
        QCOMPARE(runToEnd(probePath()), 0);
        QVERIFY(primary.waitForLine(QStringLiteral("instanceStarted")));
        QCOMPARE(primary.process.state(), QProcess::Running);
    }

    void killedPrimaryIsReplacedByTheNextStart()
    {
        for (int round = 0; round < 2; ++round) {
            auto first = std::make_unique<Probe>(probePath());
            QVERIFY(first->waitForLine(QStringLiteral("primary")));
            first->process.kill(); // SIGKILL: no clean-up of the shared block
            QVERIFY(first->process.waitForFinished(5000));
            first.reset();

            Probe next(probePath());
            QVERIFY2(next.waitForLine(QStringLiteral("primary")), qPrintable(next.seen.join('|')));
            QCOMPARE(runToEnd(probePath()), 0);
            QVERIFY(next.waitForLine(QStringLiteral("instanceStarted")));
        }
    }

    void copiesInOtherFoldersAreOtherInstances()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString upper = dir.filePath(QStringLiteral("Copy/singleinstanceprobe"));
        const QString lower = dir.filePath(QStringLiteral("copy/singleinstanceprobe"));
        const QString other = dir.filePath(QStringLiteral("other/singleinstanceprobe"));
        for (const QString &path : {upper, lower, other}) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY(QFile::copy(probePath(), path));
            QFile(path).setPermissions(QFile(probePath()).permissions());
        }

        Probe original(probePath());
        QVERIFY(original.waitForLine(QStringLiteral("primary")));
        Probe copy(upper);
        QVERIFY2(copy.waitForLine(QStringLiteral("primary")), qPrintable(copy.seen.join('|')));
        Probe another(other);
        QVERIFY(another.waitForLine(QStringLiteral("primary")));

        // Only the letter case differs: the same instance as `upper`.
        QCOMPARE(runToEnd(lower), 0);
        QVERIFY(copy.waitForLine(QStringLiteral("instanceStarted")));
        QVERIFY(!original.seen.contains(QStringLiteral("instanceStarted")));
    }

    void theProgramItselfStartsOnce()
    {
        const QString program
                = QCoreApplication::applicationDirPath() + QStringLiteral("/kavrotir");
        const QString key = Private::computeKey(QStringLiteral("kavrotir"), {}, {}, {}, program,
                                                Private::loginName());
        QProcess first;
        first.setProcessChannelMode(QProcess::ForwardedChannels);
        first.start(program);
        QVERIFY(first.waitForStarted());

        // The primary is up once its server accepts connections.
        QLocalSocket socket;
        QElapsedTimer timer;
        timer.start();
        bool listening = false;
        while (!listening && timer.elapsed() < 20000) {
            socket.connectToServer(key);
            listening = socket.waitForConnected(200);
            if (!listening)
                QTest::qWait(100);
            QVERIFY(first.state() == QProcess::Running);
        }
        socket.abort();
        QVERIFY(listening);

        QCOMPARE(runToEnd(program), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
    }
};

KAVRO_TEST_MAIN(TestSingleInstance, QCoreApplication)
#include "tst_singleinstance.moc"
