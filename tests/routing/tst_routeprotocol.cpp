#include "device/devicemodels.h"
#include "routing/routeprotocol.h"
#include "routing/usbnameslots.h"

#include <QtTest>

using namespace Routing;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray situation(int inType, int inNumber, int outType, int outNumber, int flag)
{
    QByteArray frame = hex("F0002F710201");
    for (int value : {inType, inNumber, outType, outNumber, flag})
        frame.append(static_cast<char>(value));
    frame.append(static_cast<char>(0xF7));
    return frame;
}

QByteArray nameFrame(int index, int length, const QByteArray &name)
{
    QByteArray frame = hex("F0002F71020601");
    frame.append(static_cast<char>(index));
    frame.append(static_cast<char>(length));
    frame.append(name);
    frame.append(static_cast<char>(0xF7));
    return frame;
}

const PortCounts TwoTwoOneOne{2, 2, 1, 1};

} // namespace

class TestRouteProtocol : public QObject
{
    Q_OBJECT

private slots:
    void shouldBuildCommandsByteForByte_data();
    void shouldBuildCommandsByteForByte();
    void shouldParseButtonText_data();
    void shouldParseButtonText();
    void shouldRoundTripButtonTexts();
    void shouldPlacePortsByIndexRule_data();
    void shouldPlacePortsByIndexRule();
    void shouldRefuseRouteToSamePort_data();
    void shouldRefuseRouteToSamePort();
    void shouldGiveConnectResultTexts_data();
    void shouldGiveConnectResultTexts();
    void shouldParseRouteSituation_data();
    void shouldParseRouteSituation();
    void shouldParsePortNameFrames_data();
    void shouldParsePortNameFrames();
    void shouldKeepUsbNameSlots();
};

void TestRouteProtocol::shouldBuildCommandsByteForByte_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected");
    const Route hostToDevice{{UsbHost, 1}, {UsbDevice, 1}};
    QTest::newRow("connect USB HOST 1 to USB Device 1")
        << connectCommand(hostToDevice) << hex("F0002F7102010101020101F7");
    QTest::newRow("remove MIDI IN 2 to USB HOST 3")
        << removeCommand(Route{{FivePin, 2}, {UsbHost, 3}}) << hex("F0002F7102010002010300F7");
    QTest::newRow("remove every route") << removeAllCommand() << hex("F0002F710201000000007FF7");
    QTest::newRow("save routing") << saveCommand() << hex("F0002F71020200F7");
}

void TestRouteProtocol::shouldBuildCommandsByteForByte()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);
    QCOMPARE(command.toHex(' '), expected.toHex(' '));
}

void TestRouteProtocol::shouldParseButtonText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isInput");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("number");
    QTest::newRow("MIDI IN 3") << "MIDI IN 3" << true << true << 0 << 3;
    QTest::newRow("MIDI OUT 12") << "MIDI OUT 12" << false << true << 0 << 12;
    QTest::newRow("USB HOST 1 input") << "USB HOST 1" << true << true << 1 << 1;
    QTest::newRow("USB HOST 4 output") << "USB HOST 4" << false << true << 1 << 4;
    QTest::newRow("USB Device 2") << "USB Device 2" << false << true << 2 << 2;
    QTest::newRow("MIDI OUT on the input side: nothing") << "MIDI OUT 1" << true << false << 0 << 0;
    QTest::newRow("MIDI IN on the output side: nothing") << "MIDI IN 1" << false << false << 0 << 0;
    QTest::newRow("filter-style USB DEVICE: nothing") << "USB DEVICE 1" << true << false << 0 << 0;
    QTest::newRow("no blank before number: nothing") << "MIDI IN1" << true << false << 0 << 0;
    QTest::newRow("no number: nothing") << "USB HOST " << true << false << 0 << 0;
    QTest::newRow("number 0: nothing") << "USB HOST 0" << true << false << 0 << 0;
    QTest::newRow("number 200: nothing") << "MIDI IN 200" << true << false << 0 << 0;
    QTest::newRow("header text: nothing") << " Input Ports" << true << false << 0 << 0;
}

void TestRouteProtocol::shouldParseButtonText()
{
    QFETCH(QString, text);
    QFETCH(bool, isInput);
    QFETCH(bool, valid);
    QFETCH(int, type);
    QFETCH(int, number);
    const auto port = parseButtonText(text, isInput ? Side::Input : Side::Output);
    QCOMPARE(port.has_value(), valid);
    if (valid)
        QCOMPARE(*port, (Port{type, number}));
}

void TestRouteProtocol::shouldRoundTripButtonTexts()
{
    for (Side side : {Side::Input, Side::Output}) {
        for (int type : {FivePin, UsbHost, UsbDevice}) {
            const Port port{type, 7};
            QCOMPARE(parseButtonText(buttonText(port, side), side), std::optional<Port>(port));
        }
    }
    QCOMPARE(buttonText(Port{FivePin, 2}, Side::Input), QStringLiteral("MIDI IN 2"));
    QCOMPARE(buttonText(Port{UsbDevice, 1}, Side::Output), QStringLiteral("USB Device 1"));
}

void TestRouteProtocol::shouldPlacePortsByIndexRule_data()
{
    QTest::addColumn<Port>("port");
    QTest::addColumn<int>("inputIndexExpected");  // -1: not in the column
    QTest::addColumn<int>("outputIndexExpected");
    // midi_in 2, midi_out 3, usb_host 1, usb_dev 2
    QTest::newRow("MIDI 2") << Port{FivePin, 2} << 1 << 1;
    QTest::newRow("MIDI 3 exists only as an output") << Port{FivePin, 3} << -1 << 2;
    QTest::newRow("USB HOST 1") << Port{UsbHost, 1} << 2 << 3;
    QTest::newRow("first USB device") << Port{UsbDevice, 1} << 3 << 4;
    QTest::newRow("USB Device 2") << Port{UsbDevice, 2} << 4 << 5;
    QTest::newRow("USB Device 3 beyond the count") << Port{UsbDevice, 3} << -1 << -1;
    QTest::newRow("USB HOST 2 beyond the count") << Port{UsbHost, 2} << -1 << -1;
    QTest::newRow("number 0") << Port{FivePin, 0} << -1 << -1;
    QTest::newRow("unknown kind 3") << Port{3, 1} << -1 << -1;
}

void TestRouteProtocol::shouldPlacePortsByIndexRule()
{
    QFETCH(Port, port);
    QFETCH(int, inputIndexExpected);
    QFETCH(int, outputIndexExpected);
    const PortCounts counts{2, 3, 1, 2};
    QCOMPARE(inputIndex(port, counts).value_or(-1), inputIndexExpected);
    QCOMPARE(outputIndex(port, counts).value_or(-1), outputIndexExpected);
}

void TestRouteProtocol::shouldRefuseRouteToSamePort_data()
{
    QTest::addColumn<Route>("route");
    QTest::addColumn<QString>("deviceList");
    QTest::addColumn<int>("expected");
    const Route midi1{{FivePin, 1}, {FivePin, 1}};
    const auto none = static_cast<int>(Refusal::None);
    const auto usb = static_cast<int>(Refusal::SameUsbPort);
    const auto pin = static_cast<int>(Refusal::SameFivePinPair);
    QTest::newRow("MIDI IN 1 to MIDI OUT 1 on Alder-4") << midi1 << "Kestrova Alder-4 (COM3)" << pin;
    QTest::newRow("same on Hazel") << midi1 << "Kestrova Hazel (COM3)" << none;
    QTest::newRow("same on Aspen") << midi1 << "Kestrova Aspen" << none;
    QTest::newRow("same on Cedar-6") << midi1 << "Kestrova Cedar-6" << none;
    QTest::newRow("Cedar without -6 is not enough") << midi1 << "Kestrova Cedar-4" << pin;
    QTest::newRow("same with no device listed") << midi1 << "" << pin;
    QTest::newRow("MIDI IN 1 to MIDI OUT 2") << Route{{FivePin, 1}, {FivePin, 2}} << "" << none;
    QTest::newRow("USB HOST 1 to itself, even on Hazel")
        << Route{{UsbHost, 1}, {UsbHost, 1}} << "Kestrova Hazel" << usb;
    QTest::newRow("USB Device 2 to itself") << Route{{UsbDevice, 2}, {UsbDevice, 2}} << "" << usb;
    QTest::newRow("USB HOST 1 to USB Device 1") << Route{{UsbHost, 1}, {UsbDevice, 1}} << "" << none;
}

void TestRouteProtocol::shouldRefuseRouteToSamePort()
{
    QFETCH(Route, route);
    QFETCH(QString, deviceList);
    QFETCH(int, expected);
    QCOMPARE(static_cast<int>(refusal(route, DeviceModels::find(deviceList))), expected);
}

void TestRouteProtocol::shouldGiveConnectResultTexts_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text"); // empty: no message
    QTest::newRow("1") << 1 << "Illegal routing (i.e. unable to connect in this way)";
    QTest::newRow("2") << 2 << "Port serial number error";
    QTest::newRow("3") << 3
                       << "Exceeding the number of routes (some connecting nodes have a specified "
                          "number of routes)";
    QTest::newRow("0: none") << 0 << "";
    QTest::newRow("4: none") << 4 << "";
}

void TestRouteProtocol::shouldGiveConnectResultTexts()
{
    QFETCH(int, result);
    QFETCH(QString, text);
    QCOMPARE(connectResultText(result).value_or(QString()), text);
}

void TestRouteProtocol::shouldParseRouteSituation_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<Route>("route");
    QTest::newRow("MIDI IN 2 to USB Device 1")
        << situation(0, 2, 2, 1, 1) << true << Route{{FivePin, 2}, {UsbDevice, 1}};
    QTest::newRow("USB HOST 1 to MIDI OUT 1")
        << situation(1, 1, 0, 1, 1) << true << Route{{UsbHost, 1}, {FivePin, 1}};
    QTest::newRow("flag 0x7F: ignored") << situation(0, 1, 0, 2, 0x7F) << false << Route{};
    QTest::newRow("flag 0: ignored") << situation(0, 1, 0, 2, 0) << false << Route{};
    QTest::newRow("input number 0: ignored") << situation(0, 0, 0, 1, 1) << false << Route{};
    QTest::newRow("MIDI IN 3 beyond midi_in: ignored") << situation(0, 3, 0, 1, 1) << false << Route{};
    QTest::newRow("USB Device 2 beyond usb_dev: ignored") << situation(0, 1, 2, 2, 1) << false << Route{};
    QTest::newRow("unknown input kind: ignored") << situation(3, 1, 0, 1, 1) << false << Route{};
    QTest::newRow("11 bytes: ignored") << situation(0, 1, 0, 2, 1).left(11) << false << Route{};
    QTest::newRow("no F7: ignored") << situation(0, 1, 0, 2, 1).replace(11, 1, "\x00", 1) << false
                                    << Route{};
}

void TestRouteProtocol::shouldParseRouteSituation()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, valid);
    QFETCH(Route, route);
    const auto parsed = parseRouteSituation(frame, TwoTwoOneOne);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, route);
    // Before the port counts are known every report is lost.
    QVERIFY(!parseRouteSituation(frame, PortCounts{}));
}

void TestRouteProtocol::shouldParsePortNameFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("kind"); // -1: ignored
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("name");
    const int slotKind = PortNameReport::SlotName;
    QTest::newRow("slot 2 named") << nameFrame(2, 5, "Piano") << slotKind << 1 << "Piano";
    QTest::newRow("\"1\": nothing attached") << nameFrame(1, 1, "1") << slotKind << 0 << "1";
    QTest::newRow("Latin-1 name") << nameFrame(1, 4, "Pi\xE9z") << slotKind << 0
                                  << QString::fromLatin1("Pi\xE9z");
    QTest::newRow("length past the frame is clamped") << nameFrame(1, 40, "Synth") << slotKind
                                                      << 0 << "Synth";
    QTest::newRow("shorter length takes a prefix") << nameFrame(1, 2, "Synth") << slotKind << 0
                                                   << "Sy";
    QTest::newRow("0xFF form") << hex("F0002F710206000000FFF7") << int(PortNameReport::NothingAttachedAnywhere)
                               << 0 << "";
    QTest::newRow("index 0: ignored") << nameFrame(0, 1, "A") << -1 << 0 << "";
    QTest::newRow("9 bytes: ignored") << hex("F0002F7102060101F7") << -1 << 0 << "";
    QTest::newRow("no F7: ignored") << nameFrame(1, 1, "A").left(10) << -1 << 0 << "";
    QTest::newRow("other code: ignored") << nameFrame(1, 1, "A").replace(5, 1, "\x07", 1) << -1
                                         << 0 << "";
}

void TestRouteProtocol::shouldParsePortNameFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, kind);
    QFETCH(int, slot);
    QFETCH(QString, name);
    const auto report = parsePortName(frame);
    QCOMPARE(report.has_value(), kind != -1);
    if (!report)
        return;
    QCOMPARE(int(report->kind), kind);
    QCOMPARE(report->slot, slot);
    QCOMPARE(report->name, name);
}

void TestRouteProtocol::shouldKeepUsbNameSlots()
{
    UsbNameSlots nameSlots;
    nameSlots.reset(3);
    QCOMPARE(nameSlots.attachedFlags(), (QVector<int>{0, 0, 0}));
    QCOMPARE(nameSlots.labelText(0), QStringLiteral("No device connected"));

    QCOMPARE(nameSlots.applyFrame(nameFrame(2, 5, "Piano")), UsbNameSlots::Outcome::SlotUpdated);
    QCOMPARE(nameSlots.applyFrame(nameFrame(3, 0, "")), UsbNameSlots::Outcome::SlotUpdated);
    QCOMPARE(nameSlots.attachedFlags(), (QVector<int>{0, 1, 1}));
    QCOMPARE(nameSlots.labelText(1), QStringLiteral("Piano"));
    // Attached under an empty name: flagged, but the label says nothing is there.
    QCOMPARE(nameSlots.labelText(2), QStringLiteral("No device connected"));

    QCOMPARE(nameSlots.applyFrame(nameFrame(4, 1, "X")), UsbNameSlots::Outcome::Ignored);
    QCOMPARE(nameSlots.applyFrame(nameFrame(0, 1, "X")), UsbNameSlots::Outcome::Ignored);
    QCOMPARE(nameSlots.attachedFlags(), (QVector<int>{0, 1, 1}));

    QCOMPARE(nameSlots.applyFrame(nameFrame(2, 1, "1")), UsbNameSlots::Outcome::SlotUpdated);
    QCOMPARE(nameSlots.attachedFlags(), (QVector<int>{0, 0, 1}));
    QCOMPARE(nameSlots.labelText(1), QStringLiteral("No device connected"));
    QCOMPARE(nameSlots.name(1), QString());

    QCOMPARE(nameSlots.applyFrame(hex("F0002F710206000000FFF7")), UsbNameSlots::Outcome::AllFreed);
    QCOMPARE(nameSlots.attachedFlags(), (QVector<int>{0, 0, 0}));
    QCOMPARE(nameSlots.size(), 3);
}

QTEST_GUILESS_MAIN(TestRouteProtocol)
#include "tst_routeprotocol.moc"
