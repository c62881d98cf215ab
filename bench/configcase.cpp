#include "bench/benchcases.h"
#include "bench/benchtiming.h"

#include "configfile/configreader.h"
#include "configfile/configsaver.h"
#include "configfile/configwriter.h"
#include "filter/filterprotocol.h"

#include <QJsonDocument>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int MemoryRepetitions = 200;
constexpr int FileRepetitions = 30;
constexpr int RoutesPerInput = 8;
constexpr int SysExBlockLength = 28;

// The largest model (Alder-4: 2 MIDI, 8 USB host and 1 USB device port on
// each side, 22 filterable ports), 8 routes from every input, 16 rules whose
// both sides are full SysEx blocks.
ConfigFile::Document fullConfiguration()
{
    using Routing::Port;
    const Routing::PortCounts counts{2, 2, 8, 1};
    QVector<Port> inputs;
    QVector<Port> outputs;
    for (const auto &kind : {std::pair<int, int>{Routing::FivePin, counts.midiIn}, {Routing::UsbHost, counts.usbHost},
                             {Routing::UsbDevice, counts.usbDev}}) {
        for (int n = 1; n <= kind.second; ++n)
            inputs.append({kind.first, n});
    }
    for (const auto &kind : {std::pair<int, int>{Routing::FivePin, counts.midiOut}, {Routing::UsbHost, counts.usbHost},
                             {Routing::UsbDevice, counts.usbDev}}) {
        for (int n = 1; n <= kind.second; ++n)
            outputs.append({kind.first, n});
    }
    ConfigFile::Document doc;
    for (int i = 0; i < inputs.size(); ++i) {
        for (int k = 0; k < RoutesPerInput; ++k)
            doc.routeMap.insert(inputs.at(i), outputs.at((i + k + 1) % outputs.size()));
    }
    const int filterCounts[] = {2, 2, 8, 8, 1, 1};
    int seed = 0;
    for (int type = 0; type < 6; ++type) {
        for (int n = 1; n <= filterCounts[type]; ++n) {
            Filter::Bytes bytes{};
            for (qint32 &b : bytes)
                b = (seed++ * 37) & 0x7F;
            doc.listFiltering.append({Filter::portName(type, n), bytes});
        }
    }
    for (const ConfigFile::BoxMember &box : ConfigFile::boxMembers())
        doc.boxStates.insert(box.objectName, (seed++ % 3) == 0);
    doc.feedbackMappings.resize(ConfigFile::MappingRecordCount);
    for (int number = 1; number < ConfigFile::MappingRecordCount; ++number) {
        MappingRecord &r = doc.feedbackMappings[number];
        r.portMaskLow = 0x7F;
        r.numberByte = std::uint8_t(0x40 | number);
        r.originalType = r.mappedType = 0x0F;
        r.originalChannel = r.mappedChannel = 17;
        r.originalData1Position = r.mappedData1Position = 1;
        r.originalData2Position = r.mappedData2Position = 3;
        r.mappedData1Source = 1;
        r.mappedData2Source = 2;
        r.payloadLength = r.extraDataLength = SysExBlockLength;
        for (int i = 0; i < SysExBlockLength; ++i) {
            r.payload.append(char((number * 11 + i) & 0x7F));
            r.extraData.append(char((number * 5 + i * 3) & 0x7F));
        }
        r.enable = true;
    }
    return doc;
}

bool sameAsWritten(const ConfigFile::Document &doc, const ConfigFile::ReadResult &read)
{
    return read.ok() && read.import.routes.size() == doc.routeMap.size()
           && read.import.listFiltering && *read.import.listFiltering == doc.listFiltering
           && read.import.boxStates == doc.boxStates && read.import.feedbackMappings == doc.feedbackMappings;
}

} // namespace

int runConfigCase()
{
    const ConfigFile::Document doc = fullConfiguration();
    const QByteArray bytes = ConfigFile::write(doc);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.ini"));

    bool saved = true;
    const double saveSeconds = BenchTiming::bestOf(FileRepetitions, [&] {
        const auto start = BenchTiming::Clock::now();
        ConfigFile::Saver saver;
        saved = saver.save(path, ConfigFile::write(doc)) && saved;
        return BenchTiming::secondsSince(start);
    });
    ConfigFile::ReadResult loaded;
    const double loadSeconds = BenchTiming::bestOf(FileRepetitions, [&] {
        const auto start = BenchTiming::Clock::now();
        loaded = ConfigFile::readFile(path);
        return BenchTiming::secondsSince(start);
    });

    // Like against like: both sides in memory, without the disk.
    bool roundTrips = true;
    const double ours = BenchTiming::bestOf(MemoryRepetitions, [&] {
        const auto start = BenchTiming::Clock::now();
        const ConfigFile::ReadResult result = ConfigFile::read(ConfigFile::write(doc));
        const double seconds = BenchTiming::secondsSince(start);
        roundTrips = roundTrips && result.ok();
        return seconds;
    });
    qsizetype qjsonBytes = 0;
    const double qjson = BenchTiming::bestOf(MemoryRepetitions, [&] {
        const auto start = BenchTiming::Clock::now();
        const QByteArray again = QJsonDocument::fromJson(bytes).toJson(QJsonDocument::Indented);
        const double seconds = BenchTiming::secondsSince(start);
        qjsonBytes = again.size();
        return seconds;
    });

    std::printf("config_bytes: %d\n", int(bytes.size()));
    std::printf("config_routes: %d\n", int(doc.routeMap.size()));
    std::printf("config_save_ms: %.3f\n", saveSeconds * 1000.0);
    std::printf("config_load_ms: %.3f\n", loadSeconds * 1000.0);
    std::printf("config_vs_qjson: %.2f\n", ours / qjson);
    std::fflush(stdout);

    const bool ok = saved && roundTrips && sameAsWritten(doc, loaded) && qjsonBytes > 0;
    if (!ok)
        std::fprintf(stderr, "config: the saved configuration did not read back as written\n");
    return ok ? 0 : 1;
}
