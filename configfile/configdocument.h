#pragma once

#include "filter/filterbytes.h"
#include "mapping/mappingrecord.h"
#include "routing/route.h"

#include <QHash>
#include <QMultiMap>
#include <QString>
#include <QVector>

#include <optional>

// A configuration file: one JSON object holding the routes, every port's
// filter, the filter page's check boxes and the mapping records. The names
// here are the file's member names; nothing in this folder knows a widget.
namespace ConfigFile {

// "feedbackMappings" holds one record per mapping number, entry 0 unused.
constexpr int MappingRecordCount = 17;
// A full configuration of the largest model is well under 100 KB; anything
// far beyond that is not a configuration and is not read into memory.
constexpr qint64 MaxFileSize = 1024 * 1024;

inline const QString ListFilteringKey = QStringLiteral("listFiltering");
inline const QString FeedbackMappingsKey = QStringLiteral("feedbackMappings");
inline const QString TableDataKey = QStringLiteral("tableData");
inline const QString PortNameKey = QStringLiteral("portName");
inline const QString SituationsKey = QStringLiteral("situations");
inline const QString ModelKey = QStringLiteral("model");

struct FilterEntry
{
    QString portName;
    Filter::Bytes bytes{};

    friend bool operator==(const FilterEntry &a, const FilterEntry &b)
    {
        return a.portName == b.portName && a.bytes == b.bytes;
    }
};

// One check box of the filter page that the file records.
struct BoxMember
{
    QString member;     // "c0", "checkBox_1", "noteon", ...
    QString objectName; // "controller0Box", "channel1Box", "noteOnBox", ...
};
// All 162, in the order they are taken from the page: controllers 0..127,
// channels 1..16, then the six message, five system-common and seven
// system-realtime boxes.
[[nodiscard]] const QVector<BoxMember> &boxMembers();

// The check boxes as a file records them: those of the filter the page shows
// (the window's Save File passes the page's bytes, a dump the first port's).
[[nodiscard]] QHash<QString, bool> boxStatesShowing(const Filter::Bytes &shown);

// What the window holds, as the writer takes it.
struct Document
{
    // The model as the device reports it ("Cedar-6"); empty when no device
    // said, and then the file names none.
    QString model;
    // inPair -> outPair as the routing model keeps them; per source the most
    // recently added destination comes first.
    QMultiMap<Routing::Port, Routing::Port> routeMap;
    QVector<FilterEntry> listFiltering;
    // Checked state by object name; a box without an entry is written as false.
    QHash<QString, bool> boxStates;
    QVector<MappingRecord> feedbackMappings;
};

// What a file asks for, checked whole before anything of it is applied.
struct Import
{
    // The file's "model"; empty for a file that names none (older files,
    // other tools).
    QString model;
    // In the order the file lists them (members by name, then array order),
    // each route once. Numbers are 1..127; whether the connected model has
    // the port is for the caller to decide.
    QVector<Routing::Route> routes;
    // Absent when the file has no "listFiltering": the current records stay.
    // Entries without a port name are already left out.
    std::optional<QVector<FilterEntry>> listFiltering;
    // Only the boxes the file names, by object name.
    QHash<QString, bool> boxStates;
    // Always MappingRecordCount records; a short list is padded with empty ones.
    QVector<MappingRecord> feedbackMappings;
};

// What the window holds once the file is open: routes replayed in the file's
// order, so that writing it gives the file's route members back.
[[nodiscard]] Document toDocument(const Import &import);

} // namespace ConfigFile
