#include "device/feedbackdispatcher.h"

#include "device/devicemodels.h"
#include "device/logging.h"
#include "device/sysex.h"

#include <algorithm>

namespace {

// Byte positions of the device's own reports.
constexpr int FamilyCodePos = SysEx::DataPos;     // device type (01 01)
constexpr int CountsPos = SysEx::DataPos;         // MIDI in, MIDI out, USB host, USB device
constexpr int HubCountPos = SysEx::DataPos;       // 02 07

int at(const QByteArray &data, int pos)
{
    return SysEx::byteOrZero(data, pos);
}

} // namespace

FeedbackDispatcher::FeedbackDispatcher(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<Device::PortCounts>("Device::PortCounts");
}

void FeedbackDispatcher::addHandler(FrameKind kind, QObject *context, Handler handler)
{
    // Handlers of objects that are gone go now, before they pile up.
    m_handlers.erase(std::remove_if(m_handlers.begin(), m_handlers.end(),
                                    [](const Registration &r) { return !r.context; }),
                     m_handlers.end());
    m_handlers.append({kind, context, std::move(handler)});
}

void FeedbackDispatcher::dispatch(FrameKind kind, const QByteArray &frame)
{
    qCDebug(lcFrames) << "dispatch" << frameKindName(kind) << frame.toHex(' ');
    if (handleDeviceKind(kind, frame) == Outcome::EarlyExit)
        return;
    // A handler may add or drop handlers (a page built on the fly): walk a copy.
    const QVector<Registration> handlers = m_handlers;
    for (const Registration &r : handlers) {
        if (r.kind != kind || !r.context)
            continue;
        if (r.handler(frame) == Outcome::EarlyExit)
            return;
    }
    emit feedbackHandled(kind);
}

FeedbackDispatcher::Outcome FeedbackDispatcher::handleDeviceKind(FrameKind kind, const QByteArray &frame)
{
    switch (kind) {
    case FrameKind::DeviceType: {
        const QString word = DeviceModels::familyWordOf(at(frame, FamilyCodePos));
        if (!word.isEmpty())
            m_deviceFamilyNames.append(word);
        break;
    }
    case FrameKind::PortCounts:
        m_counts = Device::PortCounts{at(frame, CountsPos), at(frame, CountsPos + 1), at(frame, CountsPos + 2),
                                      at(frame, CountsPos + 3)};
        emit portCountsReported(m_counts);
        break;
    case FrameKind::UsbPortName:
        return handlePortName(frame);
    case FrameKind::HubCount:
        m_hubCount = at(frame, HubCountPos);
        qCDebug(lcFrames) << "hunnum=" << m_hubCount;
        emit hubCountReported(m_hubCount);
        break;
    default:
        break;
    }
    return Outcome::Handled;
}

FeedbackDispatcher::Outcome FeedbackDispatcher::handlePortName(const QByteArray &data)
{
    const auto report = Device::parsePortName(data);
    // Ignored name frames skip the closing steps but still count as handled.
    if (!report)
        return Outcome::Handled;
    if (report->kind == Device::PortNameReport::NothingAttachedAnywhere) {
        emit usbNamesCleared();
    } else {
        if (report->slot >= m_counts.usbSlotCount())
            return Outcome::Handled;
        emit usbNameReported(report->slot, report->name);
    }
    emit usbNamesUpdated();
    return Outcome::Handled;
}
