// velmora-cli: the device tasks of the window for scripts and machines
// without a display. Qt Core and Qt SerialPort only.
#include "cli/commands.h"
#include "cli/exitcode.h"
#include "configfile/sync/devicebackup.h"
#include "device/devicemodels.h"
#include "device/devicewatcher.h"

#ifdef VELMORA_WITH_SIMULATOR
#include "device/portsource.h"
#include "simulator/deviceprofile.h"
#include "simulator/deviceregistry.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"
#endif

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTextStream>

#include <algorithm>
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace Cli;

namespace {

void printJson(const QJsonValue &value)
{
    const QByteArray text = value.isArray() ? QJsonDocument(value.toArray()).toJson()
                                            : QJsonDocument(value.toObject()).toJson();
    QTextStream(stdout) << QString::fromUtf8(text);
}

int exitCodeOf(DeviceBackup::Error error)
{
    switch (error) {
    case DeviceBackup::Error::None:
        return ExitOk;
    case DeviceBackup::Error::CannotOpen:
    case DeviceBackup::Error::NotAnswering:
    case DeviceBackup::Error::DeviceLost:
        return ExitNoDevice;
    }
    return ExitNoDevice;
}

int runList(bool json)
{
    DeviceWatcher watcher(DeviceModels::brand());
    watcher.scan();
    QJsonArray rows;
    QTextStream out(stdout);
    for (const DeviceListEntry &entry : watcher.entries()) {
        if (json)
            rows.append(QJsonObject{{QStringLiteral("port"), entry.portName},
                                    {QStringLiteral("description"), entry.text}});
        else
            out << entry.portName << '\t' << entry.text << '\n';
    }
    if (json)
        printJson(rows);
    return ExitOk;
}

// diff's second name: a regular file is a configuration file; a character
// device, or a port the device list shows (COM3 is no file), is a port.
enum class NameKind { File, Port, Neither };

NameKind kindOf(const QString &name)
{
    const QFileInfo info(name);
    if (info.isFile())
        return NameKind::File;
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(name).constData(), &status) == 0 && S_ISCHR(status.st_mode))
        return NameKind::Port;
#endif
    DeviceWatcher watcher(DeviceModels::brand());
    watcher.scan();
    const QList<DeviceListEntry> entries = watcher.entries();
    const bool listed = std::any_of(entries.cbegin(), entries.cend(),
                                    [&](const DeviceListEntry &entry) { return entry.portName == name; });
    return listed ? NameKind::Port : NameKind::Neither;
}

int runIdentify(const QString &port, int timeoutMs, bool json)
{
    DeviceBackup backup;
    backup.setTimeout(timeoutMs);
    if (!backup.open(port) || !backup.identify())
        return failWith(exitCodeOf(backup.error()), backup.errorString());
    const DeviceBackup::Identity &id = backup.identity();
    if (json) {
        QJsonArray names;
        for (auto it = id.usbNames.cbegin(); it != id.usbNames.cend(); ++it)
            names.append(QJsonObject{{QStringLiteral("slot"), it.key()}, {QStringLiteral("name"), it.value()}});
        printJson(QJsonObject{
            {QStringLiteral("model"), id.model},
            {QStringLiteral("version"), id.version},
            {QStringLiteral("midiIn"), id.counts.midiIn},
            {QStringLiteral("midiOut"), id.counts.midiOut},
            {QStringLiteral("usbHost"), id.counts.usbHost},
            {QStringLiteral("usbDevice"), id.counts.usbDev},
            {QStringLiteral("usbNames"), names},
        });
        return ExitOk;
    }
    QTextStream out(stdout);
    out << "model: " << id.model << '\n'
        << "firmware: " << id.version << '\n'
        << "MIDI IN: " << id.counts.midiIn << '\n'
        << "MIDI OUT: " << id.counts.midiOut << '\n'
        << "USB HOST: " << id.counts.usbHost << '\n'
        << "USB DEVICE: " << id.counts.usbDev << '\n';
    for (auto it = id.usbNames.cbegin(); it != id.usbNames.cend(); ++it)
        out << "USB " << it.key() << ": " << it.value() << '\n';
    return ExitOk;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));

    // The libraries log to standard error for the window's log file; here
    // standard error is for the one sentence a script reads (QT_LOGGING_RULES
    // still turns the log back on).
    QLoggingCategory::setFilterRules(QStringLiteral("velmora.*=false"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Talks to a ") + DeviceModels::brand() + QStringLiteral(
        " MIDI interface without the window.\n\n"
        "Commands:\n"
        "  list              the devices the window would list: port, description\n"
        "  identify PORT     model, firmware version, port counts, USB names\n"
        "  dump PORT         the device's model, routes, filters and mapping rules\n"
        "                    as a configuration file (standard output without -o)\n"
        "  apply FILE PORT   make the device hold exactly the file; a file that uses\n"
        "                    ports the device lacks is refused (see --translate)\n"
        "  diff FILE PORT    what differs between the file and the device\n"
        "  diff FILE FILE    what differs between two files\n"
        "  flash PORT IMAGE  write a firmware image (a running device is switched\n"
        "                    into its bootloader first); with --keep-settings its\n"
        "                    routes, filters and mapping rules are saved first and\n"
        "                    put back once it has restarted\n\n"
        "Exit codes: 0 ok, 1 differs, 2 usage, 3 device not found or not answering,\n"
        "4 refused by the device, 5 file error (also: the file uses ports the\n"
        "device does not have)."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Machine-readable output."));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("How long to wait for the device (default %1).")
                                               .arg(DeviceBackup::DefaultTimeoutMs),
                                           QStringLiteral("ms"));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("dump: write the file here."), QStringLiteral("file"));
    const QCommandLineOption verifyOption(QStringLiteral("verify"),
                                          QStringLiteral("apply: read everything back and compare."));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"),
                                          QStringLiteral("apply: print what would be sent, change nothing (a port given is only read)."));
    const QCommandLineOption translateOption(
        QStringLiteral("translate"),
        QStringLiteral("apply: send what the device's ports can hold, name the rest on standard error."));
    parser.addOption(jsonOption);
    parser.addOption(timeoutOption);
    parser.addOption(outputOption);
    parser.addOption(verifyOption);
    parser.addOption(dryRunOption);
    const QCommandLineOption keepSettingsOption(
        QStringLiteral("keep-settings"),
        QStringLiteral("flash: keep a running device's settings, wait up to --timeout (default %1 s) for it to "
                       "come back after the upgrade, and put them back.")
            .arg(DefaultReturnTimeoutMs / 1000));
    parser.addOption(keepSettingsOption);
    parser.addOption(translateOption);
#ifdef VELMORA_WITH_SIMULATOR
    const QCommandLineOption simulateOption(QStringLiteral("simulate"),
                                            QStringLiteral("Run against a built-in simulated device."),
                                            QStringLiteral("model"));
    parser.addOption(simulateOption);
#endif
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list, identify, dump, apply, diff or flash"));

    if (!parser.parse(QCoreApplication::arguments()))
        return failWith(ExitUsage, parser.errorText() + QLatin1Char('.'));
    if (parser.isSet(helpOption)) {
        QTextStream(stdout) << parser.helpText();
        return ExitOk;
    }
    if (parser.isSet(versionOption)) {
        QTextStream(stdout) << "velmora-cli " << QCoreApplication::applicationVersion() << '\n';
        return ExitOk;
    }

    int timeoutMs = DeviceBackup::DefaultTimeoutMs;
    if (parser.isSet(timeoutOption)) {
        bool ok = false;
        timeoutMs = parser.value(timeoutOption).toInt(&ok);
        if (!ok || timeoutMs <= 0)
            return failWith(ExitUsage, QStringLiteral("--timeout takes a positive number of milliseconds."));
    }

    QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return failWith(ExitUsage, QStringLiteral("Name a command; see --help."));
    const QString command = args.takeFirst();

    QString simulatedPort;
#ifdef VELMORA_WITH_SIMULATOR
    // velmora-devsim's devices; one started here is this process's alone.
    const PortSourceRegistration registry(DeviceRegistry::portSource());
    std::unique_ptr<SimulatedDevicePort> simulated;
    if (parser.isSet(simulateOption)) {
        const auto profile = DeviceProfiles::find(parser.value(simulateOption));
        if (!profile)
            return failWith(ExitUsage, QStringLiteral("There is no simulated model \"%1\".").arg(parser.value(simulateOption)));
        simulated = std::make_unique<SimulatedDevicePort>(*profile);
        // It starts its new firmware by itself after a flash (once the 5 s
        // the flash waits are over), so that --keep-settings can be tried.
        simulated->simulator()->setRestartAfterFlashMs(6000);
        if (!simulated->start())
            return failWith(ExitNoDevice, QStringLiteral("The simulated device cannot start: %1.").arg(simulated->errorString()));
        simulatedPort = simulated->portName();
    }
#endif

    if (command == QLatin1String("list")) {
        if (!args.isEmpty())
            return failWith(ExitUsage, QStringLiteral("list takes no arguments."));
        return runList(parser.isSet(jsonOption));
    }
    // With --simulate the simulated device's port is the default port.
    const auto takePort = [&](int before) {
        if (args.size() == before && !simulatedPort.isEmpty())
            args.append(simulatedPort);
    };
    Options options;
    options.timeoutMs = timeoutMs;
    options.json = parser.isSet(jsonOption);
    options.verify = parser.isSet(verifyOption);
    options.dryRun = parser.isSet(dryRunOption);
    options.translate = parser.isSet(translateOption);
    options.output = parser.value(outputOption);
    options.timeoutGiven = parser.isSet(timeoutOption);
    options.keepSettings = parser.isSet(keepSettingsOption);
    if (command == QLatin1String("identify")) {
        takePort(0);
        if (args.size() != 1)
            return failWith(ExitUsage, QStringLiteral("identify takes one port."));
        return runIdentify(args.first(), timeoutMs, options.json);
    }
    if (command == QLatin1String("dump")) {
        takePort(0);
        if (args.size() != 1)
            return failWith(ExitUsage, QStringLiteral("dump takes one port."));
        return runDump(args.first(), options);
    }
    if (command == QLatin1String("diff")) {
        takePort(1);
        if (args.size() != 2)
            return failWith(ExitUsage, QStringLiteral("diff takes two files, or a file and a port."));
        switch (kindOf(args.at(1))) {
        case NameKind::File:
            return runDiffFiles(args.at(0), args.at(1), options);
        case NameKind::Port:
            return runDiff(args.at(0), args.at(1), options);
        case NameKind::Neither:
            break;
        }
        return failWith(ExitUsage,
                        QStringLiteral("%1 is neither a configuration file nor a serial port.").arg(args.at(1)));
    }
    if (command == QLatin1String("apply")) {
        takePort(1);
        // A dry run sends nothing and needs no port.
        if (args.size() != 2 && !(options.dryRun && args.size() == 1))
            return failWith(ExitUsage, QStringLiteral("apply takes a file and a port."));
        if (options.translate && args.size() == 1)
            return failWith(ExitUsage, QStringLiteral("--translate needs the device's port."));
        return runApply(args.at(0), args.value(1), options);
    }
    if (command == QLatin1String("flash")) {
        if (args.size() == 1 && !simulatedPort.isEmpty())
            args.prepend(simulatedPort);
        if (args.size() != 2)
            return failWith(ExitUsage, QStringLiteral("flash takes a port and an image."));
        return runFlash(args.at(0), args.at(1), options);
    }
    return failWith(ExitUsage, QStringLiteral("Unknown command \"%1\"; see --help.").arg(command));
}
