// Writes that meet a database they cannot change: a read-only folder or
// connection, a lock held by another connection, a full disk. Each write
// must fail cleanly, leave the stored sessions and the session in memory as
// they were, and succeed exactly once when the fault is gone.
#include <mountsandbox.h>
#include <sessionbuilder.h>
#include <testenvironment.h>

#include <shot.h>
#include <storage.h>
#include <trace.h>

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace LibModel;

namespace {

const QString Connection = QStringLiteral("faults");
const QString Other = QStringLiteral("other");

enum Fault {
    ReadOnlyFolder, // mounted read-only (without a mount: no write permission)
    ReadOnlyConnection, // SQLite opens the file read-only
    ExclusiveLock, // another connection is writing
    SharedLock, // another connection is reading: inserts work, the commit does not
    DiskFull, // a small disk that runs full
};

QVariant scalar(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(Connection));
    return query.exec(statement) && query.next() ? query.value(0) : QVariant();
}

// What a session holds in memory: its ids, dirty flag, samples and result.
QString snapshot(const Session *session)
{
    QStringList parts = {QString::number(session->id()), QString::number(session->isDirty()),
                         QString::number(session->resultInt())};
    for (const Trace *trace : session->segments())
        parts << QStringLiteral("trace %1 of %2").arg(trace->id()).arg(trace->count());
    for (const Shot *shot : session->shots())
        parts << QStringLiteral("shot %1").arg(shot->id());
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestStorageFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<MountSandbox> sandbox;
    qint64 timer = SessionBuilder::Start;

    QString path() const { return folder->filePath(QStringLiteral("storage.sqlite")); }

    std::unique_ptr<Session> makeSession(Storage *storage, int traces, int shots)
    {
        auto session = SessionBuilder(storage).shooter(QStringLiteral("Петров")).take();
        while (traces-- > 0)
            appendTrace(session.get(), shots);
        return session;
    }

    void appendTrace(Session *session, int shots)
    {
        Trace *trace = session->appendTrace(timer);
        for (int i = 0; i < 2000; ++i)
            trace->appendSample(timer + 10 * i, {float(i % 97), float(i % 89)});
        for (int s = 0; s < shots; ++s)
            trace->appendShot(0, 100 + 300 * s, false, 0.5);
        timer += 60000;
    }

    qint64 storedShotsOf(qint64 sessionId)
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM shots h JOIN traces t ON h.trace_id = "
                                     "t.trace_id WHERE t.session_id = %1;")
                              .arg(sessionId))
                .toLongLong();
    }

    // Makes the fault on the storage's file, or takes it away again.
    void setFault(Fault fault, Storage *storage, bool on)
    {
        switch (fault) {
        case ReadOnlyFolder:
            // A file opened read-only stays so: the storage opens it again.
            storage->removeConnection();
            if (sandbox->isAvailable()) {
                QVERIFY(on ? sandbox->readOnly(folder->path()) : sandbox->writable(folder->path()));
            } else {
                QCOMPARE(::chmod(QFile::encodeName(path()).constData(), on ? 0444 : 0644), 0);
                QCOMPARE(::chmod(QFile::encodeName(folder->path()).constData(), on ? 0555 : 0755),
                         0);
            }
            QVERIFY(storage->open(path(), Connection));
            break;
        case ReadOnlyConnection: {
            QSqlDatabase db = QSqlDatabase::database(Connection, false);
            db.close();
            db.setConnectOptions(on ? QStringLiteral("QSQLITE_OPEN_READONLY") : QString());
            QVERIFY(db.open());
            break;
        }
        case ExclusiveLock:
        case SharedLock: {
            if (!on) {
                QSqlQuery(QSqlDatabase::database(Other)).exec(QStringLiteral("ROLLBACK;"));
                QSqlDatabase::database(Other).close();
                break;
            }
            // Fail at once instead of after the connection's busy timeout.
            QVERIFY(scalar(QStringLiteral("PRAGMA busy_timeout = 0;")).isValid());
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Other);
            other.setDatabaseName(path());
            QVERIFY(other.open());
            // The lock lasts until the other connection's transaction ends.
            QSqlQuery lock(other);
            QVERIFY(lock.exec(fault == ExclusiveLock ? QStringLiteral("BEGIN EXCLUSIVE;")
                                                     : QStringLiteral("BEGIN;")));
            QVERIFY(lock.exec(QStringLiteral("SELECT COUNT(*) FROM sessions;")) && lock.next());
            break;
        }
        case DiskFull:
            QVERIFY(on ? sandbox->fill(folder->path()) : sandbox->resize(folder->path(), 64 << 20));
            break;
        }
    }

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
        sandbox = std::make_unique<MountSandbox>();
    }

    void cleanup()
    {
        QSqlDatabase::removeDatabase(Other);
        sandbox.reset();
        ::chmod(QFile::encodeName(folder->path()).constData(), 0755);
        folder.reset();
    }

    void writeFailsCleanlyAndSucceedsOnceTheFaultIsGone_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("read-only folder") << int(ReadOnlyFolder);
        QTest::newRow("read-only connection") << int(ReadOnlyConnection);
        QTest::newRow("locked by a writer") << int(ExclusiveLock);
        QTest::newRow("locked by a reader") << int(SharedLock);
        QTest::newRow("disk full") << int(DiskFull);
    }

    void writeFailsCleanlyAndSucceedsOnceTheFaultIsGone()
    {
        QFETCH(int, fault);
        if (!sandbox->isAvailable()
            && (fault == DiskFull || (fault == ReadOnlyFolder && ::geteuid() == 0)))
            QSKIP(qPrintable(sandbox->reason()));
        if (fault == DiskFull)
            QVERIFY(sandbox->smallDisk(folder->path(), 4 << 20));

        auto storage = std::make_unique<Storage>();
        QVERIFY(storage->open(path(), Connection));
        // A stored session, and one that will be saved again with more.
        std::unique_ptr<Session> stored = makeSession(storage.get(), 2, 3);
        QVERIFY(stored->write());
        const qint64 storedId = stored->id();

        setFault(Fault(fault), storage.get(), true);
        if (QTest::currentTestFailed())
            return;

        // Two writes under the fault: a new session and more of a stored one.
        std::unique_ptr<Session> fresh = makeSession(storage.get(), 3, 4);
        const QString freshBefore = snapshot(fresh.get());
        appendTrace(stored.get(), 2);
        stored->setComments(QStringLiteral("one more trace"));
        const QString storedBefore = snapshot(stored.get());
        QVERIFY(!storage->write(fresh.get()));
        QVERIFY(!storage->write(stored.get()));
        QCOMPARE(snapshot(fresh.get()), freshBefore);
        QCOMPARE(snapshot(stored.get()), storedBefore);

        setFault(Fault(fault), storage.get(), false);
        if (QTest::currentTestFailed())
            return;

        // Nothing of either had reached the file, which is still sound (seen
        // only now: a locked file cannot be read either).
        QCOMPARE(scalar(QStringLiteral("PRAGMA integrity_check;")).toString(),
                 QStringLiteral("ok"));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sessions;")).toInt(), 1);
        QCOMPARE(storedShotsOf(storedId), 6);

        // Written once: saving again adds nothing.
        for (int i = 0; i < 2; ++i)
            QVERIFY(storage->write(fresh.get()) && storage->write(stored.get()));
        QCOMPARE(stored->id(), storedId);
        QVERIFY(!fresh->isDirty() && !stored->isDirty());
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sessions;")).toInt(), 2);
        QCOMPARE(storedShotsOf(storedId), 8);
        QCOMPARE(storedShotsOf(fresh->id()), 12);
    }
};

KAVRO_TEST_MAIN(TestStorageFaults, QCoreApplication)
#include "tst_storagefaults.moc"
