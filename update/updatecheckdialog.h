#pragma once

#include "network/updateserver.h"
#include "update/updateinfo.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class DownloadJob;
class Prompt;
class QLabel;
class QProgressBar;
class QPushButton;

// One check for a newer version of the tool, and the download it may lead
// to. The dialog asks the server for the update text; when a newer version
// exists it shows the release notes and offers "Download", which fetches the
// installer into the download directory and hands it to the system. Only a
// complete installer (and, where the update text names one, one with the
// right SHA-256) is ever handed on.
class UpdateCheckDialog : public QDialog
{
    Q_OBJECT

public:
    // Menu: shown while checking; tells the user when nothing is newer.
    // Silent: hidden unless a newer version exists.
    enum Mode { Menu, Silent };
    enum Outcome { UpToDate, UpdateAvailable, NoVersionInfo, CheckFailed };
    Q_ENUM(Outcome)

    // Hands a downloaded installer to the system; false when it did not start.
    using InstallerOpener = std::function<bool(const QString &path)>;

    struct Setup
    {
        Prompt *prompt = nullptr;
        UpdateServer server;
        QString currentVersion; // "V2.0.1"
        UpdateInfo::Platform platform = UpdateInfo::currentPlatform();
        QString downloadDirectory;
        InstallerOpener openInstaller;
    };

    // Windows starts the installer as a process of its own (it must survive
    // the tool it replaces); elsewhere the desktop opens the package with its
    // package installer. A package is never executed directly.
    [[nodiscard]] static InstallerOpener systemInstallerOpener(UpdateInfo::Platform platform);

    UpdateCheckDialog(const Setup &setup, Mode mode, QWidget *parent = nullptr);
    ~UpdateCheckDialog() override;

    void start();
    [[nodiscard]] Mode mode() const { return m_mode; }
    [[nodiscard]] QString statusText() const;

public slots:
    void reject() override;

signals:
    void checkFinished(UpdateCheckDialog::Outcome outcome);
    void installerStarted(const QString &path);
    void downloadFailed(const QString &reason);

private:
    void onUpdateTextFinished();
    void onDownloadClicked();
    void onInstallerFinished();
    void finishCheck(Outcome outcome, const QString &status);
    void failDownload(const QString &status);

    const Setup m_setup;
    const Mode m_mode;
    UpdateInfo m_info;
    QPointer<DownloadJob> m_job;

    QLabel *const label;
    QProgressBar *const progressBar;
    QPushButton *const downloadButton;
    QPushButton *const cancelButton;
};
