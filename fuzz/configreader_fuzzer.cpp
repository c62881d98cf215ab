// Feeds arbitrary bytes to the configuration file reader, which reads files
// a user may have edited, truncated or been sent by someone else.
//
// The input is the file itself. Checked on every run:
//   - a file that is read is whole: 17 mapping records, each block length
//     either "none" (0 or 255) or its block's own, routes between ports that
//     exist on some model (kinds 0..2, numbers 1..127), each route once, and
//     no filter record without a port name;
//   - what is read, written again, reads back the same;
//   - moved to another model's ports, what carries over uses only ports that
//     model has, and whatever is left out is named.

#include "configfile/configreader.h"
#include "configfile/configtranslation.h"
#include "configfile/configwriter.h"
#include "mapping/mappingblocks.h"
#include "mapping/mappingports.h"
#include "routing/routeprotocol.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QSet>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "velmora-fuzz-configreader: invariant broken: %s\n", what);
        std::abort();
    }
}

bool lengthFits(std::uint8_t declared, const QByteArray &block)
{
    return declared == 0 || declared == 0xFF || declared == block.size();
}

bool validPort(const Routing::Port &port)
{
    return port.type >= Routing::FivePin && port.type <= Routing::UsbDevice && port.number >= 1
           && port.number <= 127;
}

QSet<Routing::Route> routeSet(const QVector<Routing::Route> &routes)
{
    return QSet<Routing::Route>(routes.cbegin(), routes.cend());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const ConfigFile::ReadResult result = ConfigFile::read(bytes);
    if (!result.ok()) {
        require(!result.errorString().isEmpty(), "refused without a message");
        require(result.import.routes.isEmpty() && result.import.boxStates.isEmpty()
                    && !result.import.listFiltering && result.import.feedbackMappings.isEmpty(),
                "refused file handed something on");
        return 0;
    }

    const ConfigFile::Import &import = result.import;
    require(import.feedbackMappings.size() == ConfigFile::MappingRecordCount, "not 17 mapping records");
    for (const MappingRecord &r : import.feedbackMappings) {
        require(lengthFits(r.payloadLength, r.payload) && lengthFits(r.extraDataLength, r.extraData),
                "block length not corrected");
        require(r.payload.size() <= 255 && r.extraData.size() <= 255, "block longer than its length byte");
    }
    for (const Routing::Route &route : import.routes)
        require(validPort(route.in) && validPort(route.out), "route to a port no model has");
    require(routeSet(import.routes).size() == import.routes.size(), "route listed twice");
    if (import.listFiltering) {
        for (const ConfigFile::FilterEntry &entry : *import.listFiltering)
            require(!entry.portName.isEmpty(), "filter record without a port name");
    }

    // Written again and read back, nothing changes.
    const ConfigFile::Document document = ConfigFile::toDocument(import);
    const ConfigFile::ReadResult again = ConfigFile::read(ConfigFile::write(document));
    require(again.ok(), "own file refused");
    require(again.import.model == import.model, "model differs after writing");
    require(routeSet(again.import.routes) == routeSet(import.routes), "routes differ after writing");
    require(again.import.listFiltering && *again.import.listFiltering == document.listFiltering,
            "filter records differ after writing");
    for (auto it = import.boxStates.cbegin(); it != import.boxStates.cend(); ++it)
        require(again.import.boxStates.value(it.key()) == it.value(), "check box differs after writing");
    require(again.import.boxStates.size() == ConfigFile::boxMembers().size(), "a check box was not written");
    for (int i = 0; i < ConfigFile::MappingRecordCount; ++i) {
        const MappingRecord &a = import.feedbackMappings.at(i);
        const MappingRecord &b = again.import.feedbackMappings.at(i);
        require(a == b && a.enable == b.enable, "mapping record differs after writing");
    }

    // The file may name any model, or none; the smallest and the largest
    // target catch ports that should not have carried over.
    for (const char *model : {"Rowan-W", "Alder-4"}) {
        const auto target = ConfigFile::portsOfModel(QLatin1String(model));
        require(target.has_value(), "a model's ports are unknown");
        const ConfigFile::Translation moved = ConfigFile::translate(import, *target);
        const ConfigFile::Import &carried = moved.carried;
        for (const Routing::Route &route : carried.routes)
            require(Routing::inputIndex(route.in, target->counts) && Routing::outputIndex(route.out, target->counts),
                    "route to a port the target lacks carried over");
        require(carried.routes.size() + moved.leftOut.size() >= import.routes.size(), "route lost unnamed");
        require(carried.feedbackMappings.size() == ConfigFile::MappingRecordCount, "mapping records lost");
        const QVector<int> counts(target->filterCounts.cbegin(), target->filterCounts.cend());
        const int boxes = MappingPorts::maskOrder(MappingPorts::fromFilterCounts(counts)).size();
        // Entry 0 is no rule and is carried as it is.
        for (int number = 1; number < ConfigFile::MappingRecordCount; ++number) {
            const MappingRecord &r = carried.feedbackMappings.at(number);
            const QVector<bool> entries = Mapping::unpackPortMask({r.portMaskLow, r.portMaskMiddle, r.portMaskHigh});
            for (int i = boxes; i < entries.size(); ++i)
                require(r.isEmpty() || !entries.at(i), "rule for a port box the target lacks carried over");
        }
        require(moved.leftOut.isEmpty() == moved.summary().isEmpty(), "left out without a word");
    }
    return 0;
}
