// Feeds arbitrary blobs to the decoders of the database's property and
// sample columns, and checks that whatever decodes encodes back to the
// same samples.
//
// Input: a flag byte, then the record. Flag bit 0 set: the record is the
// uncompressed stream and is compressed here first, as the encoder does, so
// that the fuzzer reaches the record parser without having to produce
// valid zlib data; clear: the record is a blob as stored in the database.
#include "quietmessages.h"

#include <recordcodec.h>

#include <QVariantHash>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using LibModel::RecordCodec;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    installQuietMessageHandler();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray record(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QByteArray blob = (data[0] & 1) ? qCompress(record, 1) : record;

    QVariantHash properties;
    if (RecordCodec::decodeProperties(blob, &properties)) {
        // A decoded map encodes again and decodes to as many entries.
        QVariantHash again;
        if (!RecordCodec::decodeProperties(RecordCodec::encodeProperties(properties), &again)
            || again.size() != properties.size())
            std::abort();
    } else if (!properties.isEmpty()) {
        std::abort(); // a failure leaves nothing behind
    }

    QVector<LibModel::TraceSample> samples;
    if (RecordCodec::decodeSamples(blob, &samples)) {
        // Samples encode back to bit-identical samples.
        QVector<LibModel::TraceSample> again;
        if (!RecordCodec::decodeSamples(RecordCodec::encodeSamples(samples), &again)
            || again.size() != samples.size())
            std::abort();
        for (qsizetype i = 0; i < samples.size(); ++i) {
            const LibModel::TraceSample &a = samples.at(i);
            const LibModel::TraceSample &b = again.at(i);
            if (std::memcmp(&a.x, &b.x, sizeof a.x) != 0 || std::memcmp(&a.y, &b.y, sizeof a.y) != 0
                || std::memcmp(&a.z, &b.z, sizeof a.z) != 0 || a.trigger != b.trigger)
                std::abort();
        }
    } else if (!samples.isEmpty()) {
        std::abort();
    }
    return 0;
}
