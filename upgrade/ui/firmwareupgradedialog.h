#pragma once

#include "network/updateserver.h"
#include "upgrade/firmwareupgradejob.h"
#include "upgrade/onlinefirmware.h"
#include "upgrade/ui/firmwareupgradeform.h"

#include <QDialog>
#include <QSerialPort>
#include <QString>

#include <memory>

class DeviceWatcher;
class Prompt;
class QTimer;
class SerialPort;
class SerialPortLink;

// Writes a firmware image into a device in its bootloader, over the serial
// port the main window shares with it. The transfer itself is the job's; the
// dialog opens the port, shows the job's log and progress, and asks and
// reports through the prompt. While it holds the port nobody else may use it:
// the window asks releasePort() first, and during a transfer that means a
// question.
class FirmwareUpgradeDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString StopQuestion;

    // Neither the port, the watcher nor the prompt is owned.
    FirmwareUpgradeDialog(SerialPort *serialPort, DeviceWatcher *watcher, Prompt *prompt, const UpdateServer &server,
                          QWidget *parent = nullptr, const UpgradeTimings &timings = UpgradeTimings::defaults());
    ~FirmwareUpgradeDialog() override;

    [[nodiscard]] FirmwareUpgradeJob *job() const { return m_job; }
    [[nodiscard]] OnlineFirmware *online() const { return m_online; }
    [[nodiscard]] int upgradeState() const { return m_job->state(); }
    [[nodiscard]] QString reportedModel() const { return m_reportedModel; }
    [[nodiscard]] QString reportedVersion() const { return m_reportedVersion; }
    [[nodiscard]] QString logText() const;
    [[nodiscard]] QComboBox *portCombo() const { return m_form.portCombo; }

    // Shows the dialog from the menu: refreshed list, empty log.
    void showFromMenu();

    // The main window's hand-off: the image to write without asking.
    void setPreparedFirmware(const QByteArray &image);
    [[nodiscard]] bool autoUpgrade() const { return m_autoUpgrade; }
    [[nodiscard]] bool onlineFirmware() const { return m_onlineFirmware; }
    // Selects the first listed bootloader (of model, when given) and, with
    // autoConnect, connects to it unless the dialog holds a port already.
    [[nodiscard]] bool prioritizeBootloaderDevice(bool autoConnect, const QString &model = QString());
    void resetUpgrade();

    // The dialog has the shared port open to a bootloader.
    [[nodiscard]] bool holdsPort() const;
    // Erasing, sending or waiting for the written firmware to settle.
    [[nodiscard]] bool isTransferring() const { return m_job->isBusy(); }
    // Lets go of the port for someone else: at once when idle, after asking
    // during a transfer. False when the user keeps the upgrade running.
    [[nodiscard]] bool releasePort();

public slots:
    void onVersionReported(const QString &version);
    void onModelReported(const QString &model);
    void onEraseReported(bool erased);
    void onChunkAcknowledged(int ackBytes);
    void toggleConnection();
    void openFirmwareFile();
    void refreshDeviceList();
    void startUpgrade();
    // Esc, the title bar's close and "Close" all end here.
    void reject() override;

signals:
    // After the success box: the main window forgets its pending online check.
    void upgradeSucceeded();
    // The shared port is open for the main window's device; the window lets
    // go of it before the dialog opens its bootloader.
    void portRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildUi();
    void log(const QString &html);
    [[nodiscard]] bool openBootloaderPort(const QString &portName, const QString &label, bool askOnFailure);
    void disconnectPort();
    // Asks before a running transfer is abandoned, and stops it on Yes.
    [[nodiscard]] bool confirmStop();
    void onStateChanged(FirmwareUpgradeJob::State state);
    void onJobFailed(FirmwareUpgradeJob::Error error);
    void onJobSucceeded();
    void onPortDisconnected(const QString &portName);
    void onPortError(QSerialPort::SerialPortError error);
    void startOnlineCheck();
    void onUpdateAvailable(const OnlineFirmware::Offer &offer);
    void onImageReceived(const QByteArray &image);
    void onOnlineFailed(OnlineFirmware::Kind kind, const QString &reason);
    void noteReconnected(const QString &portName, const QString &label);

    SerialPort *const m_port;
    DeviceWatcher *const m_watcher;
    Prompt *const m_prompt;
    std::unique_ptr<SerialPortLink> m_link;
    FirmwareUpgradeJob *const m_job;
    OnlineFirmware *const m_online;
    QTimer *const m_listRefreshTimer;

    QString m_reportedModel;
    QString m_reportedVersion;
    bool m_autoUpgrade = false;
    bool m_onlineFirmware = false;
    bool m_ownsPort = false;
    QString m_connectedPort;
    QString m_connectedLabel; // as listed when it was opened
    QString m_localFile;      // the loaded image's file; empty for an online one
    QString m_latestVersion;
    QString m_downloadFailure;
    // The device lost during the last attempt, until it shows up again.
    QString m_lostPort;
    QString m_lostLabel;

    FirmwareUpgradeForm m_form;
};
