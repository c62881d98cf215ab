#include "simulator/devicereplies.h"

#include "device/sysex.h"

namespace DeviceReplies {

namespace {

QByteArray bytes(std::initializer_list<std::uint8_t> values)
{
    QByteArray out;
    out.reserve(static_cast<int>(values.size()));
    for (std::uint8_t v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray result(std::uint8_t cls, std::uint8_t code, std::uint8_t firstData, std::uint8_t secondData)
{
    return SysEx::frame(cls, code, bytes({firstData, secondData}));
}

} // namespace

QByteArray textFrame(const QByteArray &payload)
{
    // N is one byte; a longer text would be cut by the host at the wrong place.
    const QByteArray body = payload.left(0xFF);
    QByteArray out = bytes({TextHeadFirst, TextHeadSecond, static_cast<std::uint8_t>(body.size())});
    out.append(body);
    out.append(static_cast<char>(TextTailCr));
    out.append(static_cast<char>(TextTailLf));
    return out;
}

QByteArray deviceType(std::uint8_t family)
{
    return SysEx::frame(SysEx::DeviceInfo, SysEx::CodeDeviceType, bytes({family}));
}

QByteArray portCounts(std::uint8_t midiIn, std::uint8_t midiOut, std::uint8_t usbHost,
                      std::uint8_t usbDevice)
{
    constexpr std::uint8_t CodePortCounts = 0x02;
    return SysEx::frame(SysEx::DeviceInfo, CodePortCounts, bytes({midiIn, midiOut, usbHost, usbDevice}));
}

QByteArray routeReport(std::uint8_t inKind, std::uint8_t inNumber, std::uint8_t outKind,
                       std::uint8_t outNumber)
{
    return SysEx::frame(SysEx::Configuration, SysEx::CodeRoute,
                        bytes({inKind, inNumber, outKind, outNumber, RouteConnect}));
}

QByteArray filterPortCounts(const std::array<std::uint8_t, 6> &counts)
{
    constexpr std::uint8_t CodeFilterCounts = 0x04;
    QByteArray data;
    for (std::uint8_t c : counts)
        data.append(static_cast<char>(c));
    return SysEx::frame(SysEx::DeviceInfo, CodeFilterCounts, data);
}

QByteArray filterState(std::uint8_t type, std::uint8_t number, const QByteArray &filterBytes)
{
    QByteArray data = bytes({type, number});
    QByteArray filter = filterBytes.left(FilterByteCount);
    filter.append(QByteArray(FilterByteCount - filter.size(), '\0'));
    data.append(filter);
    data.append(QByteArray(2, '\0'));
    return SysEx::frame(SysEx::Configuration, SysEx::CodeFilter, data);
}

QByteArray usbName(std::uint8_t sequence, std::uint8_t index, const QString &name)
{
    QByteArray text = name.isEmpty() ? QByteArray(EmptySlotName) : name.toLatin1();
    // Only 7-bit bytes may travel inside a frame (an F7 would end it).
    for (char &c : text) {
        if (static_cast<std::uint8_t>(c) >= 0x80)
            c = '?';
    }
    text = text.left(0x7F);
    QByteArray data = bytes({sequence, index, static_cast<std::uint8_t>(text.size())});
    data.append(text);
    return SysEx::frame(SysEx::Configuration, SysEx::CodePortName, data);
}

QByteArray noUsbDevices()
{
    return SysEx::frame(SysEx::Configuration, SysEx::CodePortName, bytes({0x00, 0x00, 0x01, 0xFF}));
}

QByteArray hubCount(std::uint8_t count)
{
    return SysEx::frame(SysEx::Configuration, SysEx::CodeHubCount, bytes({count}));
}

QByteArray mappingRecord(const QByteArray &record)
{
    return SysEx::frame(SysEx::Configuration, SysEx::CodeMapping, record);
}

QByteArray routeResult(bool connect, std::uint8_t resultCode)
{
    return result(SysEx::Configuration, SysEx::CodeRoute, connect ? RouteConnect : RouteRemove,
                  resultCode);
}

QByteArray saveResult(std::uint8_t status)
{
    return result(SysEx::Configuration, SysEx::CodeSave, status, 0);
}

QByteArray filterResult(std::uint8_t status, std::uint8_t reason)
{
    return result(SysEx::Configuration, SysEx::CodeFilter, status, reason);
}

QByteArray mappingDataErrorReply()
{
    return result(SysEx::Configuration, SysEx::CodeMapping, 1, MappingDataError);
}

QByteArray deleteResult(std::uint8_t status, std::uint8_t code)
{
    return result(SysEx::Configuration, SysEx::CodeMappingDelete, status, code);
}

QByteArray factoryResetDone()
{
    return result(SysEx::System, SysEx::CodeFactoryReset, 0x01, 0x01);
}

} // namespace DeviceReplies
