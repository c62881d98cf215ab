#include "routing/routeprotocol.h"

#include "device/devicemodels.h"
#include "device/sysex.h"

namespace Routing {

namespace {

struct KindPrefix
{
    int type;
    const char *input;
    const char *output;
};

// The button texts are the only place the canvas keeps a port's identity, so
// the prefixes are matched exactly, trailing blank included.
constexpr KindPrefix Prefixes[] = {
    {FivePin, "MIDI IN ", "MIDI OUT "},
    {UsbHost, "USB HOST ", "USB HOST "},
    {UsbDevice, "USB Device ", "USB Device "},
};

bool hasEnvelope(const QByteArray &frame)
{
    return frame.size() >= 2 && SysEx::byteAt(frame, 0) == SysEx::Start
           && SysEx::byteAt(frame, frame.size() - 1) == SysEx::End;
}

QByteArray routeCommand(const Route &route, std::uint8_t operation)
{
    QByteArray data;
    data.append(static_cast<char>(route.in.type));
    data.append(static_cast<char>(route.in.number));
    data.append(static_cast<char>(route.out.type));
    data.append(static_cast<char>(route.out.number));
    data.append(static_cast<char>(operation));
    return SysEx::frame(SysEx::Configuration, SysEx::CodeRoute, data);
}

std::optional<int> indexIn(const Port &port, int fivePinCount, const PortCounts &counts)
{
    int base = 0;
    int count = 0;
    switch (port.type) {
    case FivePin:
        count = fivePinCount;
        break;
    case UsbHost:
        base = fivePinCount;
        count = counts.usbHost;
        break;
    case UsbDevice:
        base = fivePinCount + counts.usbHost;
        count = counts.usbDev;
        break;
    default:
        return std::nullopt;
    }
    if (port.number < 1 || port.number > count)
        return std::nullopt;
    return base + port.number - 1;
}

} // namespace

QByteArray connectCommand(const Route &route)
{
    return routeCommand(route, OpConnect);
}

QByteArray removeCommand(const Route &route)
{
    return routeCommand(route, OpRemove);
}

QByteArray removeAllCommand()
{
    return routeCommand(Route{{0, 0}, {0, 0}}, OpRemoveAll);
}

QByteArray saveCommand()
{
    return SysEx::frame(SysEx::Configuration, SysEx::CodeSave,
                        QByteArray(1, static_cast<char>(SaveRoutingSelector)));
}

QString buttonText(const Port &port, Side side)
{
    for (const KindPrefix &prefix : Prefixes) {
        if (prefix.type == port.type) {
            const char *text = side == Side::Input ? prefix.input : prefix.output;
            return QLatin1String(text) + QString::number(port.number);
        }
    }
    return {};
}

QString kindPrefix(int type, Side side)
{
    for (const KindPrefix &prefix : Prefixes) {
        if (prefix.type == type)
            return QLatin1String(side == Side::Input ? prefix.input : prefix.output);
    }
    return {};
}

std::optional<Port> parseButtonText(const QString &text, Side side)
{
    for (const KindPrefix &prefix : Prefixes) {
        const QLatin1String word(side == Side::Input ? prefix.input : prefix.output);
        if (!text.startsWith(word))
            continue;
        bool ok = false;
        const int number = text.mid(word.size()).toInt(&ok, 10);
        if (!ok || number < 1 || number > MaxPortNumber)
            return std::nullopt;
        return Port{prefix.type, number};
    }
    return std::nullopt;
}

std::optional<int> inputIndex(const Port &port, const PortCounts &counts)
{
    return indexIn(port, counts.midiIn, counts);
}

std::optional<int> outputIndex(const Port &port, const PortCounts &counts)
{
    return indexIn(port, counts.midiOut, counts);
}

Refusal refusal(const Route &route, const DeviceModels::DeviceModel *model)
{
    if (route.in != route.out)
        return Refusal::None;
    if (route.in.type != FivePin)
        return Refusal::SameUsbPort;
    if (model && model->allowsSameNumberMidiRoute)
        return Refusal::None;
    return Refusal::SameFivePinPair;
}

std::optional<QString> connectResultText(int result)
{
    switch (result) {
    case 1:
        return QStringLiteral("Illegal routing (i.e. unable to connect in this way)");
    case 2:
        return QStringLiteral("Port serial number error");
    case 3:
        return QStringLiteral("Exceeding the number of routes (some connecting nodes have a "
                              "specified number of routes)");
    default:
        return std::nullopt;
    }
}

std::optional<RouteAnswer> parseRouteAnswer(const QByteArray &frame)
{
    if (frame.size() != AnswerFrameLength || !hasEnvelope(frame))
        return std::nullopt;
    return RouteAnswer{SysEx::byteAt(frame, AnswerOperationPos),
                       SysEx::byteAt(frame, AnswerResultPos)};
}

std::optional<Route> parseRouteSituation(const QByteArray &frame, const PortCounts &counts)
{
    if (frame.size() != SituationFrameLength || !hasEnvelope(frame))
        return std::nullopt;
    const std::uint8_t flag = SysEx::byteAt(frame, OperationPos);
    if (flag == FlagNoRoute || flag == FlagNoRouteAlt)
        return std::nullopt;
    const Route route{{SysEx::byteAt(frame, InTypePos), SysEx::byteAt(frame, InNumberPos)},
                      {SysEx::byteAt(frame, OutTypePos), SysEx::byteAt(frame, OutNumberPos)}};
    if (!inputIndex(route.in, counts) || !outputIndex(route.out, counts))
        return std::nullopt;
    return route;
}

} // namespace Routing
