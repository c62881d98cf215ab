#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "device/sysexframecutter.h"
#include "device/sysex.h"
#include "filter/filterfeedback.h"
#include "mapping/mappingfeedback.h"
#include "routing/routingfeedback.h"
#include "tests/support/scriptedprompt.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {
QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// The dispatcher as the window wires it: the session's own handlers, then
// each feature's, in the window's order.
struct Wired
{
    explicit Wired(Prompt *prompt)
        : session(prompt)
        , filter(session.dispatcher(), prompt)
        , routing(session.dispatcher(), prompt)
        , mapping(session.dispatcher(), prompt)
    {
    }
    FeedbackDispatcher *operator->() { return session.dispatcher(); }
    operator FeedbackDispatcher *() { return session.dispatcher(); }

    DeviceSession session;
    FilterFeedback filter;
    RoutingFeedback routing;
    MappingFeedback mapping;
};

// Feeds a frame the way the receive road does: classified, every report.
void deliver(FeedbackDispatcher *d, const QByteArray &frame)
{
    for (FrameKind kind : SysExFrameCutter::classify(frame))
        d->dispatch(kind, frame);
}

// Stands in for the routing canvas's debounce: restarted on each state change.
struct Debounce
{
    explicit Debounce(RoutingFeedback &routing)
    {
        timer.setSingleShot(true);
        QObject::connect(&routing, &RoutingFeedback::routingStateChanged, &timer, [this] { timer.start(100); });
    }
    QTimer timer;
};
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
    void handlersRunInOrderUntilEarlyExit();
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
    Wired d(&prompt);
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
    Wired d(nullptr);
    Debounce debounce(d.routing);
    if (withPorts)
        deliver(d, hex("f0002f710102020201 01f7"));
    debounce.timer.stop();
    QSignalSpy routes(&d.routing, &RoutingFeedback::routeReported);
    deliver(d, frame);
    QCOMPARE(debounce.timer.isActive(), debounced);
    QCOMPARE(routes.size(), debounced ? 1 : 0);
}

void TestFeedbackDispatcher::filterCountsAskForFilterStatesOnce()
{
    Wired d(nullptr);
    Debounce debounce(d.routing);
    QSignalSpy writes(d, &FeedbackDispatcher::writeRequested);
    QSignalSpy counts(&d.filter, &FilterFeedback::portCountsReported);
    QSignalSpy mappingCounts(&d.mapping, &MappingFeedback::filterPortCountsReported);
    const QByteArray frame = hex("f0002f71010402020800 0100f7");
    deliver(d, frame);
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes.first().first().toByteArray(), SysEx::deviceQuery(5));
    QCOMPARE(counts.first().first().value<QVector<int>>(), (QVector<int>{2, 2, 8, 0, 1, 0}));

    QCOMPARE(mappingCounts.size(), 1);

    d.filter.setPortsListed(true);
    debounce.timer.stop();
    deliver(d, frame);
    QCOMPARE(writes.size(), 1);
    QCOMPARE(counts.size(), 1);
    QCOMPARE(mappingCounts.size(), 1);
    QVERIFY(!debounce.timer.isActive());
}

void TestFeedbackDispatcher::storeReplyWritesAcknowledgeUnlessDataError()
{
    ScriptedPrompt prompt;
    Wired d(&prompt);
    QSignalSpy writes(d, &FeedbackDispatcher::writeRequested);
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
    QTest::newRow("slot 1 named") << hex("f0002f710206000105" "5069616e6f" "f7") << 0 << "Piano" << false;
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
    Wired d(nullptr);
    deliver(d, hex("f0002f7101020202010 1f7")); // two USB slots
    QSignalSpy named(d, &FeedbackDispatcher::usbNameReported);
    QSignalSpy clearedSpy(d, &FeedbackDispatcher::usbNamesCleared);
    QSignalSpy updated(d, &FeedbackDispatcher::usbNamesUpdated);
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
    Wired d(nullptr);
    for (const char *frame : {"f0002f71010101f7", "f0002f71010104f7", "f0002f71010109f7", "f0002f71010102f7"})
        deliver(d, hex(frame));
    QCOMPARE(d->deviceFamilyNames(), (QStringList{"Hazel", "HOST", "Spruce"}));
}

void TestFeedbackDispatcher::saveAnswerConfirmsStoreOnlyOnMappingTab()
{
    ScriptedPrompt prompt;
    Wired d(&prompt);
    QSignalSpy confirmed(&d.mapping, &MappingFeedback::storeConfirmed);
    deliver(d, hex("f0002f7102020000f7"));
    QCOMPARE(confirmed.size(), 0);
    d.mapping.setPageShown(true);
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
    Wired d(&prompt);
    QSignalSpy reset(&d.session, &DeviceSession::factoryResetConfirmed);
    QSignalSpy filterReset(&d.filter, &FilterFeedback::factoryReset);
    QSignalSpy mappingReset(&d.mapping, &MappingFeedback::factoryReset);
    deliver(d, hex("f0002f7103010101f7"));
    QCOMPARE(reset.size(), 1);
    // 03 01 01 00 is our own command echoed, not the answer.
    deliver(d, hex("f0002f7103010100f7"));
    QCOMPARE(reset.size(), 1);
    QCOMPARE(filterReset.size(), 1);
    QCOMPARE(mappingReset.size(), 1);
}

void TestFeedbackDispatcher::handlersRunInOrderUntilEarlyExit()
{
    using Outcome = FeedbackDispatcher::Outcome;
    FeedbackDispatcher d;
    QSignalSpy handled(&d, &FeedbackDispatcher::feedbackHandled);
    QStringList calls;
    auto handler = [&calls](const char *name, Outcome outcome) {
        return [&calls, name, outcome](const QByteArray &) {
            calls << QString::fromLatin1(name);
            return outcome;
        };
    };
    auto gone = std::make_unique<QObject>();
    QObject kept;
    d.addHandler(FrameKind::MappingDeleteAnswer, gone.get(), handler("of a page that is gone", Outcome::Handled));
    d.addHandler(FrameKind::MappingDeleteAnswer, &kept, handler("first", Outcome::Handled));
    d.addHandler(FrameKind::FilterAnswer, &kept, handler("another kind", Outcome::Handled));
    d.addHandler(FrameKind::MappingDeleteAnswer, &kept, handler("early exit", Outcome::EarlyExit));
    d.addHandler(FrameKind::MappingDeleteAnswer, &kept, handler("after the exit", Outcome::Handled));
    gone.reset();

    d.dispatch(FrameKind::MappingDeleteAnswer, hex("f0002f7102050000f7"));
    QCOMPARE(calls, (QStringList{"first", "early exit"}));
    QCOMPARE(handled.size(), 0);
    // A kind nobody registered for still counts as handled.
    d.dispatch(FrameKind::UnexpectedLength, hex("f0002f710101f7"));
    QCOMPARE(handled.size(), 1);
    QCOMPARE(handled.first().first().value<FrameKind>(), FrameKind::UnexpectedLength);
}

QTEST_GUILESS_MAIN(TestFeedbackDispatcher)
#include "tst_feedbackdispatcher.moc"
