#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// The device side of the protocol: what the firmware sends back, and the
// codes it uses. The envelope itself comes from device/sysex.h.
namespace DeviceReplies {

// The k of the host's queries F0 00 2F 71 01 03 k F7.
enum Query : std::uint8_t {
    QueryDeviceInfo = 1,   // device type + port counts
    QueryRoutes = 2,       // one report per route
    QueryMappings = 3,     // one 02 04 record per stored mapping
    QueryFilterCounts = 4, // filterable ports per type
    QueryFilterStates = 5, // one 36-byte state per filterable port
    QueryRouteCount = 6,   // answered with nothing
    QueryUsbNames = 7,     // USB names + the 02 07 count
};

// Operation byte (10) of the 12-byte route command.
enum RouteOp : std::uint8_t {
    RouteRemove = 0x00,
    RouteConnect = 0x01,
    RouteRemoveAll = 0x7F,
};

// Byte 7 of the 02 01 route result.
enum RouteResult : std::uint8_t {
    RouteOk = 0,
    RouteIllegal = 1,
    RoutePortNumberError = 2,
    RouteLimitReached = 3,
};

// Byte 7 of a refused 02 03 filter result (byte 6 = FilterRefused).
enum FilterReason : std::uint8_t {
    FilterWrongPortNumber = 1,
    FilterCategoryError = 2,
    FilterCategoryNumberError = 3,
};
constexpr std::uint8_t FilterRefused = 1;

// Byte 7 of a refused 02 05 delete result (byte 6 = DeleteRefused).
enum DeleteCode : std::uint8_t {
    DeleteNoConfiguration = 1,
    DeleteNoPortType = 2,
    DeleteNoPortNumber = 3,
};
constexpr std::uint8_t DeleteRefused = 1;

// Byte 7 of the short 02 04 answer to a malformed mapping record.
constexpr std::uint8_t MappingDataError = 3;

// Operation bytes of the 02 05 delete command (… 06 7F op number 00).
constexpr std::uint8_t DeleteOne = 0x01;
constexpr std::uint8_t DeleteAll = 0x02;
constexpr std::uint8_t MappingNumberFlag = 0x40;
constexpr int MaxMappingNumber = 16;

// Byte 6 of the two 02 02 frames the host sends.
constexpr std::uint8_t SaveRouting = 0x00;
constexpr std::uint8_t StoreAcknowledge = 0x01;

// The name of a USB port with nothing plugged in.
constexpr char EmptySlotName[] = "1";

constexpr int FilterByteCount = 25;
constexpr int FilterCommandLength = 36;
constexpr int RouteCommandLength = 12;
constexpr int AllPortsType = 0x7F;

// Text protocol: AA CC N payload 0D 0A.
constexpr std::uint8_t TextHeadFirst = 0xAA;
constexpr std::uint8_t TextHeadSecond = 0xCC;
constexpr std::uint8_t TextTailCr = 0x0D;
constexpr std::uint8_t TextTailLf = 0x0A;
constexpr int TextOverhead = 5;
// Payload byte 1 of the host's text commands (byte 0 is always 00).
enum TextCommand : std::uint8_t {
    TextIdentify = 0x01,
    TextErase = 0x02,
    TextVersion = 0x03,
    TextEnterBootloader = 0x09,
};
constexpr char EraseDoneText[] = "ERASE END";
constexpr int ImagePieceSize = 64;

[[nodiscard]] QByteArray textFrame(const QByteArray &payload);
[[nodiscard]] inline QByteArray textFrame(const QString &text) { return textFrame(text.toUtf8()); }

// F0 00 2F 71 01 01 family F7 (8 bytes).
[[nodiscard]] QByteArray deviceType(std::uint8_t family);
// F0 00 2F 71 01 02 in out host dev F7 (11 bytes).
[[nodiscard]] QByteArray portCounts(std::uint8_t midiIn, std::uint8_t midiOut, std::uint8_t usbHost,
                                    std::uint8_t usbDevice);
// F0 00 2F 71 02 01 inKind inNumber outKind outNumber 01 F7 (12 bytes).
[[nodiscard]] QByteArray routeReport(std::uint8_t inKind, std::uint8_t inNumber, std::uint8_t outKind,
                                     std::uint8_t outNumber);
// F0 00 2F 71 01 04 c0..c5 F7 (13 bytes).
[[nodiscard]] QByteArray filterPortCounts(const std::array<std::uint8_t, 6> &counts);
// F0 00 2F 71 02 03 type number <25 bytes> 00 00 F7 (36 bytes).
[[nodiscard]] QByteArray filterState(std::uint8_t type, std::uint8_t number, const QByteArray &filterBytes);
// F0 00 2F 71 02 06 seq index length name F7; an empty name is sent as "1".
[[nodiscard]] QByteArray usbName(std::uint8_t sequence, std::uint8_t index, const QString &name);
// The 11-byte name frame with byte 9 = FF: nothing attached anywhere.
[[nodiscard]] QByteArray noUsbDevices();
// F0 00 2F 71 02 07 n F7 (8 bytes).
[[nodiscard]] QByteArray hubCount(std::uint8_t count);
// F0 00 2F 71 02 04 record F7: a stored mapping, laid out as it was stored.
[[nodiscard]] QByteArray mappingRecord(const QByteArray &record);

// The 9-byte results: F0 00 2F 71 cls code, two data bytes, F7.
[[nodiscard]] QByteArray routeResult(bool connect, std::uint8_t result);
[[nodiscard]] QByteArray saveResult(std::uint8_t status);
[[nodiscard]] QByteArray filterResult(std::uint8_t status, std::uint8_t reason);
[[nodiscard]] QByteArray mappingDataErrorReply();
[[nodiscard]] QByteArray deleteResult(std::uint8_t status, std::uint8_t code);
[[nodiscard]] QByteArray factoryResetDone();

} // namespace DeviceReplies
