// velmora-cli as scripts see it: exit codes and the one-sentence errors, run
// as a real process against simulated devices on pseudo-terminals.
#include "cli/devicebackup.h"
#include "cli/exitcode.h"
#include "simulator/simulateddeviceport.h"
#include "tests/support/ptydevice.h"
#include "tests/support/simulateddevice.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QTimer>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void exitCodes_data();
    void exitCodes();
    void engineIdentifiesAndNoticesALostDevice();
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

    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No display: the program must not need one.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(VELMORA_CLI), arguments);
    // A hang guard, far above any timeout given above.
    QVERIFY(cli.waitForFinished(15000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    QCOMPARE(cli.exitCode(), exitCode);
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

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
