#include "routing/routingfeedback.h"

#include "device/prompt.h"
#include "device/sysex.h"
#include "routing/routeprotocol.h"

using Outcome = FeedbackDispatcher::Outcome;

RoutingFeedback::RoutingFeedback(FeedbackDispatcher *dispatcher, Prompt *prompt, QObject *parent)
    : QObject(parent)
    , m_dispatcher(dispatcher)
    , m_prompt(prompt)
{
    dispatcher->addHandler(FrameKind::RouteReport, this,
                           [this](const QByteArray &frame) { return onSituation(frame); });
    dispatcher->addHandler(FrameKind::RouteAnswer, this,
                           [this](const QByteArray &frame) { return onAnswer(frame); });
    // Every handled frame counts, not only route frames: port counts rebuild
    // the columns and names relabel them, and the canvas redraws after both.
    connect(dispatcher, &FeedbackDispatcher::feedbackHandled, this, &RoutingFeedback::routingStateChanged);
}

Outcome RoutingFeedback::onSituation(const QByteArray &frame)
{
    const int flag = SysEx::byteOrZero(frame, Routing::OperationPos);
    const Routing::PortCounts &counts = m_dispatcher->portCounts();
    if (flag == Routing::FlagNoRoute || flag == Routing::FlagNoRouteAlt || counts.inputCount() == 0
        || counts.outputCount() == 0)
        return Outcome::EarlyExit; // not a route, and no redraw is due
    emit routeReported(frame);
    return Outcome::Handled;
}

Outcome RoutingFeedback::onAnswer(const QByteArray &frame)
{
    emit routeAnswered(frame);
    if (SysEx::byteOrZero(frame, Routing::AnswerOperationPos) != 0) {
        const auto text = Routing::connectResultText(SysEx::byteOrZero(frame, Routing::AnswerResultPos));
        if (text && m_prompt)
            m_prompt->showMessage(*text, QStringLiteral("OK"));
    }
    return Outcome::Handled;
}
