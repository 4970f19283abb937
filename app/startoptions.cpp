#include "startoptions.h"
#include "language.h"

namespace {

const char Usage[]
        = "Usage: kavrotir [--simulate[=N] | --replay CAPTURE | --demo[=N]] [--database DB]\n"
          "                [--language ru|en] [--report-frame-rate]\n"
          "  --simulate[=N]       N simulated sensors (1..6, default 2)\n"
          "                       shooting as a novice, a club shooter and a master\n"
          "                       on lanes 1, 2, 3 (and so on, in turn)\n"
          "  --replay CAPTURE     play a recorded capture at its own pace\n"
          "  --demo[=N]           N simulated lanes (1..6, default 6) shooting by\n"
          "                       themselves, in a throw-away data folder and settings\n"
          "                       store: the user's database and settings are untouched\n"
          "  --database DB        the database: a file path or\n"
          "                       postgresql://[user@]host[:port]/dbname\n"
          "                       (default: the setting \"storage/database\", else\n"
          "                       the file in the program's data folder)\n"
          "  --language ru|en     the interface's language for this run (default: the\n"
          "                       setting \"ui/language\", else the system's)\n"
          "  --report-frame-rate  print {\"fps\":F,\"lanes\":N} once a second\n"
          "  --help               show this help and exit\n"
          "  --version            show the version and exit\n";

// Options of Qt itself that take a value, as "-platform offscreen".
const QStringList QtValueOptions
        = {QStringLiteral("-platform"),      QStringLiteral("-platformpluginpath"),
           QStringLiteral("-platformtheme"), QStringLiteral("-plugin"),
           QStringLiteral("-style"),         QStringLiteral("-display"),
           QStringLiteral("-geometry"),      QStringLiteral("-qwindowgeometry"),
           QStringLiteral("-qwindowtitle"),  QStringLiteral("-qwindowicon"),
           QStringLiteral("-session")};
const QStringList QtFlags = {QStringLiteral("-reverse"), QStringLiteral("-nograb"),
                             QStringLiteral("-dograb"), QStringLiteral("-sync")};

// The value of "--name=VALUE" or "--name VALUE" at i (moving past it), or a
// null string when there is none.
QString valueOf(const QString &name, const QStringList &arguments, int &i)
{
    const QString &argument = arguments.at(i);
    if (argument.startsWith(name + QLatin1Char('=')))
        return argument.mid(name.size() + 1);
    if (argument == name && i + 1 < arguments.size()
        && !arguments.at(i + 1).startsWith(QLatin1String("--")))
        return arguments.at(++i);
    return {};
}

} // namespace

const char *StartOptions::usage()
{
    return Usage;
}

StartOptions StartOptions::parse(const QStringList &arguments)
{
    StartOptions options;
    bool picksSensors = false;
    bool picksDatabase = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help")) {
            options.m_outcome = Help;
            return options;
        }
        if (argument == QLatin1String("--version")) {
            options.m_outcome = Version;
            return options;
        }
        picksSensors = picksSensors || argument.startsWith(QLatin1String("--simulate"))
                || argument.startsWith(QLatin1String("--replay"));
        picksDatabase = picksDatabase || argument.startsWith(QLatin1String("--database"));
        if (!options.take(arguments, i))
            return options;
    }
    // A demonstration brings its own sensors and never opens the user's database.
    if (options.m_demoLanes && picksSensors)
        options.fail(QStringLiteral("--demo cannot be combined with --simulate or --replay"));
    else if (options.m_demoLanes && picksDatabase)
        options.fail(QStringLiteral("--demo uses a database of its own: no --database"));
    return options;
}

bool StartOptions::take(const QStringList &arguments, int &i)
{
    const QString &argument = arguments.at(i);
    if (argument == QLatin1String("--report-frame-rate")) {
        m_reportsFrameRate = true;
        return true;
    }
    if (argument == QLatin1String("--demo") || argument.startsWith(QLatin1String("--demo="))) {
        bool ok = true;
        m_demoLanes = argument.size() > 6 ? argument.mid(7).toInt(&ok) : DefaultDemoLanes;
        if (!ok || m_demoLanes < 1 || m_demoLanes > MaxDemoLanes)
            return fail(QStringLiteral("--demo takes a number of lanes from 1 to %1")
                                .arg(MaxDemoLanes));
        return true;
    }
    if (argument == QLatin1String("--language")
        || argument.startsWith(QLatin1String("--language="))) {
        m_language = valueOf(QStringLiteral("--language"), arguments, i);
        if (!Language::isKnown(m_language))
            return fail(QStringLiteral("--language takes %1")
                                .arg(Language::codes().join(QLatin1Char('|'))));
        return true;
    }
    // Checked in full by DeviceSetup and DatabaseSettings.
    if (argument == QLatin1String("--simulate")
        || argument.startsWith(QLatin1String("--simulate=")))
        return true;
    for (const char *name : {"--replay", "--database"}) {
        const QString option = QLatin1String(name);
        if (argument == option || argument.startsWith(option + QLatin1Char('='))) {
            if (valueOf(option, arguments, i).isEmpty())
                return fail(QStringLiteral("%1 needs a value").arg(option));
            return true;
        }
    }
    if (QtFlags.contains(argument))
        return true;
    if (QtValueOptions.contains(argument) && i + 1 < arguments.size()) {
        ++i;
        return true;
    }
    if (argument.startsWith(QLatin1String("-qmljsdebugger=")))
        return true;
    return fail(argument.startsWith(QLatin1Char('-'))
                        ? QStringLiteral("unknown option %1").arg(argument)
                        : QStringLiteral("unexpected argument %1").arg(argument));
}

bool StartOptions::fail(const QString &error)
{
    m_outcome = Invalid;
    m_error = error;
    return false;
}
