#pragma once

#include <QStringList>

class QTextStream;

// kavro soak [--lanes N] [--seconds S] [--shots N] [--report-every S]
//            [--max-growth-mb MB] [--db PATH]
// A long unattended run, as fast as the machine goes: N lanes (default 6),
// each bound to its own simulated sensor at 100 Hz in driven pacing, shoot
// exercise after exercise for S seconds of sensor time (default 3600), and
// every finished exercise is saved to a database (in a temporary folder
// unless --db names one) before the lane starts the next; the lanes'
// settings go to that temporary folder too. Prints one JSON
// line at the start, one every --report-every seconds of sensor time
// (default 600) and one at the end with the resident memory, the sessions
// and shots written and the errors met. Fails when a session could not be
// written, a lane lost its sensor, or the resident memory grew by more than
// --max-growth-mb (default 16) from the first report to the end: the saved
// exercises leave memory, so the memory in use must not grow with them.
class SoakCommand
{
public:
    static int run(const QStringList &arguments, QTextStream &out);
};
