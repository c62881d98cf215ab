#include "filter/filterbits.h"
#include "filter/filterprotocol.h"

#include <QtTest>

using namespace Filter;

Q_DECLARE_METATYPE(Filter::PortCounts)

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray situationFrame(int type, int number, quint8 fill)
{
    QByteArray frame = hex("F0002F710203");
    frame.append(static_cast<char>(type));
    frame.append(static_cast<char>(number));
    frame.append(QByteArray(ByteCount, static_cast<char>(fill)));
    frame.append(hex("0000F7"));
    return frame;
}

} // namespace

class TestFilterProtocol : public QObject
{
    Q_OBJECT

private slots:
    void shouldNamePortsWithoutBlank_data();
    void shouldNamePortsWithoutBlank();
    void shouldListComboEntriesTypeByType();
    void shouldParsePortText_data();
    void shouldParsePortText();
    void shouldBuildSetCommandByteForByte();
    void shouldBuildApplyToAllCommand();
    void shouldRefuseSetCommandForBadPort_data();
    void shouldRefuseSetCommandForBadPort();
    void shouldSendOutOfRangeValuesAsPageShowsThem();
    void shouldParseSituationReport();
    void shouldGiveEmptyNameForUnknownType();
    void shouldRejectMalformedSituation_data();
    void shouldRejectMalformedSituation();
    void shouldParsePortCounts_data();
    void shouldParsePortCounts();
    void shouldMapAnswerToText_data();
    void shouldMapAnswerToText();
};

void TestFilterProtocol::shouldNamePortsWithoutBlank_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("name");
    QTest::newRow("MIDI IN3") << 0 << 3 << "MIDI IN3";
    QTest::newRow("MIDI OUT1") << 1 << 1 << "MIDI OUT1";
    QTest::newRow("USB HOST IN4") << 2 << 4 << "USB HOST IN4";
    QTest::newRow("USB HOST OUT2") << 3 << 2 << "USB HOST OUT2";
    QTest::newRow("USB DEVICE IN1") << 4 << 1 << "USB DEVICE IN1";
    QTest::newRow("USB DEVICE OUT12") << 5 << 12 << "USB DEVICE OUT12";
    QTest::newRow("type 6 has no name") << 6 << 1 << "";
    QTest::newRow("all ports has no name") << 0x7F << 0 << "";
    QTest::newRow("negative type has no name") << -1 << 1 << "";
}

void TestFilterProtocol::shouldNamePortsWithoutBlank()
{
    QFETCH(int, type);
    QFETCH(int, number);
    QFETCH(QString, name);
    QCOMPARE(portName(type, number), name);
}

void TestFilterProtocol::shouldListComboEntriesTypeByType()
{
    const PortCounts counts{2, 1, 0, 0, 1, 2};
    QCOMPARE(portNames(counts), (QStringList{"MIDI IN1", "MIDI IN2", "MIDI OUT1", "USB DEVICE IN1",
                                             "USB DEVICE OUT1", "USB DEVICE OUT2"}));
}

void TestFilterProtocol::shouldParsePortText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("number");
    QTest::newRow("USB DEVICE OUT12") << "USB DEVICE OUT12" << true << 5 << 12;
    QTest::newRow("MIDI IN1") << "MIDI IN1" << true << 0 << 1;
    QTest::newRow("USB HOST IN is not MIDI IN") << "USB HOST IN3" << true << 2 << 3;
    QTest::newRow("blanks around the number") << "MIDI OUT 2 " << true << 1 << 2;
    QTest::newRow("no type word: no port") << "Ports" << false << 0 << 0;
    QTest::newRow("empty combo: no port") << "" << false << 0 << 0;
    QTest::newRow("lower case word: no port") << "midi in1" << false << 0 << 0;
    QTest::newRow("no number: no port") << "MIDI IN" << false << 0 << 0;
    QTest::newRow("letters after the word: no port") << "MIDI INx" << false << 0 << 0;
    QTest::newRow("number 0: no port") << "MIDI IN0" << false << 0 << 0;
    QTest::newRow("number above a data byte: no port") << "MIDI IN128" << false << 0 << 0;
}

void TestFilterProtocol::shouldParsePortText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, type);
    QFETCH(int, number);
    const auto port = parsePortText(text);
    QCOMPARE(port.has_value(), valid);
    if (valid)
        QCOMPARE(*port, (PortId{type, number}));
}

void TestFilterProtocol::shouldBuildSetCommandByteForByte()
{
    Bytes bytes{};
    bytes[1] = 0x04; // channel 10
    bytes[24] = 0x7F;
    const QByteArray command = setCommand(5, 12, bytes);
    QCOMPARE(command.size(), CommandLength);
    const QByteArray expected = hex("F0002F710203050C" "00040000") + QByteArray(20, '\0')
                                + hex("7F" "0000F7");
    QCOMPARE(command.toHex(' '), expected.toHex(' '));
}

void TestFilterProtocol::shouldBuildApplyToAllCommand()
{
    const QByteArray command = setAllCommand(encode({"systemExclusiveBox"}));
    QCOMPARE(command.size(), CommandLength);
    QCOMPARE(command.mid(0, 8), hex("F0002F7102037F00"));
    QCOMPARE(static_cast<quint8>(command.at(FilterBytesPos + 3)), quint8(0x40));
    QCOMPARE(command.right(3), hex("0000F7"));
}

void TestFilterProtocol::shouldRefuseSetCommandForBadPort_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("number");
    QTest::newRow("type 6") << 6 << 1;
    QTest::newRow("type -1") << -1 << 1;
    QTest::newRow("number 128") << 0 << 128;
    QTest::newRow("number -1") << 0 << -1;
}

void TestFilterProtocol::shouldRefuseSetCommandForBadPort()
{
    QFETCH(int, type);
    QFETCH(int, number);
    QVERIFY(setCommand(type, number, Bytes{}).isEmpty());
}

void TestFilterProtocol::shouldSendOutOfRangeValuesAsPageShowsThem()
{
    Bytes bytes{};
    bytes[2] = 200;
    const QByteArray command = setCommand(0, 1, bytes);
    QCOMPARE(static_cast<quint8>(command.at(FilterBytesPos + 2)), quint8(0x48));
}

void TestFilterProtocol::shouldParseSituationReport()
{
    QByteArray frame = situationFrame(3, 2, 0);
    frame[FilterBytesPos + 3] = 0x41;
    frame[FilterBytesPos + 24] = 0x7F;
    const auto report = parseSituation(frame);
    QVERIFY(report);
    QCOMPARE(report->typeCode, 3);
    QCOMPARE(report->number, 2);
    QCOMPARE(report->name, QStringLiteral("USB HOST OUT2"));
    QCOMPARE(report->bytes[3], 0x41);
    QCOMPARE(report->bytes[24], 0x7F);
    QCOMPARE(report->bytes[0], 0);
}

void TestFilterProtocol::shouldGiveEmptyNameForUnknownType()
{
    const auto report = parseSituation(situationFrame(9, 1, 0x01));
    QVERIFY(report);
    QVERIFY(report->name.isEmpty());
    QCOMPARE(report->bytes[12], 1);
}

void TestFilterProtocol::shouldRejectMalformedSituation_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("35 bytes") << situationFrame(0, 1, 0).remove(33, 1);
    QTest::newRow("37 bytes") << situationFrame(0, 1, 0).insert(33, '\0');
    QTest::newRow("no F7") << situationFrame(0, 1, 0).replace(35, 1, QByteArray(1, '\0'));
    QTest::newRow("no F0") << situationFrame(0, 1, 0).replace(0, 1, QByteArray(1, '\0'));
    QTest::newRow("empty") << QByteArray();
}

void TestFilterProtocol::shouldRejectMalformedSituation()
{
    QFETCH(QByteArray, frame);
    QVERIFY(!parseSituation(frame));
}

void TestFilterProtocol::shouldParsePortCounts_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<PortCounts>("counts");
    QTest::newRow("six counts") << hex("F0002F710105020104040000F7") << true
                                << PortCounts{2, 1, 4, 4, 0, 0};
    QTest::newRow("12 bytes: nothing") << hex("F0002F710105020104040000F7").left(12) << false
                                       << PortCounts{};
    QTest::newRow("count with bit 7: nothing") << hex("F0002F710105820104040000F7") << false
                                               << PortCounts{};
}

void TestFilterProtocol::shouldParsePortCounts()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, valid);
    QFETCH(PortCounts, counts);
    const auto parsed = parsePortCounts(frame);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, counts);
}

void TestFilterProtocol::shouldMapAnswerToText_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("text"); // empty: no message

    QTest::newRow("success, any reason") << hex("F0002F7102030005F7") << "Configuration successful";
    QTest::newRow("1 1") << hex("F0002F7102030101F7") << "Configuration failed:Wrong port serial number";
    QTest::newRow("1 2") << hex("F0002F7102030102F7") << "Configuration failed:Category error";
    QTest::newRow("1 3") << hex("F0002F7102030103F7")
                         << "Configuration failed:Category serial number error";
    QTest::newRow("1 4: no message") << hex("F0002F7102030104F7") << "";
    QTest::newRow("1 0: no message") << hex("F0002F7102030100F7") << "";
    QTest::newRow("status 2: no message") << hex("F0002F7102030201F7") << "";
    QTest::newRow("8 bytes: no message") << hex("F0002F71020300F7") << "";
}

void TestFilterProtocol::shouldMapAnswerToText()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, text);
    const auto message = resultText(frame);
    QCOMPARE(message.has_value(), !text.isEmpty());
    if (message)
        QCOMPARE(*message, text);
}

QTEST_GUILESS_MAIN(TestFilterProtocol)
#include "tst_filterprotocol.moc"
