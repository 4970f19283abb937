#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// One run of the built kavro tool (it sits next to the test programs), fed
// `input` on stdin. A crash or a run past the two-minute deadline gives
// exit code -1.
class KavroRun
{
public:
    explicit KavroRun(const QStringList &arguments, const QByteArray &input = QByteArray());

    int exitCode = -1;
    QByteArray output;
    QByteArray errors;

    // The lines of the output without their line ends.
    QList<QByteArray> lines() const;
    // True when the tool exited with `code` and wrote nothing to stderr on
    // success and one line on failure; otherwise warns what it did.
    bool exited(int code) const;
};
