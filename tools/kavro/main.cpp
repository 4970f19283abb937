#include "commandline.h"

#include <applicationidentity.h>

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same names as the program, so that the tool finds its settings and
    // data folder.
    LibMisc::ApplicationIdentity::apply();

    CommandLine commands;
    return commands.run(app.arguments().mid(1));
}
