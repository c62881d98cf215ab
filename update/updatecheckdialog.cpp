#include "update/updatecheckdialog.h"

#include "network/downloadjob.h"
#include "device/prompt.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
// The update text is a few lines; an installer is a few megabytes. Anything
// far above either is not what the server is meant to send.
constexpr qint64 MaximumUpdateTextSize = 1024 * 1024;
constexpr qint64 MaximumInstallerSize = 512 * 1024 * 1024;
} // namespace

UpdateCheckDialog::InstallerOpener UpdateCheckDialog::systemInstallerOpener(UpdateInfo::Platform platform)
{
    if (platform == UpdateInfo::Platform::Windows)
        return [](const QString &path) { return QProcess::startDetached(path, {}); };
    return [](const QString &path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
}

UpdateCheckDialog::UpdateCheckDialog(const Setup &setup, Mode mode, QWidget *parent)
    : QDialog(parent)
    , m_setup(setup)
    , m_mode(mode)
    , label(new QLabel(QStringLiteral("Checking update information..."), this))
    , progressBar(new QProgressBar(this))
    , downloadButton(new QPushButton(QStringLiteral("Download"), this))
    , cancelButton(new QPushButton(QStringLiteral("Cancel"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Checking Update..."));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(400, 200);

    label->setObjectName(QStringLiteral("label"));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setAccessibleName(QStringLiteral("Download progress"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->hide();
    downloadButton->setObjectName(QStringLiteral("downloadButton"));
    downloadButton->setAccessibleName(downloadButton->text());
    downloadButton->setEnabled(false);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setAccessibleName(cancelButton->text());
    cancelButton->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(progressBar);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(downloadButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);

    connect(downloadButton, &QPushButton::clicked, this, &UpdateCheckDialog::onDownloadClicked);
    connect(cancelButton, &QPushButton::clicked, this, &UpdateCheckDialog::reject);
}

UpdateCheckDialog::~UpdateCheckDialog()
{
    if (m_job)
        m_job->abort();
}

QString UpdateCheckDialog::statusText() const
{
    return label->text();
}

void UpdateCheckDialog::start()
{
    if (m_mode == Menu)
        show();
    if (!m_setup.server.isValid()) {
        // Reported from the event loop, like every other outcome.
        QMetaObject::invokeMethod(
            this,
            [this] {
                finishCheck(CheckFailed,
                            QStringLiteral("Update file download failed: ") + m_setup.server.errorString());
            },
            Qt::QueuedConnection);
        return;
    }
    m_job = new DownloadJob(m_setup.server.url(UpdateInfo::updateTextPath(m_setup.platform)),
                            m_setup.server.sslConfiguration(), this);
    m_job->setMaximumSize(MaximumUpdateTextSize);
    connect(m_job, &DownloadJob::finished, this, &UpdateCheckDialog::onUpdateTextFinished);
    m_job->start();
}

void UpdateCheckDialog::onUpdateTextFinished()
{
    DownloadJob *job = m_job;
    m_job = nullptr;
    job->deleteLater();
    if (job->error() == DownloadJob::Aborted)
        return;
    if (job->error() != DownloadJob::NoError) {
        finishCheck(CheckFailed, QStringLiteral("Update file download failed: ") + job->errorString());
        return;
    }
    m_info = UpdateInfo::parse(job->data());
    if (!m_info.found) {
        finishCheck(NoVersionInfo, QStringLiteral("Update check finished, but no version info found."));
        return;
    }
    const QString current = UpdateInfo::versionNumber(m_setup.currentVersion);
    if (UpdateInfo::compareVersions(current, m_info.latestVersion) < 0) {
        setWindowTitle(QStringLiteral("Update Available"));
        label->setText(QStringLiteral("The current version is: V%1\nA new version is available: %2\n\n"
                                      "Update Content:\n%3")
                           .arg(current, m_info.latestVersionText, m_info.releaseNotes));
        downloadButton->setEnabled(true);
        show();
        downloadButton->setFocus();
        emit checkFinished(UpdateAvailable);
        return;
    }
    reject();
    if (m_mode == Menu && m_setup.prompt)
        m_setup.prompt->message(Prompt::Information, QStringLiteral("Version Check"),
                                QStringLiteral("Your software is already up to date. Current version: V%1 "
                                               "No update is required.")
                                    .arg(current),
                                Prompt::Ok);
    emit checkFinished(UpToDate);
}

// A failed check is seen only by the user who asked for it; the start-up
// check goes away quietly.
void UpdateCheckDialog::finishCheck(Outcome outcome, const QString &status)
{
    label->setText(status);
    downloadButton->setEnabled(false);
    emit checkFinished(outcome);
    if (m_mode == Silent)
        reject();
}

void UpdateCheckDialog::onDownloadClicked()
{
    if (m_job)
        return;
    if (m_info.badSha256Line) {
        failDownload(QStringLiteral("The update information carries a SHA256 line that is not 64 hexadecimal "
                                    "digits, so the installer could not be verified. Nothing was downloaded."));
        downloadButton->setEnabled(false);
        return;
    }
    label->setText(QStringLiteral("Downloading update, please wait..."));
    progressBar->setValue(0);
    progressBar->show();
    downloadButton->setEnabled(false);

    const QString directory = m_setup.downloadDirectory;
    if (!QDir().mkpath(directory)) {
        failDownload(QStringLiteral("The download folder %1 cannot be created.").arg(QDir::toNativeSeparators(directory)));
        return;
    }
    m_job = new DownloadJob(m_setup.server.url(UpdateInfo::installerPath(m_setup.platform, m_info.latestVersion)),
                            m_setup.server.sslConfiguration(), this);
    m_job->setMaximumSize(MaximumInstallerSize);
    m_job->setExpectedSha256(m_info.sha256);
    m_job->setTargetFile(
        QDir(directory).filePath(UpdateInfo::installerFileName(m_setup.platform, m_info.latestVersion)));
    connect(m_job, &DownloadJob::progress, this, [this](qint64 received, qint64 total) {
        if (total > 0)
            progressBar->setValue(int(received * 100 / total));
    });
    connect(m_job, &DownloadJob::finished, this, &UpdateCheckDialog::onInstallerFinished);
    m_job->start();
}

void UpdateCheckDialog::onInstallerFinished()
{
    DownloadJob *job = m_job;
    m_job = nullptr;
    job->deleteLater();
    switch (job->error()) {
    case DownloadJob::NoError:
        break;
    case DownloadJob::Aborted:
        return;
    case DownloadJob::ChecksumMismatch:
        failDownload(QStringLiteral("The downloaded installer does not match the SHA-256 checksum of the update "
                                    "information. It was deleted and not started."));
        return;
    default:
        failDownload(QStringLiteral("Update download failed: %1 Nothing was started.").arg(job->errorString()));
        return;
    }
    const QString path = job->targetFile();
    const InstallerOpener open = m_setup.openInstaller ? m_setup.openInstaller
                                                       : systemInstallerOpener(m_setup.platform);
    if (!open(path)) {
        failDownload(QStringLiteral("The installer was downloaded to %1 but could not be started. You can start "
                                    "it from there yourself.")
                         .arg(QDir::toNativeSeparators(path)));
        return;
    }
    emit installerStarted(path);
    accept();
}

// The dialog stays open on the reason; "Download" tries again and "Cancel"
// closes it.
void UpdateCheckDialog::failDownload(const QString &status)
{
    label->setText(status);
    progressBar->hide();
    downloadButton->setEnabled(true);
    emit downloadFailed(status);
}

void UpdateCheckDialog::reject()
{
    if (m_job)
        m_job->abort();
    QDialog::reject();
}
