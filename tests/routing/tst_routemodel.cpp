#include "device/devicemodels.h"
#include "routing/routemodel.h"
#include "routing/routeprotocol.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Routing;

namespace {

const QString Alder = QStringLiteral("Kestrova Alder-4 (COM3)");
const QString Hazel = QStringLiteral("Kestrova Hazel (COM4)");

QByteArray answer(int operation, int result)
{
    QByteArray frame = QByteArray::fromHex("F0002F710201");
    frame.append(static_cast<char>(operation));
    frame.append(static_cast<char>(result));
    frame.append(static_cast<char>(0xF7));
    return frame;
}

QByteArray report(const Route &route, int flag = 1)
{
    QByteArray frame = QByteArray::fromHex("F0002F710201");
    for (int value : {route.in.type, route.in.number, route.out.type, route.out.number, flag})
        frame.append(static_cast<char>(value));
    frame.append(static_cast<char>(0xF7));
    return frame;
}

// The canvas reads the pressed and clicked buttons' texts; these do as it does.
bool pressInputButton(RouteModel &model, const QString &buttonText)
{
    const auto input = parseButtonText(buttonText, Side::Input);
    if (input)
        model.pressInput(*input);
    return input.has_value();
}

RouteModel::EndClickResult clickOutputButton(RouteModel &model, const QString &buttonText,
                                             const QString &deviceListText)
{
    const auto output = parseButtonText(buttonText, Side::Output);
    if (!output)
        return {};
    return model.endClick(output->type, output->number, DeviceModels::find(deviceListText));
}

const Route HostToDevice{{UsbHost, 1}, {UsbDevice, 1}};
const Route Midi1ToMidi2{{FivePin, 1}, {FivePin, 2}};

} // namespace

class TestRouteModel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void shouldDoNothingBeforeAnyInputPress();
    void shouldRefuseRouteToSamePort_data();
    void shouldRefuseRouteToSamePort();
    void shouldSendSameOutputOnceAndListItTwice();
    void shouldRequestThreeRoutesAfterOnePress();
    void shouldKeepInputWhenOutputTextIsUnknown();
    void shouldDropRefusedConnectWithItsText_data();
    void shouldDropRefusedConnectWithItsText();
    void shouldKeepAcceptedConnect();
    void shouldRemoveRouteWhenRemovalAccepted();
    void shouldRestoreRouteWhenRemovalRefused();
    void shouldClearEverythingWhenDisconnectAllAccepted();
    void shouldRestoreRoutesWhenDisconnectAllRefused();
    void shouldRecordReportedRoutesOnce();
    void shouldIgnoreReportsOutsideCounts_data();
    void shouldIgnoreReportsOutsideCounts();
    void shouldForgetRoutesOnCanvasRebuild();
    void shouldOrderReplayByInputPort();
    void shouldIgnoreMalformedAnswer();

private:
    RouteModel *m_model = nullptr;
    std::unique_ptr<RouteModel> m_owner;
};

void TestRouteModel::init()
{
    m_owner = std::make_unique<RouteModel>();
    m_model = m_owner.get();
    m_model->setPortCounts(PortCounts{2, 2, 1, 1});
}

void TestRouteModel::shouldDoNothingBeforeAnyInputPress()
{
    QVERIFY(!m_model->hasInput());
    const auto result = m_model->endClick(UsbDevice, 1, DeviceModels::find(Alder));
    QCOMPARE(result.outcome, RouteModel::EndClickResult::NoInput);
    QVERIFY(result.command.isEmpty());
    QVERIFY(m_model->connList().isEmpty());
}

void TestRouteModel::shouldRefuseRouteToSamePort_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("deviceList");
    QTest::addColumn<bool>("sent");
    QTest::newRow("MIDI IN 1 to MIDI OUT 1 on Alder-4") << "MIDI IN 1" << "MIDI OUT 1" << Alder << false;
    QTest::newRow("MIDI IN 1 to MIDI OUT 1 on Hazel") << "MIDI IN 1" << "MIDI OUT 1" << Hazel << true;
    QTest::newRow("USB HOST 1 to itself") << "USB HOST 1" << "USB HOST 1" << Hazel << false;
    QTest::newRow("USB HOST 1 to USB Device 1") << "USB HOST 1" << "USB Device 1" << Alder << true;
}

void TestRouteModel::shouldRefuseRouteToSamePort()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, deviceList);
    QFETCH(bool, sent);
    QVERIFY(pressInputButton(*m_model, input));
    const auto result = clickOutputButton(*m_model, output, deviceList);
    QCOMPARE(!result.command.isEmpty(), sent);
    QCOMPARE(m_model->connList().size(), sent ? 1 : 0);
    QCOMPARE(m_model->routeMap().size(), sent ? 1 : 0);
    if (!sent)
        QCOMPARE(result.outcome, RouteModel::EndClickResult::Refused);
}

void TestRouteModel::shouldSendSameOutputOnceAndListItTwice()
{
    QSignalSpy added(m_model, &RouteModel::routeAdded);
    m_model->pressInput(HostToDevice.in);
    const auto first = clickOutputButton(*m_model, QStringLiteral("USB Device 1"), Alder);
    const auto second = clickOutputButton(*m_model, QStringLiteral("USB Device 1"), Alder);
    QCOMPARE(first.outcome, RouteModel::EndClickResult::Requested);
    QCOMPARE(first.command.mid(4, 7), QByteArray::fromHex("02010101020101"));
    QCOMPARE(second.outcome, RouteModel::EndClickResult::Duplicate);
    QVERIFY(second.command.isEmpty());
    QCOMPARE(m_model->connList(), (QVector<Route>{HostToDevice, HostToDevice}));
    QCOMPARE(m_model->routeMap().size(), 1);
    QCOMPARE(m_model->routes(), QVector<Route>{HostToDevice});
    QCOMPARE(added.count(), 1);
}

void TestRouteModel::shouldRequestThreeRoutesAfterOnePress()
{
    QVERIFY(pressInputButton(*m_model, QStringLiteral("MIDI IN 2")));
    int sent = 0;
    for (const char *output : {"MIDI OUT 1", "USB HOST 1", "USB Device 1"}) {
        const auto result = clickOutputButton(*m_model, QString::fromLatin1(output), Alder);
        sent += result.outcome == RouteModel::EndClickResult::Requested;
        QCOMPARE(result.route.in, (Port{FivePin, 2}));
    }
    QCOMPARE(sent, 3);
    QCOMPARE(m_model->routeMap().values(Port{FivePin, 2}).size(), 3);
    QCOMPARE(m_model->outTypeID(), int(UsbDevice));
    QCOMPARE(m_model->outNum(), 1);
}

void TestRouteModel::shouldKeepInputWhenOutputTextIsUnknown()
{
    QVERIFY(pressInputButton(*m_model, QStringLiteral("USB HOST 1")));
    QVERIFY(!pressInputButton(*m_model, QStringLiteral("Output Ports")));
    QCOMPARE(m_model->inTypeID(), int(UsbHost));
    QCOMPARE(clickOutputButton(*m_model, QStringLiteral("MIDI IN 1"), Alder).outcome,
             RouteModel::EndClickResult::NoInput);
    QVERIFY(m_model->connList().isEmpty());
}

void TestRouteModel::shouldDropRefusedConnectWithItsText_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text"); // empty: no message
    QTest::newRow("illegal") << 1 << "Illegal routing (i.e. unable to connect in this way)";
    QTest::newRow("serial number") << 2 << "Port serial number error";
    QTest::newRow("too many") << 3 << "Exceeding the number of routes (some connecting nodes have "
                                      "a specified number of routes)";
    QTest::newRow("other code, silent") << 9 << "";
}

void TestRouteModel::shouldDropRefusedConnectWithItsText()
{
    QFETCH(int, result);
    QFETCH(QString, text);
    QVERIFY(m_model->handleRouteSituation(report(Midi1ToMidi2)));
    m_model->pressInput(HostToDevice.in);
    QCOMPARE(m_model->endClick(HostToDevice.out.type, HostToDevice.out.number, DeviceModels::find(Alder)).outcome,
             RouteModel::EndClickResult::Requested);
    // The duplicate goes too: the device holds neither.
    QCOMPARE(m_model->endClick(HostToDevice.out.type, HostToDevice.out.number, DeviceModels::find(Alder)).outcome,
             RouteModel::EndClickResult::Duplicate);
    QSignalSpy removed(m_model, &RouteModel::routeRemoved);

    const auto outcome = m_model->handleRouteAnswer(answer(1, result));
    QCOMPARE(outcome.outcome, RouteModel::AnswerResult::ConnectRefused);
    QCOMPARE(outcome.message.value_or(QString()), text);
    QCOMPARE(outcome.droppedRoute, std::optional<Route>(HostToDevice));
    QCOMPARE(m_model->connList(), QVector<Route>{Midi1ToMidi2});
    QVERIFY(!m_model->hasRoute(HostToDevice));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).value<Route>(), HostToDevice);
}

void TestRouteModel::shouldKeepAcceptedConnect()
{
    m_model->pressInput(HostToDevice.in);
    (void)m_model->endClick(HostToDevice.out.type, HostToDevice.out.number, DeviceModels::find(Alder));
    QCOMPARE(m_model->handleRouteAnswer(answer(1, 0)).outcome,
             RouteModel::AnswerResult::ConnectAccepted);
    // A stray refusal afterwards has no connect left to blame.
    const auto late = m_model->handleRouteAnswer(answer(1, 2));
    QVERIFY(!late.droppedRoute);
    QVERIFY(m_model->hasRoute(HostToDevice));
}

void TestRouteModel::shouldRemoveRouteWhenRemovalAccepted()
{
    QVERIFY(m_model->handleRouteSituation(report(HostToDevice)));
    QVERIFY(m_model->handleRouteSituation(report(Midi1ToMidi2)));
    QSignalSpy removed(m_model, &RouteModel::routeRemoved);

    const QByteArray command = m_model->deleteRoute(HostToDevice);
    QCOMPARE(command, QByteArray::fromHex("F0002F7102010101020100F7"));
    QCOMPARE(m_model->pendingRouteOp(), int(RouteModel::PendingSingleRemoval));
    QCOMPARE(m_model->connList(), QVector<Route>{Midi1ToMidi2});
    QVERIFY(m_model->hasRoute(HostToDevice));
    // An earlier connect's late answer does not cancel the removal.
    QCOMPARE(m_model->handleRouteAnswer(answer(1, 0)).outcome, RouteModel::AnswerResult::ConnectAccepted);
    QCOMPARE(m_model->pendingRouteOp(), int(RouteModel::PendingSingleRemoval));

    QCOMPARE(m_model->handleRouteAnswer(answer(0, 0)).outcome, RouteModel::AnswerResult::RemovalAccepted);
    QVERIFY(!m_model->hasRoute(HostToDevice));
    QVERIFY(m_model->hasRoute(Midi1ToMidi2));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(m_model->pendingRouteOp(), int(RouteModel::NoPendingOp));
}

void TestRouteModel::shouldRestoreRouteWhenRemovalRefused()
{
    QVERIFY(m_model->handleRouteSituation(report(HostToDevice)));
    (void)m_model->deleteRoute(HostToDevice);
    QCOMPARE(m_model->handleRouteAnswer(answer(0, 1)).outcome, RouteModel::AnswerResult::RemovalRefused);
    QCOMPARE(m_model->connList(), QVector<Route>{HostToDevice});
    QVERIFY(m_model->hasRoute(HostToDevice));
    QCOMPARE(m_model->pendingRouteOp(), int(RouteModel::NoPendingOp));
}

void TestRouteModel::shouldClearEverythingWhenDisconnectAllAccepted()
{
    QVERIFY(m_model->handleRouteSituation(report(HostToDevice)));
    QVERIFY(m_model->handleRouteSituation(report(Midi1ToMidi2)));
    QSignalSpy cleared(m_model, &RouteModel::routesCleared);
    QCOMPARE(m_model->disconnectAll(), QByteArray::fromHex("F0002F710201000000007FF7"));
    QCOMPARE(m_model->pendingRouteOp(), int(RouteModel::PendingDisconnectAll));
    QVERIFY(m_model->connList().isEmpty());

    QCOMPARE(m_model->handleRouteAnswer(answer(0, 0)).outcome, RouteModel::AnswerResult::RemovalAccepted);
    QVERIFY(m_model->routeMap().isEmpty());
    QCOMPARE(cleared.count(), 1);
    QCOMPARE(m_model->pendingRouteOp(), int(RouteModel::NoPendingOp));
}

void TestRouteModel::shouldRestoreRoutesWhenDisconnectAllRefused()
{
    QVERIFY(m_model->handleRouteSituation(report(HostToDevice)));
    QVERIFY(m_model->handleRouteSituation(report(Midi1ToMidi2)));
    (void)m_model->disconnectAll();
    QCOMPARE(m_model->handleRouteAnswer(answer(0, 4)).outcome, RouteModel::AnswerResult::RemovalRefused);
    QCOMPARE(m_model->routes().size(), 2);
    QCOMPARE(m_model->routeMap().size(), 2);
}

void TestRouteModel::shouldRecordReportedRoutesOnce()
{
    QSignalSpy added(m_model, &RouteModel::routeAdded);
    QVERIFY(m_model->handleRouteSituation(report(HostToDevice)));
    QVERIFY(m_model->handleRouteSituation(report(HostToDevice)));
    QCOMPARE(m_model->connList().size(), 2);
    QCOMPARE(m_model->routeMap().size(), 1);
    QCOMPARE(added.count(), 1);
    // A user request for a reported route is not sent again.
    m_model->pressInput(HostToDevice.in);
    QCOMPARE(m_model->endClick(HostToDevice.out.type, HostToDevice.out.number, DeviceModels::find(Alder)).outcome,
             RouteModel::EndClickResult::Duplicate);
}

void TestRouteModel::shouldIgnoreReportsOutsideCounts_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("input number 0") << report(Route{{FivePin, 0}, {FivePin, 1}});
    QTest::newRow("output beyond midi_out") << report(Route{{FivePin, 1}, {FivePin, 3}});
    QTest::newRow("USB HOST 2 beyond usb_host") << report(Route{{UsbHost, 2}, {FivePin, 1}});
    QTest::newRow("flag 0x7F") << report(Midi1ToMidi2, 0x7F);
    QTest::newRow("flag 0") << report(Midi1ToMidi2, 0);
    QTest::newRow("short frame") << report(Midi1ToMidi2).left(11);
}

void TestRouteModel::shouldIgnoreReportsOutsideCounts()
{
    QFETCH(QByteArray, frame);
    QSignalSpy added(m_model, &RouteModel::routeAdded);
    QVERIFY(!m_model->handleRouteSituation(frame));
    QVERIFY(m_model->connList().isEmpty());
    QCOMPARE(added.count(), 0);
}

void TestRouteModel::shouldForgetRoutesOnCanvasRebuild()
{
    QVERIFY(m_model->handleRouteSituation(report(HostToDevice)));
    m_model->pressInput(Midi1ToMidi2.in);
    (void)m_model->endClick(Midi1ToMidi2.out.type, Midi1ToMidi2.out.number, DeviceModels::find(Alder));
    QSignalSpy cleared(m_model, &RouteModel::routesCleared);
    m_model->clear();
    QVERIFY(m_model->connList().isEmpty());
    QVERIFY(m_model->routeMap().isEmpty());
    QCOMPARE(cleared.count(), 1);
    // The connect sent before the rebuild is no longer ours to drop.
    QVERIFY(!m_model->handleRouteAnswer(answer(1, 1)).droppedRoute);
    // The input stays pressed across a rebuild: it is a port, not a button.
    QVERIFY(m_model->hasInput());
    QCOMPARE(m_model->inNum(), 1);
}

void TestRouteModel::shouldOrderReplayByInputPort()
{
    m_model->addRouteToReplay(Route{{UsbHost, 1}, {FivePin, 1}});
    m_model->addRouteToReplay(Route{{FivePin, 2}, {UsbDevice, 1}});
    m_model->addRouteToReplay(Route{{FivePin, 2}, {FivePin, 1}});
    const auto replay = m_model->routesToReplay();
    QCOMPARE(replay.size(), 3);
    QCOMPARE(replay.firstKey(), (Port{FivePin, 2}));
    QCOMPARE(replay.lastKey(), (Port{UsbHost, 1}));
    m_model->clearRoutesToReplay();
    QVERIFY(m_model->routesToReplay().isEmpty());
}

void TestRouteModel::shouldIgnoreMalformedAnswer()
{
    (void)m_model->deleteRoute(HostToDevice);
    const auto outcome = m_model->handleRouteAnswer(QByteArray::fromHex("F0002F71020100F7"));
    QCOMPARE(outcome.outcome, RouteModel::AnswerResult::Ignored);
    QCOMPARE(m_model->pendingRouteOp(), int(RouteModel::PendingSingleRemoval));
}

QTEST_GUILESS_MAIN(TestRouteModel)
#include "tst_routemodel.moc"
