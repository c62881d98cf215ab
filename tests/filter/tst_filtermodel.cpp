#include "filter/filterbits.h"
#include "filter/filtermodel.h"
#include "filter/portfilteringsituation.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Filter;

namespace {

QByteArray situationFrame(int type, int number, quint8 fill)
{
    QByteArray frame = QByteArray::fromHex("F0002F710203");
    frame.append(static_cast<char>(type));
    frame.append(static_cast<char>(number));
    frame.append(QByteArray(ByteCount, static_cast<char>(fill)));
    frame.append(QByteArray::fromHex("0000F7"));
    return frame;
}

Bytes filled(qint32 value)
{
    Bytes bytes;
    bytes.fill(value);
    return bytes;
}

} // namespace

class TestFilterModel : public QObject
{
    Q_OBJECT

private slots:
    void shouldStartWithZeroBytesAndKeepName();
    void shouldKeepTwoEntriesForOnePortAndStoreIntoFirst();
    void shouldNotStoreWithoutExactName();
    void shouldAppendReportsInArrivalOrder();
    void shouldIgnoreMalformedReport();
    void shouldStoreIntoEveryEntryWhenAppliedToAll();
    void shouldSendCommandForPortWithoutRecord();
    void shouldSendNothingForTextWithoutPort();
    void shouldDeleteRecordsOnClear();
};

void TestFilterModel::shouldStartWithZeroBytesAndKeepName()
{
    PortFilteringSituation situation(QStringLiteral("MIDI IN1"));
    QCOMPARE(situation.name(), QStringLiteral("MIDI IN1"));
    QCOMPARE(situation.data(), Bytes{});
    QVERIFY(!situation.parent());
}

void TestFilterModel::shouldKeepTwoEntriesForOnePortAndStoreIntoFirst()
{
    FilterModel model;
    model.append(QStringLiteral("MIDI IN1"), filled(1));
    model.append(QStringLiteral("MIDI IN1"), filled(2));
    QCOMPARE(model.count(), 2);
    QCOMPARE(model.firstByName(QStringLiteral("MIDI IN1")), model.filterSituations().at(0));

    QVERIFY(model.storeIntoFirst(QStringLiteral("MIDI IN1"), filled(9)));
    QCOMPARE(model.filterSituations().at(0)->data(), filled(9));
    QCOMPARE(model.filterSituations().at(1)->data(), filled(2));
}

void TestFilterModel::shouldNotStoreWithoutExactName()
{
    FilterModel model;
    model.append(QStringLiteral("MIDI IN1"), filled(1));
    QVERIFY(!model.storeIntoFirst(QStringLiteral("MIDI IN 1"), filled(5)));
    QVERIFY(!model.storeIntoFirst(QStringLiteral("midi in1"), filled(5)));
    QCOMPARE(model.filterSituations().at(0)->data(), filled(1));
}

void TestFilterModel::shouldAppendReportsInArrivalOrder()
{
    FilterModel model;
    QSignalSpy appended(&model, &FilterModel::situationAppended);
    QVERIFY(model.appendReport(situationFrame(1, 2, 0x11)));
    QVERIFY(model.appendReport(situationFrame(1, 2, 0x22)));
    QVERIFY(model.appendReport(situationFrame(7, 1, 0x00)));
    QCOMPARE(model.count(), 3);
    QCOMPARE(model.filterSituations().at(0)->name(), QStringLiteral("MIDI OUT2"));
    QCOMPARE(model.firstByName(QStringLiteral("MIDI OUT2"))->data(), filled(0x11));
    // An unknown type still makes a record, under an empty name.
    QCOMPARE(model.filterSituations().at(2)->name(), QString());
    QCOMPARE(appended.count(), 3);
    QCOMPARE(appended.at(2).at(0).toInt(), 2);
}

void TestFilterModel::shouldIgnoreMalformedReport()
{
    FilterModel model;
    QCOMPARE(model.appendReport(situationFrame(0, 1, 0).left(35)), nullptr);
    QCOMPARE(model.appendReport(QByteArray()), nullptr);
    QCOMPARE(model.count(), 0);
}

void TestFilterModel::shouldStoreIntoEveryEntryWhenAppliedToAll()
{
    FilterModel model;
    model.append(QStringLiteral("MIDI IN1"), filled(1));
    model.append(QStringLiteral("USB HOST OUT1"), filled(2));
    const Bytes page = encode({"systemExclusiveBox"});
    const QByteArray command = model.set(true, QStringLiteral("MIDI IN1"), page);
    QCOMPARE(command.mid(6, 2), QByteArray::fromHex("7F00"));
    for (const PortFilteringSituation *situation : model.filterSituations())
        QCOMPARE(situation->data(), page);
}

void TestFilterModel::shouldSendCommandForPortWithoutRecord()
{
    FilterModel model;
    model.append(QStringLiteral("MIDI IN1"), filled(1));
    const QByteArray command = model.set(false, QStringLiteral("USB DEVICE OUT12"), filled(3));
    QCOMPARE(command.mid(6, 2), QByteArray::fromHex("050C"));
    QCOMPARE(model.filterSituations().at(0)->data(), filled(1));

    const QByteArray own = model.set(false, QStringLiteral("MIDI IN1"), filled(4));
    QCOMPARE(own.mid(6, 2), QByteArray::fromHex("0001"));
    QCOMPARE(model.filterSituations().at(0)->data(), filled(4));
}

void TestFilterModel::shouldSendNothingForTextWithoutPort()
{
    FilterModel model;
    model.append(QString(), filled(1));
    QVERIFY(model.set(false, QString(), filled(6)).isEmpty());
    QCOMPARE(model.filterSituations().at(0)->data(), filled(1));
}

void TestFilterModel::shouldDeleteRecordsOnClear()
{
    FilterModel model;
    QPointer<PortFilteringSituation> first = model.append(QStringLiteral("MIDI IN1"), Bytes{});
    QSignalSpy cleared(&model, &FilterModel::situationsCleared);
    model.clear();
    QCOMPARE(model.count(), 0);
    QVERIFY(first.isNull());
    QCOMPARE(cleared.count(), 1);
    QCOMPARE(model.firstByName(QStringLiteral("MIDI IN1")), nullptr);
}

QTEST_GUILESS_MAIN(TestFilterModel)
#include "tst_filtermodel.moc"
