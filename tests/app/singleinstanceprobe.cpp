// Runs the single-instance guard and reports on stdout, one line each:
// "primary" once it is the primary and "instanceStarted" when a later start
// contacted it. Ends when stdin closes.
#include <singleapplication.h>

#include <QSocketNotifier>
#include <QTextStream>

#include <unistd.h>

int main(int argc, char *argv[])
{
    SingleApplication app(argc, argv);
    QTextStream out(stdout);
    out << (app.isPrimary() ? "primary" : "secondary") << Qt::endl;

    QObject::connect(&app, &SingleApplication::instanceStarted,
                     [&] { out << "instanceStarted" << Qt::endl; });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}
