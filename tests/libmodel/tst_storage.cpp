#include <recordcodec.h>
#include <serie.h>
#include <session.h>
#include <sessioninfomodel.h>
#include <shootermodel.h>
#include <shot.h>
#include <storage.h>
#include <targetdescriptor.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace LibModel;

namespace {

TraceSample sampleAt(double x, double y, qint32 trigger = -1)
{
    TraceSample sample;
    sample.x = float(x);
    sample.y = float(y);
    sample.z = 0.125f;
    sample.trigger = trigger;
    return sample;
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Runs statements on a file of our own, outside the storage.
class RawDatabase
{
public:
    explicit RawDatabase(const QString &path)
        : m_name(QStringLiteral("raw-%1").arg(++s_counter))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawDatabase()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString &statement)
    {
        QSqlQuery query(QSqlDatabase::database(m_name));
        const bool ok = query.exec(statement);
        if (!ok)
            m_error = query.lastError().text();
        return ok;
    }
    QVariant value(const QString &statement)
    {
        QSqlQuery query(QSqlDatabase::database(m_name));
        if (!query.exec(statement) || !query.next())
            return QVariant();
        return query.value(0);
    }
    QString error() const { return m_error; }

private:
    static int s_counter;
    QString m_name;
    QString m_error;
};
int RawDatabase::s_counter = 0;

} // namespace

class TestStorage : public QObject
{
    Q_OBJECT

private:
    TargetManager manager;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<Storage> storage;

    QString path() const { return folder->filePath(QStringLiteral("storage.sqlite")); }

    QVariant scalar(const QString &statement) const
    {
        QSqlQuery query(QSqlDatabase::database(storage->connectionName()));
        if (!query.exec(statement) || !query.next())
            return QVariant();
        return query.value(0);
    }

    qint64 totalChanges() const
    {
        return scalar(QStringLiteral("SELECT total_changes();")).toLongLong();
    }

    // A valid session on the air rifle face with `traces` traces of
    // `shotsPerTrace` shots, for the shooter given.
    Session *makeSession(int traces, int shotsPerTrace,
                         const QString &name = QStringLiteral("Иванов Иван"))
    {
        auto *session = new Session(storage.get());
        session->setTargetDescriptor(
                manager.findByUuid(QLatin1String(TargetManager::AirRifleUuid)));
        session->setCaliber(4.5);
        session->setDistance(10.0);
        session->setSampleRate(100);
        session->setShooter(name, QStringLiteral("ЦСКА"), QStringLiteral("A"));
        session->setComments(QStringLiteral("ровно"));
        session->setValue(QStringLiteral("medal"), QStringLiteral("gold"));
        qint64 timer = 1700000000000;
        for (int t = 0; t < traces; ++t) {
            Trace *trace = session->appendTrace(timer);
            for (int i = 0; i < 300; ++i)
                trace->appendSample(timer + 10 * i, sampleAt(0.02 * i, -0.01 * i));
            for (int s = 0; s < shotsPerTrace; ++s)
                trace->appendShot(ushort(t), 100 + 50 * s, false, 0.25);
            timer += 60000;
        }
        return session;
    }

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        storage = std::make_unique<Storage>();
        QVERIFY(storage->open(path(), QStringLiteral("test")));
    }

    void cleanup()
    {
        storage.reset();
        folder.reset();
    }

    void newFileSchema()
    {
        QCOMPARE(scalar(QStringLiteral("PRAGMA user_version;")).toInt(), 3);
        // The schema texts are the file format: compare them byte for byte.
        QFile golden(QFINDTESTDATA("data/schema-v3.txt"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        QStringList expected
                = QString::fromUtf8(golden.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList actual;
        QSqlQuery query(QSqlDatabase::database(QStringLiteral("test")));
        QVERIFY(query.exec(QStringLiteral(
                "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid;")));
        while (query.next())
            actual << QStringLiteral("%1|%2|%3|%4")
                              .arg(query.value(0).toString(), query.value(1).toString(),
                                   query.value(2).toString(), query.value(3).toString());
        QCOMPARE(actual, expected);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND "
                                       "name NOT LIKE 'sqlite_autoindex%';"))
                         .toInt(),
                 8);
        QCOMPARE(storage->organizations(), QStringList({QStringLiteral("[Все организации]")}));
        QVERIFY(storage->competitions().isEmpty());
    }

    void engineRejectsBadRows_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("accepted");
        const QString session = QStringLiteral(
                "INSERT INTO sessions (uuid, person_id, target_uuid, distance, caliber, timer, "
                "shot_count, sample_rate, position, properties, result) VALUES (%1, 1, "
                "'{26044802-5B13-48d6-A5F8-BE777C9BED82}', 10.0, 4.5, %2, 0, %3, %4, x'00', 0);");
        const QString uuid = QStringLiteral("'{11111111-2222-3333-4444-555555555555}'");
        QTest::newRow("good session") << session.arg(uuid).arg(5).arg(100).arg(0) << true;
        QTest::newRow("sample rate 49") << session.arg(uuid).arg(5).arg(49).arg(0) << false;
        QTest::newRow("position 4") << session.arg(uuid).arg(5).arg(100).arg(4) << false;
        QTest::newRow("short uuid")
                << session.arg(QStringLiteral("'{1111}'")).arg(5).arg(100).arg(0) << false;
        QTest::newRow("timer 0") << session.arg(uuid).arg(0).arg(100).arg(0) << false;
        const QString shot = QStringLiteral("INSERT INTO shots (trace_id, timer, trace_offset, "
                                            "phase, serie_index, missed, properties) VALUES (1, "
                                            "5, 0, %1, 0, 0, x'00');");
        QTest::newRow("phase 0.5") << shot.arg(QStringLiteral("0.5")) << true;
        QTest::newRow("phase NULL") << shot.arg(QStringLiteral("NULL")) << true;
        QTest::newRow("phase 1.5") << shot.arg(QStringLiteral("1.5")) << false;
        QTest::newRow("null result") << QStringLiteral(
                "INSERT INTO sessions (uuid, person_id, target_uuid, distance, caliber, timer, "
                "shot_count, sample_rate, position, properties) VALUES "
                "('{11111111-2222-3333-4444-555555555556}', 1, "
                "'{26044802-5B13-48d6-A5F8-BE777C9BED82}', 10.0, 4.5, 5, 0, 100, 0, x'00');")
                                     << false;
    }

    void engineRejectsBadRows()
    {
        QFETCH(QString, statement);
        QFETCH(bool, accepted);
        QSqlQuery query(QSqlDatabase::database(QStringLiteral("test")));
        QCOMPARE(query.exec(statement), accepted);
    }

    void upgradeFromVersionTwo()
    {
        storage.reset();
        const QString old = folder->filePath(QStringLiteral("v2.sqlite"));
        {
            RawDatabase raw(old);
            QVERIFY(raw.exec(QStringLiteral(
                    "CREATE TABLE persons (person_id INTEGER PRIMARY KEY, name TEXT NOT NULL, "
                    "organization TEXT NOT NULL DEFAULT '', group_name TEXT NOT NULL DEFAULT '', "
                    "name_uppercase TEXT NOT NULL, organization_uppercase TEXT NOT NULL DEFAULT "
                    "'', group_uppercase TEXT NOT NULL DEFAULT '', properties BLOB DEFAULT NULL, "
                    "UNIQUE (name_uppercase, organization_uppercase, group_uppercase));")));
            QVERIFY(raw.exec(QStringLiteral(
                    "CREATE TABLE sessions (session_id INTEGER PRIMARY KEY, uuid VARCHAR(38) NOT "
                    "NULL, person_id INTEGER NOT NULL, target_uuid VARCHAR(38) NOT NULL, distance "
                    "REAL NOT NULL, caliber REAL NOT NULL, timer INTEGER NOT NULL, shot_count "
                    "INTEGER NOT NULL, sample_rate INTEGER NOT NULL, position INTEGER NOT NULL, "
                    "comments TEXT, properties BLOB NOT NULL, competition_name TEXT, result "
                    "INTEGER, UNIQUE(uuid));")));
            QVERIFY(raw.exec(QStringLiteral(
                    "CREATE TABLE traces (trace_id INTEGER PRIMARY KEY, session_id INTEGER NOT "
                    "NULL, timer INTEGER NOT NULL, data BLOB NOT NULL, properties BLOB NOT "
                    "NULL);")));
            QVERIFY(raw.exec(QStringLiteral(
                    "CREATE TABLE shots (shot_id INTEGER PRIMARY KEY, trace_id INTEGER NOT NULL, "
                    "timer INTEGER NOT NULL, trace_offset INTEGER NOT NULL, phase REAL, "
                    "serie_index INTEGER NOT NULL, missed INTEGER NOT NULL, properties BLOB NOT "
                    "NULL);")));
            QVERIFY(raw.exec(QStringLiteral("INSERT INTO persons VALUES (7, 'Пётр', 'ЦСКА', '', "
                                            "'ПЁТР', 'ЦСКА', '', NULL);")));
            const QString properties = QString::fromLatin1(
                    RecordCodec::encodeProperties(
                            {{QStringLiteral("medal"), QStringLiteral("bronze")}})
                            .toHex());
            for (int id : {12, 40}) {
                QVERIFY2(raw.exec(QStringLiteral("INSERT INTO sessions VALUES (%1, "
                                                 "'{00000000-0000-0000-0000-0000000000%1}', 7, "
                                                 "'{26044802-5B13-48d6-A5F8-BE777C9BED82}', 10.0, "
                                                 "4.5, %2, 0, 100, "
                                                 "1, 'old', x'%3', 'Кубок', %4);")
                                          .arg(id)
                                          .arg(1600000000000 + id)
                                          .arg(properties)
                                          .arg(90 + id)),
                         qPrintable(raw.error()));
            }
            QVERIFY(raw.exec(QStringLiteral("PRAGMA user_version=2;")));
        }
        storage = std::make_unique<Storage>();
        QVERIFY(storage->open(old, QStringLiteral("test")));
        QCOMPARE(scalar(QStringLiteral("PRAGMA user_version;")).toInt(), 3);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sessions WHERE is_gto=0;")).toInt(),
                 2);
        QCOMPARE(scalar(QStringLiteral("SELECT result FROM sessions WHERE session_id=40;")).toInt(),
                 130);
        QCOMPARE(storage->competitions(), QStringList({QStringLiteral("Кубок")}));
        QCOMPARE(storage->shooters()->records().first().id, 7);
        std::unique_ptr<SessionInfoModel> list(storage->sessions(7));
        QVERIFY(list);
        QCOMPARE(list->rows().size(), 2);
        QCOMPARE(list->rows().at(1).id, 40u);
        QCOMPARE(list->rows().at(1).properties.value(QStringLiteral("medal")).toString(),
                 QStringLiteral("bronze"));
    }

    void upgradeFromVersionOne()
    {
        storage.reset();
        const QString old = folder->filePath(QStringLiteral("v1.sqlite"));
        {
            RawDatabase raw(old);
            QVERIFY(raw.exec(QStringLiteral(
                    "CREATE TABLE persons (person_id INTEGER PRIMARY KEY, name TEXT NOT NULL, "
                    "organization TEXT NOT NULL DEFAULT '', group_name TEXT NOT NULL DEFAULT '', "
                    "name_uppercase TEXT NOT NULL, organization_uppercase TEXT NOT NULL DEFAULT "
                    "'', group_uppercase TEXT NOT NULL DEFAULT '', UNIQUE (name_uppercase, "
                    "organization_uppercase, group_uppercase));")));
            // The oldest sessions table had neither a result nor a
            // competition name.
            QVERIFY(raw.exec(QStringLiteral(
                    "CREATE TABLE sessions (session_id INTEGER PRIMARY KEY, uuid VARCHAR(38) NOT "
                    "NULL, person_id INTEGER NOT NULL, target_uuid VARCHAR(38) NOT NULL, distance "
                    "REAL NOT NULL, caliber REAL NOT NULL, timer INTEGER NOT NULL, shot_count "
                    "INTEGER NOT NULL, sample_rate INTEGER NOT NULL, position INTEGER NOT NULL, "
                    "comments TEXT, properties BLOB NOT NULL, UNIQUE(uuid));")));
            QVERIFY(raw.exec(QStringLiteral("CREATE TABLE traces (trace_id INTEGER PRIMARY KEY, "
                                            "session_id INTEGER, timer INTEGER, data BLOB, "
                                            "properties BLOB);")));
            QVERIFY(raw.exec(QStringLiteral("CREATE TABLE shots (shot_id INTEGER PRIMARY KEY, "
                                            "trace_id INTEGER);")));
            QVERIFY(raw.exec(QStringLiteral(
                    "INSERT INTO persons VALUES (3, 'Анна', '', 'Б', 'АННА', '', 'Б');")));
            QVERIFY(raw.exec(QStringLiteral("INSERT INTO persons VALUES (9, 'Олег', 'Динамо', '', "
                                            "'ОЛЕГ', 'ДИНАМО', '');")));
            QVERIFY(raw.exec(QStringLiteral(
                    "INSERT INTO sessions VALUES (5, '{00000000-0000-0000-0000-000000000005}', 3, "
                    "'{26044802-5B13-48d6-A5F8-BE777C9BED82}', 10.0, 4.5, 1600000000000, 0, 100, "
                    "0, NULL, x'00');")));
            QVERIFY(raw.exec(QStringLiteral("PRAGMA user_version=1;")));
        }
        storage = std::make_unique<Storage>();
        QVERIFY(storage->open(old, QStringLiteral("test")));
        QCOMPARE(scalar(QStringLiteral("PRAGMA user_version;")).toInt(), 3);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM persons WHERE properties IS NULL;"))
                         .toInt(),
                 2);
        QCOMPARE(storage->findShooterById(9).name, QStringLiteral("Олег"));
        QCOMPARE(scalar(QStringLiteral("SELECT result FROM sessions WHERE session_id=5;")).toInt(),
                 0);
        QCOMPARE(scalar(QStringLiteral("SELECT is_gto FROM sessions WHERE session_id=5;")).toInt(),
                 0);
        QCOMPARE(storage->organizations(),
                 QStringList({QStringLiteral("[Все организации]"), QStringLiteral("Динамо")}));
    }

    void refusesNewerAndForeignFiles()
    {
        storage.reset();
        const QString newer = folder->filePath(QStringLiteral("v4.sqlite"));
        {
            RawDatabase raw(newer);
            QVERIFY(raw.exec(QStringLiteral("CREATE TABLE future (x);")));
            QVERIFY(raw.exec(QStringLiteral("PRAGMA user_version=4;")));
        }
        const QByteArray before = fileHash(newer);
        Storage refusing;
        QVERIFY(!refusing.open(newer, QStringLiteral("newer")));
        refusing.removeConnection();
        QCOMPARE(fileHash(newer), before);

        const QString text = folder->filePath(QStringLiteral("notes.txt"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("this is not a database, just some notes\n").repeated(200));
        file.close();
        const QByteArray textHash = fileHash(text);
        Storage foreign;
        QVERIFY(!foreign.open(text, QStringLiteral("foreign")));
        foreign.removeConnection();
        QCOMPARE(fileHash(text), textHash);
    }

    void propertyRecords()
    {
        const QVariantHash properties = {
                {QStringLiteral("text"), QStringLiteral("Кубок")},
                {QStringLiteral("int"), 42},
                {QStringLiteral("long"), qint64(1) << 40},
                {QStringLiteral("real"), 0.1},
                {QStringLiteral("flag"), true},
                {QStringLiteral("_pulse_samples"), QVariantList({qint64(10), qint64(830)})},
                {QStringLiteral("names"), QStringList({QStringLiteral("a"), QStringLiteral("b")})},
                {QStringLiteral("nested"), QVariantMap({{QStringLiteral("k"), 1}})},
                {QStringLiteral("date"), QDate(2024, 2, 29)}};
        QVariantHash decoded;
        QVERIFY(RecordCodec::decodeProperties(RecordCodec::encodeProperties(properties), &decoded));
        QCOMPARE(decoded.size(), properties.size());
        // Doubles are single precision in the record.
        QCOMPARE(decoded.value(QStringLiteral("real")).toDouble(), double(0.1f));
        decoded.remove(QStringLiteral("real"));
        QVariantHash rest = properties;
        rest.remove(QStringLiteral("real"));
        QCOMPARE(decoded, rest);

        QVERIFY(RecordCodec::decodeProperties(RecordCodec::encodeProperties({}), &decoded));
        QVERIFY(decoded.isEmpty());
    }

    void handBuiltRecordsDecode()
    {
        // magic, format 15, one entry: key "a", a QVariant int 42.
        const QByteArray body = QByteArray::fromHex("0A0B0C0D"
                                                    "0000000F"
                                                    "00000001"
                                                    "00000002"
                                                    "0061"
                                                    "00000002"
                                                    "00"
                                                    "0000002A");
        QVariantHash properties;
        QVERIFY(RecordCodec::decodeProperties(qCompress(body, 1), &properties));
        QCOMPARE(properties, QVariantHash({{QStringLiteral("a"), 42}}));

        // magic, format 15, two samples of 14 bytes, trigger -1 as 0xFFFF.
        const QByteArray samples = QByteArray::fromHex("0A0B0C0D"
                                                       "0000000F"
                                                       "00000002"
                                                       "3F800000"
                                                       "C0000000"
                                                       "00000000"
                                                       "FFFF"
                                                       "40400000"
                                                       "40800000"
                                                       "3E000000"
                                                       "0007");
        QVector<TraceSample> decoded;
        QVERIFY(RecordCodec::decodeSamples(qCompress(samples, 1), &decoded));
        QCOMPARE(decoded.size(), 2);
        QCOMPARE(decoded.at(0).x, 1.0f);
        QCOMPARE(decoded.at(0).y, -2.0f);
        QCOMPARE(decoded.at(0).trigger, -1);
        QCOMPARE(decoded.at(1).z, 0.125f);
        QCOMPARE(decoded.at(1).trigger, 7);
        // And the encoder produces exactly these bytes.
        QCOMPARE(RecordCodec::uncompress(RecordCodec::encodeSamples(decoded)), samples);

        // Zero samples is a valid record.
        QVERIFY(RecordCodec::decodeSamples(RecordCodec::encodeSamples({}), &decoded));
        QVERIFY(decoded.isEmpty());
    }

    void corruptRecordsFailCleanly()
    {
        QVariantHash properties;
        QVector<TraceSample> samples;
        const QByteArray good = RecordCodec::encodeProperties({{QStringLiteral("k"), 1}});
        const QByteArray header = QByteArray::fromHex("0A0B0C0D0000000F");
        const QByteArray cases[] = {
                QByteArray(),
                QByteArray("\x00\x00\x00", 3),
                good.left(good.size() / 2), // truncated stream
                qCompress(QByteArray::fromHex("0A0B0C0E0000000F00000000"), 1), // bad magic
                qCompress(QByteArray::fromHex("0A0B0C0D0000000E00000000"), 1), // bad format
                qCompress(header + QByteArray::fromHex("00000003"), 1), // entries missing
                // A hash claiming a billion entries, and a list claiming as many.
                qCompress(header + QByteArray::fromHex("3B9ACA00"), 1),
                // An uncompressed size of 4 GB claimed by a few bytes.
                QByteArray::fromHex("FFFFFFFF789C030000000001"),
        };
        for (const QByteArray &blob : cases) {
            QVERIFY(!RecordCodec::decodeProperties(blob, &properties));
            QVERIFY(properties.isEmpty());
            QVERIFY(!RecordCodec::decodeSamples(blob, &samples));
            QVERIFY(samples.isEmpty());
        }
        // A list inside a map claiming four billion entries.
        QVERIFY(!RecordCodec::decodeProperties(qCompress(header
                                                                 + QByteArray::fromHex("00000001"
                                                                                       "00000002"
                                                                                       "0061"
                                                                                       "00000009"
                                                                                       "00"
                                                                                       "FFFFFFF0"),
                                                         1),
                                               &properties));
        // A sample count larger than the data holds.
        QVERIFY(!RecordCodec::decodeSamples(
                qCompress(header + QByteArray::fromHex("7FFFFFFF") + QByteArray(14, '\0'), 1),
                &samples));
        QVERIFY(!RecordCodec::decodeSamples(
                qCompress(header + QByteArray::fromHex("00000002") + QByteArray(20, '\0'), 1),
                &samples));
        QVERIFY(samples.isEmpty());
    }

    void writeAndReadBack()
    {
        std::unique_ptr<Session> session(makeSession(2, 3));
        session->setCompetitionName(QStringLiteral("Кубок"));
        session->setValue(QStringLiteral("_pulse_samples"), QVariantList({qint64(5), qint64(905)}));
        session->segments().first()->setProperties({{QStringLiteral("note"), 1}});
        QVERIFY(session->isValid());
        QVERIFY(session->write());
        QVERIFY(!session->isDirty());
        QVERIFY(session->id() > 0);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM traces;")).toInt(), 2);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM shots;")).toInt(), 6);
        for (Trace *trace : session->segments()) {
            QVERIFY(trace->id() > 0);
            QVERIFY(!trace->isDirty());
            for (Shot *shot : trace->shots())
                QVERIFY(shot->id() > 0 && !shot->isDirty());
        }
        QCOMPARE(scalar(QStringLiteral("SELECT result FROM sessions;")).toInt(),
                 session->resultInt());

        std::unique_ptr<Session> read(storage->readSession(uint(session->id())));
        QVERIFY(read);
        QVERIFY(!read->isDirty());
        QCOMPARE(read->uuid(), session->uuid());
        QCOMPARE(read->name(), session->name());
        QCOMPARE(read->shooterId(), session->shooterId());
        QCOMPARE(read->targetDescriptor(), session->targetDescriptor());
        QCOMPARE(read->timer(), session->timer());
        QCOMPARE(read->comments(), session->comments());
        QCOMPARE(read->competitionName(), QStringLiteral("Кубок"));
        QCOMPARE(read->medal(), QStringLiteral("gold"));
        QVERIFY(read->isPulseDataAvailable());
        QCOMPARE(read->segments().size(), 2);
        QCOMPARE(read->shots().size(), 6);
        QCOMPARE(read->series().size(), 2);
        QCOMPARE(read->result(), session->result());
        QCOMPARE(read->segments().first()->properties().value(QStringLiteral("note")).toInt(), 1);
        for (int t = 0; t < 2; ++t) {
            const Trace *a = session->segments().at(t);
            const Trace *b = read->segments().at(t);
            QCOMPARE(b->id(), a->id());
            QCOMPARE(b->timerStart(), a->timerStart());
            QCOMPARE(b->timerEnd(), a->timerEnd());
            QCOMPARE(b->count(), a->count());
            QCOMPARE(b->samples().last().x, a->samples().last().x);
            for (int s = 0; s < 3; ++s) {
                QCOMPARE(b->shots().at(s)->offset(), a->shots().at(s)->offset());
                QCOMPARE(b->shots().at(s)->result(), a->shots().at(s)->result());
                QCOMPARE(b->shots().at(s)->timer(), a->shots().at(s)->timer());
            }
        }
        QVERIFY(!storage->readSession(9999));
    }

    void secondWriteIsIncremental()
    {
        std::unique_ptr<Session> session(makeSession(2, 3));
        QVERIFY(session->write());
        const qint64 after = totalChanges();
        QVERIFY(session->write());
        QCOMPARE(totalChanges(), after); // nothing was executed

        session->setComments(QStringLiteral("ветер слева"));
        QVERIFY(session->write());
        QCOMPARE(totalChanges(), after + 1); // the session row only
        QCOMPARE(scalar(QStringLiteral("SELECT comments FROM sessions;")).toString(),
                 QStringLiteral("ветер слева"));

        // More shots later: the stored result follows.
        Trace *trace = session->segments().last();
        trace->appendSample(1700000100000, sampleAt(0.1, 0));
        trace->appendShot(1, -1, false, 0.0);
        QVERIFY(session->write());
        QCOMPARE(scalar(QStringLiteral("SELECT result FROM sessions;")).toInt(),
                 session->resultInt());
        QCOMPARE(scalar(QStringLiteral("SELECT shot_count FROM sessions;")).toInt(), 7);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM shots;")).toInt(), 7);
        session->setIsGto(true);
        session->setComments(QStringLiteral("норматив"));
        QVERIFY(session->write());
        QCOMPARE(scalar(QStringLiteral("SELECT is_gto FROM sessions;")).toInt(), 1);
    }

    void failedWriteChangesNothing()
    {
        QSqlQuery block(QSqlDatabase::database(QStringLiteral("test")));
        QVERIFY(block.exec(QStringLiteral("CREATE TEMP TRIGGER no_shots BEFORE INSERT ON shots "
                                          "BEGIN SELECT RAISE(ABORT, 'refused'); END;")));
        std::unique_ptr<Session> session(makeSession(2, 3));
        QVERIFY(!session->write());
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sessions;")).toInt(), 0);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM traces;")).toInt(), 0);
        QCOMPARE(session->id(), 0);
        QVERIFY(session->isDirty());
        for (Trace *trace : session->segments())
            QCOMPARE(trace->id(), 0);
        // The person row written first stays.
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM persons;")).toInt(), 1);

        QVERIFY(block.exec(QStringLiteral("DROP TRIGGER no_shots;")));
        QVERIFY(session->write());
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sessions;")).toInt(), 1);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM traces;")).toInt(), 2);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM shots;")).toInt(), 6);
    }

    void invalidSessionsAndOddRowsAreNotStored()
    {
        Session invalid(storage.get());
        QVERIFY(!invalid.write());
        // An empty trace is left out (it could never be read back) and an
        // impossible phase is stored as unknown instead of failing the write.
        std::unique_ptr<Session> session(makeSession(1, 1));
        session->appendTrace(1700000500000);
        Trace *trace = session->segments().first();
        trace->appendShot(0, 5, false, 7.5);
        QVERIFY(session->write());
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM traces;")).toInt(), 1);
        QVERIFY(scalar(QStringLiteral("SELECT phase FROM shots WHERE trace_offset=5;")).isNull());
        std::unique_ptr<Session> read(storage->readSession(uint(session->id())));
        QVERIFY(read);
        QCOMPARE(read->shots().size(), 2);

        // A stored trace without samples makes the session unreadable.
        QSqlQuery query(QSqlDatabase::database(QStringLiteral("test")));
        query.prepare(QStringLiteral("UPDATE traces SET data=?;"));
        query.addBindValue(RecordCodec::encodeSamples({}));
        QVERIFY(query.exec());
        QVERIFY(!storage->readSession(uint(session->id())));
    }

    void deletesCascade()
    {
        std::unique_ptr<Session> first(makeSession(2, 3));
        std::unique_ptr<Session> second(makeSession(1, 2));
        std::unique_ptr<Session> other(makeSession(1, 1, QStringLiteral("Петров")));
        QVERIFY(first->write() && second->write() && other->write());
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM shots;")).toInt(), 9);

        QVERIFY(storage->deleteSession(first->uuid()));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sessions;")).toInt(), 2);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM traces;")).toInt(), 2);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM shots;")).toInt(), 3);
        QVERIFY(storage->deleteSession(QStringLiteral("{no-such-session}")));

        QVERIFY(storage->deleteShooter(uint(second->shooterId())));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM persons;")).toInt(), 1);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sessions;")).toInt(), 1);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM shots;")).toInt(), 1);
        QCOMPARE(storage->shooters()->count(), 1);
        QCOMPARE(storage->shooters()->records().first().name, QStringLiteral("Петров"));
    }

    void personsAndLists()
    {
        QSignalSpy organizations(storage.get(), &Storage::organizationsChanged);
        const ShooterRecord anna = storage->createShooter(
                QStringLiteral("  Анна  Ли "), QStringLiteral("Динамо"), QStringLiteral(" A "), {});
        QVERIFY(anna.id > 0);
        QCOMPARE(anna.name, QStringLiteral("Анна Ли"));
        QCOMPARE(anna.group, QStringLiteral("A"));
        QCOMPARE(organizations.count(), 1);
        // The same person in other letter case is found, not created again.
        QCOMPARE(storage->createShooter(QStringLiteral("АННА ЛИ"), QStringLiteral("динамо"),
                                        QStringLiteral("a"), {{QStringLiteral("x"), 1}})
                         .id,
                 anna.id);
        QCOMPARE(storage->lookupShooter(QStringLiteral("анна ли"), QStringLiteral("ДИНАМО"),
                                        QStringLiteral("A")),
                 uint(anna.id));
        QCOMPARE(storage->lookupShooter(QStringLiteral("Борис"), QString(), QString()), 0u);
        storage->createShooter(QStringLiteral("Борис"), QStringLiteral("Динамо"),
                               QStringLiteral("Б"), {});
        storage->createShooter(QStringLiteral("Вера"), QString(), QString(), {});
        QCOMPARE(storage->groups(QStringLiteral("динамо")),
                 QStringList({QStringLiteral("[Все группы]"), QStringLiteral("A"),
                              QStringLiteral("Б")}));
        QCOMPARE(storage->groups(QStringLiteral("Нет такой")),
                 QStringList({QStringLiteral("[Все группы]")}));
        QCOMPARE(storage->organizations(),
                 QStringList({QStringLiteral("[Все организации]"), QStringLiteral("Динамо")}));
        QCOMPARE(storage->shooters()->count(), 3);

        ShooterRecord changed = anna;
        changed.setProperties({{QStringLiteral("step"), QStringLiteral("5")}});
        QVERIFY(storage->writeShooter(changed));
        QCOMPARE(storage->findShooterById(anna.id).properties.value(QStringLiteral("step")),
                 QVariant(QStringLiteral("5")));
    }

    void competitionPlaces()
    {
        const int results[] = {95, 93, 93, 90};
        const char *names[] = {"А", "Б", "В", "Г"};
        for (int i = 0; i < 4; ++i) {
            std::unique_ptr<Session> session(makeSession(1, 0, QString::fromUtf8(names[i])));
            session->setCompetitionName(QStringLiteral("Кубок"));
            QVERIFY(session->write());
            QSqlQuery query(QSqlDatabase::database(QStringLiteral("test")));
            QVERIFY(query.exec(QStringLiteral("UPDATE sessions SET result=%1 WHERE session_id=%2;")
                                       .arg(results[i])
                                       .arg(session->id())));
        }
        std::unique_ptr<Session> gto(makeSession(1, 0, QStringLiteral("Д")));
        gto->setCompetitionName(QStringLiteral("Норматив"));
        gto->setIsGto(true);
        QVERIFY(gto->write());
        QCOMPARE(storage->competitions(), QStringList({QStringLiteral("Кубок")}));
        QCOMPARE(storage->competitionsGto(), QStringList({QStringLiteral("Норматив")}));

        std::unique_ptr<SessionInfoModel> table(
                storage->sessionsByCompetitionName(QStringLiteral("Кубок"), false));
        QVERIFY(table);
        QCOMPARE(table->rows().size(), 4);
        QStringList places, shooters;
        for (const SessionInfo &row : table->rows()) {
            places << row.place;
            shooters << row.person.name;
        }
        QCOMPARE(places,
                 QStringList({QStringLiteral("1"), QStringLiteral("2 - 3"), QStringLiteral("2 - 3"),
                              QStringLiteral("4")}));
        QCOMPARE(shooters.first(), QStringLiteral("А"));
        std::unique_ptr<SessionInfoModel> none(
                storage->sessionsByCompetitionName(QStringLiteral("Кубок"), true));
        QVERIFY(none && none->isEmpty());

        std::unique_ptr<SessionInfoModel> all(storage->sessions());
        QCOMPARE(all->rows().size(), 5);
        QVERIFY(all->rows().first().person.name.isEmpty());
        QCOMPARE(all->rows().first().result, 0);
        QVERIFY(all->rows().last().isGto);
    }

    void competitionNamesByDate()
    {
        std::unique_ptr<Session> session(makeSession(1, 0));
        session->setValue(QStringLiteral("competitionName"), QStringLiteral("Весенний кубок"));
        QVERIFY(session->write());
        const QDate day = QDateTime::fromMSecsSinceEpoch(session->timer()).date();
        QCOMPARE(storage->sessionsByDateName(day.year(), day.month(), day.day()),
                 QStringList({QStringLiteral("Весенний кубок")}));
        const QDate before = day.addDays(-1);
        QCOMPARE(storage->sessionsByDateName(before.year(), before.month(), before.day()).size(),
                 1);
        QVERIFY(storage->sessionsByDateName(day.year(), day.month(), 0).isEmpty());
        QVERIFY(storage->sessionsByDateName().isEmpty());
        QVERIFY(!storage->sessionsByDate(day.year()));
    }

    void importShooters()
    {
        const auto import = [&](const QByteArray &json) {
            const QString file = folder->filePath(QStringLiteral("shooters.json"));
            QFile out(file);
            out.open(QIODevice::WriteOnly | QIODevice::Truncate);
            out.write(json);
            out.close();
            return storage->addShootersFromJSON(file);
        };
        QCOMPARE(storage->addShootersFromJSON(folder->filePath(QStringLiteral("missing.json"))), 1);
        QCOMPARE(import("not json"), 2);
        QCOMPARE(import("{}"), 3);
        QCOMPARE(import("[]"), 4);

        const QByteArray list = R"([
            {"name": "Иванов", "organization": "ЦСКА", "isGto": false, "group": " A "},
            {"name": "Строка", "organization": "ЦСКА", "isGto": "true", "group": "A"},
            {"name": "Норма", "organization": "Школа", "isGto": true, "group": "5",
             "birthDate": "2010-03-01", "sex": "Ж", "step": "4", "gtoUuid": "g-1",
             "athleticRank": "I"},
            {"name": "Число", "organization": "Школа", "isGto": true, "group": "5",
             "birthDate": "2010-03-01", "sex": "М", "step": 4, "gtoUuid": "g-2"},
            42, {}, {"name": "Без группы", "organization": "X", "isGto": false},
            {"name": "Петрова", "organization": "Школа", "isGto": true, "group": "5",
             "birthDate": "2011-01-01", "sex": "Ж", "step": "5", "gtoUuid": "g-3",
             "pectoralNumber": "17"}
        ])";
        QCOMPARE(import(list), 0);
        QCOMPARE(storage->shooters()->count(), 3);
        const ShooterRecord ivanov = storage->findShooter(
                QStringLiteral("Иванов"), QStringLiteral("ЦСКА"), QStringLiteral("A"));
        QVERIFY(ivanov.id > 0);
        QVERIFY(ivanov.properties.isEmpty());
        const ShooterRecord norma = storage->findShooter(
                QStringLiteral("Норма"), QStringLiteral("Школа"), QStringLiteral("5"));
        QCOMPARE(norma.properties.value(QStringLiteral("step")), QVariant(QStringLiteral("4")));
        QCOMPARE(norma.properties.value(QStringLiteral("athleticRank")).toString(),
                 QStringLiteral("I"));
        QVERIFY(!norma.properties.contains(QStringLiteral("pectoralNumber")));
        QCOMPARE(storage->findShooter(QStringLiteral("Петрова"), QStringLiteral("Школа"),
                                      QStringLiteral("5"))
                         .properties.value(QStringLiteral("pectoralNumber"))
                         .toString(),
                 QStringLiteral("17"));

        // A second import changes nothing.
        const qint64 changes = totalChanges();
        QCOMPARE(import(list), 0);
        QCOMPARE(storage->shooters()->count(), 3);
        QCOMPARE(totalChanges(), changes);
    }
};

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
