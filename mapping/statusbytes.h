#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Message types are chosen by display name; these turn a name into the two
// status forms the mapping commands carry.
namespace Mapping {

// The device's swapped form: channel in the high nibble, type in the low one;
// system messages come back unchanged. Unknown names give 0 (logged).
[[nodiscard]] std::uint8_t swappedStatusByte(const QString &typeName, int channel);

// The ordinary MIDI status byte for a channel text "1".."16"; "All" and other
// text give channel nibble 0. Unknown names give 0 (logged).
[[nodiscard]] std::uint8_t midiStatusByte(const QString &typeName, const QString &channelText);

// Index of the first item text whose mapping type code is `code`, or 0.
[[nodiscard]] int lookupStatusIndex(const QStringList &itemTexts, int code);

// The channel byte from a channel combo text: "All" is 17, otherwise the number
// truncated to a byte (unparsable text gives 0).
[[nodiscard]] std::uint8_t channelByte(const QString &channelText);

} // namespace Mapping
