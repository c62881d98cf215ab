#pragma once

#include "routing/route.h"

#include <QVector>

namespace Routing {

// What the device's hub count (FrameKind::HubCount) shows of the USB ports:
// which USB name slots keep their buttons, beside which one the connection
// hint sits, and how many USB HOST IN/OUT pairs the filter page offers.
struct HubLayout
{
    bool applies = false;     // counts other than 0..3 change nothing
    QVector<bool> slotVisible; // one per USB slot (host ports, then device ports)
    int hintSlot = -1;        // -1: no hint (or its port is hidden)
    int hostPairs = 0;

    friend bool operator==(const HubLayout &a, const HubLayout &b)
    {
        return a.applies == b.applies && a.slotVisible == b.slotVisible
            && a.hintSlot == b.hintSlot && a.hostPairs == b.hostPairs;
    }
};

// The firmware's table counts button positions in a column that starts with
// two 5-pin ports; it is applied here to USB slots (position p is slot p - 2)
// so that a model with another number of 5-pin ports never has those hidden.
[[nodiscard]] HubLayout hubLayout(int hubCount, const PortCounts &counts);

} // namespace Routing
