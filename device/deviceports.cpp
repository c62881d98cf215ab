#include "device/deviceports.h"

#include "device/sysex.h"

namespace Device {

std::optional<PortNameReport> parsePortName(const QByteArray &frame)
{
    if (frame.size() < NameMinimumLength || SysEx::byteAt(frame, 0) != SysEx::Start
        || SysEx::byteAt(frame, frame.size() - 1) != SysEx::End
        || SysEx::byteAt(frame, SysEx::ClassPos) != SysEx::Configuration
        || SysEx::byteAt(frame, SysEx::CodePos) != SysEx::CodePortName)
        return std::nullopt;
    if (frame.size() == NothingAttachedFrameLength
        && SysEx::byteAt(frame, NameTextPos) == NothingAttachedMarker)
        return PortNameReport{PortNameReport::NothingAttachedAnywhere, 0, {}};
    const int index = SysEx::byteAt(frame, NameIndexPos);
    if (index == 0)
        return std::nullopt;
    const int room = frame.size() - 1 - NameTextPos;
    const int length = qMin<int>(SysEx::byteAt(frame, NameLengthPos), room);
    return PortNameReport{PortNameReport::SlotName, index - 1,
                          QString::fromLatin1(frame.constData() + NameTextPos, length)};
}

QVector<int> filterPortCounts(const QByteArray &frame)
{
    QVector<int> counts;
    counts.reserve(FilterPortTypeCount);
    for (int type = 0; type < FilterPortTypeCount; ++type)
        counts.append(SysEx::byteOrZero(frame, FilterPortCountsPos + type));
    return counts;
}

} // namespace Device
