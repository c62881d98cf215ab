#include "samplerecords.h"
#include "mapping/mappingrecord.h"

#include <QtTest>

#include <functional>

using Mutation = std::function<void(MappingRecord &)>;
Q_DECLARE_METATYPE(Mutation)

class TestMappingRecord : public QObject
{
    Q_OBJECT

private slots:
    void everyFieldTakesPartInEquality_data();
    void everyFieldTakesPartInEquality();
    void shouldIgnoreEnableWhenComparing();
    void shouldWriteFieldsAroundTheBlocks();
};

void TestMappingRecord::everyFieldTakesPartInEquality_data()
{
    QTest::addColumn<Mutation>("mutate");
    // Each row changes one field; it must make the record differ from the
    // sample, and stop the record from counting as empty.
    QTest::newRow("portMaskLow") << Mutation([](MappingRecord &r) { r.portMaskLow ^= 1; });
    QTest::newRow("portMaskMiddle") << Mutation([](MappingRecord &r) { r.portMaskMiddle ^= 1; });
    QTest::newRow("portMaskHigh") << Mutation([](MappingRecord &r) { r.portMaskHigh ^= 1; });
    QTest::newRow("reservedA") << Mutation([](MappingRecord &r) { r.reservedA ^= 1; });
    QTest::newRow("reservedB") << Mutation([](MappingRecord &r) { r.reservedB ^= 1; });
    QTest::newRow("numberByte") << Mutation([](MappingRecord &r) { r.numberByte ^= 1; });
    QTest::newRow("originalType") << Mutation([](MappingRecord &r) { r.originalType ^= 1; });
    QTest::newRow("originalChannel") << Mutation([](MappingRecord &r) { r.originalChannel ^= 1; });
    QTest::newRow("originalData1Position") << Mutation([](MappingRecord &r) { r.originalData1Position ^= 1; });
    QTest::newRow("originalData2Position") << Mutation([](MappingRecord &r) { r.originalData2Position ^= 1; });
    QTest::newRow("payloadLength") << Mutation([](MappingRecord &r) { r.payloadLength ^= 1; });
    QTest::newRow("payload") << Mutation([](MappingRecord &r) { r.payload.append('\0'); });
    QTest::newRow("mappedType") << Mutation([](MappingRecord &r) { r.mappedType ^= 1; });
    QTest::newRow("mappedChannel") << Mutation([](MappingRecord &r) { r.mappedChannel ^= 1; });
    QTest::newRow("mappedData1Source") << Mutation([](MappingRecord &r) { r.mappedData1Source ^= 1; });
    QTest::newRow("mappedData1Position") << Mutation([](MappingRecord &r) { r.mappedData1Position ^= 1; });
    QTest::newRow("mappedData2Source") << Mutation([](MappingRecord &r) { r.mappedData2Source ^= 1; });
    QTest::newRow("mappedData2Position") << Mutation([](MappingRecord &r) { r.mappedData2Position ^= 1; });
    QTest::newRow("extraDataLength") << Mutation([](MappingRecord &r) { r.extraDataLength ^= 1; });
    QTest::newRow("extraData") << Mutation([](MappingRecord &r) { r.extraData.append('\0'); });
}

void TestMappingRecord::everyFieldTakesPartInEquality()
{
    QFETCH(Mutation, mutate);
    const MappingRecord sample = noteOnToProgramChange();
    MappingRecord changed = sample;
    mutate(changed);
    QVERIFY(changed != sample);

    MappingRecord fromEmpty;
    mutate(fromEmpty);
    QVERIFY(!fromEmpty.isEmpty());
}

void TestMappingRecord::shouldIgnoreEnableWhenComparing()
{
    MappingRecord stored = noteOnToProgramChange();
    stored.enable = true;
    QVERIFY(stored == noteOnToProgramChange());

    MappingRecord sameLengthBlock = noteOnToProgramChange();
    sameLengthBlock.payload[4] = '\x7e';
    QVERIFY(sameLengthBlock != noteOnToProgramChange());

    MappingRecord empty;
    QVERIFY(empty.isEmpty());
    empty.enable = true;
    QVERIFY(!empty.isEmpty());
}

void TestMappingRecord::shouldWriteFieldsAroundTheBlocks()
{
    // The blocks are written as held, whatever their declared lengths say.
    MappingRecord r = noteOnToProgramChange();
    r.payload = QByteArray::fromHex("aa");
    r.extraData.clear();
    QCOMPARE(r.toStoreCommand().toHex(' '),
             QByteArray("f0 00 2f 71 02 04 01 00 00 00 00 41 09 11 01 03 05 aa 0c 02 02 01 00 00 03 f7"));
    QCOMPARE(r.mappingNumber(), 1);
}

QTEST_GUILESS_MAIN(TestMappingRecord)
#include "tst_mappingrecord.moc"
