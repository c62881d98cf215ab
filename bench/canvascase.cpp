#include "bench/benchcases.h"

#include "routing/routemodel.h"
#include "routing/routingcanvas.h"
#include "routing/routingpage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsView>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

QByteArray routeReport(int inKind, int inNumber, int outKind, int outNumber)
{
    QByteArray frame = QByteArray::fromHex("F0002F710201");
    for (int value : {inKind, inNumber, outKind, outNumber, 1})
        frame.append(static_cast<char>(value));
    frame.append(static_cast<char>(0xF7));
    return frame;
}

} // namespace

// The routing canvas of an Alder-4 (11 inputs, 11 outputs, every USB port
// shown) with 64 routes: the time of a full redraw (fitSceneAndRedraw) and
// the resident memory growth over 10,000 redraws of the lines alone
// (redrawAllLines, as after a hub count).
int runCanvasCase()
{
    constexpr int RouteCount = 64;
    constexpr int TimedRedraws = 200;
    constexpr int LineRedraws = 10000;

    RoutingPage page;
    page.resize(1000, 700);
    page.rebuild(Routing::PortCounts{2, 2, 8, 1});
    page.show();
    QCoreApplication::processEvents();

    const Routing::PortCounts counts = page.routeModel()->portCounts();
    int routes = 0;
    for (int in = 0; in < counts.inputCount() && routes < RouteCount; ++in) {
        for (int out = 0; out < counts.outputCount() && routes < RouteCount; ++out) {
            const auto kindOf = [](int index, int fivePin, int hosts, int &number) {
                if (index < fivePin) {
                    number = index + 1;
                    return 0;
                }
                if (index < fivePin + hosts) {
                    number = index - fivePin + 1;
                    return 1;
                }
                number = index - fivePin - hosts + 1;
                return 2;
            };
            int inNumber = 0;
            int outNumber = 0;
            const int inKind = kindOf(in, counts.midiIn, counts.usbHost, inNumber);
            const int outKind = kindOf(out, counts.midiOut, counts.usbHost, outNumber);
            if (inKind == outKind && inNumber == outNumber)
                continue;
            if (page.routeModel()->handleRouteSituation(routeReport(inKind, inNumber, outKind, outNumber)))
                ++routes;
        }
    }
    page.canvas()->fitSceneAndRedraw();
    if (routes != RouteCount || page.canvas()->drawnLines().size() != RouteCount) {
        std::fprintf(stderr, "canvas: %d routes listed, %d lines drawn\n", routes, int(page.canvas()->drawnLines().size()));
        return 1;
    }

    std::vector<double> times;
    for (int i = 0; i < TimedRedraws; ++i) {
        QElapsedTimer clock;
        clock.start();
        page.canvas()->fitSceneAndRedraw();
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());

    // The same with the view painted at once, as the user sees it.
    std::vector<double> painted;
    QWidget *viewport = page.graphicsView()->viewport();
    for (int i = 0; i < TimedRedraws; ++i) {
        QElapsedTimer clock;
        clock.start();
        page.canvas()->fitSceneAndRedraw();
        viewport->repaint();
        painted.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(painted.begin(), painted.end());

    // Let the allocator settle on the working set before measuring.
    for (int i = 0; i < 500; ++i)
        page.canvas()->redrawAllLines();
    QCoreApplication::processEvents();
    const double before = residentMb();
    for (int i = 0; i < LineRedraws; ++i) {
        page.canvas()->redrawAllLines();
        if (i % 100 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    const double after = residentMb();
    if (page.canvas()->drawnLines().size() != RouteCount) {
        std::fprintf(stderr, "canvas: %d lines after the line redraws\n", int(page.canvas()->drawnLines().size()));
        return 1;
    }

    std::printf("canvas_routes: %d\n", RouteCount);
    std::printf("canvas_redraw_ms: %.3f\n", times[times.size() / 2]);
    std::printf("canvas_redraw_max_ms: %.3f\n", times.back());
    std::printf("canvas_redraw_painted_ms: %.3f\n", painted[painted.size() / 2]);
    std::printf("canvas_rss_growth_mb: %.2f\n", after - before);
    return 0;
}
