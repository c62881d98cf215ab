#include "device/sysex.h"
#include "device/vocabulary.h"
#include "hostview.h"
#include "simulator/devicereplies.h"
#include "simulator/devicesimulator.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

namespace {

DeviceProfile profile(const char *name)
{
    const auto p = DeviceProfiles::find(QString::fromLatin1(name));
    Q_ASSERT(p);
    return *p;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

int at(const QByteArray &frame, int pos)
{
    return pos < frame.size() ? SysEx::byteAt(frame, pos) : -1;
}

QByteArray query(int k)
{
    return SysEx::deviceQuery(k);
}

QByteArray route(int inKind, int inNumber, int outKind, int outNumber, int op)
{
    QByteArray data;
    for (int b : {inKind, inNumber, outKind, outNumber, op})
        data.append(static_cast<char>(b));
    return SysEx::frame(SysEx::Configuration, SysEx::CodeRoute, data);
}

QByteArray filterCommand(int type, int number, const QByteArray &filterBytes)
{
    QByteArray data;
    data.append(static_cast<char>(type));
    data.append(static_cast<char>(number));
    data.append(filterBytes);
    data.append(QByteArray(2, '\0'));
    return SysEx::frame(SysEx::Configuration, SysEx::CodeFilter, data);
}

// Note On, all channels, full ranges -> Program Change on channel 2 with
// Data1 from the original's Data2; mapping number 1, first MIDI input.
QByteArray noteOnRecord(int numberByte = 0x41)
{
    QByteArray r = hex("0100000000" "41" "0911010305" "90007f007f" "0c02020100" "0003" "c1007f");
    r[5] = static_cast<char>(numberByte);
    return r;
}

QByteArray store(const QByteArray &record)
{
    return SysEx::frame(SysEx::Configuration, SysEx::CodeMapping, record);
}

QByteArray deleteOne(int number)
{
    return hex("f0002f71020506") + hex("7f01") + QByteArray(1, static_cast<char>(0x40 | number)) + hex("00f7");
}

QByteArray deleteAll()
{
    return hex("f0002f710205067f020000f7");
}

QByteArray randomBytes(int n)
{
    QByteArray out(n, '\0');
    for (char &c : out)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return out;
}

// A simulator whose every answer goes straight to a HostView.
struct Bench
{
    explicit Bench(const DeviceProfile &p)
        : sim(p)
    {
        QObject::connect(&sim, &DeviceSimulator::transmit, &host, &HostView::feed);
    }
    QStringList ask(const QByteArray &command)
    {
        host.clear();
        sim.receive(command);
        return host.kinds + host.texts;
    }
    QByteArray lastFrame(const QByteArray &command)
    {
        host.clear();
        sim.receive(command);
        return host.frames.value(0);
    }
    DeviceSimulator sim;
    HostView host;
};

QString repeated(const char *kind, int n)
{
    QStringList l;
    for (int i = 0; i < n; ++i)
        l << QString::fromLatin1(kind);
    return l.join(QLatin1Char(' '));
}

} // namespace

Q_DECLARE_METATYPE(DeviceProfile)

class TestDeviceSimulator : public QObject
{
    Q_OBJECT

private slots:
    void answersEachContractRow_data();
    void answersEachContractRow();
    void reportsPortCountsOfItsProfile_data();
    void reportsPortCountsOfItsProfile();
    void namesWhatIsPluggedIn();
    void identifiesEveryModelAsTheHostParsesIt_data();
    void identifiesEveryModelAsTheHostParsesIt();

    void shouldRefuseRoutesADeviceRefuses_data();
    void shouldRefuseRoutesADeviceRefuses();
    void shouldRefuseRoutesBeyondThePerInputLimit();
    void shouldRefuseBadFilterCommands_data();
    void shouldRefuseBadFilterCommands();
    void checksMappingRecords_data();
    void checksMappingRecords();

    void reportsStoredRoutes();
    void reportsStoredFilters();
    void reportsStoredMappingsAndDeletesThem();
    void factoryResetClearsEverything();

    void bootloaderTakesImageInAcknowledgedPieces();
    void bootloaderGathersPieceSplitOverReads();
    void bootloaderIgnoresImageBeforeErase();
    void rebootsIntoItsBootloaderOnRequest();

    void answersDoNotDependOnChunking();
    void resynchronisesAfterBrokenCommands();
    void recordsWhatTheHostSent();

    void faultNoAnswerKeepsState();
    void faultDelayKeepsOrder();
    void faultGarbageLeavesFramesIntact();
    void faultDropAfterBytes();
    void faultRefuseAll();
    void faultAcknowledgements_data();
    void faultAcknowledgements();
};

void TestDeviceSimulator::answersEachContractRow_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("expected");

    const QByteArray fullFilter(25, '\x7F');
    QTest::newRow("identify") << "Alder-4" << Vocabulary::identificationQuery() << "MTD Alder-4";
    QTest::newRow("version") << "Alder-4" << Vocabulary::versionQuery() << "VER V1.2.0";
    QTest::newRow("q1") << "Alder-4" << query(1) << "DeviceType PortCounts";
    QTest::newRow("q2 without routes") << "Alder-4" << query(2) << "";
    QTest::newRow("q3 without mappings") << "Alder-4" << query(3) << "";
    QTest::newRow("q4") << "Alder-4" << query(4) << "FilterPortCounts";
    QTest::newRow("q5 Alder-4") << "Alder-4" << query(5) << repeated("FilterReport", 22);
    QTest::newRow("q5 Rowan-W") << "Rowan-W" << query(5) << repeated("FilterReport", 4);
    QTest::newRow("q6") << "Alder-4" << query(6) << "";
    QTest::newRow("q7 nothing plugged in") << "Cedar-6" << query(7) << "UsbPortName HubCount";
    QTest::newRow("q7 one name") << "Spruce-7" << query(7)
                                 << "UnexpectedLength UsbPortName UsbPortName HubCount";
    QTest::newRow("q8 does not exist") << "Alder-4" << query(8) << "";
    QTest::newRow("route connect") << "Alder-4" << route(1, 1, 2, 1, 1) << "RouteAnswer";
    QTest::newRow("remove every route") << "Alder-4" << route(0, 0, 0, 0, 0x7F)
                                        << "RouteAnswer";
    QTest::newRow("routing save") << "Alder-4" << hex("f0002f71020200f7") << "SaveAnswer";
    QTest::newRow("store acknowledge") << "Alder-4" << SysEx::storeAcknowledgeCommand() << "";
    QTest::newRow("filter set") << "Alder-4" << filterCommand(0, 1, fullFilter) << "FilterAnswer";
    QTest::newRow("filter all ports") << "Alder-4" << filterCommand(0x7F, 0, fullFilter)
                                      << "FilterAnswer";
    QTest::newRow("mapping store") << "Alder-4" << store(noteOnRecord()) << "SaveAnswer";
    QTest::newRow("mapping store malformed") << "Alder-4" << store(noteOnRecord().left(20))
                                             << "MappingStoreAnswer";
    QTest::newRow("mapping delete") << "Alder-4" << deleteOne(3) << "MappingDeleteAnswer";
    QTest::newRow("mapping delete all") << "Alder-4" << deleteAll() << "MappingDeleteAnswer";
    QTest::newRow("factory reset") << "Alder-4" << SysEx::factoryResetCommand() << "FactoryReset";
    QTest::newRow("other maker") << "Alder-4" << hex("f0002f72010301f7") << "";
    QTest::newRow("erase on running firmware") << "Alder-4" << Vocabulary::eraseCommand() << "";
}

void TestDeviceSimulator::answersEachContractRow()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, command);
    QFETCH(QString, expected);
    Bench bench(*DeviceProfiles::find(model));
    QCOMPARE(bench.ask(command).join(QLatin1Char(' ')), expected);
}

void TestDeviceSimulator::reportsPortCountsOfItsProfile_data()
{
    QTest::addColumn<DeviceProfile>("p");
    for (const DeviceProfile &p : DeviceProfiles::all())
        QTest::newRow(qPrintable(p.usbDescription)) << p;
}

void TestDeviceSimulator::reportsPortCountsOfItsProfile()
{
    QFETCH(DeviceProfile, p);
    Bench bench(p);
    bench.ask(query(1));
    QCOMPARE(bench.host.frames.size(), 2);
    QCOMPARE(at(bench.host.frames.at(0), 6), int(p.familyCode));
    const QByteArray counts = bench.host.frames.at(1);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(at(counts, 6 + i), int(QVector<quint8>({p.midiIn, p.midiOut, p.usbHost, p.usbDevice}).at(i)));

    bench.ask(query(4));
    const QByteArray filterCounts = bench.host.frames.value(0);
    for (int type = 0; type < 6; ++type)
        QCOMPARE(at(filterCounts, 6 + type), int(p.filterPortCounts[type]));

    // Every filterable port reports once, in type order, with its number.
    bench.ask(query(5));
    int i = 0;
    for (int type = 0; type < 6; ++type) {
        for (int number = 1; number <= p.filterPortCounts[type]; ++number, ++i) {
            const QByteArray state = bench.host.frames.value(i);
            QCOMPARE(at(state, 6), type);
            QCOMPARE(at(state, 7), number);
        }
    }
    QCOMPARE(bench.host.frames.size(), i);
}

void TestDeviceSimulator::namesWhatIsPluggedIn()
{
    Bench bench(profile("Alder-4"));
    bench.ask(query(7));
    const QVector<QByteArray> names = bench.host.framesOf("UsbPortName");
    QCOMPARE(names.size(), 9);
    QStringList seen;
    for (int slot = 0; slot < names.size(); ++slot) {
        const QByteArray &f = names.at(slot);
        QCOMPARE(at(f, 7), slot + 1);
        QCOMPARE(at(f, 8), f.size() - 10);
        seen << QString::fromLatin1(f.mid(9, f.size() - 10));
    }
    QCOMPARE(seen, QStringList({"Keystation 49", "1", "nanoKONTROL2", "1", "1", "1", "1", "1", "1"}));
    QCOMPARE(bench.host.framesOf("HubCount").value(0), hex("f0002f71020701f7"));

    Bench empty(profile("Cedar-6"));
    empty.ask(query(7));
    const QByteArray none = empty.host.framesOf("UsbPortName").value(0);
    QCOMPARE(none.size(), 11);
    QCOMPARE(at(none, 9), 0xFF);
}

void TestDeviceSimulator::identifiesEveryModelAsTheHostParsesIt_data()
{
    QTest::addColumn<DeviceProfile>("p");
    for (const DeviceProfile &p : DeviceProfiles::all()) {
        QTest::newRow(qPrintable(p.usbDescription)) << p;
        const DeviceProfile boot = DeviceProfiles::bootloaderOf(p);
        QTest::newRow(qPrintable(boot.usbDescription)) << boot;
    }
}

void TestDeviceSimulator::identifiesEveryModelAsTheHostParsesIt()
{
    QFETCH(DeviceProfile, p);
    Bench bench(p);
    QCOMPARE(bench.ask(Vocabulary::identificationQuery()), QStringList{QString("MTD " + p.modelText)});
    QCOMPARE(bench.ask(Vocabulary::versionQuery()), QStringList{QString("VER " + p.versionText)});
}

void TestDeviceSimulator::shouldRefuseRoutesADeviceRefuses_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("result");

    QTest::newRow("USB host to itself") << "Alder-4" << route(1, 1, 1, 1, 1) << 1 << 1;
    QTest::newRow("USB device to itself") << "Alder-4" << route(2, 1, 2, 1, 1) << 1 << 1;
    QTest::newRow("MIDI IN 1 to OUT 1 on Alder-4") << "Alder-4" << route(0, 1, 0, 1, 1) << 1 << 1;
    QTest::newRow("MIDI IN 2 to OUT 2 on Maple-5") << "Maple-5" << route(0, 2, 0, 2, 1) << 1 << 1;
    QTest::newRow("MIDI IN 1 to OUT 1 on Cedar-6") << "Cedar-6" << route(0, 1, 0, 1, 1) << 1 << 0;
    QTest::newRow("USB host to USB device") << "Alder-4" << route(1, 1, 2, 1, 1) << 1 << 0;
    QTest::newRow("MIDI IN 0") << "Alder-4" << route(0, 0, 0, 2, 1) << 1 << 2;
    QTest::newRow("MIDI IN beyond count") << "Alder-4" << route(0, 3, 0, 1, 1) << 1 << 2;
    QTest::newRow("MIDI OUT beyond count") << "Spruce-7" << route(0, 1, 0, 8, 1) << 1 << 2;
    QTest::newRow("USB host 9 of 8") << "Alder-4" << route(1, 9, 0, 1, 1) << 1 << 2;
    QTest::newRow("USB host on a model without") << "Cedar-6" << route(1, 1, 0, 1, 1) << 1 << 2;
    QTest::newRow("unknown kind") << "Alder-4" << route(3, 1, 0, 1, 1) << 1 << 1;
    QTest::newRow("unknown operation") << "Alder-4" << route(0, 1, 0, 2, 5) << 1 << 1;
    QTest::newRow("remove a route never made") << "Alder-4" << route(0, 1, 0, 2, 0) << 0 << 0;
    QTest::newRow("remove with bad number") << "Alder-4" << route(0, 7, 0, 2, 0) << 0 << 2;
    QTest::newRow("remove every route") << "Alder-4" << route(0, 0, 0, 0, 0x7F) << 0 << 0;
    QTest::newRow("short route command") << "Alder-4" << hex("f0002f710201000100f7") << 1 << 2;
}

void TestDeviceSimulator::shouldRefuseRoutesADeviceRefuses()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, command);
    QFETCH(int, op);
    QFETCH(int, result);
    Bench bench(*DeviceProfiles::find(model));
    const QByteArray reply = bench.lastFrame(command);
    QCOMPARE(bench.host.kinds, QStringList{"RouteAnswer"});
    QCOMPARE(at(reply, 6), op);
    QCOMPARE(at(reply, 7), result);
    if (result != 0 || op == 0)
        QVERIFY(bench.sim.routes().isEmpty());
}

void TestDeviceSimulator::shouldRefuseRoutesBeyondThePerInputLimit()
{
    Bench bench(profile("Alder-4"));
    // MIDI IN 1 may go to MIDI OUT 2 and the eight USB hosts: nine outputs.
    QVector<QByteArray> connects{route(0, 1, 0, 2, 1)};
    for (int host = 1; host <= 8; ++host)
        connects << route(0, 1, 1, host, 1);
    for (int i = 0; i < DeviceSimulator::MaxRoutesPerInput; ++i)
        QCOMPARE(at(bench.lastFrame(connects.at(i)), 7), 0);
    QCOMPARE(at(bench.lastFrame(connects.last()), 7), 3);
    // A route that exists already is no new route; another input is not limited.
    QCOMPARE(at(bench.lastFrame(connects.first()), 7), 0);
    QCOMPARE(at(bench.lastFrame(route(0, 2, 1, 1, 1)), 7), 0);
    QCOMPARE(bench.sim.routes().size(), DeviceSimulator::MaxRoutesPerInput + 1);
    // Freeing one makes room again.
    QCOMPARE(at(bench.lastFrame(route(0, 1, 0, 2, 0)), 7), 0);
    QCOMPARE(at(bench.lastFrame(connects.last()), 7), 0);
}

void TestDeviceSimulator::shouldRefuseBadFilterCommands_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("reason");

    const QByteArray ok(25, '\x01');
    QByteArray eightBit = ok;
    eightBit[3] = '\x80';
    QTest::newRow("MIDI IN 2") << "Alder-4" << filterCommand(0, 2, ok) << 0 << 0;
    QTest::newRow("USB DEVICE OUT 1") << "Alder-4" << filterCommand(5, 1, ok) << 0 << 0;
    QTest::newRow("type 6") << "Alder-4" << filterCommand(6, 1, ok) << 1 << 2;
    QTest::newRow("USB HOST IN on a model without") << "Cedar-6" << filterCommand(2, 1, ok) << 1 << 2;
    QTest::newRow("number 0") << "Alder-4" << filterCommand(0, 0, ok) << 1 << 1;
    QTest::newRow("number beyond count") << "Alder-4" << filterCommand(3, 9, ok) << 1 << 1;
    QTest::newRow("every port with a number") << "Alder-4" << filterCommand(0x7F, 1, ok) << 1 << 3;
    QTest::newRow("8-bit filter byte") << "Alder-4" << filterCommand(0, 1, eightBit) << 1 << 3;
    QTest::newRow("35 bytes") << "Alder-4" << filterCommand(0, 1, ok.left(24)) << 1 << 3;
}

void TestDeviceSimulator::shouldRefuseBadFilterCommands()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, command);
    QFETCH(int, status);
    QFETCH(int, reason);
    Bench bench(*DeviceProfiles::find(model));
    const QByteArray reply = bench.lastFrame(command);
    QCOMPARE(bench.host.kinds, QStringList{"FilterAnswer"});
    QCOMPARE(at(reply, 6), status);
    QCOMPARE(at(reply, 7), reason);
    if (status != 0) {
        QCOMPARE(bench.sim.filter(0, 1), QByteArray(25, '\0'));
        QCOMPARE(bench.sim.filter(0, 2), QByteArray(25, '\0'));
    }
}

void TestDeviceSimulator::checksMappingRecords_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<int>("number");

    const QByteArray good = noteOnRecord();
    auto with = [&](int pos, int value) {
        QByteArray r = good;
        r[pos] = static_cast<char>(value);
        return r;
    };
    // SysEx original 41 <Data1 0..7F> FF, mapped to Start (status FA).
    const QByteArray sysex = hex("000000000043" "0f11020104" "41007fff" "af110000000001fa");

    QTest::newRow("documented example") << good << 1;
    QTest::newRow("number 5") << with(5, 0x45) << 5;
    QTest::newRow("number 16") << with(5, 0x50) << 16;
    QTest::newRow("number 17") << with(5, 0x51) << 0;
    QTest::newRow("number 0") << with(5, 0x40) << 0;
    QTest::newRow("SysEx data area with FF") << sysex << 3;
    QByteArray sysex80 = sysex;
    sysex80[14] = '\x80';
    QTest::newRow("SysEx data area with 80") << sysex80 << 0;
    QTest::newRow("first block longer than declared") << QByteArray(good.left(16) + '\x01' + good.mid(16)) << 0;
    QTest::newRow("second block cut") << good.left(good.size() - 1) << 0;
    QTest::newRow("byte behind the second block") << QByteArray(good + '\x00') << 0;
    QTest::newRow("8-bit port mask") << with(0, 0x81) << 0;
    QTest::newRow("8-bit block length") << with(10, 0x85) << 0;
    QTest::newRow("channel 18") << with(7, 0x12) << 0;
    QTest::newRow("data source 3") << with(18, 0x03) << 0;
    QTest::newRow("8-bit data byte") << with(12, 0x80) << 0;
    QTest::newRow("too short") << good.left(17) << 0;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestDeviceSimulator::checksMappingRecords()
{
    QFETCH(QByteArray, record);
    QFETCH(int, number);
    QCOMPARE(DeviceSimulator::mappingNumberOf(record), number);

    Bench bench(profile("Alder-4"));
    const QByteArray reply = bench.lastFrame(store(record));
    if (number > 0) {
        QCOMPARE(bench.host.kinds, QStringList{"SaveAnswer"});
        QCOMPARE(at(reply, 6), 0);
        QCOMPARE(bench.sim.mappings().value(number), record);
    } else {
        QCOMPARE(bench.host.kinds, QStringList{"MappingStoreAnswer"});
        QCOMPARE(at(reply, 7), int(DeviceReplies::MappingDataError));
        QVERIFY(bench.sim.mappings().isEmpty());
    }
}

void TestDeviceSimulator::reportsStoredRoutes()
{
    Bench bench(profile("Alder-4"));
    bench.ask(route(1, 1, 2, 1, 1));
    bench.ask(route(0, 2, 0, 1, 1));
    bench.ask(route(0, 2, 0, 1, 1));
    bench.ask(query(2));
    QCOMPARE(bench.host.frames,
             QVector<QByteArray>({hex("f0002f71020101010201" "01f7"), hex("f0002f71020100020001" "01f7")}));
    QCOMPARE(bench.host.kinds, QStringList({"RouteReport", "RouteReport"}));

    bench.ask(route(1, 1, 2, 1, 0));
    bench.ask(query(2));
    QCOMPARE(bench.host.frames, QVector<QByteArray>{hex("f0002f71020100020001" "01f7")});

    bench.ask(route(0, 0, 0, 0, 0x7F));
    QVERIFY(bench.ask(query(2)).isEmpty());
}

void TestDeviceSimulator::reportsStoredFilters()
{
    Bench bench(profile("Alder-4"));
    QByteArray channel10(25, '\0');
    channel10[1] = 0x04;
    bench.ask(filterCommand(3, 2, channel10)); // USB HOST OUT2
    bench.ask(query(5));
    const QVector<QByteArray> states = bench.host.framesOf("FilterReport");
    // MIDI IN 1-2, MIDI OUT 1-2, USB HOST IN 1-8, then USB HOST OUT1, OUT2.
    QCOMPARE(states.value(13).mid(6, 27), QByteArray(QByteArray("\x03\x02", 2) + channel10));
    for (int i = 0; i < states.size(); ++i) {
        if (i != 13)
            QCOMPARE(states.at(i).mid(8, 25), QByteArray(25, '\0'));
    }

    const QByteArray clock(25, '\x40');
    bench.ask(filterCommand(0x7F, 0, clock));
    bench.ask(query(5));
    for (const QByteArray &state : bench.host.frames)
        QCOMPARE(state.mid(8, 25), clock);
}

void TestDeviceSimulator::reportsStoredMappingsAndDeletesThem()
{
    Bench bench(profile("Alder-4"));
    bench.ask(store(noteOnRecord(0x45)));
    bench.ask(store(noteOnRecord(0x41)));
    bench.ask(query(3));
    // The host reads them back as it sent them.
    QCOMPARE(bench.host.framesOf("MappingReport"),
             QVector<QByteArray>({store(noteOnRecord(0x41)), store(noteOnRecord(0x45))}));

    QCOMPARE(bench.lastFrame(deleteOne(5)), hex("f0002f7102050000f7"));
    QCOMPARE(bench.lastFrame(deleteOne(5)), hex("f0002f7102050101f7"));
    QCOMPARE(bench.lastFrame(deleteOne(17)), hex("f0002f7102050103f7"));
    QCOMPARE(bench.lastFrame(hex("f0002f710205067e010100f7")), hex("f0002f7102050102f7"));
    QCOMPARE(bench.sim.mappings().keys(), QList<int>{1});

    QCOMPARE(bench.lastFrame(deleteAll()), hex("f0002f7102050000f7"));
    QVERIFY(bench.ask(query(3)).isEmpty());
}

void TestDeviceSimulator::factoryResetClearsEverything()
{
    Bench bench(profile("Alder-4"));
    bench.ask(route(1, 1, 2, 1, 1));
    bench.ask(filterCommand(0, 1, QByteArray(25, '\x7F')));
    bench.ask(store(noteOnRecord()));
    QCOMPARE(bench.lastFrame(SysEx::factoryResetCommand()), hex("f0002f7103010101f7"));
    QVERIFY(bench.sim.routes().isEmpty());
    QVERIFY(bench.sim.mappings().isEmpty());
    QCOMPARE(bench.sim.filter(0, 1), QByteArray(25, '\0'));
    QVERIFY(bench.ask(query(2)).isEmpty());
    QVERIFY(bench.ask(query(3)).isEmpty());
}

void TestDeviceSimulator::bootloaderTakesImageInAcknowledgedPieces()
{
    Bench bench(DeviceProfiles::bootloaderOf(profile("Alder-4")));
    bench.sim.setEraseDelayMs(10);
    QCOMPARE(bench.ask(Vocabulary::identificationQuery()), QStringList{"MTD Alder-4"});
    QVERIFY(bench.ask(query(1)).isEmpty()); // a bootloader knows no configuration

    bench.host.clear();
    bench.sim.receive(Vocabulary::eraseCommand());
    QTRY_COMPARE_WITH_TIMEOUT(bench.host.texts, QStringList{"ERASE"}, 5000);

    // The image holds heads and tails of both frame kinds on purpose.
    QByteArray image = randomBytes(130);
    image.replace(0, 7, QByteArray(Vocabulary::identificationQuery().left(6) + '\x00'));
    image[70] = '\xF0';
    image[71] = '\xF7';
    bench.host.clear();
    bench.sim.receive(image.left(64));
    QCOMPARE(bench.host.texts, QStringList{"ACK 64"});
    bench.sim.receive(image.mid(64, 64));
    QCOMPARE(bench.host.texts, QStringList({"ACK 64", "ACK 64"}));
    bench.sim.receive(image.mid(128));
    QTRY_COMPARE_WITH_TIMEOUT(bench.host.texts, QStringList({"ACK 64", "ACK 64", "ACK 2"}), 5000);
    QCOMPARE(bench.sim.receivedImage(), image);

    // Erasing again starts a new image.
    bench.sim.receive(Vocabulary::eraseCommand());
    QTRY_VERIFY_WITH_TIMEOUT(bench.sim.receivedImage().isEmpty(), 5000);
}

void TestDeviceSimulator::bootloaderGathersPieceSplitOverReads()
{
    Bench bench(DeviceProfiles::bootloaderOf(profile("Maple-5")));
    bench.sim.setEraseDelayMs(0);
    const QByteArray image = randomBytes(64 + 10);
    // The erase and the first bytes of the image may come in one read.
    bench.sim.receive(Vocabulary::eraseCommand() + image.left(20));
    bench.sim.receive(image.mid(20, 44));
    QCOMPARE(bench.host.texts, QStringList({"ERASE", "ACK 64"}));
    for (int i = 64; i < image.size(); ++i)
        bench.sim.receive(image.mid(i, 1));
    QTRY_COMPARE_WITH_TIMEOUT(bench.host.texts, QStringList({"ERASE", "ACK 64", "ACK 10"}), 5000);
    QCOMPARE(bench.sim.receivedImage(), image);
}

void TestDeviceSimulator::bootloaderIgnoresImageBeforeErase()
{
    Bench bench(DeviceProfiles::bootloaderOf(profile("Alder-4")));
    bench.sim.receive(randomBytes(64).replace('\xAA', '\x00').replace('\xF0', '\x00'));
    QTest::qWait(2 * DeviceSimulator::PieceQuietGapMs);
    QVERIFY(bench.host.raw.isEmpty());
    QVERIFY(bench.sim.receivedImage().isEmpty());
}

void TestDeviceSimulator::rebootsIntoItsBootloaderOnRequest()
{
    Bench bench(profile("Alder-4"));
    QSignalSpy reboot(&bench.sim, &DeviceSimulator::rebootingToBootloader);
    bench.sim.receive(Vocabulary::enterBootloaderCommand() + query(1));
    QCOMPARE(reboot.count(), 1);
    QVERIFY(bench.host.raw.isEmpty());
    QVERIFY(bench.sim.isBootloader());
    QCOMPARE(bench.sim.profile().usbDescription, QStringLiteral("Alder-4 BootLoader"));
    QCOMPARE(bench.ask(Vocabulary::identificationQuery()), QStringList{"MTD Alder-4"});
    // Once in the bootloader, the request means nothing.
    bench.sim.receive(Vocabulary::enterBootloaderCommand());
    QCOMPARE(reboot.count(), 1);
}

void TestDeviceSimulator::answersDoNotDependOnChunking()
{
    QByteArray session = Vocabulary::identificationQuery() + query(1) + query(2) + query(4) + query(3)
        + query(7) + query(5) + route(1, 1, 2, 1, 1) + route(0, 1, 0, 1, 1)
        + filterCommand(0, 1, QByteArray(25, '\x11')) + store(noteOnRecord()) + query(2) + query(3)
        + deleteOne(1) + hex("f0002f71020200f7") + Vocabulary::versionQuery() + SysEx::factoryResetCommand();

    Bench whole(profile("Alder-4"));
    whole.sim.receive(session);
    Bench bytewise(profile("Alder-4"));
    for (char c : session)
        bytewise.sim.receive(QByteArray(1, c));
    QVERIFY(whole.host.raw.size() > 1000);
    QCOMPARE(bytewise.host.raw, whole.host.raw);
    QCOMPARE(bytewise.sim.receivedFrames().size(), 17);
}

void TestDeviceSimulator::resynchronisesAfterBrokenCommands()
{
    Bench bench(profile("Alder-4"));
    // Noise, a command cut short by the next one, a text head with an absurd
    // length, a text frame with a bad tail: only the two good queries count.
    const QByteArray input = hex("123456") + hex("f0002f7101") + query(1) + hex("aacc7f0001") + hex("aacc0200010d0b")
        + Vocabulary::versionQuery();
    QCOMPARE(bench.ask(input), QStringList({"DeviceType", "PortCounts", "VER V1.2.0"}));
    // An F0 that never ends does not stop the device for good.
    QVERIFY(bench.ask(hex("f0") + QByteArray(DeviceSimulator::MaxCommandLength + 10, '\x01')).isEmpty());
    QCOMPARE(bench.ask(query(4)), QStringList{"FilterPortCounts"});
}

void TestDeviceSimulator::recordsWhatTheHostSent()
{
    Bench bench(profile("Alder-4"));
    bench.sim.receive(Vocabulary::identificationQuery() + hex("00ff") + query(1).left(3));
    bench.sim.receive(query(1).mid(3));
    const auto &frames = bench.sim.receivedFrames();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames.at(0).bytes, Vocabulary::identificationQuery());
    QCOMPARE(frames.at(1).bytes, query(1));
    QVERIFY(frames.at(0).atMs <= frames.at(1).atMs);
    bench.sim.restartClock();
    QVERIFY(bench.sim.receivedFrames().isEmpty());
}

void TestDeviceSimulator::faultNoAnswerKeepsState()
{
    Bench bench(profile("Alder-4"));
    DeviceSimulator::Faults faults;
    faults.noAnswer = true;
    bench.sim.setFaults(faults);
    QVERIFY(bench.ask(Vocabulary::identificationQuery() + query(1) + route(1, 1, 2, 1, 1)).isEmpty());
    QCOMPARE(bench.sim.routes().size(), 1);
}

void TestDeviceSimulator::faultDelayKeepsOrder()
{
    Bench bench(profile("Alder-4"));
    DeviceSimulator::Faults faults;
    faults.delayMs = 30;
    bench.sim.setFaults(faults);
    bench.sim.receive(query(1) + Vocabulary::identificationQuery() + query(4));
    QVERIFY(bench.host.raw.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(bench.host.kinds.size(), 3, 5000);
    QCOMPARE(bench.host.kinds,
             QStringList({"DeviceType", "PortCounts", "FilterPortCounts"}));
    QCOMPARE(bench.host.texts, QStringList{"MTD Alder-4"});
    QVERIFY(bench.host.raw.startsWith(hex("f0002f71010101f7")));
}

void TestDeviceSimulator::faultGarbageLeavesFramesIntact()
{
    const QByteArray session = query(1) + Vocabulary::identificationQuery() + query(7) + route(1, 1, 2, 1, 1);
    Bench clean(profile("Alder-4"));
    clean.sim.receive(session);
    Bench noisy(profile("Alder-4"));
    DeviceSimulator::Faults faults;
    faults.garbage = true;
    noisy.sim.setFaults(faults);
    noisy.sim.receive(session);
    QVERIFY(noisy.host.raw.size() > clean.host.raw.size());
    QCOMPARE(noisy.host.frames, clean.host.frames);
    QCOMPARE(noisy.host.texts, clean.host.texts);
}

void TestDeviceSimulator::faultDropAfterBytes()
{
    Bench bench(profile("Alder-4"));
    DeviceSimulator::Faults faults;
    faults.dropAfterBytes = 12;
    bench.sim.setFaults(faults);
    QSignalSpy dropped(&bench.sim, &DeviceSimulator::connectionDropped);
    bench.sim.receive(query(1)); // 8 + 11 bytes of answer
    QCOMPARE(bench.host.raw, hex("f0002f71010101f7" "f0002f71010202020801f7").left(12));
    QCOMPARE(dropped.count(), 1);
    QVERIFY(bench.sim.isDropped());
    bench.sim.receive(query(1));
    QCOMPARE(bench.host.raw.size(), 12);
    QCOMPARE(dropped.count(), 1);
}

void TestDeviceSimulator::faultRefuseAll()
{
    Bench bench(profile("Alder-4"));
    DeviceSimulator::Faults faults;
    faults.refuseAll = true;
    faults.refuseCode = 3;
    bench.sim.setFaults(faults);
    QCOMPARE(bench.lastFrame(route(1, 1, 2, 1, 1)), hex("f0002f7102010103f7"));
    QCOMPARE(bench.lastFrame(route(1, 1, 2, 1, 0)), hex("f0002f7102010003f7"));
    QCOMPARE(bench.lastFrame(filterCommand(0, 1, QByteArray(25, '\0'))), hex("f0002f7102030103f7"));
    QCOMPARE(bench.lastFrame(store(noteOnRecord())), hex("f0002f7102020100f7"));
    QCOMPARE(bench.lastFrame(deleteOne(1)), hex("f0002f7102050103f7"));
    QCOMPARE(bench.lastFrame(hex("f0002f71020200f7")), hex("f0002f7102020100f7"));
    QVERIFY(bench.sim.routes().isEmpty());
    QVERIFY(bench.sim.mappings().isEmpty());
}

void TestDeviceSimulator::faultAcknowledgements_data()
{
    QTest::addColumn<bool>("wrong");
    QTest::addColumn<bool>("shortened");
    QTest::addColumn<QStringList>("acks");
    QTest::addColumn<int>("kept");

    QTest::newRow("wrong count") << true << false << QStringList({"ACK 65", "ACK 3"}) << 66;
    QTest::newRow("short") << false << true << QStringList({"ACK 32", "ACK 1"}) << 33;
}

void TestDeviceSimulator::faultAcknowledgements()
{
    QFETCH(bool, wrong);
    QFETCH(bool, shortened);
    QFETCH(QStringList, acks);
    QFETCH(int, kept);
    Bench bench(DeviceProfiles::bootloaderOf(profile("Alder-4")));
    DeviceSimulator::Faults faults;
    faults.wrongAck = wrong;
    faults.shortAck = shortened;
    bench.sim.setFaults(faults);
    bench.sim.setEraseDelayMs(0);
    bench.sim.receive(Vocabulary::eraseCommand());
    bench.host.clear();
    const QByteArray image = randomBytes(66);
    bench.sim.receive(image.left(64));
    bench.sim.receive(image.mid(64));
    QTRY_COMPARE_WITH_TIMEOUT(bench.host.texts, acks, 5000);
    QCOMPARE(bench.sim.receivedImage().size(), kept);
}

QTEST_GUILESS_MAIN(TestDeviceSimulator)
#include "tst_devicesimulator.moc"
