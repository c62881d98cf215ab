#include "bench/benchcases.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

// The real executable, started as a user would start it (offscreen): the
// time from launching the process to its window being shown, the time from
// Connect to the last identification reply handled (against the in-process,
// unpaced simulator), and the peak resident memory of the whole run.
int runAppCase()
{
    constexpr int Runs = 5;
    std::vector<double> startup, identify, rss;
    for (int run = 0; run < Runs; ++run) {
        QTemporaryDir work;
        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VELMORA_DEVICE_REGISTRY"), work.filePath(QStringLiteral("registry")));
        app.setProcessEnvironment(env);
        app.setWorkingDirectory(work.path());
        app.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer clock;
        clock.start();
        app.start(QStringLiteral(VELMORA_APP_PATH),
                  {QStringLiteral("--simulate"), QStringLiteral("--connect"), QStringLiteral("--self-test")});
        double shownAt = -1;
        QByteArray out;
        while (app.state() != QProcess::NotRunning || app.bytesAvailable() > 0) {
            app.waitForReadyRead(50);
            out += app.readAllStandardOutput();
            if (shownAt < 0 && out.contains("startup_ms:"))
                shownAt = clock.nsecsElapsed() / 1e6;
            if (app.state() == QProcess::NotRunning && app.bytesAvailable() == 0)
                break;
            if (clock.elapsed() > 20000) {
                app.kill();
                break;
            }
        }
        app.waitForFinished(1000);
        if (app.exitCode() != 0 || shownAt < 0) {
            std::fprintf(stderr, "app: run %d failed (exit %d): %s\n", run, app.exitCode(), out.constData());
            return 1;
        }
        for (const QByteArray &line : out.split('\n')) {
            if (line.startsWith("identify_ms:"))
                identify.push_back(line.mid(12).trimmed().toDouble());
            else if (line.startsWith("peak_rss_mb:"))
                rss.push_back(line.mid(12).trimmed().toDouble());
        }
        startup.push_back(shownAt);
    }
    if (identify.size() != startup.size() || rss.size() != startup.size()) {
        std::fprintf(stderr, "app: missing figures in the self-test output\n");
        return 1;
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("app: %d runs of velmora --simulate --connect --self-test\n", Runs);
    std::printf("startup_ms: %.1f\n", median(startup));
    std::printf("identify_ms: %.1f\n", median(identify));
    std::printf("peak_rss_mb: %.1f\n", *std::max_element(rss.begin(), rss.end()));
    std::fflush(stdout);
    return 0;
}
