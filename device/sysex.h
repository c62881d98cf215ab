#pragma once

#include <QByteArray>

#include <cstdint>

// The System Exclusive envelope of every configuration message:
//   F0 00 2F 71 <class> <code> <data...> F7
namespace SysEx {

constexpr std::uint8_t Start = 0xF0;
constexpr std::uint8_t End = 0xF7;
constexpr std::uint8_t ManufacturerId[3] = {0x00, 0x2F, 0x71};

constexpr int ClassPos = 4; // "d4"
constexpr int CodePos = 5;  // "d5"
constexpr int DataPos = 6;

enum Class : std::uint8_t {
    DeviceInfo = 0x01,
    Configuration = 0x02,
    System = 0x03,
};

// Class 01 codes.
constexpr std::uint8_t CodeDeviceType = 0x01;
constexpr std::uint8_t CodeQuery = 0x03;
constexpr std::uint8_t CodeRouteCount = 0x06;
// Class 02 codes.
constexpr std::uint8_t CodeRoute = 0x01;
constexpr std::uint8_t CodeSave = 0x02;
constexpr std::uint8_t CodeFilter = 0x03;
constexpr std::uint8_t CodeMapping = 0x04;
constexpr std::uint8_t CodeMappingDelete = 0x05;
constexpr std::uint8_t CodePortName = 0x06;
constexpr std::uint8_t CodeHubCount = 0x07;
// Class 03 codes.
constexpr std::uint8_t CodeFactoryReset = 0x01;

// Builds F0 00 2F 71 cls code data... F7.
[[nodiscard]] QByteArray frame(std::uint8_t cls, std::uint8_t code, const QByteArray &data = {});

// Query k (1..7) of the connection schedule: F0 00 2F 71 01 03 k F7.
[[nodiscard]] QByteArray deviceQuery(int k);

// F0 00 2F 71 03 01 01 00 F7
[[nodiscard]] QByteArray factoryResetCommand();
// F0 00 2F 71 02 02 01 F7, written back on a store reply that is not a data error.
[[nodiscard]] QByteArray storeAcknowledgeCommand();

[[nodiscard]] inline std::uint8_t byteAt(const QByteArray &frame, int pos)
{
    return static_cast<std::uint8_t>(frame.at(pos));
}

// The byte at pos, or 0 when the frame is shorter: handlers read what the
// classification promises, this guards whatever it does not.
[[nodiscard]] inline int byteOrZero(const QByteArray &frame, int pos)
{
    return pos >= 0 && pos < frame.size() ? byteAt(frame, pos) : 0;
}

} // namespace SysEx
