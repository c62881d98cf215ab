#include "configfile/savename.h"

#include <QDir>
#include <QFileInfo>

namespace ConfigFile {

QString suggestedSavePath(const QString &model, const QDate &date, const QString &documentsDir,
                          const QString &homeDir)
{
    // A model name is the device's word; one that could leave the folder is
    // not used as a file name.
    QString stem = model.trimmed();
    if (stem.isEmpty() || stem.contains(QLatin1Char('/')) || stem.contains(QLatin1Char('\\'))
        || stem.startsWith(QLatin1Char('.')))
        stem = QStringLiteral("velmora");
    const QString name = QStringLiteral("%1-%2.ini").arg(stem, date.toString(Qt::ISODate));
    const bool documentsExist = !documentsDir.isEmpty() && QFileInfo(documentsDir).isDir();
    return QDir(documentsExist ? documentsDir : homeDir).filePath(name);
}

QString withIniSuffix(const QString &path)
{
    // A folder is no name typed for a file: saving there fails and says so.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.suffix().isEmpty() || info.isDir())
        return path;
    return path + QStringLiteral(".ini");
}

} // namespace ConfigFile
