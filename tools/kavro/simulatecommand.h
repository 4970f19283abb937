#pragma once

#include <QStringList>

class QTextStream;

// kavro simulate --out CAPTURE [--seconds S] [--shot-every S] [--seed K] [--serial HEX]
// Writes a capture of the simulated sensor: its identity as the header, then
// the start marker and one sample header per 10 ms frame, each framed as a
// stream record, with timers counted from a fixed start so that a seed
// always gives the same file. Prints a one-line summary.
class SimulateCommand
{
public:
    static int run(const QStringList &arguments, QTextStream &out);
};
