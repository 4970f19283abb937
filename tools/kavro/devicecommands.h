#pragma once

#include <QStringList>

class QTextStream;

// kavro devices: the sensors the program would see, one JSON line each.
// kavro capture --out FILE [--serial HEX] [--seconds S]: records a
// connected sensor's stream into a capture file.
// Both take --simulate to work with the built-in simulated sensor instead of
// real hardware (demonstrations and tests).
class DeviceCommands
{
public:
    static int devices(const QStringList &arguments, QTextStream &out);
    static int capture(const QStringList &arguments, QTextStream &out);
};
