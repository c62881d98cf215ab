#pragma once

#include <QSettings>
#include <QString>

// The small settings file "config.ini" (INI format, keys at top level). Every
// change is written at once.
class AppSettings
{
public:
    static QString defaultPath(); // "config.ini" in the working directory

    explicit AppSettings(const QString &path = defaultPath());

    // Writes missing keys with their defaults and repairs a bad note name.
    void load();

    [[nodiscard]] int middleCOctave() const { return m_middleCOctave; }
    [[nodiscard]] bool showCCName() const { return m_showCCName; }
    [[nodiscard]] QString fileName() const { return m_settings.fileName(); }

    // name is "C3", "C4" or "C5"; anything else is refused.
    bool setSelectedMidiName(const QString &name);
    void setShowCCName(bool show);

private:
    QSettings m_settings;
    int m_middleCOctave = 4;
    bool m_showCCName = true;
};
