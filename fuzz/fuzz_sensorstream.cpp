// Feeds arbitrary bytes to the optical sensor's stream decoder, as the USB
// reader hands reads to it, and reads every sample that comes out.
//
// Input: a flag byte, then reads, each a 16-bit little-endian length and
// that many bytes (a short last read takes what is left). Flag bit 0 set:
// every read is framed into a stream record first, as the device layer does
// for a sensor's bare payloads, so that the fuzzer reaches the payload
// decoder without having to learn the framing; clear: the reads go to the
// decoder as they are.
#include "quietmessages.h"

#include <usbimagesensor.h>

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using LibHardware::UsbImageSensor;

namespace {

QByteArray framed(const QByteArray &payload)
{
    QByteArray record(5, '\0');
    record[0] = char(0x88);
    qToLittleEndian<qint32>(qint32(payload.size()), record.data() + 1);
    return record + payload;
}

// What a sample claims must hold together: a valid sample was found and has
// numeric coordinates and cant.
void checkSample(const UsbImageSensor::Event &event)
{
    if (event.valid
        && (!event.found || std::isnan(event.x) || std::isnan(event.y) || std::isnan(event.cant)))
        std::abort();
    if (!(std::fabs(event.cant) <= 3.15) || !(std::fabs(event.tilt) <= 1.58))
        std::abort();
}

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
    const bool frame = data[0] & 1;
    size_t p = 1;

    UsbImageSensor sensor;
    int samples = 0;
    QObject::connect(&sensor, &UsbImageSensor::sample,
                     [&samples](qlonglong, const UsbImageSensor::Event &event) {
                         checkSample(event);
                         ++samples;
                     });
    qlonglong timer = 1700000000000;
    while (p < size) {
        size_t length = size - p;
        if (length >= 2) {
            length = qFromLittleEndian<quint16>(data + p);
            p += 2;
            length = std::min(length, size - p);
        } else {
            p += length;
            length = 0;
        }
        const QByteArray read(reinterpret_cast<const char *>(data + p), qsizetype(length));
        p += length;
        sensor.onData(timer, frame ? framed(read) : read);
        timer += 10;
    }
    // The state the decoder exposes after the stream.
    if (sensor.shutter() < 0 || sensor.microphone() < 0)
        std::abort();
    return samples < 0;
}
