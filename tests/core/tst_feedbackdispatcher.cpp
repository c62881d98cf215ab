#include "device/feedbackdispatcher.h"
#include "device/fifobuffer.h"
#include "device/sysex.h"
#include "widgets/scriptedprompt.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {
QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// Feeds a frame the way the receive road does: classified, every report.
void deliver(FeedbackDispatcher &d, const QByteArray &frame)
{
    for (Feedbacktype kind : FiFoBuffer::classify(frame))
        d.dealWithData(kind, frame);
}
} // namespace

class TestFeedbackDispatcher : public QObject
{
    Q_OBJECT

private slots:
    void showsEachResultText_data();
    void showsEachResultText();
    void routeSituationEarlyExitsLeaveDebounceAlone_data();
    void routeSituationEarlyExitsLeaveDebounceAlone();
    void filterCountsAskForFilterStatesOnce();
    void storeReplyWritesAcknowledgeUnlessDataError();
    void usbNames_data();
    void usbNames();
    void deviceTypeAppendsFamilyWord();
    void saveAnswerConfirmsStoreOnlyOnMappingTab();
    void factoryResetIsConfirmed();
};

void TestFeedbackDispatcher::showsEachResultText_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text"); // empty: nothing is shown

    QTest::newRow("route ok") << hex("f0002f7102010100f7") << "" << "";
    QTest::newRow("route 1") << hex("f0002f7102010101f7") << "Velmora"
                             << "Illegal routing (i.e. unable to connect in this way)";
    QTest::newRow("route 01 02") << hex("f0002f7102010102f7") << "Velmora" << "Port serial number error";
    QTest::newRow("route 3") << hex("f0002f7102010103f7") << "Velmora"
                             << "Exceeding the number of routes (some connecting nodes have a specified "
                                "number of routes)";
    QTest::newRow("route 4") << hex("f0002f7102010104f7") << "" << "";
    QTest::newRow("removal refused") << hex("f0002f7102010001f7") << "" << "";
    QTest::newRow("save failed") << hex("f0002f7102020100f7") << "Velmora" << "Configuration failed";
    QTest::newRow("save ok") << hex("f0002f7102020000f7") << "Velmora" << "Configuration successful";
    QTest::newRow("filter ok") << hex("f0002f7102030009f7") << "Velmora" << "Configuration successful";
    QTest::newRow("filter 1 1") << hex("f0002f7102030101f7") << "Velmora"
                                << "Configuration failed:Wrong port serial number";
    QTest::newRow("filter 1 2") << hex("f0002f7102030102f7") << "Velmora" << "Configuration failed:Category error";
    QTest::newRow("filter 1 3") << hex("f0002f7102030103f7") << "Velmora"
                                << "Configuration failed:Category serial number error";
    QTest::newRow("filter 1 4") << hex("f0002f7102030104f7") << "" << "";
    QTest::newRow("filter 2 1") << hex("f0002f7102030201f7") << "" << "";
    QTest::newRow("delete ok") << hex("f0002f7102050000f7") << "Success" << "Delete Successful";
    QTest::newRow("delete 1 0") << hex("f0002f7102050100f7") << "Error" << "No Error";
    QTest::newRow("delete 1 1") << hex("f0002f7102050101f7") << "Error"
                                << "No configuration: This port has no configuration mapping";
    QTest::newRow("delete 1 2") << hex("f0002f7102050102f7") << "Error" << "No port type: There is no such port type";
    QTest::newRow("delete 1 3") << hex("f0002f7102050103f7") << "Error"
                                << "No port number: There is no such port number";
    QTest::newRow("delete 1 4") << hex("f0002f7102050104f7") << "" << "";
    QTest::newRow("delete 2 0") << hex("f0002f7102050200f7") << "" << "";
    QTest::newRow("data error") << hex("f0002f7102040003f7") << "Velmora"
                                << "Data error. Please reconfigure and resend.)";
    QTest::newRow("factory reset") << hex("f0002f7103010101f7") << "Success" << "Factory reset successful.";
    QTest::newRow("unclassified error frame") << hex("f0002f710101f7") << "" << "";
}

void TestFeedbackDispatcher::showsEachResultText()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, title);
    QFETCH(QString, text);
    ScriptedPrompt prompt;
    FeedbackDispatcher d(&prompt);
    deliver(d, frame);
    if (text.isEmpty()) {
        QVERIFY2(prompt.shown().isEmpty(), qPrintable(prompt.lastText()));
        return;
    }
    QCOMPARE(prompt.shown().size(), 1);
    QCOMPARE(prompt.shown().first().title, title);
    QCOMPARE(prompt.shown().first().text, text);
    if (title == QLatin1String("Velmora"))
        QCOMPARE(prompt.shown().first().okText, QString("OK"));
}

void TestFeedbackDispatcher::routeSituationEarlyExitsLeaveDebounceAlone_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("withPorts");
    QTest::addColumn<bool>("debounced");
    QTest::newRow("flag 7F") << hex("f0002f71010500010001 7ff7") << true << false;
    QTest::newRow("flag 0") << hex("f0002f71010500010001 00f7") << true << false;
    QTest::newRow("no ports yet") << hex("f0002f71010500010001 01f7") << false << false;
    QTest::newRow("a route") << hex("f0002f71010500010001 01f7") << true << true;
}

void TestFeedbackDispatcher::routeSituationEarlyExitsLeaveDebounceAlone()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, withPorts);
    QFETCH(bool, debounced);
    FeedbackDispatcher d(nullptr);
    if (withPorts)
        deliver(d, hex("f0002f710102020201 01f7"));
    d.debounceTimer()->stop();
    QSignalSpy routes(&d, &FeedbackDispatcher::routeReported);
    deliver(d, frame);
    QCOMPARE(d.debounceTimer()->isActive(), debounced);
    QCOMPARE(routes.size(), debounced ? 1 : 0);
}

void TestFeedbackDispatcher::filterCountsAskForFilterStatesOnce()
{
    FeedbackDispatcher d(nullptr);
    bool listed = false;
    d.setFilterPortsListedProbe([&] { return listed; });
    QSignalSpy writes(&d, &FeedbackDispatcher::writeRequested);
    QSignalSpy counts(&d, &FeedbackDispatcher::filterPortCountsReported);
    const QByteArray frame = hex("f0002f71010402020800 0100f7");
    deliver(d, frame);
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes.first().first().toByteArray(), SysEx::deviceQuery(5));
    QCOMPARE(counts.first().first().value<QVector<int>>(), (QVector<int>{2, 2, 8, 0, 1, 0}));

    listed = true;
    d.debounceTimer()->stop();
    deliver(d, frame);
    QCOMPARE(writes.size(), 1);
    QCOMPARE(counts.size(), 1);
    QVERIFY(!d.debounceTimer()->isActive());
}

void TestFeedbackDispatcher::storeReplyWritesAcknowledgeUnlessDataError()
{
    ScriptedPrompt prompt;
    FeedbackDispatcher d(&prompt);
    QSignalSpy writes(&d, &FeedbackDispatcher::writeRequested);
    deliver(d, hex("f0002f7102040001f7"));
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes.first().first().toByteArray(), hex("f0002f71020201f7"));
    QVERIFY(prompt.shown().isEmpty());
    deliver(d, hex("f0002f7102040003f7"));
    QCOMPARE(writes.size(), 1);
}

void TestFeedbackDispatcher::usbNames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("slot"); // -1: nothing reported
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("slot 1 named") << hex("f0002f7102060001054b65797334f7") << 0 << "Keys4" << false;
    QTest::newRow("name 1 frees slot 2") << hex("f0002f71020600020131f7") << 1 << "1" << false;
    QTest::newRow("index 0 ignored") << hex("f0002f71020600000131f7") << -1 << "" << false;
    QTest::newRow("index beyond slots ignored") << hex("f0002f71020600030131f7") << -1 << "" << false;
    QTest::newRow("too short ignored") << hex("f0002f7102060001f7") << -1 << "" << false;
    QTest::newRow("nothing attached anywhere") << hex("f0002f710206000000fff7") << -1 << "" << true;
    QTest::newRow("length past the frame is clamped") << hex("f0002f710206000140414243f7") << 0 << "ABC" << false;
    QTest::newRow("latin-1") << hex("f0002f71020600010263e9f7") << 0 << QString::fromUtf8("cé") << false;
}

void TestFeedbackDispatcher::usbNames()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, slot);
    QFETCH(QString, name);
    QFETCH(bool, cleared);
    FeedbackDispatcher d(nullptr);
    deliver(d, hex("f0002f7101020202010 1f7")); // two USB slots
    QSignalSpy named(&d, &FeedbackDispatcher::usbNameReported);
    QSignalSpy clearedSpy(&d, &FeedbackDispatcher::usbNamesCleared);
    QSignalSpy updated(&d, &FeedbackDispatcher::usbNamesUpdated);
    deliver(d, frame);
    QCOMPARE(clearedSpy.size(), cleared ? 1 : 0);
    if (slot < 0) {
        QCOMPARE(named.size(), 0);
        QCOMPARE(updated.size(), cleared ? 1 : 0);
        return;
    }
    QCOMPARE(named.size(), 1);
    QCOMPARE(named.first().at(0).toInt(), slot);
    QCOMPARE(named.first().at(1).toString(), name);
    QCOMPARE(updated.size(), 1);
}

void TestFeedbackDispatcher::deviceTypeAppendsFamilyWord()
{
    FeedbackDispatcher d(nullptr);
    for (const char *frame : {"f0002f71010101f7", "f0002f71010104f7", "f0002f71010109f7", "f0002f71010102f7"})
        deliver(d, hex(frame));
    QCOMPARE(d.deviceFamilyNames(), (QStringList{"Hazel", "HOST", "Spruce"}));
}

void TestFeedbackDispatcher::saveAnswerConfirmsStoreOnlyOnMappingTab()
{
    ScriptedPrompt prompt;
    FeedbackDispatcher d(&prompt);
    bool mappingTab = false;
    d.setMappingTabCurrentProbe([&] { return mappingTab; });
    QSignalSpy confirmed(&d, &FeedbackDispatcher::mappingStoreConfirmed);
    deliver(d, hex("f0002f7102020000f7"));
    QCOMPARE(confirmed.size(), 0);
    mappingTab = true;
    deliver(d, hex("f0002f7102020000f7"));
    QCOMPARE(confirmed.size(), 1);
    deliver(d, hex("f0002f7102020100f7"));
    QCOMPARE(confirmed.size(), 1);
    QCOMPARE(prompt.texts(), (QStringList{"Configuration successful", "Configuration successful",
                                          "Configuration failed"}));
}

void TestFeedbackDispatcher::factoryResetIsConfirmed()
{
    ScriptedPrompt prompt;
    FeedbackDispatcher d(&prompt);
    QSignalSpy reset(&d, &FeedbackDispatcher::factoryResetConfirmed);
    deliver(d, hex("f0002f7103010101f7"));
    QCOMPARE(reset.size(), 1);
    // 03 01 01 00 is our own command echoed, not the answer.
    deliver(d, hex("f0002f7103010100f7"));
    QCOMPARE(reset.size(), 1);
}

QTEST_GUILESS_MAIN(TestFeedbackDispatcher)
#include "tst_feedbackdispatcher.moc"
