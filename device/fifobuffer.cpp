#include "device/fifobuffer.h"

#include "device/sysex.h"

#include "device/logging.h"

namespace {

// A USB name (02 06) or a stored mapping rule (02 04) has a length of its
// own choosing: a name of 2, 3 or 26 characters makes a 12-, 13- or 36-byte
// frame, a rule may read back in 36 bytes. Such frames are classified by the
// extra rules only, never taken for the report that happens to share their
// length.
bool hasOwnClassification(std::uint8_t d4, std::uint8_t d5)
{
    return d4 == SysEx::Configuration && (d5 == SysEx::CodePortName || d5 == SysEx::CodeMapping);
}

Feedbacktype *lengthRule(const QByteArray &f, Feedbacktype *out)
{
    const int len = f.size();
    const auto d4 = SysEx::byteAt(f, SysEx::ClassPos);
    const auto d5 = SysEx::byteAt(f, SysEx::CodePos);
    switch (len) {
    case 8:
        if (d4 == SysEx::DeviceInfo && d5 == SysEx::CodeDeviceType)
            return &(*out = FEED_BACK_DEVICE_TYPE);
        if (d4 == SysEx::Configuration && d5 == SysEx::CodeHubCount)
            return &(*out = FEED_HAZEL);
        return nullptr;
    case 9: {
        const auto d6 = SysEx::byteAt(f, SysEx::DataPos);
        const auto d7 = SysEx::byteAt(f, SysEx::DataPos + 1);
        if (d4 == SysEx::DeviceInfo && d5 == SysEx::CodeRouteCount && d6 == 0x00 && d7 == 0x00)
            return &(*out = FEED_BACK_PORT_ROUNTMAPPING);
        if (d4 == SysEx::Configuration && d5 == SysEx::CodeRoute)
            return &(*out = FEED_BACK_PORT_ROUTIN_CONFIGURATION);
        if (d4 == SysEx::Configuration && d5 == SysEx::CodeSave)
            return &(*out = FEED_BACK_ROUTING_CONFIGURATION);
        if (d4 == SysEx::Configuration && d5 == SysEx::CodeFilter)
            return &(*out = FEED_BACK_PORT_FILTERING);
        if (d4 == SysEx::DeviceInfo && d5 == SysEx::CodeRouteCount)
            return &(*out = FEED_BACK_PORT_ROUNTCOUNT);
        if (d4 == SysEx::Configuration && d5 == SysEx::CodeMappingDelete)
            return &(*out = FEED_BACK_DEL);
        if (d4 == SysEx::Configuration && d5 == SysEx::CodeMapping)
            return &(*out = FEED_DTAT_ERROE);
        if (d4 == SysEx::System && d5 == SysEx::CodeFactoryReset && d6 == 0x01 && d7 == 0x01)
            return &(*out = FEED_FCTORY);
        return nullptr;
    }
    case 11:
        if (hasOwnClassification(d4, d5) || d5 == SysEx::CodePortName)
            return nullptr;
        return &(*out = FEED_BACK_PORT_COUNT);
    case 12:
        if (hasOwnClassification(d4, d5))
            return nullptr;
        return &(*out = FEED_BACK_PORT_ROUTIN_SITUATION);
    case 13:
        if (hasOwnClassification(d4, d5))
            return nullptr;
        return &(*out = FEED_BACK_PORT_FILTERING_COUNT);
    case 36:
        if (hasOwnClassification(d4, d5))
            return nullptr;
        return &(*out = FEED_BACK_PORT_FILTERING_SITUATION);
    default:
        return &(*out = FEED_BACK_ERROR);
    }
}

} // namespace

const char *feedbackTypeName(Feedbacktype type)
{
    switch (type) {
    case FEED_BACK_DEVICE_TYPE: return "FEED_BACK_DEVICE_TYPE";
    case FEED_BACK_PORT_COUNT: return "FEED_BACK_PORT_COUNT";
    case FEED_BACK_PORT_ROUTIN_SITUATION: return "FEED_BACK_PORT_ROUTIN_SITUATION";
    case FEED_BACK_PORT_FILTERING_COUNT: return "FEED_BACK_PORT_FILTERING_COUNT";
    case FEED_BACK_PORT_FILTERING_SITUATION: return "FEED_BACK_PORT_FILTERING_SITUATION";
    case FEED_BACK_PORT_ROUTIN_CONFIGURATION: return "FEED_BACK_PORT_ROUTIN_CONFIGURATION";
    case FEED_BACK_ROUTING_CONFIGURATION: return "FEED_BACK_ROUTING_CONFIGURATION";
    case FEED_BACK_PORT_FILTERING: return "FEED_BACK_PORT_FILTERING";
    case FEED_BACK_PORT_ROUNTCOUNT: return "FEED_BACK_PORT_ROUNTCOUNT";
    case FEED_BACK_PORT_ROUNTMAPPING: return "FEED_BACK_PORT_ROUNTMAPPING";
    case FEED_BACK_PORT_MAPPINGCONFRESULT: return "FEED_BACK_PORT_MAPPINGCONFRESULT";
    case SETMAPPINGCONFRESULT: return "SETMAPPINGCONFRESULT";
    case FEED_BACK_ERROR: return "FEED_BACK_ERROR";
    case FEED_BACK_PORT_NAME: return "FEED_BACK_PORT_NAME";
    case FEED_BACK_DEL: return "FEED_BACK_DEL";
    case FEED_DTAT_ERROE: return "FEED_DTAT_ERROE";
    case FEED_FCTORY: return "FEED_FCTORY";
    case FEED_HAZEL: return "FEED_HAZEL";
    }
    return "unknown";
}

FiFoBuffer::FiFoBuffer(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<Feedbacktype>("Feedbacktype");
}

int FiFoBuffer::classifyInto(const QByteArray &frame, Feedbacktype (&kinds)[3])
{
    const int len = frame.size();
    // Shorter frames carry no class or code; the length rule calls them errors.
    if (len < 6) {
        kinds[0] = FEED_BACK_ERROR;
        return 1;
    }
    int count = 0;
    if (lengthRule(frame, &kinds[count]))
        ++count;
    const auto d4 = SysEx::byteAt(frame, SysEx::ClassPos);
    const auto d5 = SysEx::byteAt(frame, SysEx::CodePos);
    if (len >= 21 && len <= 81 && d4 == SysEx::Configuration && d5 == SysEx::CodeMapping)
        kinds[count++] = FEED_BACK_PORT_ROUNTMAPPING;
    if (d4 == SysEx::Configuration && d5 == SysEx::CodePortName)
        kinds[count++] = FEED_BACK_PORT_NAME;
    return count;
}

QVector<Feedbacktype> FiFoBuffer::classify(const QByteArray &frame)
{
    Feedbacktype kinds[3];
    const int count = classifyInto(frame, kinds);
    return QVector<Feedbacktype>(kinds, kinds + count);
}

void FiFoBuffer::writeData(const QByteArray &data)
{
    m_buffer.append(data);
    parsingData();
}

void FiFoBuffer::clear()
{
    m_buffer.clear();
    m_head = 0;
    m_searchedUpTo = 0;
}

void FiFoBuffer::compact()
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

void FiFoBuffer::parsingData()
{
    if (m_parsing)
        return; // the outer call picks the new bytes up when the handler returns
    m_parsing = true;

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
            qCDebug(lcFrames) << "parsingDatateeest [drop] unterminated frame of" << following << "bytes";
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

        qCDebug(lcFrames) << "parsingDatateeest [cut] extracted one frame bytes=" << frame.size()
                          << frame.toHex(' ');
        Feedbacktype kinds[3];
        const int count = classifyInto(frame, kinds);
        for (int i = 0; i < count; ++i) {
            qCDebug(lcFrames) << "parsingDatateeest emit" << feedbackTypeName(kinds[i]);
            emit currDataFrame(kinds[i], frame);
        }
        // A handler may have cleared the buffer; the loop re-reads the members.
    }
    compact();
    m_parsing = false;
}
