// The property and sample records stored in the database's blobs: their
// byte layout, what round-trips, and the inputs that must be refused. The
// program reads these blobs from database files that may come from another
// installation; the refused inputs include those fuzzing found (also in the
// fuzz seed corpus, fuzz/corpus/recordcodec/regression-*).
#include <recordcodec.h>
#include <testenvironment.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QRectF>
#include <QUuid>
#include <QtEndian>

using LibModel::RecordCodec;
using LibModel::TraceSample;

namespace {

const QByteArray Header = QByteArray::fromHex("0A0B0C0D0000000F"); // magic, format 15
constexpr int Properties = 1, Samples = 2, Both = 3; // which decoders must refuse

QByteArray typeId(quint32 id)
{
    QByteArray bytes(4, '\0');
    qToBigEndian<quint32>(id, bytes.data());
    return bytes + QByteArray(1, '\0'); // and the null flag
}

// A property record of one entry, key "a", of the given stream type id.
QByteArray oneEntry(quint32 id, const QByteArray &value)
{
    return qCompress(Header + QByteArray::fromHex("00000001000000020061") + typeId(id) + value, 1);
}

} // namespace

class TestRecordCodec : public QObject
{
    Q_OBJECT

private slots:
    void propertiesRoundTrip()
    {
        const QVariantHash stored = {
                {QStringLiteral("null"), QVariant()},
                {QStringLiteral("big"), QVariant::fromValue<qulonglong>(1ull << 40)},
                {QStringLiteral("day"), QDate(2024, 2, 29)},
                {QStringLiteral("when"), QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC)},
                {QStringLiteral("id"), QUuid::createUuid()},
                {QStringLiteral("area"), QRectF(0, 0, 3, 4)},
                {QStringLiteral("medal"), QStringLiteral("gold")},
                {QStringLiteral("resultReal"), 98.5},
                {QStringLiteral("flag"), true},
                {QStringLiteral("_pulse_samples"), QVariantList {qint64(5), qint64(905)}},
                {QStringLiteral("nested"),
                 QVariantMap {{QStringLiteral("names"), QStringList {QStringLiteral("а")}}}},
                {QStringLiteral("bytes"), QByteArray("\x01\x02", 2)},
        };
        QVariantHash decoded;
        QVERIFY(RecordCodec::decodeProperties(RecordCodec::encodeProperties(stored), &decoded));
        QCOMPARE(decoded, stored);
        // Doubles are single precision in the record.
        QVERIFY(RecordCodec::decodeProperties(
                RecordCodec::encodeProperties({{QStringLiteral("real"), 0.1}}), &decoded));
        QCOMPARE(decoded.value(QStringLiteral("real")).toDouble(), double(0.1f));
        QVERIFY(RecordCodec::decodeProperties(RecordCodec::encodeProperties({}), &decoded));
        QVERIFY(decoded.isEmpty());
    }

    void byteLayout()
    {
        // One entry: key "a", a variant int 42.
        const QByteArray body = Header + QByteArray::fromHex("00000001000000020061") + typeId(2)
                + QByteArray::fromHex("0000002A");
        QVariantHash properties;
        QVERIFY(RecordCodec::decodeProperties(qCompress(body, 1), &properties));
        QCOMPARE(properties, QVariantHash({{QStringLiteral("a"), 42}}));

        // Two samples of 14 bytes, trigger -1 as 0xFFFF.
        const QByteArray samples = Header
                + QByteArray::fromHex("00000002"
                                      "3F800000C000000000000000FFFF"
                                      "40400000408000003E0000000007");
        QVector<TraceSample> decoded;
        QVERIFY(RecordCodec::decodeSamples(qCompress(samples, 1), &decoded));
        QCOMPARE(decoded.size(), 2);
        QCOMPARE(decoded.at(0).x, 1.0f);
        QCOMPARE(decoded.at(0).y, -2.0f);
        QCOMPARE(decoded.at(0).trigger, -1);
        QCOMPARE(decoded.at(1).z, 0.125f);
        QCOMPARE(decoded.at(1).trigger, 7);
        // And the encoder writes exactly these bytes.
        QCOMPARE(RecordCodec::uncompress(RecordCodec::encodeSamples(decoded)), samples);
        QVERIFY(RecordCodec::decodeSamples(RecordCodec::encodeSamples({}), &decoded));
        QVERIFY(decoded.isEmpty());
    }

    void refusesBadRecords_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("decoders");
        const QByteArray good = RecordCodec::encodeProperties({{QStringLiteral("k"), 1}});
        QTest::newRow("empty") << QByteArray() << Both;
        QTest::newRow("three bytes") << QByteArray("\x00\x00\x00", 3) << Both;
        QTest::newRow("truncated stream") << good.left(good.size() / 2) << Both;
        QTest::newRow("bad magic")
                << qCompress(QByteArray::fromHex("0A0B0C0E0000000F00000000"), 1) << Both;
        QTest::newRow("bad format")
                << qCompress(QByteArray::fromHex("0A0B0C0D0000000E00000000"), 1) << Both;
        QTest::newRow("entries missing")
                << qCompress(Header + QByteArray::fromHex("00000003"), 1) << Both;
        QTest::newRow("a billion entries")
                << qCompress(Header + QByteArray::fromHex("3B9ACA00"), 1) << Both;
        QTest::newRow("4 GB claimed by a few bytes")
                << QByteArray::fromHex("FFFFFFFF789C030000000001") << Both;
        QTest::newRow("samples beyond the data")
                << qCompress(Header + QByteArray::fromHex("7FFFFFFF") + QByteArray(14, '\0'), 1)
                << Both;
        QTest::newRow("samples not whole")
                << qCompress(Header + QByteArray::fromHex("00000002") + QByteArray(20, '\0'), 1)
                << Samples;
        QTest::newRow("a list claiming four billion")
                << oneEntry(QMetaType::QVariantList, QByteArray::fromHex("FFFFFFF0")) << Properties;
        // Fuzzing found a map holding a pixmap: decoding it constructed the
        // pixmap, which aborts without a GUI application.
        QTest::newRow("pixmap in a map") << qCompress(
                QByteArray::fromHex(
                        "0a0b0c0d0000000f00000003ffffffff0d00000000000000100000ffff"
                        "ffff0d0000000000ffffff1d00001001000000000000000039000000000000"),
                1) << Properties;
        // And a byte array list claiming 671 million entries, for which the
        // toolkit's reader reserves 16 GB before reading one.
        QTest::newRow("byte array list of millions") << qCompress(
                QByteArray::fromHex("0a0b0c0d0000000f000000030000000000000031ff28000000")
                        + QByteArray(90, '\x94')
                        + QByteArray::fromHex("00000000ffffff0d0000000000000010002000"
                                              "0000000000fd00000000000000000000000000"
                                              "0000005b000000"),
                1) << Properties;
        // Every type the program never stores, alone and inside a list: the
        // GUI and widget types, a user type, and the core types whose readers
        // trust a count in the data or parse a language of their own.
        // Enough bytes follow that a reader would find something to build.
        const QByteArray payload = QByteArray::fromHex("0000000000000008") + QByteArray(64, 'x');
        QList<quint32> refused = {121, 1024, 0x1001};
        for (quint32 id = 64; id <= 87; ++id)
            refused << id;
        for (QMetaType::Type type :
             {QMetaType::QByteArrayList, QMetaType::QEasingCurve, QMetaType::QBitArray,
              QMetaType::QLocale, QMetaType::QRegularExpression, QMetaType::QJsonArray,
              QMetaType::QCborValue, QMetaType::QCborMap, QMetaType::QModelIndex})
            refused << quint32(type);
        for (quint32 id : refused) {
            QTest::addRow("type %u", id) << oneEntry(id, payload) << Properties;
            QTest::addRow("type %u in a list", id) << oneEntry(
                    QMetaType::QVariantList, QByteArray::fromHex("00000001") + typeId(id) + payload)
                                                   << Properties;
        }
    }

    void refusesBadRecords()
    {
        QFETCH(QByteArray, record);
        QFETCH(int, decoders);
        QVariantHash properties;
        QVector<TraceSample> samples;
        if (decoders & Properties) {
            QVERIFY(!RecordCodec::decodeProperties(record, &properties));
            QVERIFY(properties.isEmpty());
        }
        if (decoders & Samples) {
            QVERIFY(!RecordCodec::decodeSamples(record, &samples));
            QVERIFY(samples.isEmpty());
        }
    }
};

KAVRO_TEST_MAIN(TestRecordCodec, QCoreApplication)
#include "tst_recordcodec.moc"
