#include "analyzecommand.h"
#include "commandline.h"
#include "copycommand.h"
#include "databasecommands.h"
#include "devicecommands.h"
#include "printcommand.h"
#include "replaycommand.h"
#include "scorecommand.h"
#include "simulatecommand.h"
#include "soakcommand.h"

#include <applicationidentity.h>

#include <QCoreApplication>
#include <QTextStream>

#include <memory>

int main(int argc, char *argv[])
{
    // "print" paints text and so needs a GUI application (offscreen when
    // there is no display); every other command runs on a core one.
    const std::unique_ptr<QCoreApplication> application
            = PrintCommand::createApplication(argc, argv);
    QCoreApplication &app = *application;
    // The same names as the program, so that the tool finds its settings and
    // data folder.
    LibMisc::ApplicationIdentity::apply();

    CommandLine commands;
    commands.add(QStringLiteral("score"),
                 {QStringLiteral("score --target T --caliber MM [X Y]"),
                  QStringLiteral("score a point on a target face (uuid or name); without X Y, "
                                 "score every \"X Y\" line of stdin"),
                  [](const QStringList &arguments) {
                      QTextStream in(stdin);
                      QTextStream out(stdout);
                      return ScoreCommand::run(arguments, in, out);
                  }});
    // The database commands print on stdout through one stream each.
    const auto database = [](int (*command)(const QStringList &, QTextStream &)) {
        return [command](const QStringList &arguments) {
            QTextStream out(stdout);
            return command(arguments, out);
        };
    };
    commands.add(QStringLiteral("db"),
                 {QStringLiteral("db info --db DB\n  db deliver --db DB\n"
                                 "  db copy --from DB --to DB"),
                  QStringLiteral("info: print the schema version, the row counts of the database "
                                 "(created when absent) and the sessions pending and rejected in "
                                 "its outbox; deliver: store the pending sessions, print "
                                 "delivered, pending and rejected (exit 1 while any is pending); "
                                 "copy: add the persons and sessions of one database to another "
                                 "(a second run adds nothing), print persons, sessions and "
                                 "skipped. DB: a file path or "
                                 "postgresql://[user@]host[:port]/dbname"),
                  [database](const QStringList &arguments) {
                      const QString command = arguments.value(0);
                      if (command == QLatin1String("info"))
                          return database(&DatabaseCommands::info)(arguments.mid(1));
                      if (command == QLatin1String("deliver"))
                          return database(&DatabaseCommands::deliver)(arguments.mid(1));
                      if (command == QLatin1String("copy"))
                          return database(&CopyCommand::run)(arguments.mid(1));
                      return CommandLine::fail(
                              QStringLiteral("unknown db command (try \"db info\", \"db "
                                             "deliver\" or \"db copy\")"));
                  }});
    commands.add(QStringLiteral("import-shooters"),
                 {QStringLiteral("import-shooters --db DB FILE"),
                  QStringLiteral("add the persons of a JSON file; prints and returns the "
                                 "result code (0 done, 1..4 file errors)"),
                  database(&DatabaseCommands::importShooters)});
    commands.add(QStringLiteral("shooters"),
                 {QStringLiteral("shooters --db DB"),
                  QStringLiteral("list the persons, one JSON object per line"),
                  database(&DatabaseCommands::shooters)});
    commands.add(QStringLiteral("sessions"),
                 {QStringLiteral("sessions --db DB [--person ID | --competition NAME [--gto]]"),
                  QStringLiteral("list session summaries, one JSON object per line"),
                  database(&DatabaseCommands::sessions)});
    commands.add(QStringLiteral("export"),
                 {QStringLiteral("export --db DB --session ID [--format json|csv]"),
                  QStringLiteral("write one session with its traces and shots as JSON, or its "
                                 "shots as CSV"),
                  database(&DatabaseCommands::exportSession)});
    commands.add(QStringLiteral("analyze"),
                 {QStringLiteral("analyze --db DB --session ID\n  analyze --db DB --person ID"),
                  QStringLiteral("the group and the aiming of a session with each shot's aiming, "
                                 "or of every session of a person, oldest first"),
                  database(&AnalyzeCommand::run)});
    commands.add(QStringLiteral("simulate"),
                 {QStringLiteral("simulate --out CAPTURE [--seconds S] [--shot-every S] [--seed K] "
                                 "[--serial HEX] [--skill novice|club|master]"),
                  QStringLiteral("write a capture of the simulated sensor (defaults: 60 s, a shot "
                                 "every 10 s, seed 1, serial 0000000000000001, skill master)"),
                  [](const QStringList &arguments) {
                      QTextStream out(stdout);
                      return SimulateCommand::run(arguments, out);
                  }});
    commands.add(QStringLiteral("devices"),
                 {QStringLiteral("devices [--simulate]"),
                  QStringLiteral("list the known sensors: serial, state, model, firmware, error "
                                 "(--simulate: the built-in simulated sensor)"),
                  [](const QStringList &arguments) {
                      QTextStream out(stdout);
                      return DeviceCommands::devices(arguments, out);
                  }});
    commands.add(QStringLiteral("capture"),
                 {QStringLiteral("capture --out FILE [--serial HEX] [--seconds S] [--records N] "
                                 "[--simulate]"),
                  QStringLiteral("record a connected sensor's stream into a capture file "
                                 "(default 60 s; with --records, until N records are in)"),
                  [](const QStringList &arguments) {
                      QTextStream out(stdout);
                      return DeviceCommands::capture(arguments, out);
                  }});
    commands.add(QStringLiteral("replay"),
                 {QStringLiteral("replay CAPTURE --target T --distance M --caliber MM [--shots N] "
                                 "[--trial-shots N] [--offset X,Y] [--calibration-angle RAD] "
                                 "[--threshold LEVEL] [--shots-time S [--trial-time S] | "
                                 "--joint-time S] [--db DB --shooter NAME [--organization O] "
                                 "[--group G]]"),
                  QStringLiteral("run a capture through the controller, the sensor decoder and a "
                                 "lane; print phases, trial shots, shots and the session "
                                 "(with --db: saved to the database or pending in its outbox)"),
                  [](const QStringList &arguments) {
                      QTextStream out(stdout);
                      return ReplayCommand::run(arguments, out);
                  }});
    commands.add(QStringLiteral("soak"),
                 {QStringLiteral("soak [--lanes N] [--seconds S] [--shots N] [--report-every S] "
                                 "[--max-growth-mb MB] [--db PATH]"),
                  QStringLiteral("run N simulated lanes (default 6) for S seconds of sensor time "
                                 "(default 3600) as fast as possible, saving exercise after "
                                 "exercise; report memory, sessions and errors"),
                  [](const QStringList &arguments) {
                      QTextStream out(stdout);
                      return SoakCommand::run(arguments, out);
                  }});
    commands.add(QStringLiteral("print"),
                 {QStringLiteral("print target --target T --distance D --real R [--simplified] "
                                 "[--title TEXT] --pdf OUT\n"
                                 "  print session --db DB --session ID [--header TEXT] "
                                 "[--header2 TEXT] [--zoom Z] --pdf OUT\n"
                                 "  print protocol --db DB --competition NAME [--gto] "
                                 "[--header TEXT] [--widths F,F,...] --pdf OUT\n"
                                 "  print progress --db DB --person ID --pdf OUT"),
                  QStringLiteral("print a target face to scale (made for D metres, hung at R), "
                                 "a session sheet, a competition protocol or a shooter's "
                                 "progress (charts per target face and the sessions) to an A4 "
                                 "PDF; "
                                 "protocol columns fit their texts unless --widths gives "
                                 "fractions of the page width"),
                  [](const QStringList &arguments) {
                      QTextStream out(stdout);
                      return PrintCommand::run(arguments, out);
                  }});
    return commands.run(app.arguments().mid(1));
}
