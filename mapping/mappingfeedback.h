#pragma once

#include <QByteArray>
#include <QString>

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
