#include <language.h>
#include <startoptions.h>
#include <testenvironment.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every file of the home folder, bar its caches, with its contents.
QStringList snapshot(const QString &home)
{
    QStringList files;
    QDirIterator it(home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.fileName().startsWith(home + "/.cache/") && file.open(QIODevice::ReadOnly))
            files << file.fileName() + QString::fromUtf8(file.readAll());
    }
    files.sort();
    return files;
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
}

} // namespace

class TestStartOptions : public QObject
{
    Q_OBJECT

    QProcess program;

    void start(const QProcessEnvironment &environment, const QStringList &arguments)
    {
        program.setProcessEnvironment(environment);
        program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kavrotir"),
                      arguments);
        QVERIFY(program.waitForStarted());
    }

private slots:
    void parse_data()
    {
        // Rows "line|expected" separated by ";": the outcome (0 run, 1 help, 2 version,
        // 3 invalid), then for a run the demo's lanes and whether the frame rate is reported.
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        const QString rows = QStringLiteral(
                "|0 0 0;--simulate --help --bogus|1;--version|2;--bogus|3;--bogus --help|3;"
                "stray|3;--demo --report-frame-rate|0 6 1;--demo=1|0 1 0;--demo=0|3;--demo=7|3;"
                "--demo=|3;--demo --simulate=2|3;--replay f --demo|3;--demo=2 --database=x.db|3;"
                "--database --report-frame-rate|3;-platform offscreen -reverse|0 0 0;"
                "--simulate=3 --replay f --database d.db --report-frame-rate|0 0 1;"
                "--language en|0 0 0;--language=de|3;--language|3");
        for (const QString &row : rows.split(';')) {
            const QString line = row.section('|', 0, 0);
            QTest::newRow(qPrintable(line)) << line << row.section('|', 1);
        }
    }

    // The option, else the stored choice, else the system's language (Russian
    // in the tests); a choice applies the translation and is stored.
    void language()
    {
        QSettings().remove(QLatin1String(Language::SettingKey));
        QCOMPARE(Language::initial(QString()), QStringLiteral("ru"));
        QSettings().setValue(QLatin1String(Language::SettingKey), QStringLiteral("en"));
        QCOMPARE(Language::initial(QString()), QStringLiteral("en"));
        QCOMPARE(Language::initial(QStringLiteral("ru")), QStringLiteral("ru"));

        const char *gold = "Золото";
        Language language;
        language.setCode(QStringLiteral("en"));
        QCOMPARE(QCoreApplication::translate("FitnessNorm", gold), QStringLiteral("Gold"));
        language.setCode(QStringLiteral("de")); // none such: ignored
        language.setCode(QStringLiteral("ru"));
        QCOMPARE(QCoreApplication::translate("FitnessNorm", gold), QString::fromUtf8(gold));
        QCOMPARE(QSettings().value(QLatin1String(Language::SettingKey)), QVariant("ru"));
    }

    void parse()
    {
        QFETCH(QString, line);
        const StartOptions options = StartOptions::parse(QStringList {QStringLiteral("kavrotir")}
                                                         + line.split(' ', Qt::SkipEmptyParts));
        QString got = QString::number(options.outcome());
        if (options.outcome() == StartOptions::Run)
            got += QStringLiteral(" %1 %2")
                           .arg(options.demoLanes())
                           .arg(options.reportsFrameRate());
        QTEST(got, "expected");
        QCOMPARE(options.error().isEmpty(), options.outcome() != StartOptions::Invalid);
    }

    // Answers without a display (none to open) and without a window.
    void answersWithoutDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        const struct
        {
            const char *option;
            int exitCode;
            const char *out, *err;
        } cases[] = {{"--help", 0, "Usage: kavrotir", ""},
                     {"--version", 0, "kavrotir ", ""},
                     {"--bogus", 2, "", "Usage: kavrotir"},
                     {"--demo=9", 2, "", "Usage: kavrotir"}};
        for (const auto &c : cases) {
            start(environment, {QLatin1String(c.option)});
            QVERIFY(program.waitForFinished(30000));
            QCOMPARE(program.exitCode(), c.exitCode);
            const QByteArray out = program.readAllStandardOutput(),
                             err = program.readAllStandardError();
            QVERIFY2(*c.out ? out.startsWith(c.out) : out.isEmpty(), c.option);
            QVERIFY2(*c.err ? err.contains(c.err) : err.isEmpty(), c.option);
        }
    }

    void demoLeavesTheUsersDataAlone()
    {
        QTemporaryDir home, temporary;
        const QString identity = LibMisc::ApplicationIdentity::organizationName() + QLatin1Char('/')
                + LibMisc::ApplicationIdentity::applicationName();
        writeFile(home.filePath(".config/" + identity + ".conf"), "[General]\nmaxRanges=1\n");
        writeFile(home.filePath(".local/share/" + identity + "/storage.sqlite"), "sessions");
        const QStringList before = snapshot(home.path());

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            environment.remove(QLatin1String(name));
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("TMPDIR"), temporary.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        start(environment, {QStringLiteral("--demo=1"), QStringLiteral("--report-frame-rate")});
        const QByteArray report = TestEnvironment::nextLine(program);
        QVERIFY2(report.startsWith("{\"fps\":") && report.endsWith(",\"lanes\":1}"), report);

        // Its database and settings are in a folder of its own under TMPDIR...
        const QStringList made = QDir(temporary.path()).entryList({"kavrotir-demo-*"}, QDir::Dirs);
        QCOMPARE(made.size(), 1);
        const QDir demo(temporary.filePath(made.first()));
        QVERIFY(demo.exists(QStringLiteral("data/storage.sqlite")));
        QVERIFY(demo.exists("settings/" + identity + ".conf"));

        // ...which goes when a signal ends it.
        program.terminate();
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(!demo.exists());
        QCOMPARE(snapshot(home.path()), before);
    }
};

KAVRO_TEST_MAIN(TestStartOptions, QCoreApplication)
#include "tst_startoptions.moc"
