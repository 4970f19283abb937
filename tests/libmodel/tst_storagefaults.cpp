// Writes that meet a database they cannot change: a read-only file, a file
// locked by another connection, a full file system. Each write must fail
// cleanly, leave the stored sessions and the session in memory as they
// were, and succeed exactly once when the fault is gone.
//
// File systems of a chosen state come from a private mount namespace (a
// small tmpfs, remounted read-only or filled up) where the process may
// make one; elsewhere those rows are skipped and the same faults are made
// through SQLite itself (a read-only connection, a page limit).
#include <session.h>
#include <shot.h>
#include <storage.h>
#include <targetmanager.h>
#include <testenvironment.h>
#include <trace.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace LibModel;

namespace {

const QString Connection = QStringLiteral("faults");
const QString Other = QStringLiteral("other");

enum class Fault {
    ReadOnlyPermissions, // the file and its folder without write permission
    ReadOnlyFileSystem, // the folder remounted read-only
    ReadOnlyConnection, // SQLite opens the file read-only
    ExclusiveLock, // another connection is writing
    SharedLock, // another connection is reading
    FileSystemFull, // no space left for the file to grow
    PageLimit, // the file may not grow (max_page_count)
};

QVariant scalar(const QString &connection, const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(connection));
    if (!query.exec(statement) || !query.next())
        return QVariant();
    return query.value(0);
}

// What a session holds in memory, to compare before and after a write.
struct Snapshot
{
    qint64 id = 0;
    bool dirty = false;
    QList<qint64> traceIds;
    QList<int> sampleCounts;
    QList<qint64> shotIds;
    QString uuid;
    int resultInt = 0;

    static Snapshot of(const Session *session)
    {
        Snapshot s;
        s.id = session->id();
        s.dirty = session->isDirty();
        s.uuid = session->uuid();
        s.resultInt = session->resultInt();
        for (const Trace *trace : session->segments()) {
            s.traceIds << trace->id();
            s.sampleCounts << int(trace->samples().size());
        }
        for (const Shot *shot : session->shots())
            s.shotIds << shot->id();
        return s;
    }
    bool operator==(const Snapshot &o) const
    {
        return id == o.id && dirty == o.dirty && traceIds == o.traceIds
                && sampleCounts == o.sampleCounts && shotIds == o.shotIds && uuid == o.uuid
                && resultInt == o.resultInt;
    }
};

} // namespace

class TestStorageFaults : public QObject
{
    Q_OBJECT

private:
    TargetManager targets;
    std::unique_ptr<QTemporaryDir> temporary;
    QString folder; // where the database lives: a tmpfs mount or a plain folder
    bool mounted = false;
    bool namespaceReady = false;
    qint64 timer = 1700000000000;

    QString path() const { return folder + QStringLiteral("/storage.sqlite"); }
    QString filler() const { return folder + QStringLiteral("/filler"); }

    // A private mount namespace, so that mounts made here vanish with the
    // process and nobody else sees them.
    bool enterMountNamespace()
    {
        if (namespaceReady)
            return true;
        namespaceReady = ::unshare(CLONE_NEWNS) == 0
                && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        return namespaceReady;
    }

    bool mountSmallFileSystem(int kilobytes)
    {
        if (!enterMountNamespace())
            return false;
        const QByteArray options = QByteArrayLiteral("size=") + QByteArray::number(kilobytes)
                + QByteArrayLiteral("k,mode=0755");
        mounted = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0,
                          options.constData())
                == 0;
        return mounted;
    }

    bool remount(bool readOnly)
    {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount(nullptr, QFile::encodeName(folder).constData(), nullptr, flags, nullptr)
                == 0;
    }

    Session *makeSession(Storage *storage, int traces, int shotsPerTrace)
    {
        auto *session = new Session(storage);
        session->setTargetDescriptor(
                targets.findByUuid(QLatin1String(TargetManager::AirRifleUuid)));
        session->setCaliber(4.5);
        session->setDistance(10.0);
        session->setSampleRate(100);
        session->setShooter(QStringLiteral("Петров"), QStringLiteral("Динамо"),
                            QStringLiteral("B"));
        for (int t = 0; t < traces; ++t)
            appendTrace(session, shotsPerTrace);
        return session;
    }

    // A trace of noisy samples (so that it does not compress to nothing).
    void appendTrace(Session *session, int shots)
    {
        Trace *trace = session->appendTrace(timer);
        quint32 state = quint32(timer);
        for (int i = 0; i < 2000; ++i) {
            state = state * 1664525u + 1013904223u;
            TraceSample sample;
            sample.x = float(state % 10007) / 100.0f;
            sample.y = float((state >> 8) % 10009) / 100.0f;
            sample.z = 0.0f;
            trace->appendSample(timer + 10 * i, sample);
        }
        for (int s = 0; s < shots; ++s)
            trace->appendShot(0, 100 + 300 * s, false, 0.5);
        timer += 60000;
    }

    int storedSessions()
    {
        return scalar(Connection, QStringLiteral("SELECT COUNT(*) FROM sessions;")).toInt();
    }

    qint64 storedShotsOf(qint64 sessionId)
    {
        return scalar(Connection,
                      QStringLiteral("SELECT COUNT(*) FROM shots h JOIN traces t ON h.trace_id = "
                                     "t.trace_id WHERE t.session_id = %1;")
                              .arg(sessionId))
                .toLongLong();
    }

    // Makes the fault on the storage's file; a failed check leaves the test
    // failed (see QTest::currentTestFailed()).
    void applyFault(Fault fault, Storage *storage)
    {
        switch (fault) {
        case Fault::ReadOnlyPermissions:
            storage->removeConnection();
            QCOMPARE(::chmod(QFile::encodeName(path()).constData(), 0444), 0);
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
            QVERIFY(storage->open(path(), Connection));
            break;
        case Fault::ReadOnlyFileSystem:
            storage->removeConnection();
            QVERIFY(remount(true));
            QVERIFY(storage->open(path(), Connection));
            break;
        case Fault::ReadOnlyConnection: {
            QSqlDatabase db = QSqlDatabase::database(Connection, false);
            db.close();
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            QVERIFY(db.open());
            break;
        }
        case Fault::ExclusiveLock:
        case Fault::SharedLock: {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Other);
            other.setDatabaseName(path());
            other.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=100"));
            QVERIFY(other.open());
            // The lock lasts until the other connection's transaction ends.
            QSqlQuery lock(other);
            if (fault == Fault::ExclusiveLock) {
                QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE;")));
            } else {
                QVERIFY(lock.exec(QStringLiteral("BEGIN;")));
                QVERIFY(lock.exec(QStringLiteral("SELECT COUNT(*) FROM sessions;")));
                QVERIFY(lock.next());
            }
            break;
        }
        case Fault::FileSystemFull: {
            QFile fill(filler());
            QVERIFY(fill.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (fill.write(block) == block.size() && fill.flush()) { }
            fill.close();
            break;
        }
        case Fault::PageLimit: {
            const qint64 pages
                    = scalar(Connection, QStringLiteral("PRAGMA page_count;")).toLongLong();
            QVERIFY(pages > 0);
            QCOMPARE(scalar(Connection, QStringLiteral("PRAGMA max_page_count = %1;").arg(pages))
                             .toLongLong(),
                     pages);
            break;
        }
        }
    }

    void removeFault(Fault fault, Storage *storage)
    {
        switch (fault) {
        case Fault::ReadOnlyPermissions:
        case Fault::ReadOnlyFileSystem:
            // A file opened read-only stays so: the storage opens it again.
            storage->removeConnection();
            if (fault == Fault::ReadOnlyFileSystem) {
                QVERIFY(remount(false));
            } else {
                QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
                QCOMPARE(::chmod(QFile::encodeName(path()).constData(), 0644), 0);
            }
            QVERIFY(storage->open(path(), Connection));
            break;
        case Fault::ReadOnlyConnection: {
            QSqlDatabase db = QSqlDatabase::database(Connection, false);
            db.close();
            db.setConnectOptions(QString());
            QVERIFY(db.open());
            break;
        }
        case Fault::ExclusiveLock:
        case Fault::SharedLock: {
            QSqlDatabase other = QSqlDatabase::database(Other, false);
            QSqlQuery(other).exec(QStringLiteral("ROLLBACK;"));
            other.close();
            break;
        }
        case Fault::FileSystemFull:
            QVERIFY(QFile::remove(filler()));
            break;
        case Fault::PageLimit:
            scalar(Connection, QStringLiteral("PRAGMA max_page_count = 1073741823;"));
            break;
        }
    }

    // Why this machine cannot make the fault (empty when it can); mounts
    // the small file system for the faults that need one.
    QString unavailable(Fault fault)
    {
        if (fault == Fault::ReadOnlyPermissions && ::geteuid() == 0)
            return QStringLiteral("permissions do not bind root; the other read-only rows "
                                  "cover this fault");
        const bool needsMount
                = fault == Fault::ReadOnlyFileSystem || fault == Fault::FileSystemFull;
        if (needsMount && !mountSmallFileSystem(fault == Fault::FileSystemFull ? 768 : 4096))
            return QStringLiteral("no private mount namespace here; the SQLite rows cover "
                                  "this fault");
        return QString();
    }

private slots:
    void init()
    {
        temporary = std::make_unique<QTemporaryDir>();
        QVERIFY(temporary->isValid());
        folder = temporary->filePath(QStringLiteral("db"));
        QVERIFY(QDir().mkpath(folder));
        mounted = false;
    }

    void cleanup()
    {
        if (QSqlDatabase::contains(Other))
            QSqlDatabase::removeDatabase(Other);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        ::chmod(QFile::encodeName(path()).constData(), 0644);
        if (mounted) {
            ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
            mounted = false;
        }
        temporary.reset();
    }

    void writeFailsCleanlyAndSucceedsOnceTheFaultIsGone_data()
    {
        QTest::addColumn<int>("faultRow");
        QTest::newRow("read-only file") << int(Fault::ReadOnlyPermissions);
        QTest::newRow("read-only file system") << int(Fault::ReadOnlyFileSystem);
        QTest::newRow("read-only connection") << int(Fault::ReadOnlyConnection);
        QTest::newRow("locked by a writer") << int(Fault::ExclusiveLock);
        QTest::newRow("locked by a reader") << int(Fault::SharedLock);
        QTest::newRow("file system full") << int(Fault::FileSystemFull);
        QTest::newRow("page limit") << int(Fault::PageLimit);
    }

    void writeFailsCleanlyAndSucceedsOnceTheFaultIsGone()
    {
        QFETCH(int, faultRow);
        const Fault fault = Fault(faultRow);
        if (const QString reason = unavailable(fault); !reason.isEmpty())
            QSKIP(qPrintable(reason));

        auto storage = std::make_unique<Storage>();
        QVERIFY(storage->open(path(), Connection));
        // A stored session, and one that will be saved again with more.
        std::unique_ptr<Session> stored(makeSession(storage.get(), 2, 3));
        QVERIFY(stored->write());
        const qint64 storedId = stored->id();
        QVERIFY(storedId > 0);

        applyFault(fault, storage.get());
        if (QTest::currentTestFailed())
            return;

        // Two writes under the fault: a new session and more of a stored one.
        std::unique_ptr<Session> fresh(makeSession(storage.get(), 3, 4));
        const Snapshot freshBefore = Snapshot::of(fresh.get());
        appendTrace(stored.get(), 2);
        stored->setComments(QStringLiteral("one more trace"));
        const Snapshot storedBefore = Snapshot::of(stored.get());
        QVERIFY(storedBefore.dirty);

        QVERIFY(!storage->write(fresh.get()));
        QVERIFY(!storage->write(stored.get()));
        QVERIFY(Snapshot::of(fresh.get()) == freshBefore);
        QVERIFY(Snapshot::of(stored.get()) == storedBefore);
        QCOMPARE(fresh->id(), 0);
        QCOMPARE(fresh->shots().size(), 12);
        QCOMPARE(stored->shots().size(), 8);

        removeFault(fault, storage.get());
        if (QTest::currentTestFailed())
            return;

        // Nothing of either had reached the file, which is still sound (seen
        // only now: a locked file cannot be read either).
        QCOMPARE(scalar(Connection, QStringLiteral("PRAGMA integrity_check;")).toString(),
                 QStringLiteral("ok"));
        QCOMPARE(storedSessions(), 1);
        QCOMPARE(storedShotsOf(storedId), 6);

        QVERIFY(storage->write(fresh.get()));
        QVERIFY(storage->write(stored.get()));
        QVERIFY(fresh->id() > 0);
        QCOMPARE(stored->id(), storedId);
        QVERIFY(!fresh->isDirty() && !stored->isDirty());
        // Written once: saving again adds nothing.
        QVERIFY(storage->write(fresh.get()));
        QVERIFY(storage->write(stored.get()));
        QCOMPARE(storedSessions(), 2);
        QCOMPARE(storedShotsOf(storedId), 8);
        QCOMPARE(storedShotsOf(fresh->id()), 12);

        for (const Session *session : {fresh.get(), stored.get()}) {
            std::unique_ptr<Session> read(storage->readSession(uint(session->id())));
            QVERIFY(read);
            QCOMPARE(read->uuid(), session->uuid());
            QCOMPARE(read->segments().size(), session->segments().size());
            QCOMPARE(read->shots().size(), session->shots().size());
            QCOMPARE(read->resultInt(), session->resultInt());
        }
        QCOMPARE(scalar(Connection, QStringLiteral("PRAGMA integrity_check;")).toString(),
                 QStringLiteral("ok"));
        fresh.reset();
        stored.reset();
        storage.reset();
    }
};

int main(int argc, char *argv[])
{
    TestEnvironment::prepare();
    QCoreApplication app(argc, argv);
    LibMisc::ApplicationIdentity::apply();
    TestStorageFaults tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_storagefaults.moc"
