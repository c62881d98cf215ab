#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// A firmware upgrade may leave a box with factory settings. Before the tool
// flashes a running device it keeps the device's configuration (the content
// of "Save File") here, one file per upgrade named by model and time, until
// the settings are back on the device.
class KeptSettings
{
public:
    struct File
    {
        QString path;
        QString model;
        QDateTime savedAt;
    };

    // The per-user data folder: "Velmora/settings-before-upgrade" in the
    // system's place for application data (~/.local/share on Linux).
    [[nodiscard]] static QString defaultFolder();

    explicit KeptSettings(const QString &folder = defaultFolder());

    [[nodiscard]] QString folder() const { return m_folder; }

    // Writes the configuration for the model (the old file of the same name
    // is kept until the new one is whole); the path, or empty (see
    // errorString()).
    [[nodiscard]] QString save(const QString &model, const QByteArray &configuration,
                               const QDateTime &when = QDateTime::currentDateTime());
    // The model's most recent file, if any.
    [[nodiscard]] std::optional<File> latest(const QString &model) const;
    // Once the settings are back, the file has done its job.
    bool remove(const File &file);

    // "2025-06-01 14:32", as the restore question shows it.
    [[nodiscard]] static QString dateText(const QDateTime &when);

    [[nodiscard]] QString errorString() const { return m_errorString; }

private:
    QString m_folder;
    QString m_errorString;
};
