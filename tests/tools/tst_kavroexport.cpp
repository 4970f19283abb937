#include <session.h>
#include <shot.h>
#include <storage.h>
#include <targetmanager.h>
#include <testenvironment.h>
#include <trace.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace LibModel;

namespace {

constexpr qint64 Start = 1700000000000;
constexpr qint64 PulseBeat = 4102444800123; // beyond 32 bits
constexpr float NaNf = std::numeric_limits<float>::quiet_NaN();

TraceSample sample(float x, float y, float z, qint32 trigger)
{
    TraceSample result;
    result.x = x;
    result.y = y;
    result.z = z;
    result.trigger = trigger;
    return result;
}

QString oneDecimal(const QJsonValue &value)
{
    return QString::number(value.toDouble(), 'f', 1);
}

// True when every key occurs in the text after the previous one, i.e. the
// object was written with its keys in that order.
bool keysInOrder(const QByteArray &text, const QList<QByteArray> &keys)
{
    qsizetype position = 0;
    for (const QByteArray &key : keys) {
        const qsizetype found = text.indexOf('"' + key + "\":", position);
        if (found < 0)
            return false;
        position = found + 1;
    }
    return true;
}

} // namespace

// Builds a stored session through the model classes, then reads it back
// through the kavro tool's database commands in a separate process.
class TestKavroExport : public QObject
{
    Q_OBJECT

private:
    TargetManager targets; // the session finds its target face here
    QTemporaryDir folder;
    QString database;
    qint64 sessionId = 0;
    qint64 personId = 0;
    QList<qint64> traceIds;
    QList<qint64> shotIds;
    QString sessionUuid;

    // Runs the tool and returns its standard output; fails the test when it
    // does not exit with the expected code.
    QByteArray kavro(const QStringList &arguments, int expectedExitCode = 0)
    {
        QProcess process;
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kavro"), arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            QTest::qFail("kavro did not finish", __FILE__, __LINE__);
            return QByteArray();
        }
        const QByteArray errors = process.readAllStandardError();
        if (process.exitStatus() != QProcess::NormalExit
            || process.exitCode() != expectedExitCode) {
            QTest::qFail(qPrintable(QStringLiteral("kavro %1 exited with %2: %3")
                                            .arg(arguments.join(QLatin1Char(' ')))
                                            .arg(process.exitCode())
                                            .arg(QString::fromUtf8(errors))),
                         __FILE__, __LINE__);
        }
        return process.readAllStandardOutput();
    }

    static QList<QByteArray> lines(const QByteArray &output)
    {
        QList<QByteArray> result = output.split('\n');
        if (!result.isEmpty() && result.constLast().isEmpty())
            result.removeLast();
        return result;
    }

    static QJsonObject parse(const QByteArray &line)
    {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            qWarning() << "not a JSON object:" << line;
        return document.object();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        database = folder.filePath(QStringLiteral("export.sqlite"));

        Storage storage;
        QVERIFY(storage.open(database, QStringLiteral("tst_kavroexport")));
        Session session(&storage);
        session.setTargetDescriptor(targets.findByUuid(QLatin1String(TargetManager::AirRifleUuid)));
        session.setCaliber(4.5);
        session.setDistance(10.0);
        session.setSampleRate(100);
        session.setPosition(Session::PositionStanding);
        session.setComments(QStringLiteral("Wind, \"gusty\""));
        session.setCompetitionName(QStringLiteral("Cup"));
        session.setValue(QStringLiteral("competitionName"), QStringLiteral("Cup"));
        session.setValue(QStringLiteral("resultReal"),
                         QVariant(std::numeric_limits<double>::quiet_NaN()));
        session.setValue(QStringLiteral("_pulse_samples"), QVariantList {QVariant(PulseBeat)});

        // Two traces at 100 samples per second: a shot at 9.9, one at 10.8,
        // one at 5.8 and a missed one on a sample without a position.
        Trace *first = session.appendTrace(Start);
        first->appendSample(Start, sample(10.0f, 10.0f, 0.0f, -1));
        first->appendSample(Start + 10, sample(2.6f, 0.0f, 0.5f, 7));
        first->appendSample(Start + 20, sample(0.3f, 0.2f, 0.0f, 300));
        QVERIFY(first->appendShot(0, 1, false, 0.25));
        QVERIFY(first->appendShot(0, 2, false, 1.0));
        Trace *second = session.appendTrace(Start + 60000);
        second->appendSample(Start + 60000, sample(12.0f, 5.0f, 0.0f, -1));
        second->appendSample(Start + 60010, sample(NaNf, NaNf, NaNf, -1));
        QVERIFY(second->appendShot(0, 0, false, 0.5));
        QVERIFY(second->appendShot(1, 1, true, 0.0));

        session.setShooter(QStringLiteral("Test Shooter"), QStringLiteral("Club"),
                           QStringLiteral("A"));
        QVERIFY(session.isValid());
        QVERIFY(session.write());

        sessionId = session.id();
        personId = session.shooterId();
        sessionUuid = session.uuid();
        for (const Trace *trace : session.segments()) {
            traceIds << trace->id();
            for (const Shot *shot : trace->shots())
                shotIds << shot->id();
        }
        QVERIFY(sessionId > 0 && personId > 0);
        QCOMPARE(shotIds.size(), 4);
    }

    void countsTheRows()
    {
        QCOMPARE(kavro({QStringLiteral("db"), QStringLiteral("info"), QStringLiteral("--db"),
                        database}),
                 QByteArray(R"({"user_version":3,"persons":1,"sessions":1,"traces":2,)"
                            R"("shots":4})"
                            "\n"));
    }

    void exportsTheSessionAsJson()
    {
        const QByteArray output = kavro({QStringLiteral("export"), QStringLiteral("--db"), database,
                                         QStringLiteral("--session"), QString::number(sessionId)});
        QCOMPARE(lines(output).size(), 1);
        QVERIFY(keysInOrder(output,
                            QByteArray("id uuid targetUuid distance caliber timer sampleRate "
                                       "position comments competitionName isGto result "
                                       "resultInt shooter properties traces")
                                    .split(' ')));
        const QJsonObject session = parse(output);

        QCOMPARE(session.value("id").toInteger(), sessionId);
        QCOMPARE(session.value("uuid").toString(), sessionUuid);
        QCOMPARE(session.value("targetUuid").toString(),
                 QLatin1String(TargetManager::AirRifleUuid));
        QCOMPARE(session.value("timer").toInteger(), Start);
        QCOMPARE(session.value("comments").toString(), QStringLiteral("Wind, \"gusty\""));
        QCOMPARE(session.value("competitionName").toString(), QStringLiteral("Cup"));
        QCOMPARE(oneDecimal(session.value("result")), QStringLiteral("26.5"));
        QCOMPARE(session.value("resultInt").toInt(), 24);

        const QJsonObject shooter = session.value("shooter").toObject();
        QCOMPARE(shooter.value("id").toInteger(), personId);
        QCOMPARE(shooter.value("name").toString(), QStringLiteral("Test Shooter"));
        QVERIFY(shooter.value("properties").isObject());

        // NaN properties as null, 64-bit integers exactly.
        const QJsonObject properties = session.value("properties").toObject();
        QCOMPARE(properties.value("competitionName").toString(), QStringLiteral("Cup"));
        QVERIFY(properties.contains("resultReal"));
        QVERIFY(properties.value("resultReal").isNull());
        QCOMPARE(properties.value("_pulse_samples").toArray().at(0).toInteger(), PulseBeat);

        const QJsonArray traces = session.value("traces").toArray();
        QCOMPARE(traces.size(), 2);
        const QJsonObject first = traces.at(0).toObject();
        QCOMPARE(first.value("id").toInteger(), traceIds.at(0));
        QCOMPARE(first.value("timerStart").toInteger(), Start);
        QCOMPARE(first.value("timerEnd").toInteger(), Start + 30);
        // Single-precision samples in their shortest form: 2.6f reads as 2.6.
        QCOMPARE(first.value("samples").toArray().at(1).toArray(), (QJsonArray {2.6, 0, 0.5, 7}));
        QVERIFY(output.contains("[2.6,0,0.5,7]"));

        const QJsonArray firstShots = first.value("shots").toArray();
        QCOMPARE(firstShots.size(), 2);
        const QJsonObject shot = firstShots.at(0).toObject();
        QCOMPARE(shot.value("id").toInteger(), shotIds.at(0));
        QCOMPARE(shot.value("offset").toInt(), 1);
        QCOMPARE(shot.value("timer").toInteger(), Start + 10);
        QCOMPARE(shot.value("phase").toDouble(), 0.25);
        QCOMPARE(shot.value("missed"), QJsonValue(false));
        QCOMPARE(shot.value("breach").toArray(), (QJsonArray {2.6, 0}));
        QCOMPARE(oneDecimal(shot.value("result")), QStringLiteral("9.9"));
        QCOMPARE(oneDecimal(firstShots.at(1).toObject().value("result")), QStringLiteral("10.8"));

        const QJsonObject second = traces.at(1).toObject();
        QCOMPARE(second.value("timerStart").toInteger(), Start + 60000);
        QCOMPARE(second.value("timerEnd").toInteger(), Start + 60020);
        QCOMPARE(second.value("samples").toArray().at(1).toArray(),
                 (QJsonArray {QJsonValue(), QJsonValue(), QJsonValue(), -1}));
        const QJsonArray secondShots = second.value("shots").toArray();
        QCOMPARE(secondShots.size(), 2);
        QCOMPARE(oneDecimal(secondShots.at(0).toObject().value("result")), QStringLiteral("5.8"));
        // The missed shot has no breach, so no score.
        const QJsonObject missed = secondShots.at(1).toObject();
        QCOMPARE(missed.value("serieIndex").toInt(), 1);
        QCOMPARE(missed.value("missed"), QJsonValue(true));
        QCOMPARE(missed.value("breach").toArray(), (QJsonArray {QJsonValue(), QJsonValue()}));
        QVERIFY(missed.contains("result"));
        QVERIFY(missed.value("result").isNull());
    }

    void exportsTheShotsAsCsv()
    {
        const QList<QByteArray> rows
                = lines(kavro({QStringLiteral("export"), QStringLiteral("--db"), database,
                               QStringLiteral("--session"), QString::number(sessionId),
                               QStringLiteral("--format=csv")}));
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows.at(0),
                 QByteArray("session_id,trace_id,shot_id,serie_index,offset,timer,phase,missed,"
                            "breach_x,breach_y,result"));
        const auto row = [&](int trace, int shot, const char *rest) {
            return QByteArray::number(sessionId) + ',' + QByteArray::number(traceIds.at(trace))
                    + ',' + QByteArray::number(shotIds.at(shot)) + ',' + rest;
        };
        QCOMPARE(rows.at(1), row(0, 0, "0,1,1700000000010,0.25,0,2.6,0,9.9"));
        QCOMPARE(rows.at(2), row(0, 1, "0,2,1700000000020,1,0,0.3,0.2,10.8"));
        QCOMPARE(rows.at(3), row(1, 2, "0,0,1700000060000,0.5,0,12,5,5.8"));
        // NaN breach and score: empty fields.
        QCOMPARE(rows.at(4), row(1, 3, "1,1,1700000060010,0,1,,,"));
    }

    void listsTheSessions()
    {
        const auto sessions = [this](const QStringList &options) {
            return kavro(QStringList {QStringLiteral("sessions"), QStringLiteral("--db"), database}
                         + options);
        };
        const QByteArray all = sessions({});
        QCOMPARE(lines(all).size(), 1);
        const QList<QByteArray> keys
                = QByteArray("id timer comments shotCount shooterName shooterOrganization "
                             "shooterGroup step result place placeReal competitionName "
                             "competitionType medal gtoUuid birthDate sex pectoralNumber "
                             "athleticRank resultReal")
                          .split(' ');
        QVERIFY(keysInOrder(all, keys));
        const QJsonObject row = parse(all);
        QCOMPARE(row.size(), keys.size());
        QCOMPARE(row.value("id").toInteger(), sessionId);
        QCOMPARE(row.value("comments").toString(), QStringLiteral("Wind, \"gusty\""));
        QCOMPARE(row.value("shotCount").toInt(), 4);
        QCOMPARE(row.value("competitionName").toString(), QStringLiteral("Cup"));
        // Absent and NaN values are null.
        QVERIFY(row.value("competitionType").isNull());
        QVERIFY(row.value("resultReal").isNull());

        QCOMPARE(sessions({QStringLiteral("--person"), QString::number(personId)}), all);
        QVERIFY(sessions({QStringLiteral("--person"), QString::number(personId + 1)}).isEmpty());

        const QByteArray competition
                = sessions({QStringLiteral("--competition"), QStringLiteral("Cup")});
        QCOMPARE(lines(competition).size(), 1);
        const QJsonObject ranked = parse(competition);
        QCOMPARE(ranked.value("shooterName").toString(), QStringLiteral("Test Shooter"));
        QCOMPARE(ranked.value("result").toInt(), 24);
        QCOMPARE(ranked.value("place").toString(), QStringLiteral("1"));
        QVERIFY(sessions({QStringLiteral("--competition"), QStringLiteral("Cup"),
                          QStringLiteral("--gto")})
                        .isEmpty());
    }
};

KAVRO_TEST_MAIN(TestKavroExport, QCoreApplication)
#include "tst_kavroexport.moc"
