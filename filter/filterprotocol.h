#pragma once

#include "device/deviceports.h"
#include "filter/filterbytes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The filter command, the port names of the filter page and the three filter
// reports of the device (port counts, one port's state, the answer to a set).
namespace Filter {

constexpr int PortTypeCount = Device::FilterPortTypeCount; // "MIDI IN" 0 .. "USB DEVICE OUT" 5
constexpr int AllPortsNumber = 0;         // goes with Vocabulary::AllPortsTypeCode
constexpr int MaxPortNumber = 0x7F;

constexpr int CommandLength = 36;
constexpr int SituationFrameLength = 36;
constexpr int PortCountsFrameLength = 13;
constexpr int ResultFrameLength = 9;

// Positions shared by the set command and the device's state report.
constexpr int PortTypePos = 6;
constexpr int PortNumberPos = 7;
constexpr int FilterBytesPos = 8;
constexpr int PaddingBytes = 2;           // between the filter bytes and F7
constexpr int PortCountsPos = Device::FilterPortCountsPos;
constexpr int ResultStatusPos = 6;
constexpr int ResultReasonPos = 7;

struct PortId
{
    int typeCode = 0;
    int number = 0;

    friend bool operator==(const PortId &a, const PortId &b)
    {
        return a.typeCode == b.typeCode && a.number == b.number;
    }
};

using PortCounts = std::array<int, PortTypeCount>;

// "MIDI IN" .. "USB DEVICE OUT"; empty outside 0..5.
[[nodiscard]] QString portTypeWord(int typeCode);
// "USB HOST OUT2": the type word and the number with no blank; empty for a
// type outside 0..5.
[[nodiscard]] QString portName(int typeCode, int number);
// The combo entries for these counts, type by type, numbers from 1.
[[nodiscard]] QStringList portNames(const PortCounts &counts);
// Reads the port combo's text back. No type word, a rest that is not a decimal
// number, or a number outside 1..127 gives nothing: such a text names no port.
[[nodiscard]] std::optional<PortId> parsePortText(const QString &text);

// Empty when the type code is neither 0..5 nor 0x7F or the number is outside
// 0..127. Values outside a data byte are sent as the page would show them.
[[nodiscard]] QByteArray setCommand(int typeCode, int number, const Bytes &bytes);
[[nodiscard]] QByteArray setAllCommand(const Bytes &bytes);

struct SituationReport
{
    int typeCode = 0;
    int number = 0;
    QString name; // empty when the type code is unknown
    Bytes bytes{};
};

// Nothing unless the frame is 36 bytes from F0 to F7.
[[nodiscard]] std::optional<SituationReport> parseSituation(const QByteArray &frame);
// Nothing unless the frame is 13 bytes from F0 to F7 with six data-byte counts.
[[nodiscard]] std::optional<PortCounts> parsePortCounts(const QByteArray &frame);

// The message for the device's answer to a set command; nothing when the
// answer calls for no message.
[[nodiscard]] std::optional<QString> resultText(int status, int reason);
// As above from the whole answer; a frame that is not 9 bytes from F0 to F7
// gives nothing.
[[nodiscard]] std::optional<QString> resultText(const QByteArray &frame);

} // namespace Filter
