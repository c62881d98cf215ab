#include "device/sysexframecutter.h"

#include "device/sysex.h"

#include "device/logging.h"

namespace {

// A USB name (02 06) or a stored mapping rule (02 04) has a length of its
// own choosing: a name of 2, 3 or 26 characters makes a 12-, 13- or 36-byte
// frame, a rule may read back in 36 bytes. Such frames are classified by the
// extra rules only, never taken for the report that happens to share their
// length.
bool hasOwnClassification(std::uint8_t cls, std::uint8_t code)
{
    return cls == SysEx::Configuration && (code == SysEx::CodePortName || code == SysEx::CodeMapping);
}

FrameKind *lengthRule(const QByteArray &f, FrameKind *out)
{
    const int len = f.size();
    const auto cls = SysEx::byteAt(f, SysEx::ClassPos);
    const auto code = SysEx::byteAt(f, SysEx::CodePos);
    switch (len) {
    case 8:
        if (cls == SysEx::DeviceInfo && code == SysEx::CodeDeviceType)
            return &(*out = FrameKind::DeviceType);
        if (cls == SysEx::Configuration && code == SysEx::CodeHubCount)
            return &(*out = FrameKind::HubCount);
        return nullptr;
    case 9: {
        const auto firstData = SysEx::byteAt(f, SysEx::DataPos);
        const auto secondData = SysEx::byteAt(f, SysEx::DataPos + 1);
        if (cls == SysEx::DeviceInfo && code == SysEx::CodeRouteCount && firstData == 0x00 && secondData == 0x00)
            return &(*out = FrameKind::MappingReport);
        if (cls == SysEx::Configuration && code == SysEx::CodeRoute)
            return &(*out = FrameKind::RouteAnswer);
        if (cls == SysEx::Configuration && code == SysEx::CodeSave)
            return &(*out = FrameKind::SaveAnswer);
        if (cls == SysEx::Configuration && code == SysEx::CodeFilter)
            return &(*out = FrameKind::FilterAnswer);
        if (cls == SysEx::DeviceInfo && code == SysEx::CodeRouteCount)
            return &(*out = FrameKind::RouteCount);
        if (cls == SysEx::Configuration && code == SysEx::CodeMappingDelete)
            return &(*out = FrameKind::MappingDeleteAnswer);
        if (cls == SysEx::Configuration && code == SysEx::CodeMapping)
            return &(*out = FrameKind::MappingStoreAnswer);
        if (cls == SysEx::System && code == SysEx::CodeFactoryReset && firstData == 0x01 && secondData == 0x01)
            return &(*out = FrameKind::FactoryReset);
        return nullptr;
    }
    case 11:
        if (hasOwnClassification(cls, code) || code == SysEx::CodePortName)
            return nullptr;
        return &(*out = FrameKind::PortCounts);
    case 12:
        if (hasOwnClassification(cls, code))
            return nullptr;
        return &(*out = FrameKind::RouteReport);
    case 13:
        if (hasOwnClassification(cls, code))
            return nullptr;
        return &(*out = FrameKind::FilterPortCounts);
    case 36:
        if (hasOwnClassification(cls, code))
            return nullptr;
        return &(*out = FrameKind::FilterReport);
    default:
        return &(*out = FrameKind::UnexpectedLength);
    }
}

} // namespace

const char *frameKindName(FrameKind kind)
{
    switch (kind) {
    case FrameKind::DeviceType: return "DeviceType";
    case FrameKind::PortCounts: return "PortCounts";
    case FrameKind::RouteReport: return "RouteReport";
    case FrameKind::FilterPortCounts: return "FilterPortCounts";
    case FrameKind::FilterReport: return "FilterReport";
    case FrameKind::RouteAnswer: return "RouteAnswer";
    case FrameKind::SaveAnswer: return "SaveAnswer";
    case FrameKind::FilterAnswer: return "FilterAnswer";
    case FrameKind::RouteCount: return "RouteCount";
    case FrameKind::MappingReport: return "MappingReport";
    case FrameKind::ReservedMappingResult: return "ReservedMappingResult";
    case FrameKind::ReservedSetMappingResult: return "ReservedSetMappingResult";
    case FrameKind::UnexpectedLength: return "UnexpectedLength";
    case FrameKind::UsbPortName: return "UsbPortName";
    case FrameKind::MappingDeleteAnswer: return "MappingDeleteAnswer";
    case FrameKind::MappingStoreAnswer: return "MappingStoreAnswer";
    case FrameKind::FactoryReset: return "FactoryReset";
    case FrameKind::HubCount: return "HubCount";
    }
    return "unknown";
}

SysExFrameCutter::SysExFrameCutter(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<FrameKind>("FrameKind");
}

int SysExFrameCutter::classifyInto(const QByteArray &frame, FrameKind (&kinds)[3])
{
    const int len = frame.size();
    // Shorter frames carry no class or code; the length rule calls them errors.
    if (len < 6) {
        kinds[0] = FrameKind::UnexpectedLength;
        return 1;
    }
    int count = 0;
    if (lengthRule(frame, &kinds[count]))
        ++count;
    const auto cls = SysEx::byteAt(frame, SysEx::ClassPos);
    const auto code = SysEx::byteAt(frame, SysEx::CodePos);
    if (len >= 21 && len <= 81 && cls == SysEx::Configuration && code == SysEx::CodeMapping)
        kinds[count++] = FrameKind::MappingReport;
    if (cls == SysEx::Configuration && code == SysEx::CodePortName)
        kinds[count++] = FrameKind::UsbPortName;
    return count;
}

QVector<FrameKind> SysExFrameCutter::classify(const QByteArray &frame)
{
    FrameKind kinds[3];
    const int count = classifyInto(frame, kinds);
    return QVector<FrameKind>(kinds, kinds + count);
}

void SysExFrameCutter::feed(const QByteArray &data)
{
    m_buffer.append(data);
    cut();
}

void SysExFrameCutter::clear()
{
    m_buffer.clear();
    m_head = 0;
    m_searchedUpTo = 0;
}

void SysExFrameCutter::compact()
{
    if (m_head >= m_buffer.size()) {
        m_buffer.clear();
    } else if (m_head > 0) {
        // Only the unfinished tail is moved, at most one frame's worth, so the
        // cost of cutting stays linear in the bytes received.
        m_buffer.remove(0, m_head);
    }
    m_head = 0;
}

void SysExFrameCutter::cut()
{
    if (m_cutting)
        return; // the outer call picks the new bytes up when the handler returns
    m_cutting = true;

    const char start = static_cast<char>(SysEx::Start);
    const char end = static_cast<char>(SysEx::End);

    while (m_head < m_buffer.size()) {
        const int f0 = m_buffer.indexOf(start, m_head);
        if (f0 < 0) {
            clear();
            break;
        }
        if (f0 != m_head) {
            m_head = f0;
            m_searchedUpTo = 0;
        }
        const int from = m_head + 1 + m_searchedUpTo;
        const int f7 = m_buffer.indexOf(end, from);
        const int following = (f7 < 0 ? m_buffer.size() : f7) - m_head - 1;
        if (following > MaxPendingFrameBytes) {
            // Whether the F7 is already here or not must not matter: the
            // result may not depend on how the bytes were chunked.
            qCDebug(lcFrames) << "cut: dropped an unterminated frame of" << following << "bytes";
            const int nextStart = m_buffer.indexOf(start, m_head + 1);
            m_searchedUpTo = 0;
            if (nextStart < 0) {
                clear();
                break;
            }
            m_head = nextStart;
            continue;
        }
        if (f7 < 0) {
            m_searchedUpTo = following;
            break;
        }
        const QByteArray frame = m_buffer.mid(m_head, f7 - m_head + 1);
        m_head = f7 + 1;
        m_searchedUpTo = 0;

        qCDebug(lcFrames) << "cut: frame of" << frame.size() << "bytes:"
                          << frame.toHex(' ');
        FrameKind kinds[3];
        const int count = classifyInto(frame, kinds);
        for (int i = 0; i < count; ++i) {
            qCDebug(lcFrames) << "cut: reporting" << frameKindName(kinds[i]);
            emit frameReceived(kinds[i], frame);
        }
        // A handler may have cleared the buffer; the loop re-reads the members.
    }
    compact();
    m_cutting = false;
}
