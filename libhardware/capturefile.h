#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vector>

namespace LibHardware {

// A recorded sensor stream on disk. The layout, all integers little-endian:
//   8 bytes "KAVROCAP", u32 format version (1), u32 H, H bytes of UTF-8
//   JSON describing the device, then records up to the end of the file:
//   i64 timer (ms since the epoch), u32 n, n bytes = one USB read as the
//   host received it (already framed as stream records).
//
// Writing: create() writes the header, append() adds records, flush() and
// close() finish; every step reports write errors through errorString().
//
// Reading: read() validates the whole file. A damaged header fails the read
// with an explanation. A damaged record section keeps the records before the
// damage and flags the capture as truncated, with the explanation in the
// error text. Lengths read from the file are checked against what the file
// holds before anything is allocated.
class CaptureFile
{
public:
    static constexpr quint32 FormatVersion = 1;
    // Larger headers or records cannot come from the writer: the device
    // description is a few hundred bytes and a USB read at most 16 KiB.
    static constexpr quint32 MaxHeaderLength = 64 * 1024;
    static constexpr quint32 MaxRecordLength = 1024 * 1024;

    // The recorded device: what its open sequence reported.
    struct Device
    {
        QByteArray serialNumber; // 8 bytes
        int productId = 0x1F01;
        int hardwareVersion = 0;
        int firmwareVersion = 0;
        int protocolVersion = 0;
        int protocolRevision = 0;
        QByteArray settings; // up to 26 bytes
    };

    struct Record
    {
        qint64 timer = 0;
        QByteArray bytes;
    };

    struct Contents
    {
        Device device;
        std::vector<Record> records;
        // The record section ended in damage; `records` holds those before it.
        bool truncated = false;
    };

    CaptureFile() = default;
    CaptureFile(const CaptureFile &) = delete;
    CaptureFile &operator=(const CaptureFile &) = delete;
    ~CaptureFile();

    // Creates (or replaces) the file and writes the header.
    bool create(const QString &path, const Device &device);
    bool append(qint64 timer, const QByteArray &bytes);
    bool flush();
    // Flushes and closes; true when everything reached the file.
    bool close();
    bool isOpen() const;
    QString errorString() const;

    // Reads and checks a capture. False with `error` set when the file
    // cannot be used at all; true otherwise, with `error` explaining a
    // truncation when `contents->truncated` is set.
    static bool read(const QString &path, Contents *contents, QString *error);
    static bool parse(const QByteArray &data, Contents *contents, QString *error);

    // The encoded pieces of the format.
    static QByteArray encodeHeader(const Device &device);
    static QByteArray encodeRecord(qint64 timer, const QByteArray &bytes);
    // The device description as the header's JSON text.
    static QByteArray deviceJson(const Device &device);
    // One payload in the stream-record framing: 0x88, i32 length, payload.
    static QByteArray streamRecord(const QByteArray &payload);

private:
    bool write(const QByteArray &bytes);

    QFile m_file;
    QString m_error;
};

} // namespace LibHardware
