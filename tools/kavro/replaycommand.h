#pragma once

#include <QStringList>

class QTextStream;

// kavro replay CAPTURE --target T --distance M --caliber MM [...]
// Runs a recorded capture through the real controller, sensor decoder and
// lane, as fast as possible, and prints what the lane reported.
class ReplayCommand
{
public:
    static int run(const QStringList &arguments, QTextStream &out);
};
