#include "update/appupdater.h"

#include <QStandardPaths>

AppUpdater::AppUpdater(Prompt *prompt, const QString &settingsPath, const QString &currentVersion, QWidget *window)
    : QObject(window)
    , m_prompt(prompt)
    , m_settingsPath(settingsPath)
    , m_currentVersion(currentVersion)
    , m_window(window)
    , m_downloadDirectory(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
{
}

UpdateCheckDialog *AppUpdater::check(UpdateCheckDialog::Mode mode)
{
    if (m_dialog) {
        // A check the user can see is simply brought forward; a hidden
        // start-up check gives way to the one the user asked for.
        if (m_dialog->isVisible() || mode == UpdateCheckDialog::Silent) {
            m_dialog->raise();
            m_dialog->activateWindow();
            return m_dialog;
        }
        m_dialog->reject();
    }
    UpdateCheckDialog::Setup setup;
    setup.prompt = m_prompt;
    setup.server = UpdateServer::fromSettings(m_settingsPath);
    setup.currentVersion = m_currentVersion;
    setup.downloadDirectory = m_downloadDirectory;
    setup.openInstaller = m_opener;
    m_dialog = new UpdateCheckDialog(setup, mode, m_window);
    emit checkStarted(m_dialog);
    m_dialog->start();
    return m_dialog;
}
