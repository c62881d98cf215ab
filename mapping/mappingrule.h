#pragma once

#include "mapping/mappingblocks.h"
#include "mapping/mappingprotocol.h"
#include "mapping/mappingrecord.h"

#include <QString>
#include <QVector>

// One side of a rule as the mapping page shows it, free of widgets.
struct MappingSide
{
    QString typeName;     // text of the side's status combo box
    QString channelText;  // text of the side's channel combo box
    bool sysEx = false;   // the side shows its SysEx editor
    Mapping::DataRanges ranges;           // standard editor
    QVector<Mapping::SysExRow> sysExRows; // SysEx editor
    bool showHex = false;                 // the SysEx side's "Show in hex"
};

// Everything the page knows about the rule it is about to send.
struct MappingRule
{
    QVector<bool> ports; // port check boxes in mask order
    int number = MappingProtocol::FirstNumber; // 1..16
    MappingSide original;
    MappingSide mapped;
    int data1MappingFrom = -1;
    int data2MappingFrom = -1;

    // The record "send" and "Set" put on the wire. A SysEx original is typed
    // "System Exclusive" whatever its status combo says; the mapped type is
    // always its status combo text, so a SysEx mapped side must carry
    // "System Exclusive" there itself.
    [[nodiscard]] MappingRecord toRecord() const;
};
