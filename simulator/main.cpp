// velmora-devsim: a simulated device of the maker on a pseudo-terminal.
#include "device/devicemodels.h"
#include "simulator/deviceprofile.h"
#include "simulator/deviceregistry.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int ExitUsage = 2;
constexpr int ExitNoTerminal = 1;
constexpr int ExitNoRegistry = 1;

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    const char byte = 1;
    // Nothing else is safe in a signal handler; the event loop does the rest.
    [[maybe_unused]] const auto ignored = ::write(signalPipe[1], &byte, 1);
}

void printLine(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout); // whoever started us waits for these lines
}

[[noreturn]] void fail(const QString &message, int code)
{
    std::fprintf(stderr, "velmora-devsim: %s\n", message.toLocal8Bit().constData());
    std::exit(code);
}

int nonNegative(const QCommandLineParser &parser, const QString &option, int minimum)
{
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < minimum)
        fail(QStringLiteral("--%1 wants a whole number of at least %2, not \"%3\"")
                 .arg(option)
                 .arg(minimum)
                 .arg(parser.value(option)),
             ExitUsage);
    return value;
}

void listModels()
{
    for (const DeviceProfile &p : DeviceProfiles::all()) {
        const DeviceProfile boot = DeviceProfiles::bootloaderOf(p);
        printLine(QStringLiteral("%1\tmodel %2\t%3\tUSB %4:%5\tbootloader \"%6\" %4:%7")
                      .arg(p.usbDescription, p.modelText, p.versionText)
                      .arg(p.vendorId, 4, 16, QLatin1Char('0'))
                      .arg(p.productId, 4, 16, QLatin1Char('0'))
                      .arg(boot.usbDescription)
                      .arg(boot.productId, 4, 16, QLatin1Char('0')));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-devsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves a simulated %1 MIDI router on a pseudo-terminal. Prints the terminal's path "
                       "and the USB description, one per line, and serves until interrupted.")
            .arg(DeviceModels::brand()));
    parser.addHelpOption();
    const QString defaultModel = DeviceProfiles::defaultProfile().usbDescription;
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("USB description or model text (default \"%1\").").arg(defaultModel),
                                   QStringLiteral("NAME"), defaultModel);
    const QCommandLineOption bootloader(QStringLiteral("bootloader"),
                                        QStringLiteral("Start in the bootloader of that model."));
    const QCommandLineOption pace(QStringLiteral("pace"), QStringLiteral("Send no faster than 115200 baud."));
    const QCommandLineOption noAnswer(QStringLiteral("no-answer"), QStringLiteral("Never answer."));
    const QCommandLineOption wrongAck(QStringLiteral("wrong-ack"),
                                      QStringLiteral("Acknowledge one byte more than each image piece."));
    const QCommandLineOption shortAck(QStringLiteral("short-ack"),
                                      QStringLiteral("Take only half of each image piece."));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Answer MS milliseconds late."),
                                   QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption garbage(QStringLiteral("garbage"),
                                     QStringLiteral("Put noise bytes before every answer."));
    const QCommandLineOption dropAfter(QStringLiteral("drop-after"),
                                       QStringLiteral("Vanish after sending N bytes."), QStringLiteral("N"));
    const QCommandLineOption refuse(QStringLiteral("refuse"),
                                    QStringLiteral("Refuse every route, filter and mapping command."));
    const QCommandLineOption refuseCode(QStringLiteral("refuse-code"),
                                        QStringLiteral("Result code of --refuse (default 1)."),
                                        QStringLiteral("CODE"), QStringLiteral("1"));
    const QCommandLineOption eraseDelay(
        QStringLiteral("erase-delay"),
        QStringLiteral("Bootloader: answer the erase after MS milliseconds (default %1).")
            .arg(DeviceSimulator::DefaultEraseDelayMs),
        QStringLiteral("MS"), QString::number(DeviceSimulator::DefaultEraseDelayMs));
    const QCommandLineOption usbNames(
        QStringLiteral("usb-names"),
        QStringLiteral("What is plugged into the USB ports, host ports first, comma-separated; an empty "
                       "item is a free port (default: the model's own)."),
        QStringLiteral("NAMES"));
    const QCommandLineOption forgetSettings(
        QStringLiteral("forget-settings-when-flashed"),
        QStringLiteral("Bootloader: erasing for a new image also clears the routes, filters and mapping rules."));
    const QCommandLineOption restartAfterFlash(
        QStringLiteral("restart-after-flash"),
        QStringLiteral("Bootloader: start the firmware again once the host has been quiet MS milliseconds after "
                       "an image piece."),
        QStringLiteral("MS"));
    const QCommandLineOption listModelsOption(QStringLiteral("list-models"),
                                              QStringLiteral("List the models and exit."));
    parser.addOptions({model, bootloader, pace, noAnswer, wrongAck, shortAck, delay, garbage, dropAfter,
                       refuse, refuseCode, eraseDelay, usbNames, forgetSettings, restartAfterFlash,
                       listModelsOption});
    if (!parser.parse(QCoreApplication::arguments()))
        fail(parser.errorText(), ExitUsage);
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst()),
             ExitUsage);
    if (parser.isSet(listModelsOption)) {
        listModels();
        return 0;
    }

    std::optional<DeviceProfile> profile = DeviceProfiles::find(parser.value(model));
    if (!profile)
        fail(QStringLiteral("unknown model \"%1\" (see --list-models)").arg(parser.value(model)), ExitUsage);
    if (parser.isSet(bootloader))
        profile = DeviceProfiles::bootloaderOf(*profile);
    if (parser.isSet(usbNames)) {
        const QStringList names = parser.value(usbNames).split(QLatin1Char(','));
        if (names.size() > profile->usbSlotCount())
            fail(QStringLiteral("--usb-names gives %1 names; the model has %2 USB ports")
                     .arg(names.size())
                     .arg(profile->usbSlotCount()),
                 ExitUsage);
        profile->usbDeviceNames = names;
    }

    DeviceSimulator::Faults faults;
    faults.noAnswer = parser.isSet(noAnswer);
    faults.wrongAck = parser.isSet(wrongAck);
    faults.shortAck = parser.isSet(shortAck);
    faults.delayMs = nonNegative(parser, delay.names().constFirst(), 0);
    faults.garbage = parser.isSet(garbage);
    if (parser.isSet(dropAfter))
        faults.dropAfterBytes = nonNegative(parser, dropAfter.names().constFirst(), 0);
    faults.refuseAll = parser.isSet(refuse);
    const int code = nonNegative(parser, refuseCode.names().constFirst(), 0);
    if (code > 0x7F)
        fail(QStringLiteral("--refuse-code must be 0..127"), ExitUsage);
    faults.refuseCode = static_cast<std::uint8_t>(code);

    QString registryError;
    if (!DeviceRegistry::prepare(DeviceRegistry::directory(), &registryError))
        fail(registryError, ExitNoRegistry);
    SimulatedDevicePort port(*profile);
    port.setListing(SimulatedDevicePort::Listing::UserRegistry);
    port.simulator()->setFaults(faults);
    port.simulator()->setEraseDelayMs(nonNegative(parser, eraseDelay.names().constFirst(), 0));
    port.setPacing(parser.isSet(pace));
    port.simulator()->setForgetsSettingsWhenFlashed(parser.isSet(forgetSettings));
    if (parser.isSet(restartAfterFlash))
        port.simulator()->setRestartAfterFlashMs(nonNegative(parser, restartAfterFlash.names().constFirst(), 0));

    if (::pipe(signalPipe) != 0)
        fail(QStringLiteral("cannot create a pipe"), ExitNoTerminal);
    ::fcntl(signalPipe[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(signalPipe[1], F_SETFD, FD_CLOEXEC);
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    if (!port.start())
        fail(QStringLiteral("cannot open a pseudo-terminal (%1)").arg(port.errorString()), ExitNoTerminal);
    printLine(port.portName());
    printLine(port.description());

    QObject::connect(&port, &SimulatedDevicePort::portChanged, &app, [&port](const QString &path) {
        printLine(path);
        printLine(port.description());
    });
    QObject::connect(&port, &SimulatedDevicePort::stopped, &app, [] {
        std::fprintf(stderr, "velmora-devsim: the connection was dropped\n");
        QCoreApplication::quit();
    });

    const int result = app.exec();
    QObject::disconnect(&port, &SimulatedDevicePort::stopped, nullptr, nullptr);
    port.stop();
    return result;
}
