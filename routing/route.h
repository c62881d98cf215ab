#pragma once

#include "device/deviceports.h"

#include <QHashFunctions>
#include <QMetaType>

namespace Routing {

// Port kinds of the routing messages. Kind 0 is a 5-pin input or output,
// depending on the side; USB ports exist on both sides.
enum PortKind : int {
    FivePin = 0,
    UsbHost = 1,
    UsbDevice = 2,
};

enum class Side { Input, Output };

// A port by identity, which survives every rebuild of the canvas.
struct Port
{
    int type = FivePin;
    int number = 0; // from 1

    friend bool operator==(const Port &a, const Port &b)
    {
        return a.type == b.type && a.number == b.number;
    }
    friend bool operator!=(const Port &a, const Port &b) { return !(a == b); }
    friend bool operator<(const Port &a, const Port &b)
    {
        return a.type != b.type ? a.type < b.type : a.number < b.number;
    }
};

struct Route
{
    Port in;
    Port out;

    friend bool operator==(const Route &a, const Route &b) { return a.in == b.in && a.out == b.out; }
    friend bool operator!=(const Route &a, const Route &b) { return !(a == b); }
    friend bool operator<(const Route &a, const Route &b)
    {
        return a.in != b.in ? a.in < b.in : a.out < b.out;
    }
};

inline uint qHash(const Port &port, uint seed = 0)
{
    return ::qHash((port.type << 8) ^ port.number, seed);
}

inline uint qHash(const Route &route, uint seed = 0)
{
    return ::qHash((route.in.type << 24) ^ (route.in.number << 16) ^ (route.out.type << 8)
                       ^ route.out.number,
                   seed);
}

// The device's port counts are the device's, shared by every feature.
using Device::PortCounts;

} // namespace Routing

Q_DECLARE_METATYPE(Routing::Port)
Q_DECLARE_METATYPE(Routing::Route)
