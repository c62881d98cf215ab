#include "configfile/configdocument.h"

#include "filter/filterbits.h"

namespace ConfigFile {

const QVector<BoxMember> &boxMembers()
{
    static const QVector<BoxMember> members = [] {
        QVector<BoxMember> list;
        // The file keeps the members of the boxes' old names.
        for (int n = 0; n < Filter::ControllerCount; ++n)
            list.append({QStringLiteral("c%1").arg(n), Filter::controllerBoxName(n)});
        for (int channel = 1; channel <= Filter::ChannelCount; ++channel)
            list.append({QStringLiteral("checkBox_%1").arg(channel), Filter::channelBoxName(channel)});
        static const char *const named[][2] = {
            {"noteon", "noteOnBox"},
            {"noteoff", "noteOffBox"},
            {"keyaftertouch", "keyAftertouchBox"},
            {"programchange", "programChangeBox"},
            {"channelpressure", "channelPressureBox"},
            {"pitchbend", "pitchBendBox"},
            {"systemexclusive", "systemExclusiveBox"},
            {"miditimecode", "midiTimeCodeBox"},
            {"songpospointer", "songPositionPointerBox"},
            {"songselect", "songSelectBox"},
            {"tunerequest", "tuneRequestBox"},
            {"timingclock", "timingClockBox"},
            {"tick", "tickBox"},
            {"start", "startBox"},
            {"continue", "continueBox"},
            {"stop", "stopBox"},
            {"activesensing", "activeSensingBox"},
            {"systemrest", "systemResetBox"},
        };
        for (const auto &pair : named)
            list.append({QLatin1String(pair[0]), QLatin1String(pair[1])});
        return list;
    }();
    return members;
}

QHash<QString, bool> boxStatesShowing(const Filter::Bytes &shown)
{
    const QSet<QString> checked = Filter::decode(shown);
    QHash<QString, bool> states;
    for (const BoxMember &box : boxMembers())
        states.insert(box.objectName, checked.contains(box.objectName));
    return states;
}

Document toDocument(const Import &import)
{
    Document doc;
    doc.model = import.model;
    // A multimap lists a key's values most recently inserted first, as the
    // file lists a source's destinations.
    for (auto it = import.routes.crbegin(); it != import.routes.crend(); ++it)
        doc.routeMap.insert(it->in, it->out);
    doc.listFiltering = import.listFiltering.value_or(QVector<FilterEntry>());
    doc.boxStates = import.boxStates;
    doc.feedbackMappings = import.feedbackMappings;
    return doc;
}

} // namespace ConfigFile
