#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>

// Drops the toolkit's warnings about bad input: printing one per input
// slows a fuzzer down by orders of magnitude. Fatal messages still print
// (and still abort, which the fuzzer reports as a finding).
inline void installQuietMessageHandler()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtFatalMsg)
            std::fprintf(stderr, "fatal: %s\n", qPrintable(text));
    });
}
