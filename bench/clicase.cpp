#include "bench/benchcases.h"

#include "configfile/configwriter.h"
#include "configfile/sync/devicebackup.h"
#include "device/sysex.h"
#include "filter/filterprotocol.h"
#include "mapping/mappingrecord.h"
#include "routing/routeprotocol.h"
#include "simulator/deviceprofile.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"

#include <QElapsedTimer>

#include <cstdio>

namespace {

// 115,200 baud, 8N1: ten bit times per byte.
constexpr double LineBytesPerMs = 11.52;
constexpr int Runs = 5;
constexpr int RoutingSourceKinds = 3;

// Every input routed to as many outputs as the device takes, every filter
// port with something filtered, all sixteen mapping rules stored.
void fill(DeviceSimulator &sim)
{
    const DeviceProfile &p = sim.profile();
    const int inputs[RoutingSourceKinds] = {p.midiIn, p.usbHost, p.usbDevice};
    const int outputs[RoutingSourceKinds] = {p.midiOut, p.usbHost, p.usbDevice};
    for (int inKind = 0; inKind < RoutingSourceKinds; ++inKind) {
        for (int in = 1; in <= inputs[inKind]; ++in) {
            for (int outKind = 0; outKind < RoutingSourceKinds; ++outKind) {
                for (int out = 1; out <= outputs[outKind]; ++out)
                    sim.receive(Routing::connectCommand({{inKind, in}, {outKind, out}}));
            }
        }
    }
    for (int type = 0; type < Filter::PortTypeCount; ++type) {
        for (int number = 1; number <= p.filterPortCounts[type]; ++number) {
            Filter::Bytes bytes{};
            for (int i = 0; i < Filter::ByteCount; ++i)
                bytes[i] = (type * 13 + number * 7 + i) & 0x7F;
            sim.receive(Filter::setCommand(type, number, bytes));
        }
    }
    for (int number = 1; number <= 16; ++number) {
        MappingRecord rule;
        rule.portMaskLow = 0x7F;
        rule.numberByte = 0x40 | number;
        rule.originalType = 0x0F; // System Exclusive, with data blocks
        rule.originalChannel = 17;
        rule.mappedType = 0x0F;
        rule.mappedChannel = 17;
        rule.payload = QByteArray(20, char(number));
        rule.payloadLength = rule.payload.size();
        rule.extraData = QByteArray(20, char(0x10 + number));
        rule.extraDataLength = rule.extraData.size();
        sim.receive(rule.toStoreCommand());
    }
}

} // namespace

int runCliCase()
{
    auto profile = DeviceProfiles::find(QStringLiteral("Alder-4"));
    SimulatedDevicePort device(*profile);
    DeviceSimulator &sim = *device.simulator();
    fill(sim);
    device.setPacing(true);
    if (!device.start()) {
        std::fprintf(stderr, "cli: no pseudo-terminal: %s\n", qPrintable(device.errorString()));
        return 1;
    }

    double best = 0;
    double bestRatio = 0;
    qint64 bytes = 0;
    QByteArray first;
    for (int run = 0; run < Runs; ++run) {
        const qint64 before = sim.bytesTransmitted();
        sim.restartClock();
        QElapsedTimer timer;
        timer.start();
        DeviceBackup backup;
        if (!backup.open(device.portName()) || !backup.readConfiguration()) {
            std::fprintf(stderr, "cli: dump failed: %s\n", qPrintable(backup.errorString()));
            return 1;
        }
        const QByteArray file = ConfigFile::write(backup.configuration());
        const double ms = timer.nsecsElapsed() / 1e6;
        backup.close();
        qint64 hostBytes = 0;
        for (const DeviceSimulator::ReceivedFrame &frame : sim.receivedFrames())
            hostBytes += frame.bytes.size();
        bytes = sim.bytesTransmitted() - before + hostBytes;
        const double ratio = ms / (bytes / LineBytesPerMs);
        if (run == 0 || ms < best) {
            best = ms;
            bestRatio = ratio;
        }
        // Every run reads the same configuration.
        if (run == 0)
            first = file;
        else if (file != first) {
            std::fprintf(stderr, "cli: run %d read another configuration\n", run);
            return 1;
        }
    }
    std::printf("dump_bytes: %lld\n", static_cast<long long>(bytes));
    std::printf("dump_link_ms: %.1f\n", bytes / LineBytesPerMs);
    std::printf("dump_ms: %.1f\n", best);
    std::printf("dump_vs_link: %.2f\n", bestRatio);
    return 0;
}
