#include "mapping/mappingstore.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

MappingRecord rule(int number, std::uint8_t type)
{
    MappingRecord r;
    r.portMaskLow = 0x01;
    r.numberByte = std::uint8_t(0x40 | number);
    r.originalType = type;
    r.originalChannel = 1;
    r.payloadLength = 1;
    r.payload = QByteArray(1, char(0xFA));
    r.mappedType = 0xCF;
    r.mappedChannel = 1;
    r.extraDataLength = 1;
    r.extraData = QByteArray(1, char(0xFC));
    return r;
}

} // namespace

class TestMappingStore : public QObject
{
    Q_OBJECT

private slots:
    void shouldStartWithSeventeenEmptySlots();
    void shouldStoreAcceptedReadBackInItsSlot();
    void shouldLeaveSlotsAloneOnRefusedReadBack();
    void shouldStorePendingRuleOnConfirmation();
    void confirmedDeleteShouldOnlyClearEnable();
    void clearAllShouldEmptyEverySlot();
    void containsIdentical_data();
    void containsIdentical();
    void outOfRangeNumbers_data();
    void outOfRangeNumbers();
    void shouldRefuseLoadingTheWrongSlotCount();
};

void TestMappingStore::shouldStartWithSeventeenEmptySlots()
{
    const MappingStore store;
    QCOMPARE(store.feedbackMappings().size(), 17);
    for (const MappingRecord &record : store.feedbackMappings())
        QVERIFY(record.isEmpty());
    QVERIFY(store.pendingMapping().isEmpty());
}

void TestMappingStore::shouldStoreAcceptedReadBackInItsSlot()
{
    MappingStore store;
    const MappingReadBack result = store.storeReadBack(rule(5, 0xAF).toStoreCommand());
    QVERIFY(result.isAccepted());
    QVERIFY(store.isStored(5));
    QCOMPARE(store.mapping(5), rule(5, 0xAF));
    QVERIFY(!store.isStored(4));
    QVERIFY(!store.isStored(6));

    // A later read-back of the same number replaces the rule.
    QVERIFY(store.storeReadBack(rule(5, 0xBF).toStoreCommand()).isAccepted());
    QCOMPARE(int(store.mapping(5).originalType), 0xBF);
}

void TestMappingStore::shouldLeaveSlotsAloneOnRefusedReadBack()
{
    MappingStore store;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("hh6")));
    QCOMPARE(store.storeReadBack(rule(17, 0xAF).toStoreCommand()).status,
             MappingReadBack::Status::NumberOutOfRange);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("hh6")));
    QCOMPARE(store.storeReadBack(rule(0, 0xAF).toStoreCommand()).status,
             MappingReadBack::Status::NumberZero);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("报文过短")));
    QCOMPARE(store.storeReadBack(QByteArray::fromHex("f0002f7101060000f7")).status,
             MappingReadBack::Status::TooShort);
    for (const MappingRecord &record : store.feedbackMappings())
        QVERIFY(record.isEmpty());
}

void TestMappingStore::shouldStorePendingRuleOnConfirmation()
{
    MappingStore store;
    store.setPendingMapping(rule(3, 0xAF));
    QVERIFY(!store.isStored(3)); // sending alone stores nothing
    QVERIFY(store.confirmPendingStore(3));
    QVERIFY(store.isStored(3));
    QCOMPARE(store.mapping(3), rule(3, 0xAF));
    QVERIFY(!store.pendingMapping().enable);
}

void TestMappingStore::confirmedDeleteShouldOnlyClearEnable()
{
    MappingStore store;
    store.setPendingMapping(rule(9, 0xAF));
    QVERIFY(store.confirmPendingStore(9));
    QVERIFY(store.confirmDelete(9));
    QVERIFY(!store.isStored(9));
    QCOMPARE(store.mapping(9), rule(9, 0xAF));
}

void TestMappingStore::clearAllShouldEmptyEverySlot()
{
    MappingStore store;
    for (int n = 1; n <= 16; ++n)
        QVERIFY(store.storeReadBack(rule(n, 0xAF).toStoreCommand()).isAccepted());
    store.clearAll();
    QCOMPARE(store.feedbackMappings().size(), 17);
    for (const MappingRecord &record : store.feedbackMappings())
        QVERIFY(record.isEmpty());
}

void TestMappingStore::containsIdentical_data()
{
    QTest::addColumn<bool>("deleteFirst");
    QTest::addColumn<int>("candidateType");
    QTest::addColumn<bool>("expected");

    QTest::newRow("same rule, stored") << false << 0xAF << true;
    QTest::newRow("different type") << false << 0xBF << false;
    QTest::newRow("same rule, deleted on the device") << true << 0xAF << false;
}

void TestMappingStore::containsIdentical()
{
    QFETCH(bool, deleteFirst);
    QFETCH(int, candidateType);
    QFETCH(bool, expected);

    MappingStore store;
    QVERIFY(store.storeReadBack(rule(4, 0xAF).toStoreCommand()).isAccepted());
    if (deleteFirst)
        QVERIFY(store.confirmDelete(4));
    // The candidate was just built and carries no enable flag.
    const MappingRecord candidate = rule(4, std::uint8_t(candidateType));
    QVERIFY(!candidate.enable);
    QCOMPARE(store.containsIdentical(candidate), expected);
}

void TestMappingStore::outOfRangeNumbers_data()
{
    QTest::addColumn<int>("number");
    QTest::newRow("0, the unused slot") << 0;
    QTest::newRow("17") << 17;
    QTest::newRow("-1") << -1;
}

void TestMappingStore::outOfRangeNumbers()
{
    QFETCH(int, number);
    MappingStore store;
    store.setPendingMapping(rule(1, 0xAF));
    QVERIFY(!store.confirmPendingStore(number));
    QVERIFY(!store.confirmDelete(number));
    QVERIFY(!store.isStored(number));
    QVERIFY(store.mapping(number).isEmpty());
    for (const MappingRecord &record : store.feedbackMappings())
        QVERIFY(record.isEmpty());
}

void TestMappingStore::shouldRefuseLoadingTheWrongSlotCount()
{
    MappingStore store;
    QVector<MappingRecord> loaded(17);
    loaded[2] = rule(2, 0xAF);
    loaded[2].enable = true;
    QVERIFY(!store.setFeedbackMappings(QVector<MappingRecord>(16)));
    QVERIFY(!store.isStored(2));
    QVERIFY(store.setFeedbackMappings(loaded));
    QVERIFY(store.isStored(2));
}

QTEST_GUILESS_MAIN(TestMappingStore)
#include "tst_mappingstore.moc"
