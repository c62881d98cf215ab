#include "configfile/configdocument.h"

#include "filter/filterbits.h"

namespace ConfigFile {

const QVector<BoxMember> &boxMembers()
{
    static const QVector<BoxMember> members = [] {
        QVector<BoxMember> list;
        for (int n = 0; n < Filter::ControllerCount; ++n) {
            const QString name = Filter::controllerBoxName(n);
            list.append({name, name});
        }
        for (int channel = 1; channel <= Filter::ChannelCount; ++channel) {
            const QString name = Filter::channelBoxName(channel);
            list.append({name, name});
        }
        static const char *const named[][2] = {
            {"noteon", "checkBox_NoteOn"},
            {"noteoff", "checkBox_NoteOff"},
            {"keyaftertouch", "checkBox_KeyAftertouch"},
            {"programchange", "checkBox_ProgramChange"},
            {"channelpressure", "checkBox_ChannelPressure"},
            {"pitchbend", "checkBox_PitchBend"},
            {"systemexclusive", "checkBox_SystemExclusive"},
            {"miditimecode", "checkBox_MIDI_Time_Code"},
            {"songpospointer", "checkBox_SongPosPointer"},
            {"songselect", "checkBox_song_select"},
            {"tunerequest", "checkBox_Tune_Request"},
            {"timingclock", "checkBox_Timing_Clock"},
            {"tick", "checkBox_Tick"},
            {"start", "checkBox_Start"},
            {"continue", "checkBox_Continue"},
            {"stop", "checkBox_Stop"},
            {"activesensing", "checkBox_Active_Sensing"},
            {"systemrest", "checkBox_System_Reset"},
        };
        for (const auto &pair : named)
            list.append({QLatin1String(pair[0]), QLatin1String(pair[1])});
        return list;
    }();
    return members;
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
