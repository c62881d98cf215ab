#include "configfile/configsaver.h"

#include "configfile/configlogging.h"

#include <QFileInfo>
#include <QSaveFile>

namespace ConfigFile {

bool Saver::fail(Error error, const QString &text)
{
    m_error = error;
    m_errorString = text;
    qCWarning(lcConfigFile).noquote() << "save failed:" << text;
    return false;
}

bool Saver::save(const QString &path, const QByteArray &bytes, const Progress &progress)
{
    m_error = Error::None;
    m_errorString.clear();
    // QSaveFile would write its new file first and fail only at the rename.
    if (QFileInfo(path).isDir())
        return fail(Error::CannotReplace, QStringLiteral("%1 is a folder").arg(path));

    QSaveFile file(path);
    // Never fall back to writing over the old file in place.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return fail(Error::CannotCreate, file.errorString());
    const qint64 total = bytes.size();
    qint64 written = 0;
    while (written < total) {
        const qint64 chunk = qMin<qint64>(ChunkSize, total - written);
        const qint64 n = file.write(bytes.constData() + written, chunk);
        if (n <= 0) {
            const QString text = file.errorString();
            file.cancelWriting();
            return fail(Error::WriteFailed, text);
        }
        written += n;
        if (progress)
            progress(written, total);
    }
    if (!file.commit())
        return fail(Error::CannotReplace, file.errorString());
    return true;
}

} // namespace ConfigFile
