#pragma once

#include <QStringList>

class QTextStream;

// kavro score --target T --caliber MM [X Y]
// Scores one point, or every "X Y" line of the input, on a catalogue face.
class ScoreCommand
{
public:
    static int run(const QStringList &arguments, QTextStream &in, QTextStream &out);
};
