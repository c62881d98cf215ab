#pragma once

#include "filter/filterbytes.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>
#include <optional>

// The bit layout of the 25 filter bytes, tied to the filter page's check boxes.
// Encoding and decoding both read byteLayout(), so a box can never be written
// to one bit and read back from another.
namespace Filter {

constexpr int BitsPerByte = 7;
constexpr int ChannelCount = 16;
constexpr int ControllerCount = 128;

struct ByteLayout
{
    QString key;                                // member name in the configuration file
    std::array<QString, BitsPerByte> boxes;     // per bit 0..6; empty where the bit is unused

    [[nodiscard]] int highestUsedBit() const;
};

struct BitPosition
{
    int byteIndex = 0; // 0..24, wire order
    int bit = 0;       // 0..6

    friend bool operator==(const BitPosition &a, const BitPosition &b)
    {
        return a.byteIndex == b.byteIndex && a.bit == b.bit;
    }
};

// One step of showing a filter on the page: `checked` true means the page
// clicks the (unchecked) box so that its section counter follows; false means
// it is set unchecked without a click.
struct WalkStep
{
    QString box;
    bool checked = false;

    friend bool operator==(const WalkStep &a, const WalkStep &b)
    {
        return a.box == b.box && a.checked == b.checked;
    }
};

[[nodiscard]] const std::array<ByteLayout, ByteCount> &byteLayout();

// Every item box of the page (162), in table order: byte by byte, bit 0 first.
[[nodiscard]] QStringList boxNames();

[[nodiscard]] QString channelBoxName(int channel);       // 1..16 -> "channel<n>Box"
[[nodiscard]] QString controllerBoxName(int controller); // 0..127 -> "controller<n>Box"

[[nodiscard]] std::optional<BitPosition> positionOfBox(const QString &boxName);
[[nodiscard]] std::optional<BitPosition> channelPosition(int channel);
[[nodiscard]] std::optional<BitPosition> controllerPosition(int controller);

// Names that are not item boxes (section boxes, unknown names) are ignored.
[[nodiscard]] Bytes encode(const QSet<QString> &checkedBoxes);
[[nodiscard]] Bytes encodeWith(const std::function<bool(const QString &)> &isChecked);

// The page's own reading of a stored filter: per byte, from its highest used bit
// down, a bit counts as set when the remaining value divided by the bit's value
// is non-zero, and the remainder is carried on. A value of 128 or more thus
// reads as bit 6 set with the remainder modulo 64 for the lower bits.
[[nodiscard]] QVector<WalkStep> decodeWalk(const Bytes &bytes);
[[nodiscard]] QSet<QString> decode(const Bytes &bytes);

// What the page would send back after showing `bytes`: every value is a valid
// data byte afterwards.
[[nodiscard]] Bytes normalized(const Bytes &bytes);

} // namespace Filter
