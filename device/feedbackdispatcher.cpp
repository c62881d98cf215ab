#include "device/feedbackdispatcher.h"

#include "device/logging.h"
#include "device/sysex.h"
#include "filter/filterprotocol.h"
#include "mapping/mappingfeedback.h"
#include "routing/routeprotocol.h"
#include "widgets/prompt.h"

#include <QTimer>

namespace {

int at(const QByteArray &data, int pos)
{
    return pos < data.size() ? static_cast<unsigned char>(data.at(pos)) : 0;
}

} // namespace

FeedbackDispatcher::FeedbackDispatcher(Prompt *prompt, QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_debounceTimer(new QTimer(this))
    , m_filterPortsListed([] { return false; })
    , m_mappingTabCurrent([] { return false; })
{
    qRegisterMetaType<Routing::PortCounts>("Routing::PortCounts");
    m_debounceTimer->setSingleShot(true);
    m_debounceTimer->setInterval(DebounceMs);
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
        m_counts = Routing::PortCounts{at(data, 6), at(data, 7), at(data, 8), at(data, 9)};
        emit portCountsReported(m_counts);
        break;
    case FEED_BACK_PORT_ROUTIN_SITUATION: {
        const int flag = at(data, 10);
        if (flag == 0 || flag == 0x7F || m_counts.inputCount() == 0 || m_counts.outputCount() == 0)
            return; // early exit: not a route, and no redraw is due
        emit routeReported(data);
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
        // The routing model drops a refused route before its text is shown.
        emit routeAnswered(data);
        if (at(data, 6) != 0) {
            if (const auto text = Routing::connectResultText(at(data, 7)))
                ok(*text);
        }
        break;
    }
    case FEED_BACK_ROUTING_CONFIGURATION:
        handleSaveAnswer(data);
        break;
    case FEED_BACK_PORT_FILTERING:
        if (const auto text = Filter::resultText(at(data, 6), at(data, 7)))
            ok(*text);
        break;
    case FEED_BACK_PORT_ROUNTMAPPING:
        emit mappingReported(data);
        break;
    case FEED_BACK_PORT_NAME:
        handlePortName(data);
        break;
    case FEED_BACK_DEL:
        handleDeleteAnswer(data);
        break;
    case FEED_DTAT_ERROE: {
        const Mapping::StoreReply reply = Mapping::interpretStoreReply(data);
        if (reply.action == Mapping::StoreReply::Action::ShowDataError)
            ok(reply.text);
        else if (reply.action == Mapping::StoreReply::Action::Acknowledge)
            emit writeRequested(reply.reply);
        break;
    }
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
    const auto report = Routing::parsePortName(data);
    if (!report)
        return;
    if (report->kind == Routing::PortNameReport::NothingAttachedAnywhere) {
        emit usbNamesCleared();
    } else {
        if (report->slot >= m_counts.usbSlotCount())
            return;
        emit usbNameReported(report->slot, report->name);
    }
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
    const Mapping::DeleteResult result = Mapping::interpretDeleteResult(data);
    if (result.outcome == Mapping::DeleteResult::Outcome::Ignored)
        return;
    if (m_prompt)
        m_prompt->message(Prompt::Information, result.title, result.text, Prompt::Ok);
    if (result.outcome == Mapping::DeleteResult::Outcome::Deleted)
        emit mappingDeleteConfirmed();
}
