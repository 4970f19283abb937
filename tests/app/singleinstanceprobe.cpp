// Runs the single-instance guard and reports on stdout, one line each:
// "primary" once it is the primary, "instanceStarted" when a later start
// contacted it and "message <bytes>" for messages. Ends when stdin closes.
#include <singleapplication.h>

#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    SingleApplication app(argc, argv);
    QTextStream out(stdout);
    out << (app.isPrimary() ? "primary" : "secondary") << Qt::endl;

    QObject::connect(&app, &SingleApplication::instanceStarted,
                     [&] { out << "instanceStarted" << Qt::endl; });
    QObject::connect(
            &app, &SingleApplication::receivedMessage,
            [&](quint32, const QByteArray &message) { out << "message " << message << Qt::endl; });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}
