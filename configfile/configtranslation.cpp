#include "configfile/configtranslation.h"

#include "device/devicemodels.h"
#include "mapping/mappingblocks.h"
#include "mapping/mappingports.h"
#include "mapping/mappingprotocol.h"
#include "routing/hublayout.h"
#include "routing/routeprotocol.h"

#include <algorithm>
#include <iterator>

namespace ConfigFile {

namespace {

QString routeText(const Routing::Route &route)
{
    return QStringLiteral("route %1 → %2")
        .arg(Routing::buttonText(route.in, Routing::Side::Input),
             Routing::buttonText(route.out, Routing::Side::Output));
}

// "USB HOST IN3" as the device names it -> "USB HOST IN 3", as the route
// buttons and the command line's diff write ports.
QString spacedPortName(const QString &name)
{
    const auto port = Filter::parsePortText(name);
    return port ? QStringLiteral("%1 %2").arg(Filter::portTypeWord(port->typeCode)).arg(port->number) : name;
}

bool filtersNothing(const Filter::Bytes &bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(), [](qint32 b) { return b == 0; });
}

// "an Alder-4", "a Cedar-6", "an MTD".
QString withArticle(const QString &model)
{
    const QChar first = model.isEmpty() ? QChar() : model.at(0).toUpper();
    const bool vowel = QStringLiteral("AEIOU").contains(first);
    const bool spelledOut = model.size() > 1 && model.at(1).isUpper() && QStringLiteral("FHLMNRSX").contains(first);
    return ((vowel || spelledOut) ? QStringLiteral("an ") : QStringLiteral("a ")) + model;
}

QString counted(int count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// What each entry of a rule's port mask stands for on a model with these
// filter ports: the mapping page's boxes in mask order.
struct MaskPort
{
    QString name; // "MIDI IN1"
    bool input = true;
};

QVector<MaskPort> maskPorts(const Filter::PortCounts &filterCounts)
{
    const MappingPorts::Layout layout =
        MappingPorts::fromFilterCounts(QVector<int>(filterCounts.cbegin(), filterCounts.cend()));
    QVector<MaskPort> ports;
    for (const MappingPorts::BoxRef &ref : MappingPorts::maskOrder(layout))
        ports.append({(ref.input ? layout.inputs : layout.outputs).at(ref.index).text, ref.input});
    return ports;
}

int indexOf(const QVector<MaskPort> &ports, const QString &name)
{
    const auto it = std::find_if(ports.cbegin(), ports.cend(), [&](const MaskPort &p) { return p.name == name; });
    return it == ports.cend() ? -1 : int(it - ports.cbegin());
}

// The rule's mask entries for the target's boxes; nothing when a port of the
// rule is not among them, with `words` saying which ports the rule names.
std::optional<QVector<bool>> moveMask(const QVector<bool> &entries, const QVector<MaskPort> &from,
                                      const QVector<MaskPort> &to, QString &words)
{
    QVector<bool> moved(entries.size(), false);
    QStringList inputs;
    QStringList outputs;
    int unknown = 0;
    bool missing = false;
    for (int i = 0; i < entries.size(); ++i) {
        if (!entries.at(i))
            continue;
        // A box the model does not have: only a hand-edited file sets one.
        if (i >= from.size()) {
            ++unknown;
            missing = true;
            continue;
        }
        const MaskPort &port = from.at(i);
        (port.input ? inputs : outputs).append(spacedPortName(port.name));
        const int there = indexOf(to, port.name);
        if (there < 0)
            missing = true;
        else
            moved[there] = true;
    }
    words = inputs.join(QStringLiteral(", "));
    if (!outputs.isEmpty())
        words += (words.isEmpty() ? QString() : QStringLiteral(" → ")) + outputs.join(QStringLiteral(", "));
    if (unknown > 0) {
        words += (words.isEmpty() ? QString() : QStringLiteral(", "))
                 + (unknown == 1 ? QStringLiteral("an unknown port") : QStringLiteral("%1 unknown ports").arg(unknown));
    }
    if (missing)
        return std::nullopt;
    return moved;
}

} // namespace

std::optional<TargetPorts> portsOfModel(const QString &model)
{
    const DeviceModels::DeviceModel *row = DeviceModels::findByModel(model);
    if (!row || !row->ports)
        return std::nullopt;
    TargetPorts target;
    target.model = model;
    target.counts = {row->ports->midiIn, row->ports->midiOut, row->ports->usbHost, row->ports->usbDevice};
    std::copy(row->ports->filterPorts.cbegin(), row->ports->filterPorts.cend(), target.filterCounts.begin());
    return target;
}

int impliedHubCount(const Import &file, const Device::PortCounts &counts)
{
    constexpr int UsbHostIn = 2;
    constexpr int UsbHostOut = 3;
    constexpr int MostHubs = 3;
    QVector<int> usedSlots;
    for (const Routing::Route &route : file.routes) {
        for (const Routing::Port &port : {route.in, route.out}) {
            if (port.type == Routing::UsbHost && port.number <= counts.usbHost)
                usedSlots.append(port.number - 1);
            else if (port.type == Routing::UsbDevice && port.number <= counts.usbDev)
                usedSlots.append(counts.usbHost + port.number - 1);
        }
    }
    int hostPairs = 0;
    for (const FilterEntry &entry : file.listFiltering.value_or(QVector<FilterEntry>())) {
        const auto port = Filter::parsePortText(entry.portName);
        if (port && (port->typeCode == UsbHostIn || port->typeCode == UsbHostOut) && !filtersNothing(entry.bytes))
            hostPairs = qMax(hostPairs, port->number);
    }
    for (int hubCount = 0; hubCount < MostHubs; ++hubCount) {
        const Routing::HubLayout layout = Routing::hubLayout(hubCount, counts);
        if (layout.hostPairs >= hostPairs
            && std::all_of(usedSlots.cbegin(), usedSlots.cend(), [&](int slot) { return layout.slotVisible.value(slot); }))
            return hubCount;
    }
    return MostHubs;
}

bool Translation::fromOtherModel() const
{
    return !fromModel.isEmpty() && !toModel.isEmpty() && fromModel != toModel;
}

QStringList Translation::leftOutTexts() const
{
    QStringList texts;
    for (const LeftOut &item : leftOut)
        texts.append(item.text);
    return texts;
}

QString Translation::summary() const
{
    if (leftOut.isEmpty())
        return {};
    int routes = 0;
    int filters = 0;
    int mappings = 0;
    for (const LeftOut &item : leftOut)
        ++(item.kind == LeftOut::Route ? routes : item.kind == LeftOut::Filter ? filters : mappings);
    QStringList parts;
    if (routes > 0)
        parts.append(counted(routes, "route", "routes"));
    if (filters > 0)
        parts.append(counted(filters, "filter", "filters"));
    if (mappings > 0)
        parts.append(counted(mappings, "mapping rule", "mapping rules"));
    QString what = parts.takeLast();
    if (!parts.isEmpty())
        what = parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + what;

    const QString origin = fromModel.isEmpty()
                               ? QStringLiteral("This file does not say which model it was saved from.")
                               : QStringLiteral("This file was saved from %1.").arg(withArticle(fromModel));
    const QString device = toModel.isEmpty() ? QStringLiteral("the device") : QStringLiteral("the ") + toModel;
    return QStringLiteral("%1 %2 %3 ports %4 does not have and will be left out: %5.")
        .arg(origin, what, leftOut.size() == 1 ? QStringLiteral("uses") : QStringLiteral("use"), device,
             leftOutTexts().join(QStringLiteral("; ")));
}

Translation translate(const Import &file, const TargetPorts &target)
{
    Translation result;
    result.fromModel = file.model;
    result.toModel = target.model;
    result.carried = file;
    result.carried.model = target.model;

    result.carried.routes.clear();
    for (const Routing::Route &route : file.routes) {
        if (Routing::inputIndex(route.in, target.counts) && Routing::outputIndex(route.out, target.counts))
            result.carried.routes.append(route);
        else
            result.leftOut.append({LeftOut::Route, routeText(route)});
    }

    if (file.listFiltering) {
        QVector<FilterEntry> kept;
        for (const FilterEntry &entry : *file.listFiltering) {
            const auto port = Filter::parsePortText(entry.portName);
            // A name that is no port is refused by whoever sends it, as for
            // any device; it is not this model's to judge.
            const bool exists = !port || port->typeCode < 0 || port->typeCode >= Filter::PortTypeCount
                                || port->number <= target.filterCounts[std::size_t(port->typeCode)];
            if (exists)
                kept.append(entry);
            else if (!filtersNothing(entry.bytes))
                result.leftOut.append({LeftOut::Filter, spacedPortName(entry.portName) + QStringLiteral(" filter")});
        }
        // The file's model says nothing of the ports only the target has;
        // they filter nothing, so that the target holds the file's setup and
        // none of its own, as it does for routes and mapping rules.
        if (result.fromOtherModel()) {
            QVector<FilterEntry> complete;
            for (const QString &name : Filter::portNames(target.filterCounts)) {
                const auto id = Filter::parsePortText(name);
                const auto same = std::find_if(kept.cbegin(), kept.cend(), [&](const FilterEntry &entry) {
                    return Filter::parsePortText(entry.portName) == id;
                });
                complete.append({name, same == kept.cend() ? Filter::Bytes{} : same->bytes});
            }
            std::copy_if(kept.cbegin(), kept.cend(), std::back_inserter(complete),
                         [](const FilterEntry &entry) { return !Filter::parsePortText(entry.portName); });
            kept = complete;
        }
        result.carried.listFiltering = kept;
    }

    // Without the file's own boxes its rules are read with the target's: a
    // file that names no model is taken for one of the target's.
    std::optional<TargetPorts> source = target;
    if (result.fromOtherModel())
        source = portsOfModel(file.model);
    const QVector<MaskPort> to = maskPorts(target.filterCounts);
    const QVector<MaskPort> from = source ? maskPorts(source->filterCounts) : QVector<MaskPort>();
    QVector<MappingRecord> &records = result.carried.feedbackMappings;
    for (int number = MappingProtocol::FirstNumber; number <= MappingProtocol::LastNumber && number < records.size();
         ++number) {
        MappingRecord &record = records[number];
        if (record.isEmpty())
            continue;
        const QVector<bool> entries = Mapping::unpackPortMask({record.portMaskLow, record.portMaskMiddle, record.portMaskHigh});
        const bool namesPorts = std::find(entries.cbegin(), entries.cend(), true) != entries.cend();
        QString words;
        std::optional<QVector<bool>> moved;
        if (!source && namesPorts)
            words = QStringLiteral("its ports on %1 are not known").arg(withArticle(file.model));
        else
            moved = moveMask(entries, from, to, words);
        if (!moved) {
            result.leftOut.append({LeftOut::Mapping, QStringLiteral("mapping %1 (%2)").arg(number).arg(words)});
            record = MappingRecord();
        } else if (*moved != entries) {
            const Mapping::PortMask mask = Mapping::packPortMask(*moved);
            record.portMaskLow = mask[0];
            record.portMaskMiddle = mask[1];
            record.portMaskHigh = mask[2];
        }
    }
    return result;
}

} // namespace ConfigFile
