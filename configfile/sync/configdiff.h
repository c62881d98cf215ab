#pragma once

#include "configfile/configdocument.h"

#include <QString>
#include <QStringList>
#include <QVector>

// What differs between a configuration file and what a device holds, in the
// words a musician reads.
namespace DeviceSync {

struct Difference
{
    QString subject; // "route MIDI IN 1 → USB Device 1", "MIDI OUT 2 filter", "mapping 3"
    QString detail;  // "only on the device", "channel 10 filtered only in the file"

    [[nodiscard]] QString text() const { return subject + QStringLiteral(": ") + detail; }
    friend bool operator==(const Difference &a, const Difference &b)
    {
        return a.subject == b.subject && a.detail == b.detail;
    }
};

// What a filter drops, as the filter page labels it: "channel 10",
// "controller 7", "Active Sensing".
[[nodiscard]] QStringList filteredItems(const Filter::Bytes &bytes);

// Where the two sides are, as a difference names them.
struct Places
{
    QString first = QStringLiteral("in the file");
    QString second = QStringLiteral("on the device");
};

// Routes as sets; filters port by port and bit by bit (a file without
// "listFiltering" says nothing about filters); mapping rules by number, only
// those marked as stored; the models only when both sides name one. The
// filter page's check boxes are window state and are not compared.
[[nodiscard]] QVector<Difference> compare(const ConfigFile::Import &file, const ConfigFile::Document &device,
                                          const Places &places = {});

} // namespace DeviceSync
