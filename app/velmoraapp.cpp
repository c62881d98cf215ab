#include "app/velmoraapp.h"

#include "app/mainwindow.h"
#include "configfile/ui/offlineeditor.h"
#include "device/devicemodels.h"
#include "device/devicesession.h"
#include "device/devicewatcher.h"
#include "device/feedbackdispatcher.h"
#include "device/serialportlist.h"
#ifdef VELMORA_WITH_SIMULATOR
#include "device/portsource.h"
#include "simulator/deviceprofile.h"
#include "simulator/deviceregistry.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"
#endif

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

namespace {

void applyStyleSheet(QApplication &app)
{
    QFile file(QStringLiteral(":/qss/style.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return; // the default style serves
    QByteArray bytes = file.readAll();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    app.setStyleSheet(QString::fromUtf8(bytes));
}

// "--device PATH=DESCRIPTION": an external serial port (a velmora-devsim
// pseudo-terminal, say) listed under the given USB description for as long
// as the port exists.
std::optional<DeviceListEntry> parseExternalDevice(const QString &argument, QString *error)
{
    const int eq = argument.indexOf(QLatin1Char('='));
    if (eq <= 0 || eq == argument.size() - 1) {
        *error = QStringLiteral("--device expects PATH=DESCRIPTION, got \"%1\"").arg(argument);
        return std::nullopt;
    }
    return DeviceListEntry{argument.mid(eq + 1), argument.left(eq)};
}

qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Reports start-up (and, with a device, identification) figures on stdout
// and quits: a cheap check that the real executable starts, and what
// velmora-bench measures.
void runSelfTest(MainWindow &window, qint64 startupMs, bool connect)
{
    QTextStream out(stdout);
    out << "startup_ms: " << startupMs << Qt::endl;
    // The screen bounds the window; velmora-bench sizes its yardstick alike.
    out << "window_size: " << window.width() << 'x' << window.height() << Qt::endl;
    out << "devices: " << window.deviceCombo()->count() << Qt::endl;
    const bool shown = window.isVisible() && window.windowTitle() == QLatin1String("Velmora");
    if (!connect) {
        out << "peak_rss_mb: " << peakResidentKiB() / 1024.0 << Qt::endl;
        QApplication::exit(shown ? 0 : 1);
        return;
    }
    // Identification is complete once the model and version are known and
    // the answer to the last scheduled query (names, then the hub count) is in.
    auto *clock = new QElapsedTimer;
    auto *hubCountSeen = new bool(false);
    QObject::connect(window.session()->dispatcher(), &FeedbackDispatcher::hubCountReported, &window,
                     [hubCountSeen] { *hubCountSeen = true; });
    clock->start();
    window.onConnectClicked();
    auto *poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, clock, hubCountSeen, poll, shown] {
        const bool identified = *hubCountSeen && !window.session()->deviceVersion().isEmpty();
        if (!identified && clock->elapsed() < 5000)
            return;
        poll->stop();
        QTextStream out(stdout);
        if (identified)
            out << "identify_ms: " << clock->elapsed() << Qt::endl;
        else
            out << "identify_ms: timed out" << Qt::endl;
        out << "peak_rss_mb: " << peakResidentKiB() / 1024.0 << Qt::endl;
        delete clock;
        delete hubCountSeen;
        QApplication::exit(identified && shown ? 0 : 1);
    });
    poll->start(1);
}

// The command line, described once for the window's run and for the
// answers to --help and --version, which need no display.
struct CommandLine
{
#ifdef VELMORA_WITH_SIMULATOR
    const QCommandLineOption simulate{QStringLiteral("simulate"),
                                      QStringLiteral("Run a simulated device inside the application and list it.")};
    const QCommandLineOption noAnswer{QStringLiteral("no-answer"),
                                      QStringLiteral("With --simulate: the simulated device never answers.")};
#endif
    const QCommandLineOption device{QStringLiteral("device"),
                                    QStringLiteral("List the serial port PATH as a device with this USB description."),
                                    QStringLiteral("PATH=DESCRIPTION")};
    const QCommandLineOption selfTest{QStringLiteral("self-test"),
                                      QStringLiteral("Start, show the window, report the start-up time and quit.")};
    const QCommandLineOption connectFirst{QStringLiteral("connect"),
                                          QStringLiteral("Connect to the first listed device at start.")};
    const QCommandLineOption screenshot{QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the window to FILE after a moment, then quit."),
                                        QStringLiteral("FILE")};
    const QCommandLineOption tab{QStringLiteral("tab"), QStringLiteral("Show page N (0 filter, 1 routing, 2 mapping)."),
                                 QStringLiteral("N")};

    void describe(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(
            QStringLiteral("Configuration tool for %1 MIDI routers and interfaces.").arg(DeviceModels::brand()));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({device, selfTest, connectFirst, screenshot, tab});
#ifdef VELMORA_WITH_SIMULATOR
        parser.addOptions({simulate, noAnswer});
        parser.addPositionalArgument(QStringLiteral("model"),
                                     QStringLiteral("With --simulate: the simulated model (default \"%1\").")
                                         .arg(DeviceProfiles::defaultProfile().usbDescription),
                                     QStringLiteral("[MODEL]"));
#endif
        parser.addPositionalArgument(QStringLiteral("file"),
                                     QStringLiteral("A configuration file to edit offline, without a device."),
                                     QStringLiteral("[FILE.ini]"));
    }
};

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationVersion(MainWindow::ApplicationVersion);
}

bool asksOnlyForText(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") // what follows is no option
            return false;
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (argument == option)
                return true;
        }
    }
    return false;
}

// --help and --version print and quit before any window exists: the window's
// application object needs a display, and the text is the same without one.
// Usage names the program as it is installed, not the path it was run from.
int printHelpOrVersion(int argc, char *argv[])
{
    std::vector<char *> arguments(argv, argv + argc);
    char programName[] = "velmora";
    arguments[0] = programName;
    int count = argc;
    QCoreApplication app(count, arguments.data());
    nameApplication();
    QCommandLineParser parser;
    const CommandLine commandLine;
    commandLine.describe(parser);
    parser.process(app); // prints and exits
    return 0;
}

} // namespace

int runVelmora(int argc, char *argv[])
{
    if (asksOnlyForText(argc, argv))
        return printHelpOrVersion(argc, argv);
    QElapsedTimer sinceStart;
    sinceStart.start();
    // The window's first device scan takes this reading: the walk of the
    // serial ports runs beside the building of the window, not before it.
    prefetchSerialPorts();
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 always scales for high-DPI screens and draws icons at the
    // screen's scale.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
#endif
    QApplication app(argc, argv);
    nameApplication();
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.Velmora"));

    QCommandLineParser parser;
    const CommandLine commandLine;
    commandLine.describe(parser);
    parser.process(app);
#ifdef VELMORA_WITH_SIMULATOR
    const QCommandLineOption &simulate = commandLine.simulate;
    const QCommandLineOption &noAnswer = commandLine.noAnswer;
#endif
    const QCommandLineOption &device = commandLine.device;
    const QCommandLineOption &selfTest = commandLine.selfTest;
    const QCommandLineOption &connectFirst = commandLine.connectFirst;
    const QCommandLineOption &screenshot = commandLine.screenshot;
    const QCommandLineOption &tab = commandLine.tab;
    // With --simulate the model comes first.
    int fileArgument = 0;

    QTextStream err(stderr);
#ifdef VELMORA_WITH_SIMULATOR
    // velmora-devsim's devices; one started here is this process's alone.
    const PortSourceRegistration registry(DeviceRegistry::portSource());
    std::vector<std::unique_ptr<SimulatedDevicePort>> simulated;
    if (parser.isSet(simulate)) {
        fileArgument = 1;
        const QString model = parser.positionalArguments().value(0, DeviceProfiles::defaultProfile().usbDescription);
        const auto profile = DeviceProfiles::find(model);
        if (!profile) {
            err << "Unknown model \"" << model << "\". Known models:";
            for (const DeviceProfile &p : DeviceProfiles::all())
                err << " \"" << p.usbDescription << "\"";
            err << Qt::endl;
            return 2;
        }
        auto port = std::make_unique<SimulatedDevicePort>(*profile);
        DeviceSimulator::Faults faults;
        faults.noAnswer = parser.isSet(noAnswer);
        port->simulator()->setFaults(faults);
        if (!port->start()) {
            err << "Cannot start the simulated device: " << port->errorString() << Qt::endl;
            return 1;
        }
        simulated.push_back(std::move(port));
    }
#endif
    QList<DeviceListEntry> externalDevices;
    for (const QString &argument : parser.values(device)) {
        QString error;
        const auto entry = parseExternalDevice(argument, &error);
        if (!entry) {
            err << error << Qt::endl;
            return 2;
        }
        externalDevices.append(*entry);
    }

    const QString settingsPath = AppSettings::defaultPath();
    QString settingsError;
    if (AppSettings::takeOverLegacyFile(AppSettings::legacyPath(), settingsPath, &settingsError)
        == AppSettings::TakeOver::Failed)
        err << settingsError << Qt::endl; // the defaults serve; nothing is lost

    applyStyleSheet(app);
    int result = 0;
    {
        MainWindow window(nullptr, nullptr, settingsPath);
        for (const DeviceListEntry &entry : qAsConst(externalDevices))
            window.deviceWatcher()->addFixedDevice(entry);
        if (!externalDevices.isEmpty())
            window.rescanDevices();
        QObject::connect(&window, &MainWindow::exitRequested, &app, &QApplication::quit);
        window.show();
        const bool connectAtStart = parser.isSet(connectFirst) && window.deviceCombo()->count() > 0;
        if (connectAtStart && !parser.isSet(selfTest))
            QTimer::singleShot(0, &window, &MainWindow::onConnectClicked);
        const QString offlineFile = parser.positionalArguments().value(fileArgument);
        if (!offlineFile.isEmpty())
            QTimer::singleShot(0, &window, [&window, offlineFile] { (void)window.offlineEditor()->openFile(offlineFile); });
        if (parser.isSet(tab)) {
            const int page = parser.value(tab).toInt();
            QTimer::singleShot(1200, &window, [&window, page] { window.tabWidget()->setCurrentIndex(page); });
        }
        if (parser.isSet(screenshot)) {
            const QString file = parser.value(screenshot);
            QTimer::singleShot(2000, &window, [&window, file] {
                const bool saved = window.grab().save(file);
                QApplication::exit(saved ? 0 : 1);
            });
        }
        if (parser.isSet(selfTest))
            QTimer::singleShot(0, &window, [&window, &sinceStart, connectAtStart] {
                runSelfTest(window, sinceStart.elapsed(), connectAtStart);
            });
        result = app.exec();
    }
    return result;
}
