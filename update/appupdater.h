#pragma once

#include "update/updatecheckdialog.h"

#include <QObject>
#include <QPointer>

// Starts checks for a newer version of the tool: the silent one at start-up
// and the one the user asks for from the menu. One check at a time.
class AppUpdater : public QObject
{
    Q_OBJECT

public:
    AppUpdater(Prompt *prompt, const QString &settingsPath, const QString &currentVersion, QWidget *window);

    // Tests watch the installer being handed on and keep downloads in a
    // temporary directory.
    void setInstallerOpener(UpdateCheckDialog::InstallerOpener opener) { m_opener = std::move(opener); }
    void setDownloadDirectory(const QString &directory) { m_downloadDirectory = directory; }

    UpdateCheckDialog *check(UpdateCheckDialog::Mode mode);
    [[nodiscard]] UpdateCheckDialog *dialog() const { return m_dialog; }

signals:
    // A new check's dialog exists; its request has not gone out yet.
    void checkStarted(UpdateCheckDialog *dialog);

private:
    Prompt *const m_prompt;
    const QString m_settingsPath;
    const QString m_currentVersion;
    QWidget *const m_window;
    UpdateCheckDialog::InstallerOpener m_opener;
    QString m_downloadDirectory;
    QPointer<UpdateCheckDialog> m_dialog;
};
