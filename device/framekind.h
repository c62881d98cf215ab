#pragma once

#include <QMetaType>

// Classification of a System Exclusive frame received from the device. The
// values are stable: they appear in logs.
enum class FrameKind {
    DeviceType = 0,           // the family code (01 01)
    PortCounts = 1,           // MIDI in, MIDI out, USB host, USB device
    RouteReport = 2,          // one existing route
    FilterPortCounts = 3,     // filterable ports per filter port type
    FilterReport = 4,         // the filter of one port
    RouteAnswer = 5,          // answer to a route command (02 01)
    SaveAnswer = 6,           // answer to a save command (02 02)
    FilterAnswer = 7,         // answer to a filter command (02 03)
    RouteCount = 8,           // 01 06, not followed by 00 00
    MappingReport = 9,        // a stored mapping rule read back
    ReservedMappingResult = 10,    // never produced
    ReservedSetMappingResult = 11, // never produced
    UnexpectedLength = 12,    // no report has this length
    // 13 has no member and is never produced.
    UsbPortName = 14,         // what is plugged into one USB port (02 06)
    MappingDeleteAnswer = 15, // answer to a mapping delete (02 05)
    MappingStoreAnswer = 16,  // short answer to a mapping store (02 04)
    FactoryReset = 17,        // the device confirms a factory reset
    HubCount = 18,            // 02 07
};

Q_DECLARE_METATYPE(FrameKind)

// The kind's name, for logs.
[[nodiscard]] const char *frameKindName(FrameKind kind);
