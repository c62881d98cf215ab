#pragma once

#include "device/feedbackdispatcher.h"

#include <QByteArray>
#include <QObject>

class Prompt;

// The device's route reports and its answers to route commands, with the
// refusal texts.
class RoutingFeedback : public QObject
{
    Q_OBJECT

public:
    // Registers with the dispatcher; the prompt (may be null) shows the texts.
    RoutingFeedback(FeedbackDispatcher *dispatcher, Prompt *prompt, QObject *parent = nullptr);

signals:
    // A route report that names a route, once the device's ports are known.
    void routeReported(QByteArray frame);
    // The answer to a connect or remove; emitted before a refusal is shown,
    // so the refused route is gone by the time the user reads why.
    void routeAnswered(QByteArray frame);
    // Something the device reported may change what the canvas shows; the
    // canvas redraws once a burst of these is over.
    void routingStateChanged();

private:
    FeedbackDispatcher::Outcome onSituation(const QByteArray &frame);
    FeedbackDispatcher::Outcome onAnswer(const QByteArray &frame);

    FeedbackDispatcher *const m_dispatcher;
    Prompt *const m_prompt;
};
