#pragma once

#include "device/feedbackdispatcher.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

class Prompt;

// What the page does with the device's answers to its delete and store commands.
namespace Mapping {

// The answer to a delete (02 05): byte 6 status, byte 7 code.
struct DeleteResult
{
    enum class Outcome {
        Ignored, // unknown status or code, or a frame too short to hold them
        Deleted, // the selected number is no longer stored on the device
        Refused, // the device kept it; the text says why
    };

    Outcome outcome = Outcome::Ignored;
    QString title; // information box title: "Success" or "Error"
    QString text;
};

[[nodiscard]] DeleteResult interpretDeleteResult(const QByteArray &frame);

// The short answer to a store (02 04, 9 bytes).
struct StoreReply
{
    enum class Action {
        Ignore,        // too short to hold byte 7
        ShowDataError, // show `text` as a warning
        Acknowledge,   // write `reply` to the device
    };

    Action action = Action::Ignore;
    QString text;
    QByteArray reply;
};

[[nodiscard]] StoreReply interpretStoreReply(const QByteArray &frame);

} // namespace Mapping

// The device's mapping answers: stored rules read back, the answers to the
// store, save and delete commands with their texts, and the factory reset.
class MappingFeedback : public QObject
{
    Q_OBJECT

public:
    // Registers with the dispatcher; the prompt (may be null) shows the texts.
    MappingFeedback(FeedbackDispatcher *dispatcher, Prompt *prompt, QObject *parent = nullptr);

    // Whether the mapping page is the one shown: a successful save answer
    // confirms the rule just stored only then.
    void setPageShown(bool shown) { m_pageShown = shown; }
    [[nodiscard]] bool pageShown() const { return m_pageShown; }

signals:
    // The filterable port counts name the page's port boxes. The filter
    // page, when there is one, handles them first and may drop them.
    void filterPortCountsReported(QVector<int> counts);
    void mappingReported(QByteArray frame);
    void storeConfirmed();
    void deleteConfirmed();
    void factoryReset();

private:
    FeedbackDispatcher::Outcome onSaveAnswer(const QByteArray &frame);
    FeedbackDispatcher::Outcome onDeleteAnswer(const QByteArray &frame);
    FeedbackDispatcher::Outcome onStoreReply(const QByteArray &frame);
    void ok(const QString &text);

    FeedbackDispatcher *const m_dispatcher;
    Prompt *const m_prompt;
    bool m_pageShown = false;
};
