#include "mapping/mappingfeedback.h"

#include "device/prompt.h"
#include "device/sysex.h"
#include "mapping/mappingprotocol.h"

namespace Mapping {

namespace {

bool holdsResult(const QByteArray &frame)
{
    return frame.size() > MappingProtocol::ResultCodePos;
}

QString refusalText(std::uint8_t code)
{
    switch (code) {
    case 0:
        return QStringLiteral("No Error");
    case 1:
        return QStringLiteral("No configuration: This port has no configuration mapping");
    case 2:
        return QStringLiteral("No port type: There is no such port type");
    case 3:
        return QStringLiteral("No port number: There is no such port number");
    default:
        return {};
    }
}

} // namespace

DeleteResult interpretDeleteResult(const QByteArray &frame)
{
    using namespace MappingProtocol;
    DeleteResult result;
    if (!holdsResult(frame))
        return result;
    const std::uint8_t status = SysEx::byteAt(frame, ResultStatusPos);
    const std::uint8_t code = SysEx::byteAt(frame, ResultCodePos);
    if (status == DeleteStatusDone && code == 0) {
        result.outcome = DeleteResult::Outcome::Deleted;
        result.title = QStringLiteral("Success");
        result.text = QStringLiteral("Delete Successful");
    } else if (status == DeleteStatusRefused) {
        result.text = refusalText(code);
        if (!result.text.isEmpty()) {
            result.outcome = DeleteResult::Outcome::Refused;
            result.title = QStringLiteral("Error");
        }
    }
    return result;
}

StoreReply interpretStoreReply(const QByteArray &frame)
{
    StoreReply reply;
    if (!holdsResult(frame))
        return reply;
    if (SysEx::byteAt(frame, MappingProtocol::ResultCodePos) == MappingProtocol::StoreReplyDataError) {
        reply.action = StoreReply::Action::ShowDataError;
        // The closing parenthesis is part of the text users know.
        reply.text = QStringLiteral("Data error. Please reconfigure and resend.)");
    } else {
        reply.action = StoreReply::Action::Acknowledge;
        reply.reply = SysEx::storeAcknowledgeCommand();
    }
    return reply;
}

} // namespace Mapping

using Outcome = FeedbackDispatcher::Outcome;

MappingFeedback::MappingFeedback(FeedbackDispatcher *dispatcher, Prompt *prompt, QObject *parent)
    : QObject(parent)
    , m_dispatcher(dispatcher)
    , m_prompt(prompt)
{
    // The device answers a routing save with the same frame and the same texts.
    dispatcher->addHandler(FrameKind::SaveAnswer, this,
                           [this](const QByteArray &frame) { return onSaveAnswer(frame); });
    dispatcher->addHandler(FrameKind::FilterPortCounts, this, [this](const QByteArray &frame) {
        emit filterPortCountsReported(Device::filterPortCounts(frame));
        return Outcome::Handled;
    });
    dispatcher->addHandler(FrameKind::MappingReport, this, [this](const QByteArray &frame) {
        emit mappingReported(frame);
        return Outcome::Handled;
    });
    dispatcher->addHandler(FrameKind::MappingDeleteAnswer, this,
                           [this](const QByteArray &frame) { return onDeleteAnswer(frame); });
    dispatcher->addHandler(FrameKind::MappingStoreAnswer, this,
                           [this](const QByteArray &frame) { return onStoreReply(frame); });
    dispatcher->addHandler(FrameKind::FactoryReset, this, [this](const QByteArray &) {
        emit factoryReset();
        return Outcome::Handled;
    });
}

void MappingFeedback::ok(const QString &text)
{
    if (m_prompt)
        m_prompt->showMessage(text, QStringLiteral("OK"));
}

Outcome MappingFeedback::onSaveAnswer(const QByteArray &frame)
{
    if (SysEx::byteOrZero(frame, MappingProtocol::ResultStatusPos) != 0) {
        ok(QStringLiteral("Configuration failed"));
        return Outcome::Handled;
    }
    if (m_pageShown)
        emit storeConfirmed();
    ok(QStringLiteral("Configuration successful"));
    return Outcome::Handled;
}

Outcome MappingFeedback::onDeleteAnswer(const QByteArray &frame)
{
    const Mapping::DeleteResult result = Mapping::interpretDeleteResult(frame);
    if (result.outcome == Mapping::DeleteResult::Outcome::Ignored)
        return Outcome::Handled;
    if (m_prompt)
        m_prompt->message(Prompt::Information, result.title, result.text, Prompt::Ok);
    if (result.outcome == Mapping::DeleteResult::Outcome::Deleted)
        emit deleteConfirmed();
    return Outcome::Handled;
}

Outcome MappingFeedback::onStoreReply(const QByteArray &frame)
{
    const Mapping::StoreReply reply = Mapping::interpretStoreReply(frame);
    if (reply.action == Mapping::StoreReply::Action::ShowDataError)
        ok(reply.text);
    else if (reply.action == Mapping::StoreReply::Action::Acknowledge)
        m_dispatcher->write(reply.reply);
    return Outcome::Handled;
}
