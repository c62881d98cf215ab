#pragma once

#include <cstdint>

// Everything the device's mapping commands and read-backs agree on. The
// envelope (F0 00 2F 71, class, code, F7) lives in device/sysex.h.
namespace MappingProtocol {

// Mapping numbers run 1..16; slot 0 of the record vector is never used so that
// the slot index and the number stay the same.
constexpr int FirstNumber = 1;
constexpr int LastNumber = 16;
constexpr int SlotCount = LastNumber + 1;

// numberByte carries the number as 0x40 | n; the device only looks at the low six bits.
constexpr std::uint8_t NumberFlag = 0x40;
constexpr std::uint8_t NumberMask = 0x3F;

// The channel byte of a rule that matches or sends on every channel.
constexpr std::uint8_t ChannelAll = 17;

// A byte that matches anything ("Ignore"), a value that could not be read, a
// missing Data box, a missing length, and every position beyond a read-back.
constexpr std::uint8_t NoByte = 0xFF;

// Swapped type codes of system messages end in F; channel messages never do.
constexpr std::uint8_t SystemTypeLowNibble = 0x0F;
constexpr std::uint8_t SystemStatusBase = 0xF0;

// Port mask: seven ports per byte, bit 7 always clear, three bytes.
constexpr int PortsPerMaskByte = 7;
constexpr int PortMaskBytes = 3;
constexpr int PortMaskEntries = PortsPerMaskByte * PortMaskBytes;

// A mapped Data source: where a mapped data value comes from.
constexpr std::uint8_t SourceNone = 0;
constexpr std::uint8_t SourceOriginalData1 = 1;
constexpr std::uint8_t SourceOriginalData2 = 2;

// Store command and read-back layout: fields 1-11, first block, fields 13-19,
// second block.
constexpr int HeadFieldCount = 11;
constexpr int MappedFieldCount = 7;
constexpr int MinReadBackLength = 20;
// A read-back's first block length: 0x80 and above are read as this.
constexpr int MaxReadBackBlockLength = 127;
// A declared second block length above this is not trusted.
constexpr int MaxReadBackExtraLength = 30;

// Delete command: F0 00 2F 71 02 05 06 7F <op> <number byte> 00 F7.
constexpr std::uint8_t DeleteSelector = 0x06;
constexpr std::uint8_t DeleteAnyPort = 0x7F;
constexpr std::uint8_t DeleteOne = 0x01;
constexpr std::uint8_t DeleteEvery = 0x02;

// Query k of the connection schedule that makes the device send its rules.
constexpr int ReadQueryNumber = 3;

// Delete result (02 05) and short store reply (02 04): status at byte 6,
// code at byte 7.
constexpr int ResultStatusPos = 6;
constexpr int ResultCodePos = 7;
constexpr std::uint8_t DeleteStatusDone = 0;
constexpr std::uint8_t DeleteStatusRefused = 1;
constexpr std::uint8_t StoreReplyDataError = 3;

} // namespace MappingProtocol
