#include "routing/hublayout.h"

#include <QtTest>

using namespace Routing;

namespace {

QVector<bool> visible(int slotCount, std::initializer_list<int> shown)
{
    QVector<bool> v(slotCount, false);
    for (int slot : shown)
        v[slot] = true;
    return v;
}

QVector<bool> visibleRange(int slotCount, int first, int last)
{
    QVector<bool> v(slotCount, false);
    for (int slot = first; slot <= last && slot < slotCount; ++slot)
        v[slot] = true;
    return v;
}

} // namespace

namespace {

const Routing::PortCounts Alder{2, 2, 8, 1}; // 9 USB slots: HOST 1..8, Device 1
const Routing::PortCounts Maple{2, 2, 4, 1};
const Routing::PortCounts Cedar{6, 6, 0, 1};

} // namespace

class TestHubLayout : public QObject
{
    Q_OBJECT

private slots:
    void shouldFollowHubCountTable_data();
    void shouldFollowHubCountTable();
    void shouldChangeNothingForOtherCounts_data();
    void shouldChangeNothingForOtherCounts();
};

void TestHubLayout::shouldFollowHubCountTable_data()
{
    QTest::addColumn<int>("hubCount");
    QTest::addColumn<PortCounts>("counts");
    QTest::addColumn<QVector<bool>>("slotVisible");
    QTest::addColumn<int>("hintSlot");
    QTest::addColumn<int>("hostPairs");

    // Positions of the firmware's table are slot + 2.
    QTest::newRow("0: first USB HOST only") << 0 << Alder << visible(9, {0}) << 0 << 1;
    QTest::newRow("1, 11 buttons: positions 2..6") << 1 << Alder << visibleRange(9, 0, 4) << 4 << 4;
    QTest::newRow("1, 7 buttons: position 2 only, hint row hidden") << 1 << Maple << visible(5, {0}) << -1 << 4;
    QTest::newRow("2: positions 2..8 and the device ports")
        << 2 << Alder << QVector<bool>{true, true, true, true, true, true, true, false, true} << 6 << 7;
    QTest::newRow("2, short list: hint at n - 1") << 2 << Maple << visibleRange(5, 0, 4) << 4 << 7;
    QTest::newRow("3: positions 2..9 and the device ports") << 3 << Alder << visibleRange(9, 0, 8) << 7 << 8;
    QTest::newRow("3, short list: hint at n - 1") << 3 << Maple << visibleRange(5, 0, 4) << 4 << 8;
    // The table assumes two 5-pin ports before the USB ports; a Cedar-6 has
    // six, and none of them is ever hidden: only its one USB slot is addressed.
    QTest::newRow("0 on a Cedar-6") << 0 << Cedar << visible(1, {0}) << 0 << 1;
    QTest::newRow("3 on a Cedar-6: its device port") << 3 << Cedar << visible(1, {0}) << 0 << 8;
    QTest::newRow("no USB ports at all") << 2 << PortCounts{4, 4, 0, 0} << QVector<bool>{} << -1 << 7;
}

void TestHubLayout::shouldFollowHubCountTable()
{
    QFETCH(int, hubCount);
    QFETCH(PortCounts, counts);
    QFETCH(QVector<bool>, slotVisible);
    QFETCH(int, hintSlot);
    QFETCH(int, hostPairs);
    const HubLayout layout = hubLayout(hubCount, counts);
    QVERIFY(layout.applies);
    QCOMPARE(layout.slotVisible, slotVisible);
    QCOMPARE(layout.hintSlot, hintSlot);
    QCOMPARE(layout.hostPairs, hostPairs);
}

void TestHubLayout::shouldChangeNothingForOtherCounts_data()
{
    QTest::addColumn<int>("hubCount");
    QTest::newRow("-1: already applied") << -1;
    QTest::newRow("4") << 4;
    QTest::newRow("127") << 127;
}

void TestHubLayout::shouldChangeNothingForOtherCounts()
{
    QFETCH(int, hubCount);
    const HubLayout layout = hubLayout(hubCount, Alder);
    QVERIFY(!layout.applies);
    QVERIFY(layout.slotVisible.isEmpty());
    QCOMPARE(layout.hintSlot, -1);
}

QTEST_GUILESS_MAIN(TestHubLayout)
#include "tst_hublayout.moc"
