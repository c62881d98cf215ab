#include "bench/benchcases.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Run
{
    bool ok = false;
    double shownMs = -1;   // from launching the process to its window shown
    double identifyMs = -1;
    double rssMb = -1;
    QString windowSize; // "800x575", as the program reports it
};

// Starts the program as a user would (offscreen) and reads the figures it
// prints once its window is up.
Run runOnce(const QString &program, const QStringList &arguments)
{
    Run run;
    QTemporaryDir work;
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VELMORA_DEVICE_REGISTRY"), work.filePath(QStringLiteral("registry")));
    // The window's start-up update check stays on this machine.
    env.insert(QStringLiteral("VELMORA_UPDATE_SERVER"), QStringLiteral("https://127.0.0.1:9"));
    app.setProcessEnvironment(env);
    app.setWorkingDirectory(work.path());
    app.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    app.start(program, arguments);
    QByteArray out;
    while (app.state() != QProcess::NotRunning || app.bytesAvailable() > 0) {
        app.waitForReadyRead(50);
        out += app.readAllStandardOutput();
        if (run.shownMs < 0 && out.contains("startup_ms:"))
            run.shownMs = clock.nsecsElapsed() / 1e6;
        if (app.state() == QProcess::NotRunning && app.bytesAvailable() == 0)
            break;
        if (clock.elapsed() > 20000) {
            app.kill();
            break;
        }
    }
    app.waitForFinished(1000);
    if (app.exitCode() != 0 || run.shownMs < 0) {
        std::fprintf(stderr, "app: %s failed (exit %d): %s\n", qPrintable(program), app.exitCode(),
                     out.constData());
        return run;
    }
    for (const QByteArray &line : out.split('\n')) {
        if (line.startsWith("identify_ms:"))
            run.identifyMs = line.mid(12).trimmed().toDouble();
        else if (line.startsWith("peak_rss_mb:"))
            run.rssMb = line.mid(12).trimmed().toDouble();
        else if (line.startsWith("window_size:"))
            run.windowSize = QString::fromLatin1(line.mid(12).trimmed());
    }
    run.ok = run.rssMb > 0;
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

// The real executable on its in-process, unpaced simulator: the time from
// launching the process to its window being shown, the time from Connect to
// the last identification reply handled, and the peak resident memory of the
// whole run; each against a bare Qt Widgets window of the size the main
// window took, started alternately with it so that both see the same machine.
int runAppCase()
{
    constexpr int Runs = 5;
    std::vector<double> startup, identify, rss, bareStartup, bareRss;
    QString windowSize;
    for (int i = 0; i < Runs; ++i) {
        const Run velmora = runOnce(QStringLiteral(VELMORA_APP_PATH),
                                    {QStringLiteral("--simulate"), QStringLiteral("--connect"),
                                     QStringLiteral("--self-test")});
        const Run bare = runOnce(QStringLiteral(VELMORA_BARE_PATH), {velmora.windowSize});
        if (!velmora.ok || velmora.identifyMs < 0 || !bare.ok) {
            std::fprintf(stderr, "app: run %d gave no figures\n", i);
            return 1;
        }
        windowSize = velmora.windowSize;
        startup.push_back(velmora.shownMs);
        identify.push_back(velmora.identifyMs);
        rss.push_back(velmora.rssMb);
        bareStartup.push_back(bare.shownMs);
        bareRss.push_back(bare.rssMb);
    }
    std::printf("app: %d runs of velmora --simulate --connect --self-test, each followed by a bare window\n",
                Runs);
    std::printf("window_size: %s\n", qPrintable(windowSize));
    std::printf("startup_ms: %.1f\n", median(startup));
    std::printf("identify_ms: %.1f\n", median(identify));
    std::printf("peak_rss_mb: %.1f\n", *std::max_element(rss.begin(), rss.end()));
    std::printf("bare_startup_ms: %.1f\n", median(bareStartup));
    std::printf("bare_peak_rss_mb: %.1f\n", median(bareRss));
    std::printf("startup_vs_bare: %.2f\n", median(startup) / median(bareStartup));
    std::printf("rss_vs_bare: %.2f\n", median(rss) / median(bareRss));
    std::fflush(stdout);
    return 0;
}
