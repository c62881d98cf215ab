#include "mapping/mappingrule.h"

#include <QtTest>

using namespace Mapping;

namespace {

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

MappingSide standardSide(const QString &type, const QString &channel, DataRanges ranges = {})
{
    MappingSide side;
    side.typeName = type;
    side.channelText = channel;
    side.ranges = ranges;
    return side;
}

MappingSide sysExSide(const QVector<SysExRow> &rows, bool hex)
{
    MappingSide side;
    side.typeName = QStringLiteral("System Exclusive");
    side.channelText = QStringLiteral("1");
    side.sysEx = true;
    side.sysExRows = rows;
    side.showHex = hex;
    return side;
}

} // namespace

class TestMappingRule : public QObject
{
    Q_OBJECT

private slots:
    void originalStandardSide_data();
    void originalStandardSide();
    void shouldEncodeSysExOriginalWithItsMappedData();
    void shouldTypeSysExOriginalAsSystemExclusive();
    void shouldEncodeSysExMappedSide();
    void storeCommand_data();
    void storeCommand();
};

void TestMappingRule::originalStandardSide_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<int>("originalType");
    QTest::addColumn<int>("originalChannel");
    QTest::addColumn<int>("originalData1Position");
    QTest::addColumn<int>("originalData2Position");
    QTest::addColumn<QByteArray>("payload");

    // Ranges 5..100 and 10..120 everywhere.
    QTest::newRow("Program Change(PC) on All")
        << "Program Change(PC)" << "All" << 0x0C << 17 << 1 << 0 << bytes("c0 05 64");
    QTest::newRow("Start") << "Start" << "4" << 0xAF << 4 << 0 << 0 << bytes("fa");
    QTest::newRow("Song Position Pointer")
        << "Song Position Pointer" << "1" << 0x2F << 1 << 1 << 3 << bytes("f2 05 64 0a 78");
    QTest::newRow("Note Off on 10") << "Note Off" << "10" << 0x08 << 10 << 1 << 3
                                    << bytes("89 05 64 0a 78");
    QTest::newRow("unknown type is still encoded")
        << "Bogus" << "1" << 0x00 << 1 << 0 << 0 << bytes("00");
}

void TestMappingRule::originalStandardSide()
{
    QFETCH(QString, type);
    QFETCH(QString, channel);
    QFETCH(int, originalType);
    QFETCH(int, originalChannel);
    QFETCH(int, originalData1Position);
    QFETCH(int, originalData2Position);
    QFETCH(QByteArray, payload);

    if (type == QLatin1String("Bogus"))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("未知消息类型")));
    MappingRule rule;
    rule.original = standardSide(type, channel, DataRanges{5, 100, 10, 120});
    rule.mapped = standardSide(QStringLiteral("Note On"), QStringLiteral("1"));
    if (type == QLatin1String("Bogus"))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("未知消息类型")));
    const MappingRecord r = rule.toRecord();
    QCOMPARE(int(r.originalType), originalType);
    QCOMPARE(int(r.originalChannel), originalChannel);
    QCOMPARE(int(r.originalData1Position), originalData1Position);
    QCOMPARE(int(r.originalData2Position), originalData2Position);
    QCOMPARE(int(r.payloadLength), payload.size());
    QCOMPARE(r.payload.toHex(' '), payload.toHex(' '));
}

void TestMappingRule::shouldEncodeSysExOriginalWithItsMappedData()
{
    MappingRule rule;
    rule.original = sysExSide({SysExRow::value("0x41"), SysExRow::data1(0, 127), SysExRow::ignore()}, true);
    rule.mapped = standardSide(QStringLiteral("Control Change(CC)"), QStringLiteral("1"));
    rule.data1MappingFrom = 1;
    const MappingRecord r = rule.toRecord();
    QCOMPARE(int(r.originalType), 0x0F);
    QCOMPARE(r.payload.toHex(' '), QByteArray("41 00 7f ff"));
    QCOMPARE(int(r.payloadLength), 4);
    QCOMPARE(int(r.originalData1Position), 2);
    QCOMPARE(int(r.originalData2Position), 1);
    QCOMPARE(int(r.mappedData1Source), 1);
    QCOMPARE(int(r.mappedData2Source), 0);
}

void TestMappingRule::shouldTypeSysExOriginalAsSystemExclusive()
{
    MappingRule rule;
    rule.original = sysExSide({SysExRow::value("1")}, false);
    rule.original.typeName = QStringLiteral("Note On"); // the hidden standard combo
    rule.mapped = standardSide(QStringLiteral("Start"), QStringLiteral("1"));
    QCOMPARE(int(rule.toRecord().originalType), 0x0F);
}

void TestMappingRule::shouldEncodeSysExMappedSide()
{
    MappingRule rule;
    rule.original = standardSide(QStringLiteral("Note On"), QStringLiteral("1"));
    rule.mapped = sysExSide({SysExRow::value("10"), SysExRow::data2(0, 127), SysExRow::data1(1, 2)}, false);
    rule.mapped.channelText = QStringLiteral("All");
    rule.data2MappingFrom = 2;
    const MappingRecord r = rule.toRecord();
    QCOMPARE(int(r.mappedType), 0x0F);
    QCOMPARE(int(r.mappedChannel), 17);
    QCOMPARE(int(r.mappedData1Position), 1); // mapped Data1 has no source
    QCOMPARE(int(r.mappedData2Position), 2);
    QCOMPARE(int(r.extraDataLength), 5);
    QCOMPARE(r.extraData.toHex(' '), QByteArray("0a 00 7f 01 02"));
}

void TestMappingRule::storeCommand_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QVector<bool>>("ports");
    QTest::addColumn<QByteArray>("expected");

    QVector<bool> firstMidiInput(20, false);
    firstMidiInput[0] = true;
    QTest::newRow("Note On to Program Change, number 1")
        << 1 << firstMidiInput
        << bytes("F0 00 2F 71 02 04 01 00 00 00 00 41 09 11 01 03 05 90 00 7F 00 7F"
                 " 0C 02 02 01 00 00 03 C1 00 7F F7");
    QTest::newRow("same rule, number 16, every port")
        << 16 << QVector<bool>(20, true)
        << bytes("F0 00 2F 71 02 04 7F 7F 3F 00 00 50 09 11 01 03 05 90 00 7F 00 7F"
                 " 0C 02 02 01 00 00 03 C1 00 7F F7");
}

void TestMappingRule::storeCommand()
{
    QFETCH(int, number);
    QFETCH(QVector<bool>, ports);
    QFETCH(QByteArray, expected);

    MappingRule rule;
    rule.ports = ports;
    rule.number = number;
    rule.original = standardSide(QStringLiteral("Note On"), QStringLiteral("All"), {0, 127, 0, 127});
    rule.mapped = standardSide(QStringLiteral("Program Change(PC)"), QStringLiteral("2"), {0, 127, 0, 127});
    rule.data1MappingFrom = 2;
    rule.data2MappingFrom = -1;
    QCOMPARE(rule.toRecord().toStoreCommand().toHex(' '), expected.toHex(' '));
}

QTEST_GUILESS_MAIN(TestMappingRule)
#include "tst_mappingrule.moc"
