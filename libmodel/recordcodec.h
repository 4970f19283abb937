#pragma once

#include "tracesample.h"

#include <QByteArray>
#include <QVariantHash>
#include <QVector>

class QDataStream;

namespace LibModel {

// The byte formats of the database's blob columns: property maps and trace
// samples, each a big-endian stream record (magic 0x0A0B0C0D, format 15,
// single-precision floating point, stream version 5.15) compressed with
// qCompress at level 1.
//
// Decoding treats every blob as untrusted: a corrupt, truncated or hostile
// blob is a clean failure with an empty result, never a crash, and counts
// inside it are checked against the bytes that are actually there before
// anything is allocated for them.
class RecordCodec
{
public:
    RecordCodec() = delete;

    static constexpr quint32 Magic = 0x0A0B0C0D;
    static constexpr qint32 Format = 15;
    // No record the program writes comes near this; a blob that claims more
    // is refused before anything is allocated for it.
    static constexpr qint64 MaxUncompressedSize = 256 * 1024 * 1024;

    static QByteArray encodeProperties(const QVariantHash &properties);
    static bool decodeProperties(const QByteArray &blob, QVariantHash *properties);

    static QByteArray encodeSamples(const QVector<TraceSample> &samples);
    // The number of samples a blob of encodeSamples() says it holds, from
    // its size alone, without decoding it; -1 when the size fits no count.
    static qint64 encodedSampleCount(const QByteArray &blob);
    static bool decodeSamples(const QByteArray &blob, QVector<TraceSample> *samples);

    // A property map as QDataStream writes a QVariantHash, read from stream
    // with the checks of decodeProperties(): only the value types the
    // program stores, every count checked against the bytes left. False,
    // with the stream's status set, when it is not one.
    static bool readProperties(QDataStream &stream, QVariantHash *properties);

    // qUncompress with the claimed size checked first; empty on failure.
    static QByteArray uncompress(const QByteArray &blob);
};

} // namespace LibModel
