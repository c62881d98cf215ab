#pragma once

#include <QByteArray>

#include <cstdint>

namespace Mapping {

[[nodiscard]] bool isValidMappingNumber(int number);

// A record's numberByte and the delete command's number byte: 0x40 | n.
[[nodiscard]] std::uint8_t mappingNumberByte(int number);

// F0 00 2F 71 02 05 06 7F 01 (40|n) 00 F7; empty for a number outside 1..16,
// so that nothing addresses a slot the device does not have.
[[nodiscard]] QByteArray deleteMappingCommand(int number);

// F0 00 2F 71 02 05 06 7F 02 00 00 F7
[[nodiscard]] QByteArray deleteAllMappingsCommand();

// F0 00 2F 71 01 03 03 F7: the device answers with one read-back per stored rule.
[[nodiscard]] QByteArray readMappingsQuery();

} // namespace Mapping
