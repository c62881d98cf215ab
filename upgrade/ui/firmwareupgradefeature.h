#pragma once

#include "network/updateserver.h"
#include "upgrade/keptsettings.h"
#include "upgrade/onlinefirmware.h"
#include "upgrade/upgradetimings.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class DeviceSession;
class DeviceWatcher;
class FirmwareUpgradeDialog;
class Prompt;
class QTimer;
class QWidget;

// The firmware upgrade as the main window sees it: the dialog behind the menu
// entry, and the online path that starts from an identified device. When the
// server has a newer version and the user agrees, the image is downloaded
// whole, the device's settings are kept in a file, the device is told to
// restart into its bootloader, and once the bootloader's port shows up the
// dialog writes the image without asking. The next time that model connects,
// the window offers its settings back.
class FirmwareUpgradeFeature : public QObject
{
    Q_OBJECT

public:
    static const QString RestoreQuestion;
    // What Save File would write now.
    using SettingsSource = std::function<QByteArray()>;
    // Where the update server is; read when the first check or the dialog
    // needs it.
    using ServerSource = std::function<UpdateServer()>;

    // The session, watcher and prompt are not owned; window parents the
    // dialog. Nothing of the online check and no dialog exist until first
    // needed.
    FirmwareUpgradeFeature(DeviceSession *session, DeviceWatcher *watcher, Prompt *prompt, ServerSource server,
                           QWidget *window, const UpgradeTimings &timings = UpgradeTimings::defaults());
    ~FirmwareUpgradeFeature() override;

    // Made on first call.
    [[nodiscard]] FirmwareUpgradeDialog *dialog() const;
    [[nodiscard]] bool isSearchingBootloader() const;
    [[nodiscard]] QByteArray preparedImage() const { return m_prepared; }
    [[nodiscard]] const KeptSettings &keptSettings() const { return m_kept; }

    // Without a source no settings are kept before an online upgrade.
    void setSettingsSource(SettingsSource source) { m_settingsSource = std::move(source); }

    // The menu entry: the dialog with a fresh list and an empty log.
    void showDialog();

    // The window asks before it opens or closes the shared port: true when
    // nobody else holds it (any more); during a transfer the user decides.
    [[nodiscard]] bool releasePort();

public slots:
    // An identified device (product as the model table names it) runs version.
    void checkOnline(const QString &product, const QString &version);

signals:
    // The main window lets go of its device: the dialog or a settings restore
    // takes the port.
    void releaseDeviceRequested();
    // The settings restore is over; the window connects to its device again.
    void reconnectRequested();

private:
    [[nodiscard]] const UpdateServer &server();
    [[nodiscard]] OnlineFirmware *online();
    void makeDialog();
    void runCheck();
    [[nodiscard]] bool windowHoldsDevice() const;
    void onUpdateAvailable(const OnlineFirmware::Offer &offer);
    void onImage(const QByteArray &image);
    // True when the device was taken from the window to put its settings back.
    [[nodiscard]] bool offerRestore(const QString &product);
    void searchBootloader();

    DeviceSession *const m_session;
    DeviceWatcher *const m_watcher;
    Prompt *const m_prompt;
    QWidget *const m_window;
    const UpgradeTimings m_timings;
    ServerSource m_serverSource;
    std::optional<UpdateServer> m_server;
    FirmwareUpgradeDialog *m_dialog = nullptr;
    OnlineFirmware *m_online = nullptr;
    QTimer *const m_searchTimer;
    // The device answers both identification queries of a connection: their
    // two version replies make one check, not two "Update Available" boxes.
    QTimer *const m_checkTimer;
    KeptSettings m_kept;
    SettingsSource m_settingsSource;
    QString m_checkProduct;
    QString m_checkVersion;
    QString m_offeredProduct;
    QString m_offeredPort; // the device that was offered the update
    QByteArray m_prepared;
    QString m_product;
    // Each kept file is offered once per run; No keeps it for later.
    QStringList m_restoreOffered;
    bool m_restoring = false;
};
