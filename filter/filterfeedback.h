#pragma once

#include "device/feedbackdispatcher.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

class Prompt;

// The device's filter answers: the filterable port counts (answered with the
// query for every port's filter state), the state reports, the results of
// a set command with their texts, and the factory reset.
class FilterFeedback : public QObject
{
    Q_OBJECT

public:
    // Registers with the dispatcher; the prompt (may be null) shows the
    // result texts.
    FilterFeedback(FeedbackDispatcher *dispatcher, Prompt *prompt, QObject *parent = nullptr);

    // Whether the page's port chooser holds entries: it is filled once per
    // connection, so later count reports change nothing.
    void setPortsListed(bool listed) { m_portsListed = listed; }
    [[nodiscard]] bool portsListed() const { return m_portsListed; }

signals:
    // Filterable ports per type code 0-5 ("MIDI IN" .. "USB DEVICE OUT").
    void portCountsReported(QVector<int> counts);
    void stateReported(QByteArray frame);
    void factoryReset();

private:
    FeedbackDispatcher::Outcome onPortCounts(const QByteArray &frame);
    FeedbackDispatcher::Outcome onResult(const QByteArray &frame);

    FeedbackDispatcher *const m_dispatcher;
    Prompt *const m_prompt;
    bool m_portsListed = false;
};
