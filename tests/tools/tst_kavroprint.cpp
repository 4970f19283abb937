#include <kavrorun.h>
#include <pdfprobe.h>
#include <sessionbuilder.h>
#include <storage.h>
#include <targetmanager.h>
#include <testenvironment.h>

#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// `kavro print` in a separate process without a display: paper targets,
// session pages, competition protocols and a shooter's progress of a
// database built through the model classes, and the refused options, each
// with one line on stderr.
class TestKavroPrint : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString database;
    qint64 sessionId = 0;
    qint64 shooterId = 0; // sessions on two faces
    qint64 idleId = 0; // no sessions

    // "DB", "ID", "SHOOTER", "IDLE" and "PDF" in the arguments stand for the
    // database, the stored session, the two persons and `pdf`.
    QStringList arguments(QStringList list, const QString &pdf) const
    {
        const QHash<QString, QString> meaning
                = {{QStringLiteral("DB"), database},
                   {QStringLiteral("ID"), QString::number(sessionId)},
                   {QStringLiteral("SHOOTER"), QString::number(shooterId)},
                   {QStringLiteral("IDLE"), QString::number(idleId)},
                   {QStringLiteral("PDF"), pdf}};
        for (QString &argument : list)
            argument = meaning.value(argument, argument);
        return QStringList {QStringLiteral("print")} + list;
    }

    // Prints and returns the page count the tool reports, -1 on failure.
    int print(const QStringList &options, const QString &pdf)
    {
        const KavroRun run(arguments(options + QStringList {QStringLiteral("--pdf"), pdf}, pdf));
        const QJsonObject object = QJsonDocument::fromJson(run.output).object();
        if (run.exitCode != 0)
            qWarning() << run.errors;
        const bool ok = run.exitCode == 0 && object.value(QStringLiteral("pdf")).toString() == pdf;
        return ok ? object.value(QStringLiteral("pages")).toInt(-1) : -1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        // The tool must find a platform of its own.
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            qunsetenv(name);
        database = folder.filePath(QStringLiteral("print.sqlite"));
        LibModel::Storage storage;
        QVERIFY(storage.open(database, QStringLiteral("tst_kavroprint")));
        // Sessions of one shot, a minute apart; `values` before the shooter,
        // as the lane sets them.
        int minute = 0;
        const auto add = [&](const QString &name, const QString &competition, double x,
                             const QVariantHash &values = {}) {
            SessionBuilder session(&storage, SessionBuilder::Start + 60000 * minute++);
            for (auto value = values.cbegin(); value != values.cend(); ++value)
                session.value(value.key(), value.value());
            return session.shooter(name, QStringLiteral("Club"))
                    .competition(competition, values.contains(QStringLiteral("gtoUuid")))
                    .shot(x, 0)
                    .write();
        };
        sessionId = add(QStringLiteral("Petrova"), QStringLiteral("Кубок"), 1.0,
                        {{QStringLiteral("resultReal"), 87.26}});
        QVERIFY(sessionId > 0);
        QVERIFY(add(QStringLiteral("Ivanov"), QStringLiteral("Кубок"), 6.0));
        QVERIFY(add(QStringLiteral("Sidorov"), QStringLiteral("Нормы"), 2.0,
                    {{QStringLiteral("gtoUuid"), QStringLiteral("23-45-678")},
                     {QStringLiteral("birthDate"), QStringLiteral("01.02.2008")}}));

        // Twelve days on the rifle face, the group tightening, and three
        // pistol sessions in between; a pair of hits and a miss each.
        constexpr qint64 Day = 86400000;
        for (int day = 0; day < 15; ++day) {
            SessionBuilder session(&storage, SessionBuilder::Start + Day * (day + 1));
            if (day % 5 == 4)
                session.target(LibModel::TargetManager::AirPistolUuid);
            const double x = 6.0 - 0.4 * day;
            QVERIFY(session.shooter(QStringLiteral("Orlova"))
                            .shots({{x, 1.0}, {-x, 1.0}})
                            .missed()
                            .write());
        }
        shooterId = storage.findShooter(QStringLiteral("Orlova"), QString(), QString()).id;
        idleId = storage.createShooter(QStringLiteral("Idle"), QString(), QString(), {}).id;
        QVERIFY(shooterId > 0 && idleId > 0);
    }

    // One A4 page each, with the texts in this order; none marked "!".
    // Options and texts are separated by "|".
    void prints_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("texts");
        QTest::newRow("target") << "target|--target|№8|--distance|10|--real|10|--title|Мишень №8"
                                << "Мишень №8";
        QTest::newRow("session")
                << "session|--db|DB|--session|ID|--header|Petrova, Club|--header2|10 м|--zoom|2"
                << "Page 1 Petrova, Club|10 м";
        // By start, as the storage lists them; one decimal, 0.0 for none.
        QTest::newRow("protocol") << "protocol|--db|DB|--competition|Кубок|--header|Городской кубок"
                                  << "Page 1|Городской кубок|Petrova|87.3|Ivanov|0.0|!Sidorov";
        QTest::newRow("protocol, given widths")
                << "protocol|--db|DB|--competition|Кубок|--widths|0.3,0.1,0.3"
                << "Petrova|Ivanov";
        QTest::newRow("fitness norms") << "protocol|--db|DB|--competition|Нормы|--gto"
                                       << "Sidorov|23-45-678|01.02.2008|!Petrova";
    }

    void prints()
    {
        QFETCH(QString, options);
        QFETCH(QString, texts);

        const QString pdf = folder.filePath(QStringLiteral("%1.pdf").arg(QTest::currentDataTag()));
        QCOMPARE(print(options.split(QLatin1Char('|')), pdf), 1);
        QCOMPARE(PdfProbe::pages(pdf), 1);
        QCOMPARE(PdfProbe::raster(pdf, 72).size(), QSize(595, 842)); // A4 in points
        const QString text = PdfProbe::text(pdf);
        qsizetype at = 0;
        for (const QString &expected : texts.split(QLatin1Char('|'))) {
            if (expected.startsWith(QLatin1Char('!')))
                QVERIFY2(!text.contains(expected.mid(1)), qPrintable(expected));
            else
                QVERIFY2((at = text.indexOf(expected, at)) >= 0, qPrintable(expected));
        }
    }

    // One chart per face in the order of first use, each with its score
    // and radius panels, and a row per session, the rows going on to a
    // second page under the name and the table's header again. The last
    // pistol session, two hits at +-0.4 mm of three shots, has a mean
    // radius of 0.4 mm.
    void printsProgress()
    {
        const QString pdf = folder.filePath(QStringLiteral("progress.pdf"));
        const QStringList options
                = {QStringLiteral("progress"), QStringLiteral("--db"), QStringLiteral("DB"),
                   QStringLiteral("--person"), QStringLiteral("SHOOTER")};
        QCOMPARE(print(arguments(options, pdf).mid(1), pdf), 2);
        QCOMPARE(PdfProbe::pages(pdf), 2);
        qsizetype at = 0;
        const QString first = PdfProbe::text(pdf, 1);
        for (const char *expected : {"Прогресс стрелка: Orlova", "Мишень №8, сессий: 12",
                                     "Мишень №9, сессий: 3", "Средний радиус, мм"})
            QVERIFY2((at = first.indexOf(QString::fromUtf8(expected), at)) >= 0, expected);
        const QString second = PdfProbe::text(pdf, 2);
        QVERIFY(second.contains(QString::fromUtf8("Orlova, лист 2")));
        QVERIFY(second.contains(QString::fromUtf8("Средний балл")));
        const QString text = first + second;
        const QRegularExpression row(QStringLiteral("\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d +(№\\d)"
                                                    " +3 +\\S+ +\\S+ +(\\S+)"));
        QStringList faces, radii;
        for (auto match = row.globalMatch(text); match.hasNext();) {
            const QRegularExpressionMatch next = match.next();
            faces.append(next.captured(1));
            radii.append(next.captured(2));
        }
        QCOMPARE(faces.size(), 15);
        QCOMPARE(faces.count(QStringLiteral("№9")), 3);
        QCOMPARE(radii.constLast(), QStringLiteral("0.4"));

        // Each panel's line in its own colour, right of the panel labels:
        // two runs of rows with blue (scores) and two with red (radii), one
        // each per chart.
        const QImage image = PdfProbe::raster(pdf, 100);
        const auto runs = [&image](int sign) {
            int count = 0, gap = 99;
            for (int y = 0; y < image.height(); ++y) {
                bool found = false;
                for (int x = image.width() / 2; x < image.width() && !found; ++x)
                    found = sign * (qBlue(image.pixel(x, y)) - qRed(image.pixel(x, y))) > 50;
                count += found && gap > 4;
                gap = found ? 0 : gap + 1;
            }
            return count;
        };
        QCOMPARE(runs(1), 2);
        QCOMPARE(runs(-1), 2);
    }

    void refuses_data()
    {
        QTest::addColumn<QString>("options");
        QTest::newRow("unknown target") << "target|--target|№99|--real|1|--distance|1|--pdf|PDF";
        QTest::newRow("zero distance") << "target|--target|№8|--real|1|--distance|0|--pdf|PDF";
        QTest::newRow("no --pdf") << "target|--target|№8|--real|1|--distance|1";
        QTest::newRow("unwritable file")
                << "target|--target|№8|--real|1|--distance|1|--pdf|/no/x.pdf";
        QTest::newRow("unknown command") << "poster|--pdf|PDF";
        QTest::newRow("missing session") << "session|--db|DB|--pdf|PDF|--session|999";
        QTest::newRow("empty competition") << "protocol|--db|DB|--pdf|PDF|--competition|Пусто";
        QTest::newRow("malformed widths")
                << "protocol|--db|DB|--pdf|PDF|--competition|Кубок|--widths|a,b";
        QTest::newRow("unknown person") << "progress|--db|DB|--pdf|PDF|--person|9999";
        QTest::newRow("person without sessions") << "progress|--db|DB|--pdf|PDF|--person|IDLE";
        QTest::newRow("malformed person") << "progress|--db|DB|--pdf|PDF|--person|x";
        QTest::newRow("no database") << "progress|--db|/no/such.sqlite|--pdf|PDF|--person|SHOOTER";
    }

    void refuses()
    {
        QFETCH(QString, options);
        const QString pdf = folder.filePath(QStringLiteral("refused.pdf"));
        const KavroRun run(arguments(options.split(QLatin1Char('|')), pdf));
        QVERIFY(run.exitCode > 0);
        QCOMPARE(run.errors.count('\n'), 1);
        QVERIFY(!QFile::exists(pdf));
    }
};

KAVRO_TEST_MAIN(TestKavroPrint, QCoreApplication)
#include "tst_kavroprint.moc"
