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
    bool routing = false; // the routing page's header and the arrow before it
    bool mapping = false; // the mapping page's header and the arrow before it
};
[[nodiscard]] Headers headersFor(Family family);
[[nodiscard]] QString logText(Family family, const QString &deviceName);

// The model as handed to the online firmware check.
[[nodiscard]] QString normalisedModel(const QString &reportedModel);

} // namespace DeviceFamily
