#pragma once

#include <QStringList>

class QTextStream;

// db copy --from SRC --to DST: brings the persons and sessions of one
// database (a file or a server) into another. Persons are matched by name,
// organisation and group, sessions by uuid, so a second run adds nothing.
// Sessions are read one at a time; every stored session goes in whole
// (traces and shots) or not at all.
class CopyCommand
{
public:
    // How often a long copy reports its progress on stderr, in sessions.
    static constexpr int ProgressEvery = 100;

    // Prints {"persons":N,"sessions":M,"skipped":K}: persons and sessions
    // added, sessions the target held already.
    static int run(const QStringList &arguments, QTextStream &out);
};
