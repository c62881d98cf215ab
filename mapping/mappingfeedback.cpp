#include "mapping/mappingfeedback.h"

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
