#include "bench/benchcases.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#ifdef VELMORA_BENCH_GUI
#include <QApplication>
#endif
#include <QLoggingCategory>

#include <cstdio>

namespace {

// New cases (the main window's start-up and identification, the routing
// canvas) add a function and a row here.
const BenchCase Cases[] = {
    {"parser", "System Exclusive receive buffer against a remove-from-front buffer", &runParserCase},
    {"config", "save and load of a full configuration, against a bare QJsonDocument parse and toJson", &runConfigCase},
#ifdef VELMORA_BENCH_UPLOAD
    {"upload", "64 KiB firmware through the simulated bootloader, paced like 115,200 baud and unpaced", &runUploadCase},
#endif
#ifdef VELMORA_BENCH_CLI
    {"cli", "velmora-cli dump of a full configuration from the simulated device, paced like 115,200 baud",
     &runCliCase},
#endif
#ifdef VELMORA_APP_PATH
    {"app", "start-up, identification and peak memory of the real executable, against a bare window",
     &runAppCase},
#endif
#ifdef VELMORA_BENCH_GUI
    {"canvas", "routing canvas: full redraw with 64 routes, memory over 10,000 periodic redraws", &runCanvasCase},
#endif
};

const BenchCase *findCase(const QString &name)
{
    for (const BenchCase &c : Cases) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef VELMORA_BENCH_GUI
    // The canvas case needs widgets; without a display they draw offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("velmora-bench"));

    // Frame tracing would measure the log sink; keep it off whatever the
    // environment asks for.
    QLoggingCategory::setFilterRules(QStringLiteral("velmora.*.debug=false"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times Velmora's hot paths and prints name: value lines."));
    parser.addHelpOption();
    const QCommandLineOption caseOption(QStringLiteral("case"),
                                        QStringLiteral("Case to run (or \"all\")."),
                                        QStringLiteral("name"), QStringLiteral("all"));
    const QCommandLineOption listOption(QStringLiteral("list"), QStringLiteral("List the cases."));
    parser.addOption(caseOption);
    parser.addOption(listOption);
    parser.process(app);

    if (parser.isSet(listOption)) {
        for (const BenchCase &c : Cases)
            std::printf("%-10s %s\n", c.name, c.summary);
        return 0;
    }

    const QString wanted = parser.value(caseOption);
    int status = 0;
    if (wanted == QLatin1String("all")) {
        for (const BenchCase &c : Cases) {
            std::printf("== %s\n", c.name);
            std::fflush(stdout);
            if (c.run() != 0)
                status = 1;
        }
        return status;
    }
    const BenchCase *only = findCase(wanted);
    if (!only) {
        std::fprintf(stderr, "velmora-bench: unknown case \"%s\" (try --list)\n", qPrintable(wanted));
        return 2;
    }
    return only->run();
}
