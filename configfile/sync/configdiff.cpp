#include "configfile/sync/configdiff.h"

#include "filter/filterbits.h"
#include "filter/filterprotocol.h"
#include "mapping/mappingprotocol.h"
#include "routing/routeprotocol.h"

#include <QMap>
#include <QSet>

namespace DeviceSync {

namespace {

// The filter page's labels of the boxes that are not numbered.
const QMap<QString, QString> &boxLabels()
{
    static const QMap<QString, QString> labels{
        {QStringLiteral("noteOnBox"), QStringLiteral("Note On")},
        {QStringLiteral("noteOffBox"), QStringLiteral("Note Off")},
        {QStringLiteral("keyAftertouchBox"), QStringLiteral("Key Aftertouch")},
        {QStringLiteral("programChangeBox"), QStringLiteral("Program Change")},
        {QStringLiteral("channelPressureBox"), QStringLiteral("Channel Pressure")},
        {QStringLiteral("pitchBendBox"), QStringLiteral("Pitch Bend")},
        {QStringLiteral("systemExclusiveBox"), QStringLiteral("System Exclusive")},
        {QStringLiteral("midiTimeCodeBox"), QStringLiteral("MIDI Time Code")},
        {QStringLiteral("songPositionPointerBox"), QStringLiteral("Song Pos Pointer")},
        {QStringLiteral("songSelectBox"), QStringLiteral("Song Select")},
        {QStringLiteral("tuneRequestBox"), QStringLiteral("Tune Request")},
        {QStringLiteral("timingClockBox"), QStringLiteral("Timing Clock")},
        {QStringLiteral("tickBox"), QStringLiteral("Tick")},
        {QStringLiteral("startBox"), QStringLiteral("Start")},
        {QStringLiteral("continueBox"), QStringLiteral("Continue")},
        {QStringLiteral("stopBox"), QStringLiteral("Stop")},
        {QStringLiteral("activeSensingBox"), QStringLiteral("Active Sensing")},
        {QStringLiteral("systemResetBox"), QStringLiteral("System Reset")},
    };
    return labels;
}

QString boxLabel(const QString &box)
{
    for (int channel = 1; channel <= Filter::ChannelCount; ++channel) {
        if (box == Filter::channelBoxName(channel))
            return QStringLiteral("channel %1").arg(channel);
    }
    for (int controller = 0; controller < Filter::ControllerCount; ++controller) {
        if (box == Filter::controllerBoxName(controller))
            return QStringLiteral("controller %1").arg(controller);
    }
    return boxLabels().value(box, box);
}

// "MIDI OUT2" as the device names it -> "MIDI OUT 2".
QString filterSubject(const QString &portName)
{
    const auto port = Filter::parsePortText(portName);
    const QString name =
        port ? QStringLiteral("%1 %2").arg(Filter::portTypeWord(port->typeCode)).arg(port->number) : portName;
    return name + QStringLiteral(" filter");
}

void compareFilter(const QString &subject, const Filter::Bytes &file, const Filter::Bytes &device,
                   const Places &places, QVector<Difference> &out)
{
    if (file == device)
        return;
    const QSet<QString> inFile = Filter::decode(file);
    const QSet<QString> onDevice = Filter::decode(device);
    bool named = false;
    for (const QString &box : Filter::boxNames()) {
        if (inFile.contains(box) != onDevice.contains(box)) {
            out.append({subject, QStringLiteral("%1 filtered only %2")
                                     .arg(boxLabel(box), inFile.contains(box) ? places.first : places.second)});
            named = true;
        }
    }
    // Values the boxes cannot show (unused bits, numbers beyond a data byte).
    if (!named) {
        const auto &layout = Filter::byteLayout();
        for (int i = 0; i < Filter::ByteCount; ++i) {
            if (file[i] != device[i])
                out.append({subject, QStringLiteral("value %1 is %2 %3, %4 %5")
                                         .arg(layout[i].key)
                                         .arg(file[i])
                                         .arg(places.first)
                                         .arg(device[i])
                                         .arg(places.second)});
        }
    }
}

QStringList mappingFieldDifferences(const MappingRecord &a, const MappingRecord &b)
{
    QStringList fields;
    if (a.portMaskLow != b.portMaskLow || a.portMaskMiddle != b.portMaskMiddle
        || a.portMaskHigh != b.portMaskHigh)
        fields << QStringLiteral("ports");
    if (a.reservedA != b.reservedA || a.reservedB != b.reservedB || a.numberByte != b.numberByte)
        fields << QStringLiteral("mapping number bytes");
    if (a.originalType != b.originalType)
        fields << QStringLiteral("original message type");
    if (a.originalChannel != b.originalChannel)
        fields << QStringLiteral("original channel");
    if (a.originalData1Position != b.originalData1Position)
        fields << QStringLiteral("original Data1");
    if (a.originalData2Position != b.originalData2Position)
        fields << QStringLiteral("original Data2");
    if (a.payloadLength != b.payloadLength || a.payload != b.payload)
        fields << QStringLiteral("original data");
    if (a.mappedType != b.mappedType)
        fields << QStringLiteral("mapped message type");
    if (a.mappedChannel != b.mappedChannel)
        fields << QStringLiteral("mapped channel");
    if (a.mappedData1Source != b.mappedData1Source)
        fields << QStringLiteral("source of mapped Data1");
    if (a.mappedData1Position != b.mappedData1Position)
        fields << QStringLiteral("mapped Data1");
    if (a.mappedData2Source != b.mappedData2Source)
        fields << QStringLiteral("source of mapped Data2");
    if (a.mappedData2Position != b.mappedData2Position)
        fields << QStringLiteral("mapped Data2");
    if (a.extraDataLength != b.extraDataLength || a.extraData != b.extraData)
        fields << QStringLiteral("mapped data");
    return fields;
}

} // namespace

QStringList filteredItems(const Filter::Bytes &bytes)
{
    const QSet<QString> checked = Filter::decode(bytes);
    QStringList items;
    for (const QString &box : Filter::boxNames()) {
        if (checked.contains(box))
            items.append(boxLabel(box));
    }
    return items;
}

QVector<Difference> compare(const ConfigFile::Import &file, const ConfigFile::Document &device, const Places &places)
{
    QVector<Difference> out;
    const QString onlyFirst = QStringLiteral("only ") + places.first;
    const QString onlySecond = QStringLiteral("only ") + places.second;

    if (!file.model.isEmpty() && !device.model.isEmpty() && file.model != device.model)
        out.append({QStringLiteral("model"),
                    QStringLiteral("%1 %2, %3 %4").arg(file.model, places.first, device.model, places.second)});

    QSet<Routing::Route> fileRoutes;
    for (const Routing::Route &route : file.routes)
        fileRoutes.insert(route);
    QSet<Routing::Route> deviceRoutes;
    for (auto it = device.routeMap.cbegin(); it != device.routeMap.cend(); ++it)
        deviceRoutes.insert({it.key(), it.value()});
    QVector<Routing::Route> all = (fileRoutes + deviceRoutes).values().toVector();
    std::sort(all.begin(), all.end());
    for (const Routing::Route &route : all) {
        const bool inFile = fileRoutes.contains(route);
        if (inFile == deviceRoutes.contains(route))
            continue;
        out.append({QStringLiteral("route %1 → %2")
                        .arg(Routing::buttonText(route.in, Routing::Side::Input),
                             Routing::buttonText(route.out, Routing::Side::Output)),
                    inFile ? onlyFirst : onlySecond});
    }

    if (file.listFiltering) {
        // By port name, the first entry of a name counting, as the window looks them up.
        const auto byName = [](const QVector<ConfigFile::FilterEntry> &entries) {
            QVector<ConfigFile::FilterEntry> unique;
            QSet<QString> seen;
            for (const ConfigFile::FilterEntry &entry : entries) {
                if (!seen.contains(entry.portName)) {
                    seen.insert(entry.portName);
                    unique.append(entry);
                }
            }
            return unique;
        };
        const QVector<ConfigFile::FilterEntry> fileFilters = byName(*file.listFiltering);
        const QVector<ConfigFile::FilterEntry> deviceFilters = byName(device.listFiltering);
        const auto find = [](const QVector<ConfigFile::FilterEntry> &entries, const QString &name) {
            return std::find_if(entries.cbegin(), entries.cend(),
                                [&](const ConfigFile::FilterEntry &e) { return e.portName == name; });
        };
        for (const ConfigFile::FilterEntry &entry : deviceFilters) {
            const auto other = find(fileFilters, entry.portName);
            if (other == fileFilters.cend())
                out.append({filterSubject(entry.portName), onlySecond});
            else
                compareFilter(filterSubject(entry.portName), other->bytes, entry.bytes, places, out);
        }
        for (const ConfigFile::FilterEntry &entry : fileFilters) {
            if (find(deviceFilters, entry.portName) == deviceFilters.cend())
                out.append({filterSubject(entry.portName), onlyFirst});
        }
    }

    for (int number = MappingProtocol::FirstNumber; number <= MappingProtocol::LastNumber; ++number) {
        const MappingRecord inFile = file.feedbackMappings.value(number);
        const MappingRecord onDevice = device.feedbackMappings.value(number);
        const QString subject = QStringLiteral("mapping %1").arg(number);
        if (inFile.enable != onDevice.enable)
            out.append({subject, inFile.enable ? onlyFirst : onlySecond});
        else if (inFile.enable && inFile != onDevice) {
            const QStringList fields = mappingFieldDifferences(inFile, onDevice);
            out.append({subject, fields.isEmpty() ? QStringLiteral("differs")
                                                  : QStringLiteral("differs in ") + fields.join(QStringLiteral(", "))});
        }
    }
    return out;
}

} // namespace DeviceSync
