#include "printcommand.h"
#include "arguments.h"
#include "commandline.h"
#include "databasecommands.h"
#include "orderedjsonobject.h"

#include <language.h>
#include <progressprintout.h>
#include <protocoltable.h>
#include <session.h>
#include <sessioninfomodel.h>
#include <sessionprintout.h>
#include <shooterprogress.h>
#include <storage.h>
#include <targetmanager.h>
#include <targetprintout.h>

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QSet>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QString PdfOption = QStringLiteral("pdf");
const QString DbOption = QStringLiteral("db");
constexpr int Resolution = 300;

// Parses the options of a print command, requires --pdf and the command's
// own required options and refuses positional arguments. Returns an error
// text, empty on success.
QString parse(Arguments &args, const QStringList &required)
{
    if (!args.isValid() || !args.require(QStringList(required) << PdfOption))
        return args.error();
    if (!args.positional().isEmpty())
        return QStringLiteral("unexpected argument \"%1\"").arg(args.positional().constFirst());
    if (args.value(PdfOption).isEmpty())
        return QStringLiteral("option --pdf needs a file name");
    return QString();
}

// A number option that must be positive; sets *error otherwise.
bool positive(Arguments &args, const QString &name, double *value, QString *error)
{
    if (!args.number(name, value)) {
        *error = args.error();
        return false;
    }
    if (*value <= 0.0) {
        *error = QStringLiteral("option --%1 must be positive").arg(name);
        return false;
    }
    return true;
}

// Paints onto a fresh PDF printer for the file, then checks that the file
// was written; prints {"pdf":FILE,"pages":N}, N being what `paint` returns.
int printToFile(const QString &file, QTextStream &out, const std::function<int(QPrinter *)> &paint)
{
    // The printer reports an unwritable file only as a warning; try first.
    QFile probe(file);
    if (!probe.open(QIODevice::WriteOnly))
        return CommandLine::fail(QStringLiteral("cannot write %1").arg(file));
    probe.close();

    int pages = 0;
    {
        QPrinter printer(QPrinter::HighResolution);
        PrintCommand::setUpPrinter(&printer, file);
        pages = paint(&printer);
    }
    if (QFileInfo(file).size() == 0)
        return CommandLine::fail(QStringLiteral("nothing was printed to %1").arg(file));

    OrderedJsonObject object;
    object.insert(QStringLiteral("pdf"), file).insert(QStringLiteral("pages"), pages);
    out << object.toJson() << Qt::endl;
    return 0;
}

// "0.2,0.1,..." as fractions of the page width; an empty text gives no
// widths (every column as wide as its header).
bool parseWidths(const QString &text, QVector<double> *widths)
{
    widths->clear();
    if (text.trimmed().isEmpty())
        return true;
    for (const QString &field : text.split(QLatin1Char(','))) {
        bool ok = false;
        const double value = field.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < 0.0)
            return false;
        widths->append(value);
    }
    return true;
}

// Every option of the print commands that takes a value.
const QSet<QByteArray> ValueOptions
        = {"target", "distance", "real", "title",       "pdf",    "db",    "session",
           "header", "header2",  "zoom", "competition", "widths", "person"};

// The GUI application takes some options for itself ("-session ID", and
// "-title T" under X11), in either dash form, and removes them. It gets the
// arguments with each "--name value" pair of a print option joined into one
// "--name=value", which it leaves alone and the option parser reads alike.
// The application keeps referring to the count and the array.
int guiArgc = 0;
std::vector<QByteArray> guiArguments;
std::vector<char *> guiArgv;

void joinValueOptions(int argc, char **argv)
{
    for (int i = 0; i < argc; ++i) {
        QByteArray argument(argv[i]);
        if (i + 1 < argc && argument.startsWith("--") && !argument.contains('=')
            && ValueOptions.contains(argument.mid(2)))
            argument += '=' + QByteArray(argv[++i]);
        guiArguments.push_back(argument);
    }
    for (QByteArray &argument : guiArguments)
        guiArgv.push_back(argument.data());
    guiArgv.push_back(nullptr);
    guiArgc = int(guiArguments.size());
}

QtMessageHandler previousHandler = nullptr;

// Drops the platform's notice about a missing runtime folder, which any
// headless session gets, so that a failure stays one line on stderr.
void quietStartup(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

std::unique_ptr<QCoreApplication> PrintCommand::createApplication(int &argc, char **argv)
{
    if (argc < 2 || qstrcmp(argv[1], "print") != 0)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    joinValueOptions(argc, argv);
    previousHandler = qInstallMessageHandler(quietStartup);
    auto application = std::make_unique<QGuiApplication>(guiArgc, guiArgv.data());
    qInstallMessageHandler(previousHandler);
    return application;
}

void PrintCommand::setUpPrinter(QPrinter *printer, const QString &file)
{
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setResolution(Resolution);
    printer->setFullPage(false);
}

int PrintCommand::run(const QStringList &arguments, QTextStream &out)
{
    // Printouts follow the interface's language (the setting, else the
    // system's); the tool's own messages stay as they are.
    Language language;
    language.apply(Language::initial(QString()));
    const QString what = arguments.isEmpty() ? QString() : arguments.constFirst();
    if (what == QLatin1String("target"))
        return target(arguments.mid(1), out);
    if (what == QLatin1String("session"))
        return session(arguments.mid(1), out);
    if (what == QLatin1String("protocol"))
        return protocol(arguments.mid(1), out);
    if (what == QLatin1String("progress"))
        return progress(arguments.mid(1), out);
    return CommandLine::fail(
            QStringLiteral("print needs one of target, session, protocol, progress (try --help)"));
}

int PrintCommand::target(const QStringList &arguments, QTextStream &out)
{
    const QString targetOption = QStringLiteral("target");
    const QString distanceOption = QStringLiteral("distance");
    const QString realOption = QStringLiteral("real");
    const QString titleOption = QStringLiteral("title");
    const QString simplifiedFlag = QStringLiteral("simplified");
    Arguments args(arguments, {targetOption, distanceOption, realOption, titleOption, PdfOption},
                   {simplifiedFlag});
    QString error = parse(args, {targetOption, distanceOption, realOption});
    double distance = 0.0, real = 0.0;
    if (error.isEmpty() && positive(args, distanceOption, &distance, &error))
        positive(args, realOption, &real, &error);
    if (!error.isEmpty())
        return CommandLine::fail(error);

    LibModel::TargetManager targets;
    const QString key = args.value(targetOption);
    LibModel::TargetDescriptor *descriptor = targets.findByUuidOrName(key);
    if (!descriptor)
        return CommandLine::fail(QStringLiteral("unknown target \"%1\"").arg(key));

    TargetPrintout printout;
    printout.setTargetDescriptor(descriptor);
    printout.setDistance(distance);
    printout.setDistanceToPrintout(real);
    printout.setSimplified(args.has(simplifiedFlag));
    if (args.has(titleOption))
        printout.setTitle(args.value(titleOption));
    return printToFile(args.value(PdfOption), out, [&printout](QPrinter *printer) {
        printout.printDocument(printer);
        return 1;
    });
}

int PrintCommand::session(const QStringList &arguments, QTextStream &out)
{
    const QString sessionOption = QStringLiteral("session");
    const QString headerOption = QStringLiteral("header");
    const QString header2Option = QStringLiteral("header2");
    const QString zoomOption = QStringLiteral("zoom");
    Arguments args(arguments,
                   {DbOption, sessionOption, headerOption, header2Option, zoomOption, PdfOption});
    QString error = parse(args, {DbOption, sessionOption});
    double zoom = 1.0;
    if (error.isEmpty() && args.has(zoomOption))
        positive(args, zoomOption, &zoom, &error);
    if (!error.isEmpty())
        return CommandLine::fail(error);
    bool ok = false;
    const uint sessionId = args.value(sessionOption).toUInt(&ok);
    if (!ok || sessionId == 0)
        return CommandLine::fail(QStringLiteral("option --session needs a session id, not \"%1\"")
                                         .arg(args.value(sessionOption)));

    // The session finds its target face in the process-wide catalogue.
    LibModel::TargetManager targets;
    LibModel::Storage storage;
    error = DatabaseCommands::open(storage, args.value(DbOption), false);
    if (!error.isEmpty())
        return CommandLine::fail(error);
    const std::unique_ptr<LibModel::Session> session(storage.readSession(sessionId));
    if (!session)
        return CommandLine::fail(
                QStringLiteral("no session %1 in %2").arg(sessionId).arg(args.value(DbOption)));

    SessionPrintout printout;
    printout.setSession(session.get());
    printout.setHeader(args.value(headerOption));
    printout.setHeader2(args.value(header2Option));
    printout.setZoom(zoom);
    return printToFile(args.value(PdfOption), out, [&printout](QPrinter *printer) {
        printout.printDocument(printer);
        return 1;
    });
}

int PrintCommand::protocol(const QStringList &arguments, QTextStream &out)
{
    const QString competitionOption = QStringLiteral("competition");
    const QString headerOption = QStringLiteral("header");
    const QString widthsOption = QStringLiteral("widths");
    const QString gtoFlag = QStringLiteral("gto");
    Arguments args(arguments, {DbOption, competitionOption, headerOption, widthsOption, PdfOption},
                   {gtoFlag});
    QString error = parse(args, {DbOption, competitionOption});
    if (!error.isEmpty())
        return CommandLine::fail(error);
    const bool isGto = args.has(gtoFlag);
    const bool fitted = !args.has(widthsOption);
    QVector<double> widths;
    if (!fitted && !parseWidths(args.value(widthsOption), &widths))
        return CommandLine::fail(
                QStringLiteral("option --widths needs fractions such as 0.2,0.1, not \"%1\"")
                        .arg(args.value(widthsOption)));

    LibModel::Storage storage;
    error = DatabaseCommands::open(storage, args.value(DbOption), false);
    if (!error.isEmpty())
        return CommandLine::fail(error);
    const QString competition = args.value(competitionOption);
    const std::unique_ptr<LibModel::SessionInfoModel> model(
            storage.sessionsByCompetitionName(competition, isGto));
    if (!model)
        return CommandLine::fail(
                QStringLiteral("cannot list the sessions of %1").arg(args.value(DbOption)));
    if (model->rowCount() == 0)
        return CommandLine::fail(
                QStringLiteral("no sessions of the competition \"%1\"%2")
                        .arg(competition, isGto ? QStringLiteral(" (fitness norms)") : QString()));

    SessionPrintout printout;
    printout.setModel(model.get());
    printout.setIsGto(isGto);
    printout.setHeader(args.value(headerOption));
    return printToFile(args.value(PdfOption), out, [&](QPrinter *printer) {
        // Without --widths every column gets room for its texts.
        if (fitted)
            widths = ProtocolTable(printer, isGto, {}).fittedWidths(model.get(), printer);
        for (const double width : widths)
            printout.appendWidth(width);
        printout.printTable(printer);
        return ProtocolTable(printer, isGto, widths).pageCount(model->rowCount());
    });
}

int PrintCommand::progress(const QStringList &arguments, QTextStream &out)
{
    const QString personOption = QStringLiteral("person");
    Arguments args(arguments, {DbOption, personOption, PdfOption});
    QString error = parse(args, {DbOption, personOption});
    if (!error.isEmpty())
        return CommandLine::fail(error);
    bool ok = false;
    const qint64 personId = args.value(personOption).toLongLong(&ok);
    if (!ok || personId <= 0)
        return CommandLine::fail(QStringLiteral("option --person needs a person id, not \"%1\"")
                                         .arg(args.value(personOption)));

    // The sessions find their target faces in the process-wide catalogue.
    LibModel::TargetManager targets;
    LibModel::Storage storage;
    error = DatabaseCommands::open(storage, args.value(DbOption), false);
    if (!error.isEmpty())
        return CommandLine::fail(error);
    LibModel::ShooterProgress progress;
    // The page shows the groups: their shots' stored breaches are enough.
    if (!progress.read(storage, personId, false))
        return CommandLine::fail(
                QStringLiteral("%1 in %2").arg(progress.error(), args.value(DbOption)));
    if (progress.sessions().isEmpty())
        return CommandLine::fail(QStringLiteral("no sessions of person %1 in %2")
                                         .arg(personId)
                                         .arg(args.value(DbOption)));
    const std::unique_ptr<LibModel::SessionInfoModel> summaries(storage.sessions(personId));
    if (!summaries)
        return CommandLine::fail(
                QStringLiteral("cannot list the sessions of %1").arg(args.value(DbOption)));

    ProgressPrintout printout;
    printout.setShooterName(storage.findShooterById(personId).name);
    printout.setSessions(progress.sessions(), summaries->rows(), &targets);
    return printToFile(args.value(PdfOption), out,
                       [&printout](QPrinter *printer) { return printout.print(printer); });
}
