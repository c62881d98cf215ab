#pragma once

#include "routing/route.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace DeviceModels {
struct DeviceModel;
}

// Route commands, the port buttons' texts and the device's route and USB name
// reports.
namespace Routing {

constexpr std::uint8_t OpRemove = 0x00;
constexpr std::uint8_t OpConnect = 0x01;
constexpr std::uint8_t OpRemoveAll = 0x7F;
constexpr std::uint8_t SaveRoutingSelector = 0x00;

constexpr int CommandLength = 12;
constexpr int SituationFrameLength = 12;
constexpr int AnswerFrameLength = 9;
constexpr int MaxPortNumber = 0x7F;

// Positions shared by the route command and the route report.
constexpr int InTypePos = 6;
constexpr int InNumberPos = 7;
constexpr int OutTypePos = 8;
constexpr int OutNumberPos = 9;
constexpr int OperationPos = 10; // the connected flag in a report
constexpr int AnswerOperationPos = 6;
constexpr int AnswerResultPos = 7;

// A report flag with one of these values reports no route.
constexpr std::uint8_t FlagNoRoute = 0x00;
constexpr std::uint8_t FlagNoRouteAlt = 0x7F;

// The USB name report belongs to the device's ports; the canvas names its
// USB buttons with it.
using Device::nothingAttachedName;
using Device::parsePortName;
using Device::PortNameReport;

[[nodiscard]] QByteArray connectCommand(const Route &route);
[[nodiscard]] QByteArray removeCommand(const Route &route);
[[nodiscard]] QByteArray removeAllCommand();
[[nodiscard]] QByteArray saveCommand();

// "MIDI IN %1" / "MIDI OUT %1", "USB HOST %1", "USB Device %1".
[[nodiscard]] QString buttonText(const Port &port, Side side);
// The text before the number, trailing blank included ("MIDI IN "); empty for
// an unknown kind.
[[nodiscard]] QString kindPrefix(int type, Side side);
// The inverse. A text without its side's prefix, a rest that is not a decimal
// number, or a number outside 1..127 gives nothing.
[[nodiscard]] std::optional<Port> parseButtonText(const QString &text, Side side);

// 0-based place of a port in its column (MIDI, then USB host, then USB device
// ports). Nothing for an unknown kind or a number outside 1..count of its kind.
[[nodiscard]] std::optional<int> inputIndex(const Port &port, const PortCounts &counts);
[[nodiscard]] std::optional<int> outputIndex(const Port &port, const PortCounts &counts);

enum class Refusal {
    None,
    SameUsbPort,     // a USB port routed to itself
    SameFivePinPair, // MIDI IN n to MIDI OUT n on a model that does not allow it
};
// The connected model (null when unknown) decides on MIDI IN n to MIDI OUT n.
[[nodiscard]] Refusal refusal(const Route &route, const DeviceModels::DeviceModel *model);

// The message for a refused connect; nothing for result codes without one.
[[nodiscard]] std::optional<QString> connectResultText(int result);

struct RouteAnswer
{
    int operation = 0; // non-zero: answer to a connect; 0: to a removal
    int result = 0;    // 0: success
};
// Nothing unless the frame is 9 bytes from F0 to F7.
[[nodiscard]] std::optional<RouteAnswer> parseRouteAnswer(const QByteArray &frame);

// One existing route as the device reports it. Nothing for a frame that is
// not 12 bytes from F0 to F7, a flag of 0 or 0x7F, an unknown kind, or a port
// number outside the counts on either side.
[[nodiscard]] std::optional<Route> parseRouteSituation(const QByteArray &frame,
                                                       const PortCounts &counts);

} // namespace Routing
