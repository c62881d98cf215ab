#include "device/vocabulary.h"
#include "mapping/mappingblocks.h"

#include <QtTest>

using namespace Mapping;

Q_DECLARE_METATYPE(QVector<Mapping::SysExRow>)

namespace {

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray maskBytes(const PortMask &mask)
{
    return QByteArray(reinterpret_cast<const char *>(mask.data()), int(mask.size()));
}

} // namespace

class TestMappingBlocks : public QObject
{
    Q_OBJECT

private slots:
    void storedSysExRowsRestore_data();
    void storedSysExRowsRestore();
    void standardBlockLayout_data();
    void standardBlockLayout();
    void standardBlockIsCutToTheLayout_data();
    void standardBlockIsCutToTheLayout();
    void sysExBlock_data();
    void sysExBlock();
    void sysExPositions_data();
    void sysExPositions();
    void packPortMask_data();
    void packPortMask();
    void unpackPortMaskShouldInvertPacking();
    void dataSourceByte_data();
    void dataSourceByte();
};

void TestMappingBlocks::standardBlockLayout_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("data1");
    QTest::addColumn<int>("data2");

    // Every type the page offers, so that a new table entry cannot slip by.
    const QHash<QString, QVector<int>> expected{
        {"Control Change(CC)", {5, 1, 3}}, {"Note On", {5, 1, 3}}, {"Note Off", {5, 1, 3}},
        {"Key Aftertouch", {5, 1, 3}}, {"Pitch Bend", {5, 1, 3}},
        {"Song Position Pointer", {5, 1, 3}}, {"Channel Pressure", {3, 1, 0}},
        {"Program Change(PC)", {3, 1, 0}}, {"MIDI Time Code", {3, 1, 0}},
        {"Song Select", {3, 1, 0}}, {"Start", {1, 0, 0}}, {"Stop", {1, 0, 0}},
        {"Continue", {1, 0, 0}}, {"Tune Request", {1, 0, 0}}, {"Active Sense", {1, 0, 0}},
        {"MIDI Clock", {1, 0, 0}}, {"Tick", {1, 0, 0}}, {"System Exclusive", {1, 0, 0}},
    };
    for (const auto &entry : Vocabulary::mappingTypeCodes().entries()) {
        QVERIFY2(expected.contains(entry.first), qPrintable(entry.first));
        const QVector<int> &e = expected.value(entry.first);
        QTest::newRow(qPrintable(entry.first)) << entry.second << e[0] << e[1] << e[2];
    }
    QTest::newRow("unknown type (code 0)") << 0 << 1 << 0 << 0;
}

void TestMappingBlocks::standardBlockLayout()
{
    QFETCH(int, code);
    QFETCH(int, length);
    QFETCH(int, data1);
    QFETCH(int, data2);
    const StandardBlockLayout layout = Mapping::standardBlockLayout(std::uint8_t(code));
    QCOMPARE(layout.length, length);
    QCOMPARE(int(layout.data1Position), data1);
    QCOMPARE(int(layout.data2Position), data2);
}

void TestMappingBlocks::standardBlockIsCutToTheLayout_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("five bytes") << 0x09 << 0x92 << bytes("92 05 64 0a 78");
    QTest::newRow("three bytes") << 0x0C << 0xC0 << bytes("c0 05 64");
    QTest::newRow("status only") << 0xAF << 0xFA << bytes("fa");
}

void TestMappingBlocks::standardBlockIsCutToTheLayout()
{
    QFETCH(int, code);
    QFETCH(int, status);
    QFETCH(QByteArray, expected);
    const DataRanges ranges{5, 100, 10, 120};
    QCOMPARE(Mapping::standardBlock(std::uint8_t(code), std::uint8_t(status), ranges).toHex(' '),
             expected.toHex(' '));
}

void TestMappingBlocks::sysExBlock_data()
{
    QTest::addColumn<QVector<SysExRow>>("rows");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("data1Position");
    QTest::addColumn<int>("data2Position");

    QTest::newRow("value, Data1, Ignore")
        << QVector<SysExRow>{SysExRow::value("0x41"), SysExRow::data1(0, 127), SysExRow::ignore()}
        << true << bytes("41 00 7f ff") << 2 << 0;
    QTest::newRow("Data1, value, Data2")
        << QVector<SysExRow>{SysExRow::data1(1, 2), SysExRow::value("16"), SysExRow::data2(3, 4)}
        << false << bytes("01 02 10 03 04") << 1 << 4;
    QTest::newRow("hex without prefix") << QVector<SysExRow>{SysExRow::value("7f")} << true
                                        << bytes("7f") << 0 << 0;
    QTest::newRow("hex text in decimal mode is unreadable")
        << QVector<SysExRow>{SysExRow::value("0x41")} << false << bytes("ff") << 0 << 0;
    QTest::newRow("unreadable values")
        << QVector<SysExRow>{SysExRow::value("zz"), SysExRow::value(""), SysExRow::value("-1"),
                             SysExRow::value("300")}
        << false << bytes("ff ff ff ff") << 0 << 0;
    QTest::newRow("Data row with a missing box")
        << QVector<SysExRow>{SysExRow::value("1"), SysExRow::data2(std::nullopt, 5)} << false
        << bytes("01 ff ff") << 0 << 2;
    QTest::newRow("no rows") << QVector<SysExRow>{} << false << QByteArray() << 0 << 0;
}

void TestMappingBlocks::sysExBlock()
{
    QFETCH(QVector<SysExRow>, rows);
    QFETCH(bool, hex);
    QFETCH(QByteArray, expected);
    QFETCH(int, data1Position);
    QFETCH(int, data2Position);
    const SysExBlock block = buildSysExBlock(rows, hex);
    QCOMPARE(block.bytes.toHex(' '), expected.toHex(' '));
    QCOMPARE(int(block.data1Position), data1Position);
    QCOMPARE(int(block.data2Position), data2Position);
}

void TestMappingBlocks::sysExPositions_data()
{
    QTest::addColumn<int>("data1Source");
    QTest::addColumn<int>("data2Source");
    QTest::addColumn<int>("originalData1");
    QTest::addColumn<int>("originalData2");
    QTest::addColumn<int>("mappedData1");
    QTest::addColumn<int>("mappedData2");

    // Block with Data1 at position 2 and Data2 at position 5.
    QTest::newRow("no sources") << 0 << 0 << 1 << 1 << 1 << 1;
    QTest::newRow("straight Data1") << 1 << 0 << 2 << 1 << 2 << 1;
    QTest::newRow("Original Data2 feeds mapped Data1") << 2 << 0 << 1 << 5 << 2 << 1;
    QTest::newRow("Original Data1 feeds mapped Data2") << 0 << 1 << 2 << 1 << 1 << 5;
    QTest::newRow("crossed") << 2 << 1 << 2 << 5 << 2 << 5;
}

void TestMappingBlocks::sysExPositions()
{
    QFETCH(int, data1Source);
    QFETCH(int, data2Source);
    QFETCH(int, originalData1);
    QFETCH(int, originalData2);
    QFETCH(int, mappedData1);
    QFETCH(int, mappedData2);
    SysExBlock block;
    block.bytes = bytes("10 00 7f 20 00 7f");
    block.data1Position = 2;
    block.data2Position = 5;
    const auto source1 = std::uint8_t(data1Source);
    const auto source2 = std::uint8_t(data2Source);
    const DataPositions original = originalSysExPositions(block, source1, source2);
    const DataPositions mapped = mappedSysExPositions(block, source1, source2);
    QCOMPARE(int(original.data1), originalData1);
    QCOMPARE(int(original.data2), originalData2);
    QCOMPARE(int(mapped.data1), mappedData1);
    QCOMPARE(int(mapped.data2), mappedData2);
}

void TestMappingBlocks::packPortMask_data()
{
    QTest::addColumn<QVector<bool>>("ports");
    QTest::addColumn<QByteArray>("expected");

    auto only = [](int index, int count) {
        QVector<bool> ports(count, false);
        ports[index] = true;
        return ports;
    };
    QTest::newRow("20 boxes all checked") << QVector<bool>(20, true) << bytes("7f 7f 3f");
    QTest::newRow("first box") << only(0, 20) << bytes("01 00 00");
    QTest::newRow("entry 7 starts byte 1") << only(7, 20) << bytes("00 01 00");
    QTest::newRow("entry 20 is the last that fits") << only(20, 21) << bytes("00 00 40");
    QTest::newRow("entries beyond 21 are dropped") << QVector<bool>(30, true) << bytes("7f 7f 7f");
    QTest::newRow("short list leaves the rest 0") << QVector<bool>(3, true) << bytes("07 00 00");
    QTest::newRow("no boxes") << QVector<bool>() << bytes("00 00 00");
}

void TestMappingBlocks::packPortMask()
{
    QFETCH(QVector<bool>, ports);
    QFETCH(QByteArray, expected);
    QCOMPARE(maskBytes(Mapping::packPortMask(ports)).toHex(' '), expected.toHex(' '));
}

void TestMappingBlocks::unpackPortMaskShouldInvertPacking()
{
    const PortMask mask{0x55, 0x2A, 0x41};
    const QVector<bool> ports = unpackPortMask(mask);
    QCOMPARE(ports.size(), 21);
    QCOMPARE(maskBytes(Mapping::packPortMask(ports)), maskBytes(mask));
    // Bit 7 belongs to no port.
    QCOMPARE(unpackPortMask(PortMask{0x80, 0x80, 0x80}), QVector<bool>(21, false));
}

void TestMappingBlocks::dataSourceByte_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("wire");
    QTest::newRow("unmapped") << -1 << 0;
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("Original Data1") << 1 << 1;
    QTest::newRow("Original Data2") << 2 << 2;
    QTest::newRow("anything else") << 3 << 0;
}

void TestMappingBlocks::dataSourceByte()
{
    QFETCH(int, from);
    QFETCH(int, wire);
    QCOMPARE(int(Mapping::dataSourceByte(from)), wire);
}

void TestMappingBlocks::storedSysExRowsRestore_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QVector<int>>("stored"); // originalData1, originalData2, data1Source, data2Source
    QTest::addColumn<QStringList>("rows");
    const auto b = [](const char *h) { return QByteArray::fromHex(h); };
    // "ll" 1 names no row here: 0x41 must stay a value (it used to become Data2).
    QTest::newRow("Data1 feeds mapped Data2") << b("41007fff") << QVector<int>{2, 1, 0, 1}
                                              << QStringList{"65", "D1 0-127", "Ignore"};
    QTest::newRow("Data row at position 1 that feeds") << b("05107f") << QVector<int>{1, 1, 1, 0}
                                                       << QStringList{"D1 5-16", "127"};
    QTest::newRow("no source: no Data rows") << b("0510") << QVector<int>{1, 1, 0, 0} << QStringList{"5", "16"};
    QTest::newRow("both rows") << b("0a0b0c0d") << QVector<int>{3, 1, 1, 2}
                               << QStringList{"D2 10-11", "D1 12-13"};
    QTest::newRow("position past the end") << b("0a0b") << QVector<int>{2, 1, 1, 0} << QStringList{"10", "11"};
    QTest::newRow("pair not data values") << b("80ff") << QVector<int>{1, 1, 1, 0} << QStringList{"128", "Ignore"};
}

void TestMappingBlocks::storedSysExRowsRestore()
{
    QFETCH(QByteArray, block);
    QFETCH(QVector<int>, stored);
    QFETCH(QStringList, rows);
    const auto u8 = [](int v) { return static_cast<std::uint8_t>(v); };
    const Mapping::DataPositions positions =
        Mapping::storedOriginalSysExPositions(u8(stored[0]), u8(stored[1]), u8(stored[2]), u8(stored[3]));
    QStringList texts;
    for (const Mapping::SysExRow &row : Mapping::sysExRowsFromBlock(block, positions)) {
        switch (row.kind) {
        case Mapping::SysExRow::Kind::Value: texts << row.valueText; break;
        case Mapping::SysExRow::Kind::Ignore: texts << "Ignore"; break;
        case Mapping::SysExRow::Kind::Data1:
        case Mapping::SysExRow::Kind::Data2:
            texts << QString("D%1 %2-%3").arg(row.kind == Mapping::SysExRow::Kind::Data1 ? 1 : 2)
                         .arg(*row.minimum).arg(*row.maximum);
            break;
        }
    }
    QCOMPARE(texts, rows);
    // Built again, the rows give the same bytes back.
    QCOMPARE(Mapping::buildSysExBlock(Mapping::sysExRowsFromBlock(block, positions), false).bytes, block);
}

QTEST_GUILESS_MAIN(TestMappingBlocks)
#include "tst_mappingblocks.moc"
