#pragma once

#include <QString>

// Which feature headers a device shows is decided by its product family,
// read from the device list entry's name.
namespace DeviceFamily {

enum Family { None = 0, Linden = 1, Hazel = 2, Spruce = 3, Rowan = 4 };

struct Flags
{
    bool linden = false;
    bool hazel = false;
    bool spruce = false;
    bool rowan = false;
};

// All four tests are case-insensitive substring tests, evaluated together.
[[nodiscard]] Flags flagsFor(const QString &deviceName);
// The first true flag in the order linden, hazel, spruce, rowan.
[[nodiscard]] Family decide(const Flags &flags);

struct Headers
{
    bool routing = false; // label_47, label_routing
    bool mapping = false; // label_49, label_mapping
};
[[nodiscard]] Headers headersFor(Family family);
[[nodiscard]] QString logText(Family family, const QString &deviceName);

// The model as handed to the online firmware check.
[[nodiscard]] QString normalisedModel(const QString &reportedModel);

} // namespace DeviceFamily
