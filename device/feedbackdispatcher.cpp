#include "device/feedbackdispatcher.h"

#include "device/logging.h"
#include "device/sysex.h"
#include "widgets/prompt.h"

#include <QTimer>

namespace {

int at(const QByteArray &data, int pos)
{
    return pos < data.size() ? static_cast<unsigned char>(data.at(pos)) : 0;
}

const QString NoDeviceName = QStringLiteral("1");

} // namespace

FeedbackDispatcher::FeedbackDispatcher(Prompt *prompt, QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_debounceTimer(new QTimer(this))
    , m_filterPortsListed([] { return false; })
    , m_mappingTabCurrent([] { return false; })
{
    qRegisterMetaType<PortCounts>("PortCounts");
    m_debounceTimer->setSingleShot(true);
    m_debounceTimer->setInterval(DebounceMs);
}

int FeedbackDispatcher::sourceIndex(const PortCounts &c, int kind, int number)
{
    int index = -1;
    switch (kind) {
    case 0: index = number >= 1 && number <= c.midiIn ? number - 1 : -1; break;
    case 1: index = number >= 1 && number <= c.usbHost ? c.midiIn + number - 1 : -1; break;
    case 2: index = number >= 1 && number <= c.usbDevice ? c.midiIn + c.usbHost + number - 1 : -1; break;
    default: break;
    }
    return index;
}

int FeedbackDispatcher::destinationIndex(const PortCounts &c, int kind, int number)
{
    int index = -1;
    switch (kind) {
    case 0: index = number >= 1 && number <= c.midiOut ? number - 1 : -1; break;
    case 1: index = number >= 1 && number <= c.usbHost ? c.midiOut + number - 1 : -1; break;
    case 2: index = number >= 1 && number <= c.usbDevice ? c.midiOut + c.usbHost + number - 1 : -1; break;
    default: break;
    }
    return index;
}

void FeedbackDispatcher::ok(const QString &text)
{
    if (m_prompt)
        m_prompt->showMessage(text, QStringLiteral("OK"));
}

void FeedbackDispatcher::dealWithData(Feedbacktype fb, const QByteArray &data)
{
    qCDebug(lcFrames) << "dealWithData" << feedbackTypeName(fb) << data.toHex(' ');
    switch (fb) {
    case FEED_BACK_DEVICE_TYPE: {
        static const char *const words[] = {nullptr, "Hazel", "Spruce", "Willow", "HOST"};
        const int code = at(data, 6);
        if (code >= 1 && code <= 4)
            m_deviceFamilyNames.append(QString::fromLatin1(words[code]));
        break;
    }
    case FEED_BACK_PORT_COUNT:
        m_counts = {at(data, 6), at(data, 7), at(data, 8), at(data, 9)};
        emit portCountsReported(m_counts);
        break;
    case FEED_BACK_PORT_ROUTIN_SITUATION: {
        const int flag = at(data, 10);
        if (flag == 0 || flag == 0x7F || m_counts.inputs() == 0 || m_counts.outputs() == 0)
            return; // early exit: not a route, and no redraw is due
        const int inKind = at(data, 6), inNumber = at(data, 7);
        const int outKind = at(data, 8), outNumber = at(data, 9);
        if (sourceIndex(m_counts, inKind, inNumber) >= 0
            && destinationIndex(m_counts, outKind, outNumber) >= 0)
            emit routeReported(inKind, inNumber, outKind, outNumber);
        break;
    }
    case FEED_BACK_PORT_FILTERING_COUNT: {
        if (m_filterPortsListed())
            return; // early exit: the port chooser is filled once per connection
        QVector<int> counts;
        for (int pos = 6; pos <= 11; ++pos)
            counts.append(at(data, pos));
        emit filterPortCountsReported(counts);
        emit writeRequested(SysEx::deviceQuery(5));
        break;
    }
    case FEED_BACK_PORT_FILTERING_SITUATION:
        emit filterStateReported(data);
        break;
    case FEED_BACK_PORT_ROUTIN_CONFIGURATION: {
        const int operation = at(data, 6);
        const int result = at(data, 7);
        emit routeAnswered(operation, result);
        if (operation != 0) {
            switch (result) {
            case 1: ok(QStringLiteral("Illegal routing (i.e. unable to connect in this way)")); break;
            case 2: ok(QStringLiteral("Port serial number error")); break;
            case 3:
                ok(QStringLiteral("Exceeding the number of routes (some connecting nodes have a "
                                  "specified number of routes)"));
                break;
            default: break;
            }
        }
        break;
    }
    case FEED_BACK_ROUTING_CONFIGURATION:
        handleSaveAnswer(data);
        break;
    case FEED_BACK_PORT_FILTERING: {
        const int status = at(data, 6);
        const int reason = at(data, 7);
        if (status == 0) {
            ok(QStringLiteral("Configuration successful"));
        } else if (status == 1) {
            if (reason == 1)
                ok(QStringLiteral("Configuration failed:Wrong port serial number"));
            else if (reason == 2)
                ok(QStringLiteral("Configuration failed:Category error"));
            else if (reason == 3)
                ok(QStringLiteral("Configuration failed:Category serial number error"));
        }
        break;
    }
    case FEED_BACK_PORT_ROUNTMAPPING:
        emit mappingReported(data);
        break;
    case FEED_BACK_PORT_NAME:
        handlePortName(data);
        break;
    case FEED_BACK_DEL:
        handleDeleteAnswer(data);
        break;
    case FEED_DTAT_ERROE:
        if (at(data, 7) == 3)
            ok(QStringLiteral("Data error. Please reconfigure and resend.)"));
        else
            emit writeRequested(SysEx::storeAcknowledgeCommand());
        break;
    case FEED_FCTORY:
        if (m_prompt)
            m_prompt->message(Prompt::Information, QStringLiteral("Success"),
                              QStringLiteral("Factory reset successful."), Prompt::Ok);
        emit factoryResetConfirmed();
        break;
    case FEED_HAZEL:
        m_hubCount = at(data, 6);
        qCDebug(lcFrames) << "hunnum=" << m_hubCount;
        emit hubCountReported(m_hubCount);
        break;
    case FEED_BACK_PORT_ROUNTCOUNT:
    case FEED_BACK_ERROR:
    case FEED_BACK_PORT_MAPPINGCONFRESULT:
    case SETMAPPINGCONFRESULT:
        break;
    }
    m_debounceTimer->start(DebounceMs);
}

void FeedbackDispatcher::handlePortName(const QByteArray &data)
{
    if (data.size() == 11 && at(data, 9) == 0xFF) {
        emit usbNamesCleared();
        emit usbNamesUpdated();
        return;
    }
    if (data.size() < 10)
        return;
    const int index = at(data, 7);
    if (index < 1 || index > m_counts.usbSlots())
        return;
    // The declared length may not run past the frame: take what is there.
    const int available = data.size() - 1 - 9;
    const int length = qMin(at(data, 8), qMax(available, 0));
    const QString name = QString::fromLatin1(data.constData() + 9, length);
    emit usbNameReported(index - 1, name);
    emit usbNamesUpdated();
}

void FeedbackDispatcher::handleSaveAnswer(const QByteArray &data)
{
    if (at(data, 6) != 0) {
        ok(QStringLiteral("Configuration failed"));
        return;
    }
    if (m_mappingTabCurrent())
        emit mappingStoreConfirmed();
    ok(QStringLiteral("Configuration successful"));
}

void FeedbackDispatcher::handleDeleteAnswer(const QByteArray &data)
{
    const int status = at(data, 6);
    const int code = at(data, 7);
    if (status == 0 && code == 0) {
        if (m_prompt)
            m_prompt->message(Prompt::Information, QStringLiteral("Success"),
                              QStringLiteral("Delete Successful"), Prompt::Ok);
        emit mappingDeleteConfirmed();
        return;
    }
    if (status != 1)
        return;
    static const char *const texts[] = {
        "No Error",
        "No configuration: This port has no configuration mapping",
        "No port type: There is no such port type",
        "No port number: There is no such port number",
    };
    if (code >= 0 && code <= 3 && m_prompt)
        m_prompt->message(Prompt::Information, QStringLiteral("Error"), QString::fromLatin1(texts[code]),
                          Prompt::Ok);
}
