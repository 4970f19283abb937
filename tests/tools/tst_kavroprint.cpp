#include <session.h>
#include <storage.h>
#include <targetmanager.h>
#include <testenvironment.h>
#include <trace.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace LibModel;

namespace {

constexpr qint64 Start = 1700000000000;

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr,
               QByteArray *errors = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (errors)
        *errors = process.readAllStandardError();
    return process.readAllStandardOutput();
}

int pdfPages(const QString &pdf)
{
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    const QRegularExpressionMatch match
            = pages.match(QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf})));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString pdfText(const QString &pdf)
{
    return QString::fromUtf8(run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
}

} // namespace

// Competition protocols of a database built through the model classes,
// printed by the tool in a separate process.
class TestKavroPrint : public QObject
{
    Q_OBJECT

private:
    TargetManager targets; // the sessions score on these faces
    QTemporaryDir folder;
    QString database;

    // Runs `kavro print protocol` with the options and returns the page
    // count the tool reports; fails the test on a non-zero exit.
    int printProtocol(const QStringList &options, const QString &pdf)
    {
        int exitCode = 0;
        QByteArray errors;
        const QByteArray output
                = run(QCoreApplication::applicationDirPath() + QStringLiteral("/kavro"),
                      QStringList {QStringLiteral("print"), QStringLiteral("protocol"),
                                   QStringLiteral("--db"), database}
                              + options + QStringList {QStringLiteral("--pdf"), pdf},
                      &exitCode, &errors);
        if (exitCode != 0) {
            qWarning() << errors;
            return -1;
        }
        const QJsonObject object = QJsonDocument::fromJson(output).object();
        if (object.value(QStringLiteral("pdf")).toString() != pdf)
            return -1;
        return object.value(QStringLiteral("pages")).toInt(-1);
    }

    // Stores a session of one shot at (x, 0) in a competition.
    void addSession(Storage &storage, int index, const QString &competition, bool isGto,
                    const QString &name, double x, const QVariantHash &values = {})
    {
        Session session(&storage);
        session.setTargetDescriptor(targets.findByUuid(QLatin1String(TargetManager::AirRifleUuid)));
        session.setCaliber(4.5);
        session.setDistance(10.0);
        session.setSampleRate(100);
        session.setIsGto(isGto);
        session.setCompetitionName(competition);
        session.setValue(QStringLiteral("competitionName"), competition);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            session.setValue(it.key(), it.value());
        Trace *trace = session.appendTrace(Start + index * 60000);
        TraceSample sample;
        sample.x = float(x);
        sample.y = 0.0f;
        sample.z = 0.0f;
        trace->appendSample(Start + index * 60000, sample);
        QVERIFY(trace->appendShot(0, 0, false, 0.0));
        session.setShooter(name, QStringLiteral("Club"), QStringLiteral("A"));
        QVERIFY(session.write());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        database = folder.filePath(QStringLiteral("print.sqlite"));
        Storage storage;
        QVERIFY(storage.open(database, QStringLiteral("tst_kavroprint")));
        addSession(storage, 0, QStringLiteral("Кубок"), false, QStringLiteral("Petrova"), 1.0,
                   {{QStringLiteral("resultReal"), 87.26}});
        addSession(storage, 1, QStringLiteral("Кубок"), false, QStringLiteral("Ivanov"), 6.0);
        addSession(storage, 2, QStringLiteral("Нормы"), true, QStringLiteral("Sidorov"), 2.0,
                   {{QStringLiteral("gtoUuid"), QStringLiteral("23-45-678")},
                    {QStringLiteral("birthDate"), QStringLiteral("01.02.2008")}});
        for (int i = 0; i < 120; ++i)
            addSession(storage, 10 + i, QStringLiteral("Big"), false,
                       QStringLiteral("Shooter%1").arg(i), 3.0);
    }

    void printsTheCompetition()
    {
        const QString pdf = folder.filePath(QStringLiteral("cup.pdf"));
        QCOMPARE(printProtocol({QStringLiteral("--competition"), QStringLiteral("Кубок"),
                                QStringLiteral("--header"), QStringLiteral("Городской кубок")},
                               pdf),
                 1);
        QCOMPARE(pdfPages(pdf), 1);
        const QString text = pdfText(pdf);
        for (const char *expected : {"Page 1", "Городской кубок", "Petrova", "Ivanov", "Club",
                                     "87.3", "0.0", "Организация"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        // By start, as the storage lists them.
        QVERIFY(text.indexOf(QStringLiteral("Petrova")) < text.indexOf(QStringLiteral("Ivanov")));
        QVERIFY(!text.contains(QStringLiteral("Sidorov")));
    }

    void printsTheFitnessNormProtocol()
    {
        const QString pdf = folder.filePath(QStringLiteral("norms.pdf"));
        QCOMPARE(printProtocol({QStringLiteral("--competition"), QStringLiteral("Нормы"),
                                QStringLiteral("--gto")},
                               pdf),
                 1);
        const QString text = pdfText(pdf);
        for (const char *expected : {"Sidorov", "23-45-678", "01.02.2008", "УИНН", "Рождения"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    }

    // The reported page count is the document's; every row is printed once.
    void longProtocolTakesSeveralPages()
    {
        const QString pdf = folder.filePath(QStringLiteral("big.pdf"));
        const int pages = printProtocol({QStringLiteral("--competition"), QStringLiteral("Big"),
                                         QStringLiteral("--widths"), QStringLiteral("0.3,0.1,0.3")},
                                        pdf);
        QVERIFY(pages >= 2);
        QCOMPARE(pdfPages(pdf), pages);
        const QString text = pdfText(pdf);
        QCOMPARE(text.count(QRegularExpression(QStringLiteral("Shooter\\d+\\b"))), 120);
        QVERIFY(text.contains(QStringLiteral("Page %1").arg(pages)));
    }
};

KAVRO_TEST_MAIN(TestKavroPrint, QCoreApplication)
#include "tst_kavroprint.moc"
