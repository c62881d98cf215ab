// velmora-cli as scripts see it: exit codes and the one-sentence errors, run
// as a real process against simulated devices on pseudo-terminals.
#include "cli/devicebackup.h"
#include "cli/exitcode.h"
#include "simulator/simulateddeviceport.h"
#include "tests/mapping/samplerecords.h"
#include "tests/support/ptydevice.h"
#include "tests/support/simulateddevice.h"
#include "device/sysex.h"
#include "device/virtualdevices.h"
#include "filter/filterbits.h"
#include "filter/filterprotocol.h"
#include "mapping/mappingrecord.h"
#include "routing/routeprotocol.h"
#include "simulator/devicesimulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
    env.insert(QStringLiteral("VELMORA_DEVICE_REGISTRY"), VirtualDevices::registryDirectory());
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

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void exitCodes_data();
    void exitCodes();
    void engineIdentifiesAndNoticesALostDevice();
    void backupRestoreCompare();
    void refusedRoutesAreNamed();
    void flash_data();
    void flash();
};

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
    QTest::newRow("diff no such port") << QStringList{"diff", "EMPTYFILE", "/dev/velmora-no-such-port"}
                                       << int(Cli::ExitNoDevice) << "There is no port";
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
    // Alder-4 has two MIDI inputs.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"MIDI IN 1": ["MIDI OUT 2"], "MIDI IN 5": ["MIDI OUT 1"]})");
    file.close();

    const CliRun run = runCli({QStringLiteral("apply"), QStringLiteral("--verify"), path, device->portName()});
    QCOMPARE(run.code, int(Cli::ExitRefused));
    QVERIFY2(run.err.contains(QStringLiteral("route MIDI IN 5 → MIDI OUT 1: Port serial number error")), qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("MIDI IN 1 →")), qPrintable(run.err));
    QCOMPARE(run.out, QStringLiteral("route MIDI IN 5 → MIDI OUT 1: only in the file\n"));
    QCOMPARE(device->simulator()->routes().size(), 1);
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

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
