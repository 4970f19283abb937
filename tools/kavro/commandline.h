#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>

class QTextStream;

// The sub-command table of the kavro tool. Each command receives the
// arguments after its name and returns the process exit code; failures are
// reported as one line on stderr.
class CommandLine
{
public:
    using Handler = std::function<int(const QStringList &arguments)>;

    struct Command
    {
        QString synopsis; // usage lines shown by --help
        QString summary;
        Handler handler;
    };

    void add(const QString &name, const Command &command);
    int run(const QStringList &arguments) const;

    QString usage() const;

    // One line on stderr, prefixed with the tool's name; returns exit code 1.
    static int fail(const QString &message);

private:
    std::map<QString, Command> m_commands;
};
