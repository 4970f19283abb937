// Feeds arbitrary bytes to the reader of the single-instance handshake, as
// a peer on the local socket might send them, and checks what it accepts.
//
// Input: a flag byte, then the data. Flag bit 7 clear: the key is the
// program's own kind of key (a Base64 SHA-256); set: the key is the next
// (flag & 63) bytes of the input, so that short, empty and odd keys are
// covered too.
#include "quietmessages.h"

#include <singleapplicationprivate.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

const QString ProgramKey = SingleApplicationPrivate::computeKey(
        QStringLiteral("kavrotir"), QStringLiteral("org"), QStringLiteral("example.org"),
        QStringLiteral("1.0.0"), QStringLiteral("/usr/bin/kavrotir"), QStringLiteral("user"));

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    installQuietMessageHandler();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const char *bytes = reinterpret_cast<const char *>(data);
    QString key = ProgramKey;
    size_t p = 1;
    if (data[0] & 0x80) {
        const size_t length = std::min<size_t>(data[0] & 63, size - 1);
        key = QString::fromLatin1(bytes + 1, qsizetype(length));
        p += length;
    }
    const QByteArray message(bytes + p, qsizetype(size - p));

    using Handshake = SingleApplicationPrivate::Handshake;
    const Handshake handshake = SingleApplicationPrivate::decodeHandshake(key, message);
    if (handshake.status != Handshake::Valid) {
        if (handshake.length != 0)
            std::abort();
        return 0;
    }
    // An accepted handshake is exactly what a second start sends, and it
    // arrives in pieces: every piece of it before the last must wait for
    // more, never be refused or accepted.
    if (handshake.length <= 0 || handshake.length > message.size())
        std::abort();
    const QByteArray sent = message.left(handshake.length);
    if (SingleApplicationPrivate::encodeHandshake(key, handshake.kind, handshake.instanceId)
        != sent)
        std::abort();
    for (int length = 0; length < handshake.length; ++length) {
        if (SingleApplicationPrivate::decodeHandshake(key, sent.left(length)).status
            != Handshake::Incomplete)
            std::abort();
    }
    return 0;
}
