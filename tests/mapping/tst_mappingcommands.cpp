#include "mapping/mappingcommands.h"

#include <QtTest>

class TestMappingCommands : public QObject
{
    Q_OBJECT

private slots:
    void deleteMapping_data();
    void deleteMapping();
    void shouldBuildDeleteAllAndReadQuery();
};

void TestMappingCommands::deleteMapping_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("1") << 1 << QByteArray("f0 00 2f 71 02 05 06 7f 01 41 00 f7");
    QTest::newRow("16") << 16 << QByteArray("f0 00 2f 71 02 05 06 7f 01 50 00 f7");
    QTest::newRow("0 addresses no slot") << 0 << QByteArray();
    QTest::newRow("17 is beyond the device") << 17 << QByteArray();
    QTest::newRow("negative (no selection)") << -1 << QByteArray();
}

void TestMappingCommands::deleteMapping()
{
    QFETCH(int, number);
    QFETCH(QByteArray, expected);
    QCOMPARE(Mapping::deleteMappingCommand(number).toHex(' '), expected);
}

void TestMappingCommands::shouldBuildDeleteAllAndReadQuery()
{
    QCOMPARE(Mapping::deleteAllMappingsCommand().toHex(' '),
             QByteArray("f0 00 2f 71 02 05 06 7f 02 00 00 f7"));
    QCOMPARE(Mapping::readMappingsQuery().toHex(' '), QByteArray("f0 00 2f 71 01 03 03 f7"));
}

QTEST_GUILESS_MAIN(TestMappingCommands)
#include "tst_mappingcommands.moc"
