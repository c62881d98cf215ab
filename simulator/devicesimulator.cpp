#include "simulator/devicesimulator.h"

#include "device/sysex.h"
#include "device/vocabulary.h"
#include "simulator/devicereplies.h"

#include <QTimer>

#include <algorithm>

using namespace DeviceReplies;

namespace {

constexpr int FilterTypeCount = 6;

// Between answers, never inside one: the host drops what precedes a head, so
// this exercises its resynchronisation without corrupting a frame. It holds a
// stray F7 and a stray line end on purpose.
const QByteArray &noise()
{
    static const QByteArray bytes("\x12\x34\xF7\x0D\x0A\x55", 6);
    return bytes;
}

bool isSevenBit(std::uint8_t b)
{
    return b < 0x80;
}

bool isHostTextCommand(const QByteArray &bytes)
{
    return bytes == Vocabulary::identificationQuery() || bytes == Vocabulary::versionQuery()
        || bytes == Vocabulary::eraseCommand() || bytes == Vocabulary::enterBootloaderCommand();
}

} // namespace

DeviceSimulator::DeviceSimulator(const DeviceProfile &profile, QObject *parent)
    : LocalDevice(parent)
    , m_profile(profile)
    , m_runningProfile(DeviceProfiles::runningOf(profile))
    , m_restartTimer(new QTimer(this))
    , m_pieceTimer(new QTimer(this))
    , m_sendTimer(new QTimer(this))
{
    m_clock.start();
    resetFilters();
    m_pieceTimer->setSingleShot(true);
    m_pieceTimer->setInterval(PieceQuietGapMs);
    connect(m_pieceTimer, &QTimer::timeout, this, [this] {
        const QByteArray piece = m_piece;
        m_piece.clear();
        if (!piece.isEmpty())
            finishPiece(piece);
    });
    m_sendTimer->setSingleShot(true);
    connect(m_sendTimer, &QTimer::timeout, this, &DeviceSimulator::flushDue);
    m_restartTimer->setSingleShot(true);
    connect(m_restartTimer, &QTimer::timeout, this, &DeviceSimulator::restartIntoFirmware);
}

void DeviceSimulator::restartClock()
{
    m_clock.restart();
    m_received.clear();
}

QByteArray DeviceSimulator::filter(int type, int number) const
{
    return m_filters.value(PortKey(type, number));
}

void DeviceSimulator::receive(const QByteArray &hostBytes)
{
    if (m_dropped || hostBytes.isEmpty())
        return;
    m_restartTimer->stop();
    if (isBootloader() && m_erased) {
        takeImageBytes(hostBytes);
        return;
    }
    m_in.append(hostBytes);
    cutCommands();
}

void DeviceSimulator::record(const QByteArray &frame)
{
    m_received.append({m_clock.elapsed(), frame});
}

// Text commands and System Exclusive commands share the stream; whatever is
// neither is dropped up to the next head, as the firmware does.
void DeviceSimulator::cutCommands()
{
    while (!m_in.isEmpty()) {
        // Commands handled below may switch the device into the bootloader
        // and its image mode, where the rest of the stream is image data.
        if (isBootloader() && m_erased) {
            const QByteArray rest = m_in;
            m_in.clear();
            takeImageBytes(rest);
            return;
        }
        const auto isHead = [](char c) {
            const auto b = static_cast<std::uint8_t>(c);
            return b == SysEx::Start || b == TextHeadFirst;
        };
        const auto head = std::find_if(m_in.cbegin(), m_in.cend(), isHead);
        if (head == m_in.cend()) {
            m_in.clear();
            return;
        }
        m_in.remove(0, static_cast<int>(head - m_in.cbegin()));
        const int consumed = SysEx::byteAt(m_in, 0) == SysEx::Start ? cutSysExFrame() : cutTextFrame();
        if (consumed == 0)
            return;
        if (consumed < 0)
            m_in.remove(0, 1);
    }
}

int DeviceSimulator::cutTextFrame()
{
    if (m_in.size() < 2)
        return 0;
    if (SysEx::byteAt(m_in, 1) != TextHeadSecond)
        return -1;
    if (m_in.size() < 3)
        return 0;
    const int n = SysEx::byteAt(m_in, 2);
    if (n > MaxTextCommandPayload)
        return -1;
    const int length = n + TextOverhead;
    if (m_in.size() < length)
        return 0;
    if (SysEx::byteAt(m_in, length - 2) != TextTailCr || SysEx::byteAt(m_in, length - 1) != TextTailLf)
        return -1;
    const QByteArray frame = m_in.left(length);
    m_in.remove(0, length);
    record(frame);
    handleText(frame);
    return length;
}

int DeviceSimulator::cutSysExFrame()
{
    const int end = m_in.indexOf(static_cast<char>(SysEx::End), 1);
    const int nextStart = m_in.indexOf(static_cast<char>(SysEx::Start), 1);
    // A new F0 before the F7 means the command in progress was cut short.
    if (nextStart > 0 && (end < 0 || nextStart < end))
        return -1;
    if (end < 0)
        return m_in.size() > MaxCommandLength ? -1 : 0;
    const QByteArray frame = m_in.left(end + 1);
    m_in.remove(0, end + 1);
    record(frame);
    handleSysEx(frame);
    return frame.size();
}

void DeviceSimulator::handleText(const QByteArray &frame)
{
    const int n = SysEx::byteAt(frame, 2);
    if (n != 2 || SysEx::byteAt(frame, 3) != 0x00)
        return;
    switch (SysEx::byteAt(frame, 4)) {
    case TextIdentify:
        answer(textFrame(m_profile.modelText));
        break;
    case TextVersion:
        answer(textFrame(m_profile.versionText));
        break;
    case TextErase:
        if (isBootloader()) {
            if (m_faults.vanishOnErase) {
                vanish();
                return;
            }
            m_image.clear();
            m_piece.clear();
            m_pieceCount = 0;
            m_erased = true;
            if (m_forgetsSettingsWhenFlashed) {
                m_routes.clear();
                resetFilters();
                m_mappings.clear();
            }
            answer(textFrame(QByteArray(EraseDoneText)), m_eraseDelayMs);
        }
        break;
    case TextEnterBootloader:
        if (!isBootloader())
            enterBootloader();
        break;
    default:
        break;
    }
}

void DeviceSimulator::enterBootloader()
{
    m_runningProfile = m_profile;
    m_profile = DeviceProfiles::bootloaderOf(m_profile);
    // The firmware restarts: half-read commands and unsent answers are lost.
    m_in.clear();
    m_pending.clear();
    m_sendTimer->stop();
    m_erased = false;
    m_piece.clear();
    emit rebootingToBootloader();
}

void DeviceSimulator::restartIntoFirmware()
{
    if (!isBootloader() || m_dropped)
        return;
    m_profile = m_runningProfile;
    m_in.clear();
    m_pending.clear();
    m_sendTimer->stop();
    m_pieceTimer->stop();
    m_erased = false;
    m_piece.clear();
    emit restartingIntoFirmware();
}

void DeviceSimulator::handleSysEx(const QByteArray &frame)
{
    if (isBootloader() || frame.size() < 7)
        return;
    for (int i = 0; i < 3; ++i) {
        if (SysEx::byteAt(frame, 1 + i) != SysEx::ManufacturerId[i])
            return;
    }
    const std::uint8_t cls = SysEx::byteAt(frame, SysEx::ClassPos);
    const std::uint8_t code = SysEx::byteAt(frame, SysEx::CodePos);
    if (cls == SysEx::DeviceInfo && code == SysEx::CodeQuery) {
        if (frame.size() == 8)
            answerQuery(SysEx::byteAt(frame, SysEx::DataPos));
    } else if (cls == SysEx::Configuration) {
        switch (code) {
        case SysEx::CodeRoute:
            handleRoute(frame);
            break;
        case SysEx::CodeSave:
            handleSave(frame);
            break;
        case SysEx::CodeFilter:
            handleFilter(frame);
            break;
        case SysEx::CodeMapping:
            handleMappingStore(frame);
            break;
        case SysEx::CodeMappingDelete:
            handleMappingDelete(frame);
            break;
        default:
            break;
        }
    } else if (cls == SysEx::System && code == SysEx::CodeFactoryReset) {
        if (frame == SysEx::factoryResetCommand())
            factoryReset();
    }
}

void DeviceSimulator::answerQuery(int k)
{
    switch (k) {
    case QueryDeviceInfo:
        answer(deviceType(m_profile.familyCode));
        answer(portCounts(m_profile.midiIn, m_profile.midiOut, m_profile.usbHost, m_profile.usbDevice));
        break;
    case QueryRoutes:
        for (const Route &r : qAsConst(m_routes))
            answer(routeReport(r.inKind, r.inNumber, r.outKind, r.outNumber));
        break;
    case QueryMappings:
        for (const QByteArray &record : qAsConst(m_mappings))
            answer(mappingRecord(record));
        break;
    case QueryFilterCounts:
        answer(filterPortCounts(m_profile.filterPortCounts));
        break;
    case QueryFilterStates:
        for (int type = 0; type < FilterTypeCount; ++type) {
            for (int number = 1; number <= m_profile.filterPortCounts[type]; ++number)
                answer(filterState(static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(number),
                                   filter(type, number)));
        }
        break;
    case QueryUsbNames: {
        const QStringList &names = m_profile.usbDeviceNames;
        const bool anyAttached =
            std::any_of(names.cbegin(), names.cend(), [](const QString &n) { return !n.isEmpty(); });
        if (!anyAttached) {
            answer(noUsbDevices());
        } else {
            for (int slot = 0; slot < m_profile.usbSlotCount(); ++slot)
                answer(usbName(static_cast<std::uint8_t>(slot), static_cast<std::uint8_t>(slot + 1),
                               names.value(slot)));
        }
        answer(hubCount(m_profile.hubCount));
        break;
    }
    default:
        break;
    }
}

int DeviceSimulator::portCount(int routeKind, bool input) const
{
    switch (routeKind) {
    case 0:
        return input ? m_profile.midiIn : m_profile.midiOut;
    case 1:
        return m_profile.usbHost;
    case 2:
        return m_profile.usbDevice;
    default:
        return 0;
    }
}

std::uint8_t DeviceSimulator::checkRoute(const Route &route, bool connect) const
{
    if (route.inKind > 2 || route.outKind > 2)
        return RouteIllegal;
    if (route.inNumber < 1 || route.inNumber > portCount(route.inKind, true) || route.outNumber < 1
        || route.outNumber > portCount(route.outKind, false))
        return RoutePortNumberError;
    if (!connect)
        return RouteOk;
    if (route.inKind == route.outKind && route.inNumber == route.outNumber) {
        // A USB port is one bidirectional port; a 5-pin IN and OUT are two.
        if (route.inKind != 0 || !m_profile.allowsMidiThrough)
            return RouteIllegal;
    }
    if (m_routes.contains(route))
        return RouteOk;
    const auto fromSameInput = std::count_if(m_routes.cbegin(), m_routes.cend(), [&](const Route &r) {
        return r.inKind == route.inKind && r.inNumber == route.inNumber;
    });
    return fromSameInput >= MaxRoutesPerInput ? RouteLimitReached : RouteOk;
}

void DeviceSimulator::handleRoute(const QByteArray &frame)
{
    if (frame.size() != RouteCommandLength) {
        answer(routeResult(true, RoutePortNumberError));
        return;
    }
    const std::uint8_t op = SysEx::byteAt(frame, 10);
    const bool connect = op == RouteConnect;
    if (op != RouteConnect && op != RouteRemove && op != RouteRemoveAll) {
        answer(routeResult(true, RouteIllegal));
        return;
    }
    if (m_faults.refuseAll) {
        answer(routeResult(connect, m_faults.refuseCode));
        return;
    }
    if (op == RouteRemoveAll) {
        m_routes.clear();
        answer(routeResult(false, RouteOk));
        return;
    }
    const Route route{SysEx::byteAt(frame, 6), SysEx::byteAt(frame, 7), SysEx::byteAt(frame, 8),
                      SysEx::byteAt(frame, 9)};
    const std::uint8_t result = checkRoute(route, connect);
    if (result == RouteOk) {
        if (connect && !m_routes.contains(route))
            m_routes.append(route);
        else if (!connect)
            m_routes.removeAll(route);
    }
    answer(routeResult(connect, result));
}

void DeviceSimulator::handleSave(const QByteArray &frame)
{
    if (frame.size() != 8 || SysEx::byteAt(frame, SysEx::DataPos) != SaveRouting)
        return; // the store acknowledge wants no answer
    answer(saveResult(m_faults.refuseAll ? 1 : 0));
}

void DeviceSimulator::resetFilters()
{
    m_filters.clear();
    for (int type = 0; type < FilterTypeCount; ++type) {
        for (int number = 1; number <= m_profile.filterPortCounts[type]; ++number)
            m_filters.insert(PortKey(type, number), QByteArray(FilterByteCount, '\0'));
    }
}

void DeviceSimulator::handleFilter(const QByteArray &frame)
{
    if (m_faults.refuseAll) {
        answer(filterResult(FilterRefused, m_faults.refuseCode));
        return;
    }
    if (frame.size() != FilterCommandLength) {
        answer(filterResult(FilterRefused, FilterCategoryNumberError));
        return;
    }
    const QByteArray bytes = frame.mid(8, FilterByteCount);
    const bool sevenBit = std::all_of(bytes.cbegin(), bytes.cend(),
                                      [](char c) { return isSevenBit(static_cast<std::uint8_t>(c)); });
    const int type = SysEx::byteAt(frame, 6);
    const int number = SysEx::byteAt(frame, 7);
    if (!sevenBit) {
        answer(filterResult(FilterRefused, FilterCategoryNumberError));
    } else if (type == AllPortsType) {
        if (number != 0) {
            answer(filterResult(FilterRefused, FilterCategoryNumberError));
            return;
        }
        for (QByteArray &f : m_filters)
            f = bytes;
        answer(filterResult(0, 0));
    } else if (type >= FilterTypeCount || m_profile.filterPortCounts[type] == 0) {
        answer(filterResult(FilterRefused, FilterCategoryError));
    } else if (number < 1 || number > m_profile.filterPortCounts[type]) {
        answer(filterResult(FilterRefused, FilterWrongPortNumber));
    } else {
        m_filters.insert(PortKey(type, number), bytes);
        answer(filterResult(0, 0));
    }
}

// Record layout (MappingRecord's bytes in order): five port-mask and reserved
// bytes, the number byte (0x40 | number), original type, channel, Data1 and
// Data2 positions, payload length, the payload, then mapped type, channel,
// Data1 source and position, Data2 source and position, extra data length and
// the extra data. The two type codes and the status byte that opens a
// standard data block may be 0x80 and above; a SysEx data area (type 0x0F)
// may hold 0xFF for "any byte"; everything else is 7-bit.
int DeviceSimulator::mappingNumberOf(const QByteArray &record)
{
    constexpr int Head = 11;    // port mask .. payload length
    constexpr int Middle = 7;   // mapped type .. extra data length
    constexpr std::uint8_t SysExType = 0x0F;
    constexpr int MaxChannel = 0x11; // 17 = all channels
    constexpr int MaxSource = 2;     // 0 none, 1 Data1, 2 Data2
    if (record.size() < Head + Middle)
        return 0;
    const auto at = [&](int i) { return SysEx::byteAt(record, i); };
    const int mm = at(10);
    if (!isSevenBit(at(10)) || record.size() < Head + mm + Middle)
        return 0;
    const int p = Head + mm;
    const int tt = at(p + 6);
    if (!isSevenBit(at(p + 6)) || record.size() != Head + mm + Middle + tt)
        return 0;
    for (int i : {0, 1, 2, 3, 4, 5, 7, 8, 9, p + 1, p + 2, p + 3, p + 4, p + 5}) {
        if (!isSevenBit(at(i)))
            return 0;
    }
    if (at(7) > MaxChannel || at(p + 1) > MaxChannel || at(p + 2) > MaxSource || at(p + 4) > MaxSource)
        return 0;
    const auto blockOk = [&](int start, int length, std::uint8_t type) {
        for (int i = 0; i < length; ++i) {
            const std::uint8_t b = at(start + i);
            const bool statusByte = i == 0 && type != SysExType;
            if (!statusByte && !isSevenBit(b) && b != 0xFF)
                return false;
        }
        return true;
    };
    if (!blockOk(Head, mm, at(6)) || !blockOk(p + Middle, tt, at(p)))
        return 0;
    const int number = at(5) & 0x3F;
    return number >= 1 && number <= MaxMappingNumber ? number : 0;
}

void DeviceSimulator::handleMappingStore(const QByteArray &frame)
{
    if (m_faults.refuseAll) {
        answer(saveResult(1));
        return;
    }
    const QByteArray record = frame.mid(SysEx::DataPos, frame.size() - SysEx::DataPos - 1);
    const int number = mappingNumberOf(record);
    if (number == 0) {
        answer(mappingDataErrorReply());
        return;
    }
    m_mappings.insert(number, record);
    answer(saveResult(0));
}

void DeviceSimulator::handleMappingDelete(const QByteArray &frame)
{
    if (m_faults.refuseAll) {
        answer(deleteResult(DeleteRefused, m_faults.refuseCode));
        return;
    }
    constexpr std::uint8_t DeleteSelector = 0x06;
    constexpr std::uint8_t AnyPort = 0x7F;
    if (frame.size() != 12 || SysEx::byteAt(frame, 6) != DeleteSelector || SysEx::byteAt(frame, 7) != AnyPort) {
        answer(deleteResult(DeleteRefused, DeleteNoPortType));
        return;
    }
    const std::uint8_t op = SysEx::byteAt(frame, 8);
    if (op == DeleteAll) {
        m_mappings.clear();
        answer(deleteResult(0, 0));
    } else if (op == DeleteOne) {
        const int number = SysEx::byteAt(frame, 9) & 0x3F;
        if (number < 1 || number > MaxMappingNumber)
            answer(deleteResult(DeleteRefused, DeleteNoPortNumber));
        else if (m_mappings.remove(number) == 0)
            answer(deleteResult(DeleteRefused, DeleteNoConfiguration));
        else
            answer(deleteResult(0, 0));
    } else {
        answer(deleteResult(DeleteRefused, DeleteNoPortType));
    }
}

void DeviceSimulator::factoryReset()
{
    m_routes.clear();
    resetFilters();
    m_mappings.clear();
    answer(factoryResetDone());
}

void DeviceSimulator::takeImageBytes(const QByteArray &bytes)
{
    m_piece.append(bytes);
    while (m_piece.size() >= ImagePieceSize) {
        const QByteArray piece = m_piece.left(ImagePieceSize);
        m_piece.remove(0, ImagePieceSize);
        finishPiece(piece);
    }
    if (m_piece.isEmpty())
        m_pieceTimer->stop();
    else
        m_pieceTimer->start();
}

void DeviceSimulator::finishPiece(const QByteArray &piece)
{
    record(piece);
    // The host may start over (ask who we are, erase again) in the middle of
    // a transfer; its commands come alone, so they show up as whole pieces.
    if (isHostTextCommand(piece)) {
        handleText(piece);
        return;
    }
    const int index = m_pieceCount++;
    if (index == m_faults.vanishAtPiece) {
        vanish();
        return;
    }
    int taken = piece.size();
    if (m_faults.shortAck)
        taken = qMax(1, taken / 2);
    m_image.append(piece.left(taken));
    if (m_faults.silentFromPiece >= 0 && index >= m_faults.silentFromPiece)
        return;
    const bool wrong = m_faults.wrongAck || index == m_faults.wrongAckPiece;
    const int reported = wrong ? taken + 1 : taken;
    answer(textFrame(QByteArray::number(reported)), index == m_faults.lateAckPiece ? m_faults.lateAckMs : 0);
    if (m_restartAfterFlashMs >= 0)
        m_restartTimer->start(m_restartAfterFlashMs);
    if (index == m_faults.vanishAfterPiece)
        QTimer::singleShot(qMax(0, m_faults.vanishDelayMs), this, &DeviceSimulator::vanish);
}

void DeviceSimulator::vanish()
{
    if (m_dropped)
        return;
    m_dropped = true;
    m_pending.clear();
    m_sendTimer->stop();
    m_pieceTimer->stop();
    emit connectionDropped();
}

void DeviceSimulator::answer(const QByteArray &bytes, int extraDelayMs)
{
    if (m_faults.noAnswer || m_dropped)
        return;
    QByteArray out = m_faults.garbage ? noise() + bytes : bytes;
    const qint64 now = m_clock.elapsed();
    qint64 due = now + qMax(0, m_faults.delayMs) + qMax(0, extraDelayMs);
    if (!m_pending.isEmpty())
        due = qMax(due, m_pending.last().dueMs); // answers never overtake each other
    if (due <= now && m_pending.isEmpty()) {
        send(out);
        return;
    }
    m_pending.enqueue({due, out});
    if (!m_sendTimer->isActive())
        m_sendTimer->start(static_cast<int>(qMax<qint64>(0, m_pending.head().dueMs - now)));
}

void DeviceSimulator::flushDue()
{
    const qint64 now = m_clock.elapsed();
    while (!m_pending.isEmpty() && m_pending.head().dueMs <= now)
        send(m_pending.dequeue().bytes);
    if (!m_pending.isEmpty())
        m_sendTimer->start(static_cast<int>(qMax<qint64>(0, m_pending.head().dueMs - now)));
}

void DeviceSimulator::send(const QByteArray &bytes)
{
    if (m_dropped)
        return;
    if (m_faults.dropAfterBytes >= 0) {
        const qint64 allowed = m_faults.dropAfterBytes - m_transmitted;
        if (allowed <= bytes.size()) {
            if (allowed > 0) {
                m_transmitted += allowed;
                emit transmit(bytes.left(static_cast<int>(allowed)));
            }
            vanish();
            return;
        }
    }
    m_transmitted += bytes.size();
    emit transmit(bytes);
}
