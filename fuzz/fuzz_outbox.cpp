// Feeds arbitrary files to the outbox's session decoder, with the target
// catalogue loaded so that decoded shots are scored, and checks that a
// decoded session encodes to a file that decodes to the same session.
//
// Input: a flag byte, then the file. Flag bit 0 set: the payload's checksum
// is put right here first, so that the fuzzer reaches the payload parser
// without having to keep the checksum in step.
#include "quietmessages.h"

#include <session.h>
#include <sessionoutbox.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>
#include <QtEndian>

#include <cstdint>
#include <cstdlib>
#include <memory>

using LibModel::Session;
using LibModel::SessionOutbox;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    installQuietMessageHandler();
    new LibModel::TargetManager(&application);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    // Magic and version (6 bytes), the payload's length and bytes, its checksum.
    constexpr qsizetype Head = 10;
    if ((data[0] & 1) && bytes.size() >= Head) {
        const quint32 length = qFromBigEndian<quint32>(bytes.constData() + 6);
        if (length != 0xffffffff && Head + qsizetype(length) + 2 <= bytes.size()) {
            const quint16 sum = qChecksum(QByteArrayView(bytes.constData() + Head, length));
            qToBigEndian(sum, bytes.data() + Head + length);
        }
    }

    QString error;
    const std::unique_ptr<Session> session(SessionOutbox::decode(bytes, nullptr, &error));
    if (!session) {
        if (error.isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }
    // A trace whose blob holds other than the samples it claims is left
    // empty when read, and is not filed again.
    qsizetype traces = 0, shots = 0;
    for (const LibModel::Trace *trace : session->segments()) {
        if (trace->samples().isEmpty())
            continue;
        ++traces;
        shots += trace->shots().size();
    }
    const std::unique_ptr<Session> again(
            SessionOutbox::decode(SessionOutbox::encode(*session), nullptr));
    if (!again || again->uuid() != session->uuid() || again->segments().size() != traces
        || again->shots().size() != shots
        || again->properties().size() != session->properties().size())
        std::abort();
    return 0;
}
