// velmora-cli as scripts see it: exit codes and the one-sentence errors, run
// as a real process against simulated devices on pseudo-terminals.
#include "cli/exitcode.h"
#include "configfile/configreader.h"
#include "configfile/configtranslation.h"
#include "configfile/sync/configapply.h"
#include "configfile/sync/devicebackup.h"
#include "device/devicewatcher.h"
#include "device/sysex.h"
#include "filter/filterbits.h"
#include "filter/filterprotocol.h"
#include "mapping/mappingrecord.h"
#include "routing/routeprotocol.h"
#include "simulator/deviceregistry.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"
#include "tests/mapping/samplerecords.h"
#include "tests/support/ptydevice.h"
#include "tests/support/simulateddevice.h"
#include "upgrade/keptsettings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <numeric>

namespace {

struct CliRun
{
    int code = -1;
    QString out;
    QString err;
};

// Runs velmora-cli while this process keeps serving its simulated devices.
CliRun runCli(const QStringList &arguments)
{
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No display: the program must not need one.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // Without a runtime folder Qt warns on standard error, which is the
    // program's one-sentence channel.
    static QTemporaryDir runtime;
    // ... and it must look for devices where this process announces them.
    env.insert(QStringLiteral("VELMORA_DEVICE_REGISTRY"), DeviceRegistry::directory());
    if (!env.contains(QStringLiteral("XDG_RUNTIME_DIR")))
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(VELMORA_CLI), arguments);
    QElapsedTimer guard; // a hang guard, far above any timeout a test gives
    guard.start();
    while (cli.state() != QProcess::NotRunning && guard.elapsed() < 20000)
        QTest::qWait(5);
    CliRun run;
    if (cli.state() != QProcess::NotRunning) {
        cli.kill();
        cli.waitForFinished();
        return run;
    }
    run.code = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = QString::fromUtf8(cli.readAllStandardOutput());
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitCodes_data();
    void exitCodes();
    void engineIdentifiesAndNoticesALostDevice();
    void backupRestoreCompare();
    void refusedRoutesAreNamed();
    void translationBetweenModels_data();
    void translationBetweenModels();
    void setupFromAnotherModelIsRefusedOrTranslated();
    void diffOfTwoFiles_data();
    void diffOfTwoFiles();
    void flash_data();
    void flash();
    void listsOnlyAnnouncedDevices();
    void flashKeepsSettings();

private:
    QTemporaryDir m_registry;
};

void TestCli::initTestCase()
{
    QVERIFY(m_registry.isValid());
    qputenv("VELMORA_DEVICE_REGISTRY", QFile::encodeName(m_registry.path()));
}

void TestCli::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected"); // in stdout on success, in stderr otherwise

    QTest::newRow("no command") << QStringList{} << int(Cli::ExitUsage) << "Name a command";
    QTest::newRow("unknown command") << QStringList{"frob"} << int(Cli::ExitUsage) << "Unknown command \"frob\"";
    QTest::newRow("unknown option") << QStringList{"--frob", "list"} << int(Cli::ExitUsage) << "frob";
    QTest::newRow("bad timeout") << QStringList{"--timeout", "soon", "identify", "/dev/null"}
                                 << int(Cli::ExitUsage) << "--timeout";
    QTest::newRow("identify without port") << QStringList{"identify"} << int(Cli::ExitUsage) << "one port";
    QTest::newRow("unknown model") << QStringList{"--simulate", "Nope-9", "identify"} << int(Cli::ExitUsage)
                                   << "no simulated model";
    QTest::newRow("no such port") << QStringList{"identify", "/dev/velmora-no-such-port"}
                                  << int(Cli::ExitNoDevice) << "There is no port /dev/velmora-no-such-port.";
    QTest::newRow("not a serial port") << QStringList{"identify", "/dev/null"} << int(Cli::ExitNoDevice)
                                       << "Cannot open /dev/null";
    // The placeholder is replaced by a pseudo-terminal nobody answers on.
    QTest::newRow("silent port") << QStringList{"--timeout", "300", "identify", "SILENT"}
                                 << int(Cli::ExitNoDevice) << "did not answer within 300 ms";
    QTest::newRow("identify simulated") << QStringList{"--simulate", "Alder-4", "--json", "identify"}
                                        << int(Cli::ExitOk) << "\"model\": \"Alder-4\"";
    QTest::newRow("list simulated") << QStringList{"--simulate", "Alder-4", "list"} << int(Cli::ExitOk)
                                    << "Kestrova Alder-4";
    QTest::newRow("dump silent port") << QStringList{"--timeout", "300", "dump", "SILENT"}
                                      << int(Cli::ExitNoDevice) << "did not answer within 300 ms";
    QTest::newRow("diff with no such port") << QStringList{"diff", "EMPTYFILE", "/dev/velmora-no-such-port"}
                                            << int(Cli::ExitUsage) << "neither a configuration file nor a serial port";
    // Files are checked whole before the port is touched: nothing is sent.
    QTest::newRow("apply malformed file") << QStringList{"apply", "BADFILE", "SILENT"} << int(Cli::ExitFileError)
                                          << "JSON format error";
    QTest::newRow("apply missing file") << QStringList{"apply", "/velmora/none.ini", "SILENT"}
                                        << int(Cli::ExitFileError) << "Unable to open file";
    QTest::newRow("apply filter of no port") << QStringList{"apply", "NOPORTFILE", "SILENT"}
                                             << int(Cli::ExitFileError) << "\"Thru 1\" names no port";
    QTest::newRow("apply to silent port") << QStringList{"--timeout", "300", "apply", "EMPTYFILE", "SILENT"}
                                          << int(Cli::ExitNoDevice) << "did not answer within 300 ms";
    QTest::newRow("flash to silent port") << QStringList{"--timeout", "300", "flash", "SILENT", "FIRMWARE"}
                                          << int(Cli::ExitNoDevice) << "did not answer within 300 ms";
    QTest::newRow("flash missing image") << QStringList{"flash", "SILENT", "/velmora/none.bin"}
                                         << int(Cli::ExitFileError) << "Cannot read /velmora/none.bin";
    QTest::newRow("flash empty image") << QStringList{"flash", "SILENT", "EMPTYIMAGE"} << int(Cli::ExitFileError)
                                       << "is empty";
    QTest::newRow("diff without port") << QStringList{"diff", "EMPTYFILE"} << int(Cli::ExitUsage)
                                       << "a file and a port";
    QTest::newRow("translate without port") << QStringList{"apply", "--dry-run", "--translate", "EMPTYFILE"}
                                            << int(Cli::ExitUsage) << "--translate needs the device's port";
    QTest::newRow("dump to unwritable file")
        << QStringList{"--simulate", "Alder-4", "dump", "-o", "/velmora/none/x.ini"} << int(Cli::ExitFileError)
        << "Cannot write /velmora/none/x.ini";
    QTest::newRow("dry run sends nothing") << QStringList{"apply", "--dry-run", "EMPTYFILE"} << int(Cli::ExitOk)
                                           << "remove every route\nsave the routes\ndelete every mapping rule\n";
    QTest::newRow("help") << QStringList{"--help"} << int(Cli::ExitOk) << "Exit codes:";
}

void TestCli::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, expected);

    TestSupport::PtyDevice silent;
    QVERIFY(silent.isValid());
    arguments.replaceInStrings(QStringLiteral("SILENT"), silent.slavePath());
    QTemporaryDir dir;
    const auto file = [&](const QString &placeholder, const QByteArray &bytes) {
        const QString path = dir.filePath(placeholder + QStringLiteral(".ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        arguments.replaceInStrings(placeholder, path);
    };
    file(QStringLiteral("BADFILE"), "[1, 2]");
    file(QStringLiteral("EMPTYFILE"), "{}");
    file(QStringLiteral("EMPTYIMAGE"), "");
    file(QStringLiteral("FIRMWARE"), QByteArray(100, '\x55'));
    file(QStringLiteral("NOPORTFILE"), R"({"listFiltering": [{"portName": "Thru 1", "situations": {}}]})");

    const CliRun run = runCli(arguments);
    const QString &out = run.out;
    const QString &err = run.err;
    QCOMPARE(run.code, exitCode);
    if (exitCode == Cli::ExitFileError || exitCode == Cli::ExitUsage)
        QCOMPARE(silent.received(), QByteArray());
    if (exitCode == Cli::ExitOk) {
        QVERIFY2(out.contains(expected), qPrintable(out));
    } else {
        QVERIFY(out.isEmpty());
        // One sentence, on one line.
        QVERIFY2(err.contains(expected, Qt::CaseInsensitive), qPrintable(err));
        QVERIFY2(err.startsWith(QLatin1String("velmora-cli: ")) && err.count(QLatin1Char('\n')) == 1, qPrintable(err));
    }
}

void TestCli::engineIdentifiesAndNoticesALostDevice()
{
    auto device = TestSupport::startDevice(QStringLiteral("Alder-4"), 2, {QStringLiteral("Keystation 49")});
    QVERIFY(device);
    DeviceBackup backup;
    backup.setTimeout(2000);
    QVERIFY2(backup.open(device->portName()), qPrintable(backup.errorString()));
    QVERIFY2(backup.identify(), qPrintable(backup.errorString()));
    QCOMPARE(backup.identity().model, QStringLiteral("Alder-4"));
    QCOMPARE(backup.identity().counts.usbHost + backup.identity().counts.usbDev,
             backup.identity().counts.usbSlotCount());
    QVERIFY(backup.identity().counts.midiIn > 0);
    QVERIFY(backup.identity().usbNames.values().contains(QStringLiteral("Keystation 49")));

    // The device goes away before its answers: a clear error, not a hang.
    QTimer::singleShot(0, device.get(), [&] { device->stop(); });
    QVERIFY(!backup.identify());
    QVERIFY(backup.error() == DeviceBackup::Error::DeviceLost
            || backup.error() == DeviceBackup::Error::NotAnswering);
    QVERIFY(!backup.errorString().isEmpty());
}

// One device's whole life through the commands a backup script uses: dump a
// configured device, restore it onto a factory-reset one, compare, and notice
// a single changed filter bit.
void TestCli::backupRestoreCompare()
{
    auto device = TestSupport::startDevice(QStringLiteral("Alder-4"));
    QVERIFY(device);
    DeviceSimulator *sim = device->simulator();
    const Routing::Route in1ToUsb{{Routing::FivePin, 1}, {Routing::UsbDevice, 1}};
    const Routing::Route in1ToOut2{{Routing::FivePin, 1}, {Routing::FivePin, 2}};
    const Routing::Route host3ToOut1{{Routing::UsbHost, 3}, {Routing::FivePin, 1}};
    for (const Routing::Route &route : {in1ToUsb, in1ToOut2, host3ToOut1})
        sim->receive(Routing::connectCommand(route));
    Filter::Bytes out2{};
    const auto ch10 = Filter::channelPosition(10);
    QVERIFY(ch10);
    out2[ch10->byteIndex] |= 1 << ch10->bit;
    out2[Filter::controllerPosition(7)->byteIndex] |= 1 << Filter::controllerPosition(7)->bit;
    sim->receive(Filter::setCommand(1, 2, out2));
    Filter::Bytes in1{};
    in1[Filter::channelPosition(1)->byteIndex] |= 1 << Filter::channelPosition(1)->bit;
    sim->receive(Filter::setCommand(0, 1, in1));
    MappingRecord rule = noteOnToProgramChange(3);
    sim->receive(rule.toStoreCommand());
    QCOMPARE(sim->mappings().size(), 1);

    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("backup.ini"));
    CliRun run = runCli({QStringLiteral("dump"), device->portName(), QStringLiteral("-o"), backup});
    QVERIFY2(run.code == Cli::ExitOk, qPrintable(run.err));
    const QByteArray saved = readAll(backup);
    // The file holds the device's state and the page as the window shows it
    // after connecting: the first port (MIDI IN 1) on the filter page.
    const QJsonObject root = QJsonDocument::fromJson(saved).object();
    QCOMPARE(root.value(QStringLiteral("MIDI IN 1")).toArray().size(), 2);
    QCOMPARE(root.value(QStringLiteral("USB HOST 3")).toArray().first().toString(), QStringLiteral("MIDI OUT 1"));
    QCOMPARE(root.value(QStringLiteral("checkBox_1")).toBool(), true);
    QCOMPARE(root.value(QStringLiteral("checkBox_10")).toBool(), false);
    QCOMPARE(root.value(QStringLiteral("listFiltering")).toArray().size(), 22);
    QCOMPARE(root.value(QStringLiteral("feedbackMappings")).toArray().at(3).toObject().value(QStringLiteral("enable")).toBool(), true);

    // Standard output carries the same bytes.
    run = runCli({QStringLiteral("dump"), device->portName()});
    QCOMPARE(run.out.toUtf8(), saved);

    // A dry run says what a restore would send, in the order it would: each
    // source's oldest route first, so that the device reports them as before.
    run = runCli({QStringLiteral("apply"), QStringLiteral("--dry-run"), backup});
    QCOMPARE(run.code, int(Cli::ExitOk));
    QVERIFY2(run.out.contains(QStringLiteral("remove every route\nconnect MIDI IN 1 → USB Device 1\n"
                                             "connect MIDI IN 1 → MIDI OUT 2\nconnect USB HOST 3 → MIDI OUT 1\n"
                                             "save the routes\nset the MIDI IN 1 filter (filtered: channel 1)\n")),
             qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("set the MIDI OUT 2 filter (filtered: channel 10, controller 7)\n")),
             qPrintable(run.out));
    QVERIFY2(run.out.endsWith(QStringLiteral("delete every mapping rule\nstore mapping 3\n")), qPrintable(run.out));

    sim->receive(SysEx::factoryResetCommand());
    QCOMPARE(sim->routes().size(), 0);
    run = runCli({QStringLiteral("diff"), QStringLiteral("--json"), backup, device->portName()});
    QCOMPARE(run.code, int(Cli::ExitDiffers));
    const QJsonObject diff = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(diff.value(QStringLiteral("equal")).toBool(true), false);
    // Three routes, two filters (with three filtered items) and one rule.
    QCOMPARE(diff.value(QStringLiteral("differences")).toArray().size(), 3 + 3 + 1);

    run = runCli({QStringLiteral("apply"), QStringLiteral("--verify"), backup, device->portName()});
    QVERIFY2(run.code == Cli::ExitOk, qPrintable(run.err + run.out));
    QCOMPARE(sim->routes().size(), 3);
    run = runCli({QStringLiteral("dump"), device->portName()});
    QCOMPARE(run.out.toUtf8(), saved);
    run = runCli({QStringLiteral("diff"), backup, device->portName()});
    QCOMPARE(run.code, int(Cli::ExitOk));
    QCOMPARE(run.out, QString());

    // One bit cleared on the device: exactly that is named.
    out2[ch10->byteIndex] &= ~(1 << ch10->bit);
    sim->receive(Filter::setCommand(1, 2, out2));
    run = runCli({QStringLiteral("diff"), backup, device->portName()});
    QCOMPARE(run.code, int(Cli::ExitDiffers));
    QCOMPARE(run.out, QStringLiteral("MIDI OUT 2 filter: channel 10 filtered only in the file\n"));

    // The same for one field of a mapping rule, once the filter is back.
    out2[ch10->byteIndex] |= 1 << ch10->bit;
    sim->receive(Filter::setCommand(1, 2, out2));
    rule.mappedData1Position = 2;
    sim->receive(rule.toStoreCommand());
    run = runCli({QStringLiteral("diff"), backup, device->portName()});
    QCOMPARE(run.code, int(Cli::ExitDiffers));
    QCOMPARE(run.out, QStringLiteral("mapping 3: differs in mapped Data1\n"));
}

void TestCli::refusedRoutesAreNamed()
{
    auto device = TestSupport::startDevice(QStringLiteral("Alder-4"));
    QVERIFY(device);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.ini"));
    QFile file(path);
    // The Alder-4 has two MIDI inputs, and MIDI IN n may not feed MIDI OUT n.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"MIDI IN 1": ["MIDI OUT 2"], "MIDI IN 2": ["MIDI OUT 2"], "MIDI IN 5": ["MIDI OUT 1"]})");
    file.close();

    const CliRun run = runCli({QStringLiteral("apply"), QStringLiteral("--verify"), QStringLiteral("--translate"),
                               path, device->portName()});
    QCOMPARE(run.code, int(Cli::ExitRefused));
    QVERIFY2(run.err.contains(QStringLiteral("1 route uses ports the Alder-4 does not have and will be left out: "
                                             "route MIDI IN 5 → MIDI OUT 1.")), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("route MIDI IN 2 → MIDI OUT 2: Illegal routing")), qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("MIDI IN 1 →")), qPrintable(run.err));
    QCOMPARE(run.out, QStringLiteral("route MIDI IN 2 → MIDI OUT 2: only in the file\n"));
    QCOMPARE(device->simulator()->routes().size(), 1);
}

// A setup moved by port name: what carries, what is listed, what is sent.
// The mapping page numbers its port boxes per model, so a rule's port mask
// is sent where the target has the same ports.
void TestCli::translationBetweenModels_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("sent"); // without the fixed steps; a stored rule with its port mask

    // Alder-4 mask: MIDI IN1-2, MIDI OUT1-2, USB HOST IN1-8, USB HOST OUT1-8.
    QTest::newRow("Alder-4 to Cedar-6")
        << QByteArray(R"({"model": "Alder-4", "MIDI IN 1": ["MIDI OUT 2", "USB Device 1"], "MIDI IN 2": ["USB HOST 3"],
            "USB HOST 2": ["MIDI OUT 1"], "listFiltering": [{"portName": "MIDI IN1", "situations": {"mm": 1}},
            {"portName": "USB HOST IN2", "situations": {"mm": 1}}, {"portName": "USB HOST OUT1", "situations": {}}],
            "feedbackMappings": [{}, {"hh1": 9, "hh6": 65, "enable": true}, {"hh1": 20, "hh6": 66, "enable": true}]})")
        << "Cedar-6"
        << "This file was saved from an Alder-4. 2 routes, 1 filter and 1 mapping rule use ports the Cedar-6 does "
           "not have and will be left out: route MIDI IN 2 → USB HOST 3; route USB HOST 2 → MIDI OUT 1; "
           "USB HOST IN 2 filter; mapping 2 (USB HOST IN 1 → MIDI OUT 1)."
        << QStringList{"connect MIDI IN 1 → USB Device 1", "connect MIDI IN 1 → MIDI OUT 2",
                       "set the MIDI IN 1 filter (filtered: Timing Clock)", "store mapping 1 01 01 00"};
    // Cedar-6 mask: MIDI IN1-6, MIDI OUT1-6, USB DEVICE IN1, USB DEVICE OUT1.
    QTest::newRow("Cedar-6 back to Alder-4")
        << QByteArray(R"({"model": "Cedar-6", "MIDI IN 1": ["MIDI OUT 6", "MIDI OUT 2"], "MIDI IN 3": ["MIDI OUT 4"],
            "listFiltering": [{"portName": "MIDI IN3", "situations": {"mm": 1}}, {"portName": "USB DEVICE OUT1",
            "situations": {"mm": 1}}], "feedbackMappings": [{}, {"hh1": 1, "hh2": 1, "hh6": 65, "enable": true},
            {"hh1": 68, "hh6": 66, "enable": true}]})")
        << "Alder-4"
        << "This file was saved from a Cedar-6. 2 routes, 1 filter and 1 mapping rule use ports the Alder-4 does not "
           "have and will be left out: route MIDI IN 1 → MIDI OUT 6; route MIDI IN 3 → MIDI OUT 4; MIDI IN 3 filter; "
           "mapping 2 (MIDI IN 3 → MIDI OUT 1)."
        << QStringList{"connect MIDI IN 1 → MIDI OUT 2", "set the USB DEVICE OUT 1 filter (filtered: Timing Clock)",
                       "store mapping 1 09 00 00"};
    // Without a model the boxes are the target's; one beyond them is no port.
    QTest::newRow("no model to Cedar-6")
        << QByteArray(R"({"MIDI IN 7": ["MIDI OUT 1"], "feedbackMappings": [{}, {"hh1": 1, "hh2": 64, "hh6": 65,
            "enable": true}, {"hh3": 1, "hh6": 66, "enable": true}]})")
        << "Cedar-6"
        << "This file does not say which model it was saved from. 1 route and 1 mapping rule use ports the Cedar-6 "
           "does not have and will be left out: route MIDI IN 7 → MIDI OUT 1; mapping 2 (an unknown port)."
        << QStringList{"store mapping 1 01 40 00"};
}

void TestCli::translationBetweenModels()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, target);
    QFETCH(QString, summary);
    QFETCH(QStringList, sent);

    const ConfigFile::ReadResult read = ConfigFile::read(file);
    QVERIFY2(read.ok(), qPrintable(read.errorString()));
    const auto ports = ConfigFile::portsOfModel(target);
    QVERIFY(ports);
    const ConfigFile::Translation translation = ConfigFile::translate(read.import, *ports);
    QCOMPARE(translation.summary(), summary);
    QCOMPARE(translation.fromOtherModel(), !read.import.model.isEmpty());
    const DeviceSync::ApplyPlan plan = DeviceSync::planApply(translation.carried);
    QStringList steps;
    int filters = 0;
    for (const DeviceSync::ApplyStep &step : plan.steps) {
        filters += step.kind == DeviceSync::ApplyStep::SetFilter;
        if (step.kind == DeviceSync::ApplyStep::StoreMapping) // F0 00 2F 71 02 04, then the mask
            steps << step.meaning + QLatin1Char(' ') + QString::fromLatin1(step.command.mid(6, 3).toHex(' '));
        else if (step.kind == DeviceSync::ApplyStep::Connect
                 || (step.kind == DeviceSync::ApplyStep::SetFilter && !step.meaning.endsWith("(nothing filtered)")))
            steps << step.meaning;
    }
    QCOMPARE(steps, sent);
    // Every filter of the target is set: its own ports do not keep what they held.
    const auto &counts = ports->filterCounts;
    QCOMPARE(filters, read.import.listFiltering ? std::accumulate(counts.cbegin(), counts.cend(), 0) : 0);
}

// A backup of an Alder-4 onto a Cedar-6 through the real program: refused
// with the list and nothing sent, then applied with --translate.
void TestCli::setupFromAnotherModelIsRefusedOrTranslated()
{
    auto alder = TestSupport::startDevice(QStringLiteral("Alder-4"));
    auto cedar = TestSupport::startDevice(QStringLiteral("Cedar-6"));
    QVERIFY(alder && cedar);
    alder->simulator()->receive(Routing::connectCommand({{Routing::FivePin, 1}, {Routing::FivePin, 2}}));
    alder->simulator()->receive(Routing::connectCommand({{Routing::UsbHost, 3}, {Routing::FivePin, 1}}));
    alder->simulator()->receive(Filter::setCommand(2, 2, Filter::Bytes{1}));
    alder->simulator()->receive(noteOnToProgramChange(3).toStoreCommand());
    cedar->simulator()->receive(Routing::connectCommand({{Routing::FivePin, 5}, {Routing::FivePin, 6}}));
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("alder.ini"));
    CliRun run = runCli({QStringLiteral("dump"), alder->portName(), QStringLiteral("-o"), backup});
    QVERIFY2(run.code == Cli::ExitOk, qPrintable(run.err));
    QVERIFY(readAll(backup).contains("\n    \"model\": \"Alder-4\",\n"));

    const auto held = cedar->simulator()->routes();
    const int heard = cedar->simulator()->receivedFrames().size();
    run = runCli({QStringLiteral("apply"), backup, cedar->portName()});
    QCOMPARE(run.code, int(Cli::ExitNotForThisDevice));
    QVERIFY2(run.err.contains(QStringLiteral("This file was saved from an Alder-4. 1 route and 1 filter use ports "
                                             "the Cedar-6 does not have and will be left out: route USB HOST 3 → "
                                             "MIDI OUT 1; USB HOST IN 2 filter. Nothing was sent")), qPrintable(run.err));
    QCOMPARE(cedar->simulator()->routes(), held);
    for (const auto &frame : cedar->simulator()->receivedFrames().mid(heard)) // questions only
        QVERIFY(!frame.bytes.startsWith(QByteArray::fromHex("f0002f7102")));

    run = runCli({QStringLiteral("apply"), QStringLiteral("--translate"), QStringLiteral("--verify"), backup,
                  cedar->portName()});
    QVERIFY2(run.code == Cli::ExitOk, qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("route USB HOST 3 → MIDI OUT 1; USB HOST IN 2 filter.")), qPrintable(run.err));
    run = runCli({QStringLiteral("dump"), cedar->portName()});
    const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(root.value(QStringLiteral("model")).toString(), QStringLiteral("Cedar-6"));
    QCOMPARE(root.value(QStringLiteral("MIDI IN 1")).toArray(), QJsonArray{QStringLiteral("MIDI OUT 2")});
    QVERIFY(!root.contains(QStringLiteral("MIDI IN 5")) && !root.contains(QStringLiteral("USB HOST 3")));
    QVERIFY(root.value(QStringLiteral("feedbackMappings")).toArray().at(3).toObject().value(QStringLiteral("enable")).toBool());
}

void TestCli::diffOfTwoFiles_data()
{
    QTest::addColumn<QByteArray>("second"); // empty: a folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected"); // {A} and {B} stand for the files' paths

    QTest::newRow("equal") << QByteArray(R"({"listFiltering": [{"portName": "MIDI IN1", "situations": {"mm": 1}}],
        "MIDI IN 1": ["MIDI OUT 2"], "model": "Alder-4", "c5": true})") << int(Cli::ExitOk) << QString();
    QTest::newRow("different") << QByteArray(R"({"model": "Cedar-6", "MIDI IN 1": ["MIDI OUT 1"],
        "listFiltering": [{"portName": "MIDI IN1", "situations": {}}]})") << int(Cli::ExitDiffers)
        << "model: Alder-4 in {A}, Cedar-6 in {B}\nroute MIDI IN 1 → MIDI OUT 1: only in {B}\n"
           "route MIDI IN 1 → MIDI OUT 2: only in {A}\nMIDI IN 1 filter: Timing Clock filtered only in {A}\n";
    QTest::newRow("neither a file nor a port") << QByteArray() << int(Cli::ExitUsage)
                                               << "velmora-cli: {B} is neither a configuration file nor a serial port.\n";
}

void TestCli::diffOfTwoFiles()
{
    QFETCH(QByteArray, second);
    QFETCH(int, exitCode);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString a = writeFile(dir, QStringLiteral("a.ini"), R"({"model": "Alder-4", "MIDI IN 1": ["MIDI OUT 2"],
        "listFiltering": [{"portName": "MIDI IN1", "situations": {"mm": 1}}]})");
    const QString b = second.isEmpty() ? dir.path() : writeFile(dir, QStringLiteral("b.ini"), second);
    const CliRun run = runCli({QStringLiteral("diff"), a, b});
    QCOMPARE(run.code, exitCode);
    QCOMPARE(exitCode == Cli::ExitUsage ? run.err : run.out,
             expected.replace(QStringLiteral("{A}"), a).replace(QStringLiteral("{B}"), b));
}

void TestCli::flash_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("vanishAtPiece");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");

    // A running device is switched into its bootloader, found again under
    // its new port and written.
    QTest::newRow("running device") << "Alder-4" << -1 << int(Cli::ExitOk) << QString();
    QTest::newRow("bootloader vanishes") << "Alder-4 BootLoader" << 5 << int(Cli::ExitNoDevice)
                                         << "The device was removed during the upgrade.";
}

void TestCli::flash()
{
    QFETCH(QString, model);
    QFETCH(int, vanishAtPiece);
    QFETCH(int, exitCode);
    QFETCH(QString, error);

    auto device = TestSupport::startDevice(model);
    QVERIFY(device);
    // The program finds the device, and its bootloader, as another process.
    device->setListing(SimulatedDevicePort::Listing::UserRegistry);
    DeviceSimulator::Faults faults;
    faults.vanishAtPiece = vanishAtPiece;
    device->simulator()->setFaults(faults);
    device->simulator()->setEraseDelayMs(10);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw.bin"));
    QByteArray image;
    for (int i = 0; i < 1000; ++i)
        image.append(char(i * 7 + i / 256));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
    file.close();

    const CliRun run = runCli({QStringLiteral("flash"), device->portName(), path});
    QVERIFY2(run.code == exitCode, qPrintable(run.err));
    if (exitCode == Cli::ExitOk) {
        QCOMPARE(device->simulator()->receivedImage(), image);
        // Not a terminal: plain percentages, the last one complete.
        QVERIFY2(run.out.endsWith(QStringLiteral("99%\n100%\n")), qPrintable(run.out));
    } else {
        QVERIFY2(run.err.contains(error), qPrintable(run.err));
        QVERIFY(!run.out.contains(QStringLiteral("100%")));
    }
}

// A second process of the same user runs the window's device scan: it lists
// what velmora-devsim announces, never a device private to another process.
void TestCli::listsOnlyAnnouncedDevices()
{
    auto privateDevice = TestSupport::startDevice(QStringLiteral("Cedar-6"));
    auto announced = TestSupport::startDevice(QStringLiteral("Maple-5"));
    QVERIFY(privateDevice && announced);
    announced->setListing(SimulatedDevicePort::Listing::UserRegistry);
    DeviceWatcher here(QStringLiteral("Kestrova"));
    here.scan();
    const QList<DeviceListEntry> listedHere{{"Kestrova Cedar-6", privateDevice->portName()}};
    QCOMPARE(here.entries(), listedHere);

    const CliRun run = runCli({QStringLiteral("list")});
    QCOMPARE(run.code, int(Cli::ExitOk));
    QCOMPARE(run.out, announced->portName() + QStringLiteral("\tKestrova Maple-5\n"));
}

// A box whose flash wipes its settings gets them back from flash
// --keep-settings once it has restarted; the file kept meanwhile goes.
void TestCli::flashKeepsSettings()
{
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    auto device = TestSupport::startDevice(QStringLiteral("Alder-4"));
    QVERIFY(device);
    // velmora-cli, another process, tells a running box from a bootloader by
    // the description it finds announced.
    device->setListing(SimulatedDevicePort::Listing::UserRegistry);
    DeviceSimulator *sim = device->simulator();
    sim->setEraseDelayMs(10);
    sim->setForgetsSettingsWhenFlashed(true);
    sim->setRestartAfterFlashMs(7000); // well after the 5 s the flash waits before declaring success
    DeviceSimulator::Faults quiet; // answers nobody reads would wait for the CLI
    quiet.noAnswer = true;
    sim->setFaults(quiet);
    sim->receive(Routing::connectCommand({{Routing::FivePin, 1}, {Routing::UsbDevice, 1}}));
    Filter::Bytes out2{};
    out2[Filter::controllerPosition(7)->byteIndex] |= 1 << Filter::controllerPosition(7)->bit;
    sim->receive(Filter::setCommand(1, 2, out2));
    sim->receive(noteOnToProgramChange(5).toStoreCommand());
    sim->setFaults({});
    const auto routes = sim->routes();
    const QByteArray filter = sim->filter(1, 2);
    const auto mappings = sim->mappings();
    QCOMPARE(mappings.size(), 1);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw.bin"));
    const QByteArray image(700, '\x5a');
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
    file.close();

    const CliRun run = runCli({QStringLiteral("--timeout"), QStringLiteral("6000"), QStringLiteral("flash"),
                               QStringLiteral("--keep-settings"), device->portName(), path});
    QVERIFY2(run.code == Cli::ExitOk, qPrintable(run.err + run.out));
    QCOMPARE(sim->receivedImage(), image);
    QVERIFY(!sim->isBootloader());
    QCOMPARE(sim->routes(), routes);
    QCOMPARE(sim->filter(1, 2), filter);
    QCOMPARE(sim->mappings(), mappings);
    QVERIFY2(run.out.contains(QStringLiteral("Settings restored on the Alder-4")), qPrintable(run.out));
    QVERIFY(!KeptSettings().latest(QStringLiteral("Alder-4")));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
