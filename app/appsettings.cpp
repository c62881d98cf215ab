#include "app/appsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString KeyMidiName = QStringLiteral("selectedMIDIName");
const QString KeyShowCC = QStringLiteral("showCCNameEnabled");
const QString DefaultMidiName = QStringLiteral("C4");
// The file holds two short keys; anything much larger is not one.
constexpr qint64 MaxLegacySize = 1024 * 1024;

int octaveOf(const QString &name)
{
    if (name == QLatin1String("C3"))
        return 3;
    if (name == QLatin1String("C4"))
        return 4;
    if (name == QLatin1String("C5"))
        return 5;
    return 0;
}
} // namespace

QString AppSettings::legacyPath()
{
    return QDir::current().filePath(QStringLiteral("config.ini"));
}

QString AppSettings::defaultPath()
{
#ifdef Q_OS_WIN
    return legacyPath();
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty())
        return legacyPath();
    return QDir(folder).filePath(QStringLiteral("config.ini"));
#endif
}

AppSettings::TakeOver AppSettings::takeOverLegacyFile(const QString &legacyPath, const QString &userPath,
                                                      QString *error)
{
    const QFileInfo legacy(legacyPath);
    const QFileInfo user(userPath);
    if (user.exists() || legacy.absoluteFilePath() == user.absoluteFilePath())
        return TakeOver::NotNeeded;
    if (!legacy.isFile())
        return TakeOver::NoLegacyFile;

    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return TakeOver::Failed;
    };
    // QSettings reads nearly anything as INI; a binary or huge file would only
    // bring junk keys along.
    QFile file(legacyPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Cannot read the settings file %1").arg(legacyPath));
    if (file.size() > MaxLegacySize || file.read(MaxLegacySize).contains('\0'))
        return fail(QStringLiteral("%1 is not a settings file; its settings are not taken over").arg(legacyPath));
    file.close();
    const QSettings from(legacyPath, QSettings::IniFormat);
    if (from.status() != QSettings::NoError)
        return fail(QStringLiteral("%1 is not a settings file; its settings are not taken over").arg(legacyPath));
    const QStringList keys = from.allKeys();
    if (keys.isEmpty())
        return TakeOver::NoLegacyFile; // nothing was ever set there
    if (!QDir().mkpath(user.absolutePath()))
        return fail(QStringLiteral("Cannot create the settings folder %1").arg(user.absolutePath()));
    QSettings to(userPath, QSettings::IniFormat);
    for (const QString &key : keys)
        to.setValue(key, from.value(key));
    to.sync();
    if (to.status() != QSettings::NoError || !QFileInfo::exists(userPath))
        return fail(QStringLiteral("Cannot write the settings file %1").arg(userPath));
    return TakeOver::TakenOver;
}

AppSettings::AppSettings(const QString &path)
    : m_settings(path, QSettings::IniFormat)
{
    // A first start in a fresh home has no configuration folder yet.
    QDir().mkpath(QFileInfo(path).absolutePath());
}

void AppSettings::load()
{
    if (!m_settings.contains(KeyMidiName))
        m_settings.setValue(KeyMidiName, DefaultMidiName);
    if (!m_settings.contains(KeyShowCC))
        m_settings.setValue(KeyShowCC, true);
    m_settings.sync();

    const int octave = octaveOf(m_settings.value(KeyMidiName).toString());
    if (octave == 0) {
        m_middleCOctave = 4;
        m_settings.setValue(KeyMidiName, DefaultMidiName);
        m_settings.sync();
    } else {
        m_middleCOctave = octave;
    }
    m_showCCName = m_settings.value(KeyShowCC, true).toBool();
}

bool AppSettings::setSelectedMidiName(const QString &name)
{
    const int octave = octaveOf(name);
    if (octave == 0)
        return false;
    m_middleCOctave = octave;
    m_settings.setValue(KeyMidiName, name);
    m_settings.sync();
    return true;
}

void AppSettings::setShowCCName(bool show)
{
    m_showCCName = show;
    m_settings.setValue(KeyShowCC, show);
    m_settings.sync();
}
