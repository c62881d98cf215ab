#pragma once

#include "configfile/configdocument.h"

#include <QByteArray>
#include <QString>

namespace ConfigFile {

struct ReadResult
{
    enum class Error {
        None,
        CannotOpen, // missing, a folder, unreadable
        TooLarge,   // above MaxFileSize
        NotJson,    // not JSON, or its root is not an object
        BadMember,  // a member the reader uses has the wrong type or width
    };

    Error error = Error::None;
    QString detail; // BadMember: which member, and what it must be
    Import import;  // only meaningful without an error

    [[nodiscard]] bool ok() const { return error == Error::None; }
    // The text shown to the user.
    [[nodiscard]] QString errorString() const;
};

// Checks the whole document before returning it, so that a caller applies all
// of a file or none of it. Route numbers are taken from the names ("MIDI IN 3"
// is input 3); a name whose number is missing, not decimal, 0 or above 127
// gives no route. Elements of "tableData" are accepted and ignored.
[[nodiscard]] ReadResult read(const QByteArray &bytes);
[[nodiscard]] ReadResult readFile(const QString &path);

} // namespace ConfigFile
