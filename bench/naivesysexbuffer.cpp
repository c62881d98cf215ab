#include "bench/naivesysexbuffer.h"

namespace {
constexpr char Head = '\xF0';
constexpr char Tail = '\xF7';

unsigned byteAt(const QByteArray &frame, int pos)
{
    return static_cast<unsigned char>(frame.at(pos));
}
} // namespace

void NaiveSysExBuffer::feed(const QByteArray &data)
{
    m_buffer.append(data);
    cut();
}

void NaiveSysExBuffer::cut()
{
    while (!m_buffer.isEmpty()) {
        const int head = m_buffer.indexOf(Head);
        if (head < 0) {
            m_buffer.clear();
            return;
        }
        if (head > 0) {
            m_buffer.remove(0, head);
            continue;
        }
        const int tail = m_buffer.indexOf(Tail, 1);
        if (tail < 0)
            return;
        const QByteArray frame = m_buffer.left(tail + 1);
        m_buffer.remove(0, tail + 1);
        report(frame);
    }
}

void NaiveSysExBuffer::report(const QByteArray &frame)
{
    const int len = frame.size();
    if (len < 6) {
        emit frameReceived(FrameKind::UnexpectedLength, frame);
        return;
    }
    const unsigned frameClass = byteAt(frame, 4);
    const unsigned frameCode = byteAt(frame, 5);
    const auto is = [&](unsigned cls, unsigned code) { return frameClass == cls && frameCode == code; };

    if (len == 8) {
        if (is(0x01, 0x01))
            emit frameReceived(FrameKind::DeviceType, frame);
        else if (is(0x02, 0x07))
            emit frameReceived(FrameKind::HubCount, frame);
    } else if (len == 9) {
        const bool zeroes = byteAt(frame, 6) == 0x00 && byteAt(frame, 7) == 0x00;
        const bool factory = is(0x03, 0x01) && byteAt(frame, 6) == 0x01 && byteAt(frame, 7) == 0x01;
        if (is(0x01, 0x06) && zeroes)
            emit frameReceived(FrameKind::MappingReport, frame);
        else if (is(0x02, 0x01))
            emit frameReceived(FrameKind::RouteAnswer, frame);
        else if (is(0x02, 0x02))
            emit frameReceived(FrameKind::SaveAnswer, frame);
        else if (is(0x02, 0x03))
            emit frameReceived(FrameKind::FilterAnswer, frame);
        else if (is(0x01, 0x06))
            emit frameReceived(FrameKind::RouteCount, frame);
        else if (is(0x02, 0x05))
            emit frameReceived(FrameKind::MappingDeleteAnswer, frame);
        else if (is(0x02, 0x04))
            emit frameReceived(FrameKind::MappingStoreAnswer, frame);
        else if (factory)
            emit frameReceived(FrameKind::FactoryReset, frame);
    } else if (len == 11 || len == 12 || len == 13 || len == 36) {
        // A USB name (02 06) or a mapping rule (02 04) chooses its own length:
        // only the rules below classify it.
        const bool ownLength = is(0x02, 0x06) || is(0x02, 0x04);
        if (len == 11 && frameCode != 0x06 && !ownLength)
            emit frameReceived(FrameKind::PortCounts, frame);
        else if (len == 12 && !ownLength)
            emit frameReceived(FrameKind::RouteReport, frame);
        else if (len == 13 && !ownLength)
            emit frameReceived(FrameKind::FilterPortCounts, frame);
        else if (len == 36 && !ownLength)
            emit frameReceived(FrameKind::FilterReport, frame);
    } else {
        emit frameReceived(FrameKind::UnexpectedLength, frame);
    }

    if (len >= 21 && len <= 81 && is(0x02, 0x04))
        emit frameReceived(FrameKind::MappingReport, frame);
    if (is(0x02, 0x06))
        emit frameReceived(FrameKind::UsbPortName, frame);
}
