// A writer process (this program, started with KAVRO_CRASH_WRITER naming the
// database) saves sessions of random size, some a second time with one more
// trace, announcing each write on stdout; each carries the counts it must
// have in its property map. It is killed with SIGKILL while it starts, on
// the announcement of a randomly chosen write, or inside a write's
// transaction (held there by a reader of the file until its journal shows
// changed pages). After every kill the database must be intact, open, and
// hold every session it held before, each one complete. (An outbox file left
// after its commit: tst_outbox.)
#include <sessionbuilder.h>
#include <sqlfile.h>
#include <testenvironment.h>

#include <recordcodec.h>
#include <storage.h>
#include <trace.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>

#include <sys/prctl.h>
#include <unistd.h>

using namespace LibModel;

namespace {

constexpr char WriterVariable[] = "KAVRO_CRASH_WRITER";
const QString ExpectedTraces = QStringLiteral("expectedTraces");
const QString ExpectedShots = QStringLiteral("expectedShots");

void appendTrace(SessionBuilder &builder, int shots, QRandomGenerator &random)
{
    builder.trace();
    Trace *trace = builder.currentTrace();
    const int samples = 100 + random.bounded(400);
    for (int i = 0; i < samples; ++i) {
        TraceSample sample;
        sample.x = float(random.generateDouble() * 20.0 - 10.0);
        sample.y = float(random.generateDouble() * 20.0 - 10.0);
        trace->appendSample(0, sample);
    }
    Session *session = builder.session();
    for (int s = 0; s < shots; ++s)
        trace->appendShot(ushort(session->shots().size() / 10), (s + 1) * samples / (shots + 1),
                          false, 0.5);
    session->setValue(ExpectedTraces, session->segments().size());
    session->setValue(ExpectedShots, session->shots().size());
}

// The child: makes its persons, says "ready", waits for a line on stdin,
// then saves sessions until it is killed.
int runWriter(const QString &path)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    Storage storage;
    if (!storage.open(path, QStringLiteral("writer")))
        return 2;
    for (int i = 0; i < 20; ++i)
        storage.createShooter(QStringLiteral("Стрелок %1").arg(i), QString(), QString(), {});
    std::puts("ready");
    std::fflush(stdout);
    char go[8];
    if (!std::fgets(go, sizeof go, stdin))
        return 2;

    QRandomGenerator random(quint32(::getpid()));
    int writes = 0;
    const auto announcedWrite = [&](Session *session) {
        std::printf("writing %d\n", ++writes);
        std::fflush(stdout);
        return session->write();
    };
    for (int i = 0; i < 1000; ++i) {
        SessionBuilder builder(&storage, SessionBuilder::Start + ::getpid() * 10000000ll + i);
        builder.shooter(QStringLiteral("Стрелок %1").arg(random.bounded(20)));
        for (int t = 1 + random.bounded(3); t > 0; --t)
            appendTrace(builder, random.bounded(6), random);
        if (!announcedWrite(builder.session()))
            return 3;
        if (random.bounded(2) == 0 && builder.session()->id() != 0) {
            appendTrace(builder, 1 + random.bounded(4), random);
            if (!announcedWrite(builder.session()))
                return 3;
        }
    }
    return 0;
}

// Waits, on the file system's notices, until `journal` holds changed
// pages or `writer` ends.
bool waitForPages(const QString &journal, QProcess &writer)
{
    QFileSystemWatcher watcher({QFileInfo(journal).absolutePath()});
    QEventLoop loop;
    const auto written = [&] {
        if (QFileInfo::exists(journal) && !watcher.files().contains(journal))
            watcher.addPath(journal);
        return QFileInfo(journal).size() > 0 || writer.state() != QProcess::Running;
    };
    const auto check = [&] {
        if (written())
            loop.quit();
    };
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, check);
    QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, &loop, check);
    QObject::connect(&writer, &QProcess::finished, &loop, &QEventLoop::quit);
    if (!written())
        loop.exec();
    return QFileInfo(journal).size() > 0;
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void killedWriterLeavesCompleteSessions()
    {
        constexpr int Kills = 100;
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("storage.sqlite"));
        const QString journal = path + QStringLiteral("-journal");
        QRandomGenerator random(20240601);

        // A reader of the file, which keeps the writer from committing.
        QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        reader.setDatabaseName(path);
        // Every session seen so far: its uuid and its shot count, which only
        // grows (an update adds a trace).
        QHash<QString, qint64> seen;
        SessionBuilder::targets();
        int hotJournals = 0;
        for (int kill = 0; kill < Kills; ++kill) {
            const bool atStart = kill % 4 == 0;
            const bool inTransaction = kill % 4 == 1;
            QProcess writer;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QLatin1String(WriterVariable), path);
            writer.setProcessEnvironment(environment);
            writer.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY2(writer.waitForStarted(10000), qPrintable(writer.errorString()));
            // Reads the writer's output until the text comes.
            QByteArray output;
            const auto waitFor = [&](const QByteArray &text) {
                while (!output.contains(text) && writer.waitForReadyRead(10000))
                    output += writer.readAllStandardOutput();
                return output.contains(text);
            };
            if (!atStart) {
                QVERIFY2(waitFor("ready\n"), writer.readAllStandardError().constData());
                QSqlQuery read(reader);
                if (inTransaction) {
                    QVERIFY(reader.open() && read.exec(QStringLiteral("BEGIN;")));
                    QVERIFY(read.exec(QStringLiteral("SELECT COUNT(*) FROM sessions;")));
                    QVERIFY(read.next());
                }
                writer.write("go\n");
                if (inTransaction)
                    QVERIFY(waitForPages(journal, writer));
                else
                    QVERIFY(waitFor("writing " + QByteArray::number(1 + random.bounded(8)) + '\n'));
            }
            QCOMPARE(writer.state(), QProcess::Running);
            QCOMPARE(::kill(pid_t(writer.processId()), SIGKILL), 0);
            QVERIFY(writer.waitForFinished(10000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
            const bool hotJournal = QFileInfo(journal).size() > 0;
            QVERIFY2(hotJournal || !inTransaction, "the kill did not land inside a transaction");
            hotJournals += hotJournal;
            reader.close();

            QCOMPARE(SqlFile::value(path, QStringLiteral("PRAGMA integrity_check;")).toString(),
                     QStringLiteral("ok"));
            Storage storage;
            QVERIFY2(storage.open(path, QStringLiteral("check")),
                     qPrintable(QStringLiteral("the storage does not open after kill %1")
                                        .arg(kill + 1)));
            // Every row of every session is there, as its own counts say,
            // and the new and changed ones read back whole.
            QSqlQuery sessions(QSqlDatabase::database(QStringLiteral("check")));
            QVERIFY(sessions.exec(QStringLiteral(
                    "SELECT session_id, uuid, shot_count, properties, (SELECT COUNT(*) FROM "
                    "traces t WHERE t.session_id = s.session_id), (SELECT COUNT(*) FROM shots h "
                    "JOIN traces t ON h.trace_id = t.trace_id WHERE t.session_id = s.session_id) "
                    "FROM sessions s ORDER BY session_id;")));
            QHash<QString, qint64> present;
            while (sessions.next()) {
                const QString uuid = sessions.value(1).toString();
                const qint64 shots = sessions.value(2).toLongLong();
                QVariantHash properties;
                QVERIFY(RecordCodec::decodeProperties(sessions.value(3).toByteArray(),
                                                      &properties));
                QCOMPARE(sessions.value(4).toLongLong(),
                         properties.value(ExpectedTraces).toLongLong());
                QCOMPARE(sessions.value(5).toLongLong(), shots);
                QCOMPARE(shots, properties.value(ExpectedShots).toLongLong());
                present.insert(uuid, shots);
                if (seen.value(uuid, -1) != shots) {
                    const std::unique_ptr<Session> session(
                            storage.readSession(sessions.value(0).toUInt()));
                    QVERIFY(session);
                    QCOMPARE(session->shots().size(), shots);
                }
            }
            for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
                QVERIFY2(present.contains(it.key()), "a stored session was lost");
                QVERIFY2(present.value(it.key()) >= it.value(), "a stored session lost shots");
            }
            seen = present;
        }
        QVERIFY(!seen.isEmpty());
        QVERIFY(hotJournals >= Kills / 4);
    }
};

int main(int argc, char *argv[])
{
    TestEnvironment::prepare();
    QCoreApplication app(argc, argv);
    LibMisc::ApplicationIdentity::apply();
    if (qEnvironmentVariableIsSet(WriterVariable))
        return runWriter(qEnvironmentVariable(WriterVariable));
    TestCrashSafety tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_crashsafety.moc"
