#include "routing/hublayout.h"

#include <algorithm>

namespace Routing {

namespace {
// The position of the first USB port in the firmware's table.
constexpr int FirstUsbPosition = 2;
} // namespace

HubLayout hubLayout(int hubCount, const PortCounts &counts)
{
    HubLayout layout;
    if (hubCount < 0 || hubCount > 3)
        return layout;
    layout.applies = true;
    const int slotCount = counts.usbSlotCount();
    const int n = slotCount + FirstUsbPosition; // the table's column length
    layout.slotVisible = QVector<bool>(slotCount, false);

    int lastHostPosition = FirstUsbPosition;
    int hintPosition = FirstUsbPosition;
    bool devicePortsShown = false;
    switch (hubCount) {
    case 0:
        layout.hostPairs = 1;
        break;
    case 1:
        lastHostPosition = n > 6 ? n - 5 : FirstUsbPosition;
        hintPosition = 6;
        layout.hostPairs = 4;
        break;
    case 2:
        lastHostPosition = 8;
        hintPosition = std::min(8, n - 1);
        devicePortsShown = true;
        layout.hostPairs = 7;
        break;
    case 3:
        lastHostPosition = 9;
        hintPosition = std::min(9, n - 1);
        devicePortsShown = true;
        layout.hostPairs = 8;
        break;
    }
    for (int slot = 0; slot < slotCount; ++slot) {
        const int position = slot + FirstUsbPosition;
        layout.slotVisible[slot] = position <= lastHostPosition
            || (devicePortsShown && slot >= counts.usbHost);
    }
    const int hintSlot = hintPosition - FirstUsbPosition;
    if (hintSlot >= 0 && hintSlot < slotCount && layout.slotVisible.at(hintSlot))
        layout.hintSlot = hintSlot;
    return layout;
}

} // namespace Routing
