#pragma once

#include "upgrade/firmwareupgradejob.h"
#include "upgrade/onlinefirmware.h"

#include <QDialog>
#include <QSerialPort>
#include <QString>

#include <memory>

class DeviceWatcher;
class Prompt;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextBrowser;
class QTimer;
class SerialPort;
class SerialPortLink;

// Writes a firmware image into a device in its bootloader, over the serial
// port the main window shares with it. The transfer itself is the job's; the
// dialog opens the port, shows the job's log and progress, and asks and
// reports through the prompt.
class upgrade_dialog : public QDialog
{
    Q_OBJECT

public:
    // Neither the port, the watcher nor the prompt is owned.
    upgrade_dialog(SerialPort *serialPort, DeviceWatcher *watcher, Prompt *prompt,
                   QWidget *parent = nullptr, const UpgradeTimings &timings = UpgradeTimings::defaults());
    ~upgrade_dialog() override;

    [[nodiscard]] FirmwareUpgradeJob *job() const { return m_job; }
    [[nodiscard]] OnlineFirmware *online() const { return m_online; }
    [[nodiscard]] int upgradeState() const { return m_job->state(); }
    [[nodiscard]] QString reportedModel() const { return reportedModel_; }
    [[nodiscard]] QString reportedVersion() const { return reportedVersion_; }
    [[nodiscard]] QString logText() const;

    // Shows the dialog from the menu: refreshed list, empty log.
    void showFromMenu();

    // The main window's hand-off: the image to write without asking.
    void setPreparedFirmware(const QByteArray &image);
    [[nodiscard]] bool autoUpgrade() const { return autoUpgrade_; }
    [[nodiscard]] bool onlineFirmware() const { return onlineFirmware_; }
    [[nodiscard]] bool prioritizeBootloaderDevice(bool autoConnect);
    void resetUpgrade();

public slots:
    void rec_version(const QString &version);
    void rec_mtd(const QString &model);
    void rec_erase_flag(bool erased);
    void rec_chunk_ack(int ackBytes);
    void on_pushButton_clicked();
    void on_pushButton_3_clicked();
    void refreshDeviceList();
    void on_pushButton_4_clicked();

signals:
    // After the success box: the main window forgets its pending online check.
    void upgradeSucceeded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildUi();
    void log(const QString &html);
    [[nodiscard]] bool openBootloaderPort(const QString &portName, const QString &label, bool askOnFailure);
    void onStateChanged(FirmwareUpgradeJob::State state);
    void onJobFailed(FirmwareUpgradeJob::Error error);
    void onJobSucceeded();
    void onPortDisconnected(const QString &portName);
    void onPortError(QSerialPort::SerialPortError error);
    void startOnlineCheck();
    void onOnlineReceived(OnlineFirmware::Kind kind, const QByteArray &body);
    void onOnlineFailed(OnlineFirmware::Kind kind, const QString &reason);
    void noteReconnected(const QString &portName, const QString &label);

    SerialPort *const serialPort;
    DeviceWatcher *const m_watcher;
    Prompt *const m_prompt;
    std::unique_ptr<SerialPortLink> m_link;
    FirmwareUpgradeJob *const m_job;
    OnlineFirmware *const m_online;
    QTimer *const listRefreshTimer;

    QString reportedModel_;
    QString reportedVersion_;
    bool autoUpgrade_ = false;
    bool onlineFirmware_ = false;
    QString m_connectedPort;
    QString m_connectedLabel; // as listed when it was opened
    QString m_checkProduct;
    QString m_latestVersion;
    // The device lost during the last attempt, until it shows up again.
    QString m_lostPort;
    QString m_lostLabel;

    QComboBox *comboBox = nullptr;
    QPushButton *pushButton = nullptr;
    QPushButton *pushButton_2 = nullptr;
    QTextBrowser *textBrowser_2 = nullptr;
    QTextBrowser *textBrowser = nullptr;
    QLineEdit *lineEdit = nullptr;
    QPushButton *pushButton_3 = nullptr;
    QPushButton *pushButton_4 = nullptr;
    QProgressBar *progressBar = nullptr;
};
