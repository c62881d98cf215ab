#include "device/vocabulary.h"
#include "mapping/statusbytes.h"

#include <QRegularExpression>
#include <QtTest>

using namespace Mapping;

class TestMappingStatusBytes : public QObject
{
    Q_OBJECT

private slots:
    void swappedStatusByte_data();
    void swappedStatusByte();
    void midiStatusByte_data();
    void midiStatusByte();
    void shouldWarnAboutUnknownTypeNames();
    void lookupStatusIndex_data();
    void lookupStatusIndex();
    void channelByte_data();
    void channelByte();
};

void TestMappingStatusBytes::swappedStatusByte_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("expected");

    QTest::newRow("Note On, channel nibble 0") << "Note On" << 0 << 0x09;
    QTest::newRow("Note On, channel in the high nibble") << "Note On" << 2 << 0x29;
    QTest::newRow("Program Change(PC)") << "Program Change(PC)" << 0 << 0x0C;
    QTest::newRow("Start") << "Start" << 0 << 0xAF;
    QTest::newRow("system type ignores the channel") << "Start" << 5 << 0xAF;
    QTest::newRow("Song Position Pointer") << "Song Position Pointer" << 0 << 0x2F;
    QTest::newRow("MTC alias") << "MTC" << 0 << 0x1F;
    QTest::newRow("System Exclusive") << "System Exclusive" << 0 << 0x0F;
    QTest::newRow("unknown short name") << "Note" << 0 << 0;
    QTest::newRow("case matters") << "note on" << 0 << 0;
}

void TestMappingStatusBytes::swappedStatusByte()
{
    QFETCH(QString, name);
    QFETCH(int, channel);
    QFETCH(int, expected);
    QCOMPARE(int(Mapping::swappedStatusByte(name, channel)), expected);
}

void TestMappingStatusBytes::midiStatusByte_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("channelText");
    QTest::addColumn<int>("expected");

    QTest::newRow("Note On on 3") << "Note On" << "3" << 0x92;
    QTest::newRow("Note On on All") << "Note On" << "All" << 0x90;
    QTest::newRow("Note On on 16") << "Note On" << "16" << 0x9F;
    QTest::newRow("channel 17 keeps the low four bits") << "Note On" << "17" << 0x90;
    QTest::newRow("channel 0 is not a channel") << "Note On" << "0" << 0x90;
    QTest::newRow("Program Change(PC) on 2") << "Program Change(PC)" << "2" << 0xC1;
    QTest::newRow("Song Position Pointer ignores the channel") << "Song Position Pointer" << "7" << 0xF2;
    QTest::newRow("Start") << "Start" << "All" << 0xFA;
    QTest::newRow("System Exclusive") << "System Exclusive" << "1" << 0xF0;
    QTest::newRow("MTC is only a swapped alias") << "MTC" << "1" << 0;
    QTest::newRow("unknown name") << "Note" << "1" << 0;
}

void TestMappingStatusBytes::midiStatusByte()
{
    QFETCH(QString, name);
    QFETCH(QString, channelText);
    QFETCH(int, expected);
    QCOMPARE(int(Mapping::midiStatusByte(name, channelText)), expected);
}

void TestMappingStatusBytes::shouldWarnAboutUnknownTypeNames()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^\\[makeStatusByte\\] 未知消息类型: Bogus$")));
    QCOMPARE(int(Mapping::swappedStatusByte(QStringLiteral("Bogus"), 0)), 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^\\[makeStatusByte2\\] 未知消息类型: Bogus$")));
    QCOMPARE(int(Mapping::midiStatusByte(QStringLiteral("Bogus"), QStringLiteral("1"))), 0);
}

void TestMappingStatusBytes::lookupStatusIndex_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("expected");

    const QStringList offered = Vocabulary::mappingTypeCodes().names();
    QTest::newRow("first item") << offered << 0x0B << 0;
    QTest::newRow("Program Change(PC)") << offered << 0x0C << 6;
    QTest::newRow("MIDI Time Code") << offered << 0x1F << 16;
    QTest::newRow("System Exclusive is last") << offered << 0x0F << 17;
    QTest::newRow("code nobody has") << offered << 0x55 << 0;
    QTest::newRow("all items unknown") << QStringList{"Select", "Note", "MTC"} << 0x1F << 0;
    QTest::newRow("unknown items are skipped")
        << QStringList{"Select", "Start", "Note On"} << 0x09 << 2;
    QTest::newRow("first of two matches") << QStringList{"Stop", "Note On", "Note On"} << 0x09 << 1;
    QTest::newRow("no items") << QStringList{} << 0x09 << 0;
}

void TestMappingStatusBytes::lookupStatusIndex()
{
    QFETCH(QStringList, items);
    QFETCH(int, code);
    QFETCH(int, expected);
    QCOMPARE(Mapping::lookupStatusIndex(items, code), expected);
}

void TestMappingStatusBytes::channelByte_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("All") << "All" << 17;
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("16") << "16" << 16;
    QTest::newRow("truncated to a byte") << "300" << 44;
    QTest::newRow("lower-case all is not All") << "all" << 0;
    QTest::newRow("empty") << "" << 0;
}

void TestMappingStatusBytes::channelByte()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(int(Mapping::channelByte(text)), expected);
}

QTEST_GUILESS_MAIN(TestMappingStatusBytes)
#include "tst_mappingstatusbytes.moc"
