#pragma once

#include "network/updateserver.h"
#include "upgrade/upgradetimings.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class DeviceSession;
class DeviceWatcher;
class DownloadJob;
class Prompt;
class QTimer;
class QWidget;
class upgrade_dialog;

// The firmware upgrade as the main window sees it: the dialog behind the menu
// entry, and the online path that starts from an identified device. When the
// server has a newer version and the user agrees, the image is downloaded
// whole, the device is told to restart into its bootloader, and once the
// bootloader's port shows up the dialog writes the image without asking.
class FirmwareUpgradeFeature : public QObject
{
    Q_OBJECT

public:
    // The session, watcher and prompt are not owned; window parents the dialog.
    FirmwareUpgradeFeature(DeviceSession *session, DeviceWatcher *watcher, Prompt *prompt,
                           const UpdateServer &server, QWidget *window,
                           const UpgradeTimings &timings = UpgradeTimings::defaults());
    ~FirmwareUpgradeFeature() override;

    [[nodiscard]] upgrade_dialog *dialog() const { return m_dialog; }
    [[nodiscard]] bool isSearchingBootloader() const;
    [[nodiscard]] QByteArray preparedImage() const { return m_prepared; }

    // The menu entry: the dialog with a fresh list and an empty log.
    void showDialog();

public slots:
    // An identified device (product as the model table names it) runs version.
    void checkOnline(const QString &product, const QString &version);

signals:
    // The main window lets go of the device before the dialog takes it.
    void handOffStarted();

private:
    void onUpdateText(DownloadJob *job, const QString &product, const QString &version);
    void onImage(DownloadJob *job, const QString &product);
    void searchBootloader();
    [[nodiscard]] DownloadJob *get(const QString &path);

    DeviceSession *const m_session;
    Prompt *const m_prompt;
    UpdateServer m_server;
    upgrade_dialog *const m_dialog;
    QTimer *const m_searchTimer;
    // The device answers both identification queries of a connection: their
    // two version replies make one check, not two "Update Available" boxes.
    QTimer *const m_checkTimer;
    QString m_checkProduct;
    QString m_checkVersion;
    QPointer<DownloadJob> m_job;
    QByteArray m_prepared;
    QString m_product;
};
