// Cost of decoding the sensor stream: bytes in, samples out, for reads of
// one record each (as a live sensor delivers them) and of many records.
#include <usbimagesensor.h>

#include <QCoreApplication>
#include <QtEndian>

#include "benchmarkmain.h"

namespace {

QByteArray sampleRecord(int i)
{
    QByteArray payload(54, '\0');
    payload[1] = 2;
    qToLittleEndian<quint16>(54, payload.data() + 2);
    payload[13] = 1;
    const float x = 370.0f + float(i % 17) * 0.1f;
    const float y = 238.0f - float(i % 13) * 0.1f;
    quint32 bits;
    std::memcpy(&bits, &x, 4);
    qToLittleEndian<quint32>(bits, payload.data() + 16);
    std::memcpy(&bits, &y, 4);
    qToLittleEndian<quint32>(bits, payload.data() + 20);
    qToLittleEndian<quint16>(quint16(i % 20), payload.data() + 32);
    qToLittleEndian<quint16>(quint16(2048 + i % 30), payload.data() + 42);
    qToLittleEndian<quint16>(1048, payload.data() + 44);
    qToLittleEndian<quint16>(2050, payload.data() + 46);
    QByteArray record(5, '\0');
    record[0] = char(0x88);
    qToLittleEndian<qint32>(54, record.data() + 1);
    return record + payload;
}

void BM_DecodeOneRecordPerRead(benchmark::State &state)
{
    LibHardware::UsbImageSensor sensor;
    qint64 count = 0;
    QObject::connect(&sensor, &LibHardware::UsbImageSensor::sample, [&count] { ++count; });
    QList<QByteArray> reads;
    for (int i = 0; i < 256; ++i)
        reads.append(sampleRecord(i));
    qint64 timer = 0;
    for (auto _ : state) {
        sensor.onData(timer, reads.at(int(timer & 255)));
        ++timer;
    }
    state.SetItemsProcessed(count);
}
BENCHMARK(BM_DecodeOneRecordPerRead);

void BM_DecodeManyRecordsPerRead(benchmark::State &state)
{
    LibHardware::UsbImageSensor sensor;
    qint64 count = 0;
    QObject::connect(&sensor, &LibHardware::UsbImageSensor::sample, [&count] { ++count; });
    QByteArray read;
    for (int i = 0; i < 64; ++i)
        read += sampleRecord(i);
    for (auto _ : state)
        sensor.onData(1, read);
    state.SetItemsProcessed(count);
}
BENCHMARK(BM_DecodeManyRecordsPerRead);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
