#pragma once

#include <QString>
#include <QVector>

// Which device port each check box of the mapping page stands for. The boxes
// are labelled from the six filter port counts, type by type, the way the
// filter page lists its ports; the port mask reads their texts back.
namespace MappingPorts {

constexpr int BoxesPerSide = 10;
// Filter type codes 0..5: MIDI IN, MIDI OUT, USB HOST IN, USB HOST OUT,
// USB DEVICE IN, USB DEVICE OUT.
constexpr int CountTypes = 6;

struct Port
{
    QString text;     // "MIDI IN1", "USB HOST OUT3", "USB DEVICE IN1"
    int usbSlot = -1; // USB name slot (host ports first), -1 for 5-pin ports

    [[nodiscard]] bool isUsb() const { return usbSlot >= 0; }
};

struct Layout
{
    QVector<Port> inputs;  // at most BoxesPerSide
    QVector<Port> outputs;
};

// Counts beyond the boxes are cut, negative counts read as 0, missing counts
// as 0, so that a short or odd report never labels a box twice.
[[nodiscard]] Layout fromFilterCounts(const QVector<int> &counts);

// One box of the page: which column, and its row in that column.
struct BoxRef
{
    bool input = true;
    int index = 0;

    friend bool operator==(const BoxRef &a, const BoxRef &b) { return a.input == b.input && a.index == b.index; }
};

// The boxes in port-mask order: 5-pin inputs, 5-pin outputs, USB inputs, USB
// outputs, each in its column's order.
[[nodiscard]] QVector<BoxRef> maskOrder(const Layout &layout);

// "(Keystation 49)", or "(No device connected)" for the name "1" (nothing
// plugged in) and for an empty name.
[[nodiscard]] QString usbNameLabel(const QString &name);

} // namespace MappingPorts
