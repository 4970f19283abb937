#include "commandline.h"
#include "scorecommand.h"

#include <applicationidentity.h>

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
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
    return commands.run(app.arguments().mid(1));
}
