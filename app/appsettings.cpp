#include "app/appsettings.h"

#include <QDir>

namespace {
const QString KeyMidiName = QStringLiteral("selectedMIDIName");
const QString KeyShowCC = QStringLiteral("showCCNameEnabled");
const QString DefaultMidiName = QStringLiteral("C4");

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

QString AppSettings::defaultPath()
{
    return QDir::current().filePath(QStringLiteral("config.ini"));
}

AppSettings::AppSettings(const QString &path)
    : m_settings(path, QSettings::IniFormat)
{
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
