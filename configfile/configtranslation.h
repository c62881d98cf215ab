#pragma once

#include "configfile/configdocument.h"
#include "device/deviceports.h"
#include "filter/filterprotocol.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// Moving a setup to a device with other ports: what of a file the device can
// hold, matched by port name, and what it cannot.
namespace ConfigFile {

// The ports of the device a file is meant for.
struct TargetPorts
{
    // As the device reports it ("Cedar-6"); empty when it has not said.
    QString model;
    // The ports routes run between.
    Device::PortCounts counts;
    // The filterable ports per type; the device reports one filter per port,
    // named as Filter::portNames() lists them. The mapping page's port boxes
    // are laid out from the same counts.
    Filter::PortCounts filterCounts{};
};

// What the model table knows of a model's hardware; nothing for a model
// whose ports are not described there.
[[nodiscard]] std::optional<TargetPorts> portsOfModel(const QString &model);

struct LeftOut
{
    enum Kind { Route, Filter, Mapping };
    Kind kind = Route;
    // "route MIDI IN 3 → MIDI OUT 4", "USB HOST IN 1 filter",
    // "mapping 2 (MIDI IN 3 → MIDI OUT 1)".
    QString text;
};

struct Translation
{
    QString fromModel; // the file's "model", empty when it names none
    QString toModel;   // the target's
    // What the target can hold: the routes and filters of ports it has, and
    // the mapping rules with their port boxes moved to where the target has
    // the same ports. Its model is the target's. From another model, its
    // filters are the target's ports in the target's order, those the file
    // does not know filtering nothing.
    Import carried;
    // In the file's order: routes, then filters, then mapping rules.
    QVector<LeftOut> leftOut;

    // The file names a model, and not the target's.
    [[nodiscard]] bool fromOtherModel() const;
    [[nodiscard]] QStringList leftOutTexts() const;
    // What a musician is asked before anything is left out: "This file was
    // saved from an Alder-4. 2 routes and 1 filter use ports the Cedar-6
    // does not have and will be left out: route USB HOST 1 → MIDI OUT 1;
    // route USB HOST 2 → MIDI OUT 2; USB HOST IN 1 filter." Empty when
    // nothing is left out.
    [[nodiscard]] QString summary() const;
};

// The hub count (0..3) at which a device with these ports shows every USB
// port the file's routes use and lists every USB HOST filter that filters
// something: the smallest that does, or 3 when none shows them all.
[[nodiscard]] int impliedHubCount(const Import &file, const Device::PortCounts &counts);

// Every part of the file that names a port the target lacks is left out,
// whichever model the file names (a file without "model" included). A filter
// that filters nothing is no setting and is dropped without a word. Mapping
// rules name their ports by position among the port boxes, which depends on
// the model: a rule from another model is read with that model's boxes, and
// is left out whole when that model's ports are unknown or a port of it is
// missing on the target.
[[nodiscard]] Translation translate(const Import &file, const TargetPorts &target);

} // namespace ConfigFile
