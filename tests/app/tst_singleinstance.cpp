#include <singleapplicationprivate.h>
#include <testenvironment.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <memory>

using Private = SingleApplicationPrivate;

namespace {

// A started probe program (singleinstanceprobe.cpp) whose output lines we read.
class Probe
{
public:
    explicit Probe(const QString &program) { process.start(program, {}); }
    ~Probe() { finish(); }

    // Waits for the next line that equals `line`.
    bool waitForLine(const QString &line)
    {
        for (QByteArray next; !(next = TestEnvironment::nextLine(process)).isNull();) {
            seen << QString::fromUtf8(next);
            if (seen.last() == line)
                return true;
        }
        return false;
    }

    // Closes the probe's input, so that it ends, and returns every line it wrote.
    QStringList finish()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(10000))
            process.kill();
        while (process.canReadLine())
            seen << QString::fromUtf8(process.readLine()).trimmed();
        return seen;
    }

    QProcess process;
    QStringList seen;
};

QString probePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/singleinstanceprobe");
}

// Runs a second start to its end: its exit code, -1 when it does not end.
int runToEnd(const QString &program)
{
    QProcess second;
    second.start(program, {});
    if (second.waitForFinished(15000) && second.exitStatus() == QProcess::NormalExit)
        return second.exitCode();
    second.kill();
    second.waitForFinished();
    return -1;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void handshake()
    {
        const QString key = QStringLiteral("abc+DEF_123=");
        const QByteArray message = Private::encodeHandshake(key, Private::NewInstance, 7);
        const Private::Handshake decoded = Private::decodeHandshake(key, message + "activate");
        QCOMPARE(decoded.status, Private::Handshake::Valid);
        QVERIFY(decoded.kind == Private::NewInstance && decoded.instanceId == 7u);
        QCOMPARE(decoded.length, message.size()); // the rest is the next message
        // Every proper prefix is incomplete, never valid or refused.
        for (int n = 0; n < message.size(); ++n)
            QCOMPARE(Private::decodeHandshake(key, message.left(n)).status,
                     Private::Handshake::Incomplete);

        // Strangers are refused: another key, a wrong first byte before the
        // rest arrives, an unknown kind, a wrong checksum or instance number.
        QByteArray badKind = message, badChecksum = message, badNumber = message;
        badKind[key.size()] = 'Z';
        badChecksum[message.size() - 1] = char(message.at(message.size() - 1) ^ 1);
        badNumber[key.size() + 1] = char(5);
        QCOMPARE(Private::decodeHandshake(QStringLiteral("abc+DEF_124="), message).status,
                 Private::Handshake::Invalid);
        for (const QByteArray &bad : {QByteArray("x"), badKind, badChecksum, badNumber})
            QCOMPARE(Private::decodeHandshake(key, bad).status, Private::Handshake::Invalid);
    }

    void laterStartsNotifyThePrimaryAndEnd()
    {
        for (int round = 0; round < 2; ++round) {
            // Killed outright, a primary leaves its shared block behind.
            auto killed = std::make_unique<Probe>(probePath());
            QVERIFY(killed->waitForLine(QStringLiteral("primary")));
            killed->process.kill();
            killed.reset();

            Probe primary(probePath());
            QVERIFY(primary.waitForLine(QStringLiteral("primary")));
            for (int start = 0; start < 2; ++start) {
                QCOMPARE(runToEnd(probePath()), 0);
                QVERIFY(primary.waitForLine(QStringLiteral("instanceStarted")));
            }
            QCOMPARE(primary.process.state(), QProcess::Running);
        }
    }

    void theProgramItselfStartsOnce()
    {
        const QString program
                = QCoreApplication::applicationDirPath() + QStringLiteral("/kavrotir");
        QProcess first;
        first.start(program, {QStringLiteral("--report-frame-rate")});
        // The primary's server is up before its window: its first frame
        // report says it is running.
        QVERIFY(!TestEnvironment::nextLine(first).isNull());
        QCOMPARE(runToEnd(program), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
    }
};

KAVRO_TEST_MAIN(TestSingleInstance, QCoreApplication)
#include "tst_singleinstance.moc"
