#include "commandline.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

void CommandLine::add(const QString &name, const Command &command)
{
    m_commands[name] = command;
}

QString CommandLine::usage() const
{
    QString text = QStringLiteral("Usage: kavro COMMAND [OPTIONS]\n"
                                  "Headless companion of the KAVRO TIR shooting trainer.\n\n"
                                  "Options:\n"
                                  "  --help       show this help and exit\n"
                                  "  --version    show the version and exit\n");
    if (!m_commands.empty()) {
        text += QStringLiteral("\nCommands:\n");
        for (const auto &[name, command] : m_commands) {
            text += QStringLiteral("  %1\n").arg(command.synopsis);
            text += QStringLiteral("      %1\n").arg(command.summary);
        }
    }
    return text;
}

int CommandLine::fail(const QString &message)
{
    QTextStream(stderr) << "kavro: " << message << Qt::endl;
    return 1;
}

int CommandLine::run(const QStringList &arguments) const
{
    QTextStream out(stdout);
    if (arguments.isEmpty())
        return fail(QStringLiteral("no command given (try --help)"));
    const QString &first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h")
        || first == QLatin1String("help")) {
        out << usage();
        return 0;
    }
    if (first == QLatin1String("--version")) {
        out << "kavro " << QCoreApplication::applicationVersion() << Qt::endl;
        return 0;
    }
    const auto it = m_commands.find(first);
    if (it == m_commands.end())
        return fail(QStringLiteral("unknown command \"%1\" (try --help)").arg(first));
    return it->second.handler(arguments.mid(1));
}
