#include "upgrade/keptsettings.h"

#include "configfile/configsaver.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

const QString TimeFormat = QStringLiteral("yyyyMMdd-HHmmss");
const QString Suffix = QStringLiteral(".ini");

// A model text is letters, digits and a hyphen; anything else the device
// might send must not reach a file name.
QString fileModel(const QString &model)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9-]"));
    QString safe = model.trimmed();
    safe.replace(unsafe, QStringLiteral("-"));
    return safe.isEmpty() ? QStringLiteral("device") : safe;
}

} // namespace

QString KeptSettings::defaultFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString base = data.isEmpty() ? QDir::homePath() : data;
    return QDir(base).filePath(QStringLiteral("Velmora/settings-before-upgrade"));
}

KeptSettings::KeptSettings(const QString &folder)
    : m_folder(folder)
{
}

QString KeptSettings::dateText(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString KeptSettings::save(const QString &model, const QByteArray &configuration, const QDateTime &when)
{
    m_errorString.clear();
    if (!QDir().mkpath(m_folder)) {
        m_errorString = QStringLiteral("Cannot create the folder %1.").arg(QDir::toNativeSeparators(m_folder));
        return QString();
    }
    const QString path = QDir(m_folder).filePath(fileModel(model) + QLatin1Char('_') + when.toString(TimeFormat) + Suffix);
    ConfigFile::Saver saver;
    if (!saver.save(path, configuration)) {
        m_errorString = saver.errorString();
        return QString();
    }
    return path;
}

std::optional<KeptSettings::File> KeptSettings::latest(const QString &model) const
{
    const QString prefix = fileModel(model) + QLatin1Char('_');
    std::optional<File> newest;
    const QStringList names = QDir(m_folder).entryList({prefix + QLatin1Char('*') + Suffix}, QDir::Files);
    for (const QString &name : names) {
        const QString stamp = name.mid(prefix.size(), name.size() - prefix.size() - Suffix.size());
        const QDateTime when = QDateTime::fromString(stamp, TimeFormat);
        if (!when.isValid())
            continue;
        if (!newest || when > newest->savedAt)
            newest = File{QDir(m_folder).filePath(name), model, when};
    }
    return newest;
}

bool KeptSettings::remove(const File &file)
{
    return QFile::remove(file.path);
}
