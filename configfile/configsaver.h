#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace ConfigFile {

// Writes a file so that the old one is never lost: the bytes go to a new file
// beside it, which replaces the old one only once all of them are on disk. A
// failed, short or interrupted write leaves the old file as it was.
class Saver
{
public:
    enum class Error {
        None,
        CannotCreate, // no permission, missing folder
        WriteFailed,  // disk full, I/O error
        CannotReplace // the path is a folder, or the rename failed
    };

    // Called after each chunk with the bytes written so far.
    using Progress = std::function<void(qint64 written, qint64 total)>;
    static constexpr int ChunkSize = 16 * 1024;

    [[nodiscard]] bool save(const QString &path, const QByteArray &bytes, const Progress &progress = {});

    [[nodiscard]] Error error() const { return m_error; }
    [[nodiscard]] QString errorString() const { return m_errorString; }

private:
    bool fail(Error error, const QString &text);

    Error m_error = Error::None;
    QString m_errorString;
};

} // namespace ConfigFile
