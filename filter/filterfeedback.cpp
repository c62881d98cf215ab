#include "filter/filterfeedback.h"

#include "device/prompt.h"
#include "device/sysex.h"
#include "filter/filterprotocol.h"

using Outcome = FeedbackDispatcher::Outcome;

FilterFeedback::FilterFeedback(FeedbackDispatcher *dispatcher, Prompt *prompt, QObject *parent)
    : QObject(parent)
    , m_dispatcher(dispatcher)
    , m_prompt(prompt)
{
    dispatcher->addHandler(FrameKind::FilterPortCounts, this,
                           [this](const QByteArray &frame) { return onPortCounts(frame); });
    dispatcher->addHandler(FrameKind::FilterReport, this, [this](const QByteArray &frame) {
        emit stateReported(frame);
        return Outcome::Handled;
    });
    dispatcher->addHandler(FrameKind::FilterAnswer, this,
                           [this](const QByteArray &frame) { return onResult(frame); });
    dispatcher->addHandler(FrameKind::FactoryReset, this, [this](const QByteArray &) {
        emit factoryReset();
        return Outcome::Handled;
    });
}

Outcome FilterFeedback::onPortCounts(const QByteArray &frame)
{
    if (m_portsListed)
        return Outcome::EarlyExit;
    emit portCountsReported(Device::filterPortCounts(frame));
    m_dispatcher->write(SysEx::deviceQuery(5));
    return Outcome::Handled;
}

Outcome FilterFeedback::onResult(const QByteArray &frame)
{
    const auto text = Filter::resultText(SysEx::byteOrZero(frame, Filter::ResultStatusPos),
                                         SysEx::byteOrZero(frame, Filter::ResultReasonPos));
    if (text && m_prompt)
        m_prompt->showMessage(*text, QStringLiteral("OK"));
    return Outcome::Handled;
}
