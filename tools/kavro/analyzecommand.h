#pragma once

#include <QStringList>

class QTextStream;

// analyze --db DB (--session ID | --person ID): the coaching analysis of a
// session (its group, its aiming means and each shot's aiming values) or of
// every session of a person, oldest first, one JSON object per line.
class AnalyzeCommand
{
public:
    static int run(const QStringList &arguments, QTextStream &out);
};
