#include "samplerecords.h"
#include "mapping/mappingreadback.h"

#include <QRegularExpression>
#include <QtTest>

using Status = MappingReadBack::Status;
Q_DECLARE_METATYPE(MappingRecord)
Q_DECLARE_METATYPE(MappingReadBack::Status)

char *toString(const MappingRecord &record)
{
    QString text;
    QDebug(&text) << record;
    return qstrdup(text.toUtf8().constData());
}

namespace {

// F0 00 2F 71 02 04 <body> F7
QByteArray readBack(const QByteArray &bodyHex)
{
    return QByteArray::fromHex("f0002f710204" + bodyHex + "f7");
}

QByteArray mappedFields(const MappingRecord &r)
{
    const char fields[] = {char(r.mappedType), char(r.mappedChannel), char(r.mappedData1Source), char(r.mappedData1Position), char(r.mappedData2Source), char(r.mappedData2Position), char(r.extraDataLength)};
    return QByteArray(fields, sizeof fields);
}


} // namespace

class TestMappingReadBack : public QObject
{
    Q_OBJECT

private slots:
    void storeCommandShouldReadBackAsTheSameRecord_data();
    void storeCommandShouldReadBackAsTheSameRecord();
    void mappingNumber_data();
    void mappingNumber();
    void shouldRejectMalformedFrames_data();
    void shouldRejectMalformedFrames();
    void shouldStayWithinTheFrame_data();
    void shouldStayWithinTheFrame();
};

void TestMappingReadBack::storeCommandShouldReadBackAsTheSameRecord_data()
{
    QTest::addColumn<MappingRecord>("record");

    QTest::newRow("standard to standard, number 1") << noteOnToProgramChange(1);
    QTest::newRow("number 16") << noteOnToProgramChange(16);

    MappingRecord sysEx = noteOnToProgramChange(7);
    sysEx.portMaskLow = 0x7F;
    sysEx.portMaskMiddle = 0x7F;
    sysEx.portMaskHigh = 0x3F;
    sysEx.originalType = 0x0F;
    sysEx.payload = QByteArray(28, '\x10');
    sysEx.payload[3] = '\xff';
    sysEx.payloadLength = 28;
    sysEx.mappedType = 0x0F;
    sysEx.extraData = QByteArray(30, '\x22');
    sysEx.extraDataLength = 30;
    QTest::newRow("SysEx both sides, longest blocks") << sysEx;

    MappingRecord start = noteOnToProgramChange(2);
    start.originalType = 0xAF;
    start.originalData1Position = 0;
    start.originalData2Position = 0;
    start.payloadLength = 1;
    start.payload = QByteArray::fromHex("fa");
    start.mappedType = 0xCF;
    start.extraDataLength = 1;
    start.extraData = QByteArray::fromHex("fc");
    QTest::newRow("status-only blocks") << start;
}

void TestMappingReadBack::storeCommandShouldReadBackAsTheSameRecord()
{
    QFETCH(MappingRecord, record);
    const MappingReadBack result = MappingReadBack::parse(record.toStoreCommand());
    QCOMPARE(result.status, Status::Accepted);
    QVERIFY(result.isAccepted());
    QCOMPARE(result.number, record.mappingNumber());
    QVERIFY(result.record.enable);
    QCOMPARE(result.record, record);
    QVERIFY(result.errorString().isEmpty());
}

void TestMappingReadBack::mappingNumber_data()
{
    QTest::addColumn<int>("numberByte");
    QTest::addColumn<Status>("status");
    QTest::addColumn<int>("number");

    QTest::newRow("0x45 fills entry 5") << 0x45 << Status::Accepted << 5;
    QTest::newRow("0x50 is the last") << 0x50 << Status::Accepted << 16;
    QTest::newRow("only the low six bits count") << 0x85 << Status::Accepted << 5;
    QTest::newRow("0x51 is dropped") << 0x51 << Status::NumberOutOfRange << 17;
    QTest::newRow("0x7F is dropped") << 0x7F << Status::NumberOutOfRange << 63;
    QTest::newRow("0x40 would be the unused slot") << 0x40 << Status::NumberZero << 0;
}

void TestMappingReadBack::mappingNumber()
{
    QFETCH(int, numberByte);
    QFETCH(Status, status);
    QFETCH(int, number);

    MappingRecord record = noteOnToProgramChange(1);
    record.numberByte = std::uint8_t(numberByte);
    if (status != Status::Accepted)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^反馈端口标识 hh6 不在有效范围内")));
    const MappingReadBack result = MappingReadBack::parse(record.toStoreCommand());
    QCOMPARE(result.status, status);
    QCOMPARE(result.number, number);
    QCOMPARE(result.errorString().isEmpty(), status == Status::Accepted);
}

void TestMappingReadBack::shouldRejectMalformedFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<Status>("status");
    QTest::addColumn<QString>("log");

    const QString tooShort = QStringLiteral("^报文过短：");
    const QString envelope = QStringLiteral("^包头/包尾错误$");
    QTest::newRow("empty") << QByteArray() << Status::TooShort << tooShort;
    QTest::newRow("the 9-byte no-rules answer")
        << QByteArray::fromHex("f0002f7101060000f7") << Status::TooShort << tooShort;
    const QByteArray nineteen = readBack("000000000041091101030000");
    QCOMPARE(nineteen.size(), 19);
    QTest::newRow("19 bytes") << nineteen << Status::TooShort << tooShort;
    // Twenty bytes: long enough, so only the envelope can be wrong.
    QByteArray noHead = readBack("00000000004109110103000c02");
    QCOMPARE(noHead.size(), 20);
    noHead[0] = '\x00';
    QTest::newRow("no F0") << noHead << Status::BadEnvelope << envelope;
    QByteArray noTail = readBack("00000000004109110103000c02");
    noTail.chop(1);
    noTail.append('\x00');
    QTest::newRow("no F7") << noTail << Status::BadEnvelope << envelope;
}

void TestMappingReadBack::shouldRejectMalformedFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(Status, status);
    QFETCH(QString, log);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(log));
    const MappingReadBack result = MappingReadBack::parse(frame);
    QCOMPARE(result.status, status);
    QVERIFY(!result.isAccepted());
    QVERIFY(!result.errorString().isEmpty());
    QVERIFY(result.record.isEmpty());
}

void TestMappingReadBack::shouldStayWithinTheFrame_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("payloadLength");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("mapped");
    QTest::addColumn<QByteArray>("extraData");

    // Fields 1-10 of mapping number 5; field 11 and on vary.
    const QByteArray head = "00000000004509110103";
    QTest::newRow("declared payload beyond the message keeps the bytes before F7")
        << head + "20" + "90007f007f0c02" << 0x20 << QByteArray::fromHex("90007f007f0c02")
        << QByteArray::fromHex("ffffffffffffff") << QByteArray();
    QTest::newRow("payload length FF reads 0")
        << head + "ff" + "0c020201000003c1007f" << 0 << QByteArray()
        << QByteArray::fromHex("0c020201000003") << QByteArray::fromHex("c1007f");
    QTest::newRow("payload length 0x90 reads 127")
        << head + "90" + "c00102" << 127 << QByteArray::fromHex("c00102")
        << QByteArray::fromHex("ffffffffffffff") << QByteArray();
    QTest::newRow("positions beyond the data read FF")
        << head + "00" + "0c02" << 0 << QByteArray() << QByteArray::fromHex("0c02ffffffffff")
        << QByteArray();
    QTest::newRow("extra length FF takes nothing")
        << head + "00" + "0c02020100 00ff aabb" << 0 << QByteArray()
        << QByteArray::fromHex("0c0202010000ff") << QByteArray();
    QTest::newRow("extra length that fits is taken as it is")
        << head + "00" + "0c020201000002 aabbcc" << 0 << QByteArray()
        << QByteArray::fromHex("0c020201000002") << QByteArray::fromHex("aabb");
    QTest::newRow("extra length beyond the message takes what is left")
        << head + "00" + "0c020201000005 aabb" << 0 << QByteArray()
        << QByteArray::fromHex("0c020201000005") << QByteArray::fromHex("aabb");
    QTest::newRow("extra length 0 takes what is left")
        << head + "00" + "0c020201000000 aabb" << 0 << QByteArray()
        << QByteArray::fromHex("0c020201000000") << QByteArray::fromHex("aabb");
    const QByteArray many(31, '\x11');
    QTest::newRow("extra length above 30 takes what is left")
        << head + "00" + "0c02020100001f" + many.toHex() << 0 << QByteArray()
        << QByteArray::fromHex("0c02020100001f") << many;
}

void TestMappingReadBack::shouldStayWithinTheFrame()
{
    QFETCH(QByteArray, body);
    QFETCH(int, payloadLength);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, mapped);
    QFETCH(QByteArray, extraData);

    const MappingReadBack result = MappingReadBack::parse(readBack(body));
    QCOMPARE(result.status, Status::Accepted);
    QCOMPARE(result.number, 5);
    QCOMPARE(int(result.record.originalData2Position), 3);
    QCOMPARE(int(result.record.payloadLength), payloadLength);
    QCOMPARE(result.record.payload.toHex(' '), payload.toHex(' '));
    QCOMPARE(mappedFields(result.record).toHex(' '), mapped.toHex(' '));
    QCOMPARE(result.record.extraData.toHex(' '), extraData.toHex(' '));
}

QTEST_GUILESS_MAIN(TestMappingReadBack)
#include "tst_mappingreadback.moc"
