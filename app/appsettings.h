#pragma once

#include <QSettings>
#include <QString>

// The small settings file "config.ini" (INI format, keys at top level). Every
// change is written at once.
class AppSettings
{
public:
    // Windows: "config.ini" in the working directory. Elsewhere the per-user
    // configuration folder, so that the settings do not depend on the folder
    // the program happens to be started from; the working directory only
    // when no such folder can be named (no home folder).
    static QString defaultPath();
    // "config.ini" in the working directory, where earlier versions kept it.
    static QString legacyPath();

    enum class TakeOver {
        NotNeeded,     // the per-user file exists, or it is the legacy file itself
        NoLegacyFile,  // nothing to take over: a fresh start
        TakenOver,     // the legacy settings were copied to the per-user file
        Failed,        // the legacy file cannot be read or the per-user one written
    };
    // Copies the settings of legacyPath into userPath when userPath does not
    // exist yet, so that nothing set before the move is lost; once the
    // per-user file exists the legacy file is never read again. The legacy
    // file is left as it is. errorText() of a Failed result: *error.
    [[nodiscard]] static TakeOver takeOverLegacyFile(const QString &legacyPath, const QString &userPath,
                                                     QString *error = nullptr);

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
