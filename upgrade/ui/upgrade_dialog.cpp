#include "upgrade/ui/upgrade_dialog.h"

#include "device/devicewatcher.h"
#include "device/serialport.h"
#include "device/vocabulary.h"
#include "upgrade/serialportlink.h"
#include "upgrade/bootloaderprotocol.h"
#include "upgrade/firmwareversion.h"
#include "device/prompt.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

Q_DECLARE_LOGGING_CATEGORY(lcUpgrade)

namespace {

constexpr qint32 BaudRate = 115200;

const QString &brandPrefix()
{
    static const QString brand = QStringLiteral("Kestrova");
    return brand;
}

QString red(const QString &text)
{
    return QStringLiteral("<font color=\"red\">%1</font>").arg(text);
}

} // namespace

upgrade_dialog::upgrade_dialog(SerialPort *serialPort, DeviceWatcher *watcher, Prompt *prompt,
                               QWidget *parent, const UpgradeTimings &timings)
    : QDialog(parent)
    , serialPort(serialPort)
    , m_watcher(watcher)
    , m_prompt(prompt)
    , m_link(std::make_unique<SerialPortLink>(serialPort))
    , m_job(new FirmwareUpgradeJob(m_link.get(), this))
    , m_online(new OnlineFirmware(UpdateServer::fromSettings(QStringLiteral("config.ini")), this))
    , listRefreshTimer(new QTimer(this))
{
    m_job->setTimings(timings);
    buildUi();

    connect(m_job, &FirmwareUpgradeJob::logMessage, this, &upgrade_dialog::log);
    connect(m_job, &FirmwareUpgradeJob::progressChanged, progressBar, &QProgressBar::setValue);
    connect(m_job, &FirmwareUpgradeJob::stateChanged, this, &upgrade_dialog::onStateChanged);
    connect(m_job, &FirmwareUpgradeJob::failed, this, &upgrade_dialog::onJobFailed);
    connect(m_job, &FirmwareUpgradeJob::succeeded, this, &upgrade_dialog::onJobSucceeded);

    connect(m_online, &OnlineFirmware::logMessage, this, &upgrade_dialog::log);
    connect(m_online, &OnlineFirmware::received, this, &upgrade_dialog::onOnlineReceived);
    connect(m_online, &OnlineFirmware::failed, this, &upgrade_dialog::onOnlineFailed);

    connect(serialPort, &SerialPort::versionReceived, this, &upgrade_dialog::rec_version);
    connect(serialPort, &SerialPort::modelReceived, this, &upgrade_dialog::rec_mtd);
    connect(serialPort, &SerialPort::eraseFinished, this, &upgrade_dialog::rec_erase_flag);
    connect(serialPort, &SerialPort::chunkAcknowledged, this, &upgrade_dialog::rec_chunk_ack);
    connect(serialPort, &SerialPort::portDisconnected, this, &upgrade_dialog::onPortDisconnected);
    // A port that vanishes without a hang-up, and one that comes back, are
    // the watcher's to notice.
    if (m_watcher) {
        connect(m_watcher, &DeviceWatcher::portRemoved, this, &upgrade_dialog::onPortDisconnected);
        connect(m_watcher, &DeviceWatcher::portAdded, this, [this](const QString &name) {
            noteReconnected(name, QString());
        });
    }
    connect(serialPort, &QSerialPort::errorOccurred, this, &upgrade_dialog::onPortError);

    connect(listRefreshTimer, &QTimer::timeout, this, &upgrade_dialog::refreshDeviceList);
    listRefreshTimer->setInterval(timings.listRefreshMs);
}

upgrade_dialog::~upgrade_dialog() = default;

void upgrade_dialog::buildUi()
{
    setWindowTitle(QStringLiteral("Firmware Upgrade"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(663, 310);

    auto *layout = new QVBoxLayout(this);
    auto *portRow = new QHBoxLayout;
    comboBox = new QComboBox(this);
    comboBox->setObjectName(QStringLiteral("comboBox"));
    comboBox->setMinimumWidth(150);
    comboBox->setAccessibleName(QStringLiteral("Bootloader port"));
    pushButton = new QPushButton(QStringLiteral("Connect"), this);
    pushButton->setObjectName(QStringLiteral("pushButton"));
    pushButton->setAccessibleName(QStringLiteral("Connect to the bootloader"));
    pushButton_2 = new QPushButton(QStringLiteral("Close"), this);
    pushButton_2->setObjectName(QStringLiteral("pushButton_2"));
    pushButton_2->setAccessibleName(QStringLiteral("Close the firmware upgrade"));
    portRow->addWidget(comboBox);
    portRow->addWidget(pushButton);
    portRow->addWidget(pushButton_2);
    portRow->addStretch();
    layout->addLayout(portRow);

    textBrowser_2 = new QTextBrowser(this);
    textBrowser_2->setObjectName(QStringLiteral("textBrowser_2"));
    textBrowser_2->setMaximumHeight(30);
    textBrowser_2->setAccessibleName(QStringLiteral("Instructions"));
    textBrowser_2->setText(QStringLiteral("Please refer to the product manual to put the device into firmware "
                                          "upgrade mode before connecting."));
    layout->addWidget(textBrowser_2);

    textBrowser = new QTextBrowser(this);
    textBrowser->setObjectName(QStringLiteral("textBrowser"));
    textBrowser->setAccessibleName(QStringLiteral("Upgrade log"));
    layout->addWidget(textBrowser);

    auto *fileRow = new QHBoxLayout;
    lineEdit = new QLineEdit(this);
    lineEdit->setObjectName(QStringLiteral("lineEdit"));
    lineEdit->setAccessibleName(QStringLiteral("Firmware file"));
    pushButton_3 = new QPushButton(QStringLiteral("Open File"), this);
    pushButton_3->setObjectName(QStringLiteral("pushButton_3"));
    pushButton_3->setAccessibleName(QStringLiteral("Open a firmware file"));
    pushButton_4 = new QPushButton(QStringLiteral("Upgrade"), this);
    pushButton_4->setObjectName(QStringLiteral("pushButton_4"));
    pushButton_4->setAccessibleName(QStringLiteral("Start the upgrade"));
    fileRow->addWidget(lineEdit);
    fileRow->addWidget(pushButton_3);
    fileRow->addWidget(pushButton_4);
    layout->addLayout(fileRow);

    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setAccessibleName(QStringLiteral("Upgrade progress"));
    layout->addWidget(progressBar);

    connect(pushButton, &QPushButton::clicked, this, &upgrade_dialog::on_pushButton_clicked);
    connect(pushButton_2, &QPushButton::clicked, this, &QDialog::close);
    connect(pushButton_3, &QPushButton::clicked, this, &upgrade_dialog::on_pushButton_3_clicked);
    connect(pushButton_4, &QPushButton::clicked, this, &upgrade_dialog::on_pushButton_4_clicked);
}

QString upgrade_dialog::logText() const
{
    return textBrowser->toPlainText();
}

void upgrade_dialog::log(const QString &html)
{
    textBrowser->append(html);
    // The newest line is the one that matters during a transfer.
    textBrowser->verticalScrollBar()->setValue(textBrowser->verticalScrollBar()->maximum());
}

void upgrade_dialog::showFromMenu()
{
    show();
    raise();
    refreshDeviceList();
    textBrowser->clear();
}

void upgrade_dialog::setPreparedFirmware(const QByteArray &image)
{
    m_job->setFirmware(image);
    autoUpgrade_ = true;
}

void upgrade_dialog::refreshDeviceList()
{
    if (!m_watcher)
        return;
    m_watcher->scan();
    QMap<QString, QString> pairs; // label -> port, ordered by label
    for (const UsbSerialPort &port : m_watcher->usbSerialPorts()) {
        const QString label = port.description + QStringLiteral(" (%1)").arg(port.portName);
        // A device that runs its normal firmware is not an upgrade target.
        if (label.startsWith(brandPrefix(), Qt::CaseInsensitive))
            continue;
        pairs.insert(label, port.portName);
    }

    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it) {
        if (!m_lostPort.isEmpty())
            noteReconnected(it.value(), it.key());
    }

    bool differs = comboBox->count() != pairs.size();
    int row = 0;
    for (auto it = pairs.cbegin(); !differs && it != pairs.cend(); ++it, ++row)
        differs = comboBox->itemText(row) != it.key() || comboBox->itemData(row).toString() != it.value();
    if (!differs)
        return;
    const QString current = comboBox->currentData().toString();
    comboBox->clear();
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it)
        comboBox->addItem(it.key(), it.value());
    log(QStringLiteral("Device list refreshed: found %1 device(s).").arg(pairs.size()));
    const int index = comboBox->findData(current, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        comboBox->setCurrentIndex(index);
}

void upgrade_dialog::noteReconnected(const QString &portName, const QString &label)
{
    if (m_lostPort.isEmpty())
        return;
    // The same port name, or the same device on a new port (a re-enumerated
    // USB device may come back under another name).
    const QString lostDevice = m_lostLabel.section(QStringLiteral(" ("), 0, 0);
    const bool same = portName == m_lostPort
        || (!label.isEmpty() && !lostDevice.isEmpty() && label.section(QStringLiteral(" ("), 0, 0) == lostDevice);
    if (!same)
        return;
    m_lostPort.clear();
    m_lostLabel.clear();
    log(QStringLiteral("<font color=\"green\">Device reconnected: %1</font>").arg(portName));
    log(QStringLiteral("You can now try the upgrade again."));
}

bool upgrade_dialog::openBootloaderPort(const QString &portName, const QString &label, bool askOnFailure)
{
    if (!serialPort->openPort(portName, BaudRate)) {
        if (askOnFailure)
            m_prompt->message(Prompt::Warning, QStringLiteral("Error"),
                              QStringLiteral("Failed to open port: %1").arg(serialPort->errorString()), Prompt::Ok);
        else
            qCDebug(lcUpgrade) << "bootloader port not opened:" << serialPort->errorString();
        return false;
    }
    m_connectedPort = portName;
    m_connectedLabel = label;
    m_lostPort.clear();
    m_lostLabel.clear();
    if (!serialPort->writeFrame(Vocabulary::identificationQuery()))
        qCDebug(lcUpgrade) << "model query not sent:" << serialPort->errorString();
    m_job->setConnected();
    return true;
}

void upgrade_dialog::on_pushButton_clicked()
{
    if (serialPort->isOpen()) {
        m_online->abort();
        serialPort->close();
        m_job->setDisconnected();
        return;
    }
    if (comboBox->count() == 0) {
        m_prompt->message(Prompt::Warning, QStringLiteral("No Device"),
                          QStringLiteral("No upgrade device detected. Please check connection and mode."), Prompt::Ok);
        return;
    }
    (void)openBootloaderPort(comboBox->currentData().toString(), comboBox->currentText(), true);
}

bool upgrade_dialog::prioritizeBootloaderDevice(bool autoConnect)
{
    refreshDeviceList();
    if (comboBox->count() == 0) {
        qCDebug(lcUpgrade) << "no device listed for the upgrade";
        return false;
    }
    int found = -1;
    for (int i = 0; i < comboBox->count() && found < 0; ++i) {
        if (comboBox->itemText(i).contains(BootloaderProtocol::listMarker()))
            found = i;
    }
    if (found < 0) {
        qCDebug(lcUpgrade) << "no bootloader device detected";
        for (int i = 0; i < comboBox->count(); ++i)
            qCDebug(lcUpgrade).noquote().nospace()
                << "  [" << i << "]" << comboBox->itemText(i) << "-> " << comboBox->itemData(i).toString();
        return false;
    }
    comboBox->setCurrentIndex(found);
    if (!autoConnect || serialPort->isOpen())
        return true;
    (void)openBootloaderPort(comboBox->itemData(found).toString(), comboBox->itemText(found), false);
    return true;
}

void upgrade_dialog::rec_mtd(const QString &model)
{
    // While the main window uses the shared port, its device's answers are
    // not the bootloader's (and a hidden log need not be laid out).
    if (m_job->state() == FirmwareUpgradeJob::Idle)
        return;
    reportedModel_ = model;
    log(QStringLiteral("Product Model: %1").arg(model));
}

void upgrade_dialog::rec_version(const QString &version)
{
    if (m_job->state() == FirmwareUpgradeJob::Idle)
        return;
    reportedVersion_ = version;
    log(QStringLiteral("Current Firmware: %1").arg(version));
    if (m_job->state() != FirmwareUpgradeJob::Connected)
        return;
    if (autoUpgrade_ && !m_job->firmware().isEmpty()) {
        log(QStringLiteral("Prepared firmware found. Skip online check and start auto upgrade."));
        m_job->startErase();
        return;
    }
    startOnlineCheck();
}

void upgrade_dialog::rec_erase_flag(bool erased)
{
    m_job->eraseReplied(erased);
}

void upgrade_dialog::rec_chunk_ack(int ackBytes)
{
    m_job->chunkAcknowledged(ackBytes);
}

void upgrade_dialog::on_pushButton_3_clicked()
{
    if (m_job->state() != FirmwareUpgradeJob::Connected) {
        m_prompt->message(Prompt::Warning, QStringLiteral("Warning"), QStringLiteral("Please connect the device first."),
                          Prompt::Ok);
        return;
    }
    const QString path = m_prompt->openFileName(QStringLiteral("Select Firmware"), QString(),
                                                QStringLiteral("Bin files (*.bin);;All files (*.*)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompt->message(Prompt::Warning, QStringLiteral("Error"), QStringLiteral("Cannot open file."), Prompt::Ok);
        return;
    }
    const QByteArray image = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_prompt->message(Prompt::Warning, QStringLiteral("Error"), QStringLiteral("Cannot open file."), Prompt::Ok);
        return;
    }
    m_job->setFirmware(image);
    lineEdit->setText(path);
    log(QStringLiteral("Local file loaded: %1 bytes").arg(image.size()));
    log(QStringLiteral("<font color=\"green\">File loaded successfully. Click 'Start Upgrade' to begin.</font>"));
    pushButton_4->setEnabled(true);
}

void upgrade_dialog::on_pushButton_4_clicked()
{
    if (m_job->state() != FirmwareUpgradeJob::Connected) {
        m_prompt->message(Prompt::Warning, QStringLiteral("Warning"), QStringLiteral("Please connect the device first."),
                          Prompt::Ok);
        return;
    }
    if (m_job->firmware().isEmpty()) {
        m_prompt->message(Prompt::Warning, QStringLiteral("No File"), QStringLiteral("Please select a firmware file first."),
                          Prompt::Ok);
        return;
    }
    if (!m_job->validateFirmware(m_job->firmware(), QString())) {
        m_prompt->message(Prompt::Critical, QStringLiteral("Validation Failed"),
                          QStringLiteral("Firmware validation failed. Cannot proceed."), Prompt::Ok);
        return;
    }
    onlineFirmware_ = false;
    log(QStringLiteral("Starting manual upgrade..."));
    pushButton_4->setEnabled(false);
    m_job->startErase();
}

void upgrade_dialog::onStateChanged(FirmwareUpgradeJob::State state)
{
    switch (state) {
    case FirmwareUpgradeJob::Idle:
        pushButton->setEnabled(true);
        pushButton->setText(QStringLiteral("Connect"));
        comboBox->setEnabled(true);
        pushButton_4->setEnabled(true);
        break;
    case FirmwareUpgradeJob::Connected:
        pushButton->setEnabled(true);
        pushButton->setText(QStringLiteral("Disconnect"));
        comboBox->setEnabled(false);
        pushButton_4->setEnabled(true);
        break;
    case FirmwareUpgradeJob::Erasing:
    case FirmwareUpgradeJob::Sending:
    case FirmwareUpgradeJob::Finalizing:
        pushButton->setEnabled(false);
        comboBox->setEnabled(false);
        pushButton_4->setEnabled(false);
        break;
    case FirmwareUpgradeJob::Failed:
        break;
    }
}

void upgrade_dialog::onJobFailed(FirmwareUpgradeJob::Error error)
{
    m_prompt->message(Prompt::Critical, QStringLiteral("Upgrade Failed"),
                      QStringLiteral("Upgrade failed. Please check connection and try again."), Prompt::Ok);
    if (error == FirmwareUpgradeJob::Error::DeviceRemoved) {
        log(QStringLiteral("<font color=\"red\"><b>CRITICAL: Device removed!</b></font>"));
        log(red(QStringLiteral("Upgrade aborted immediately.")));
        m_prompt->message(
            Prompt::Critical, QStringLiteral("Upgrade Failed - Device Disconnected"),
            QStringLiteral("The device was physically removed during firmware upgrade.\n\n"
                           "\u2022 Flash may be partially erased.\n"
                           "\u2022 The device may not boot normally.\n\n"
                           "<b>Please do the following:</b>\n"
                           "1. Reconnect the USB cable.\n"
                           "2. Put the device back into firmware upgrade mode.\n"
                           "3. Try upgrading again.\n\n"
                           "If the device no longer enters upgrade mode, please contact technical support."),
            Prompt::Ok);
    } else if (error == FirmwareUpgradeJob::Error::CommunicationLost) {
        log(QStringLiteral("<font color=\"red\"><b>CRITICAL: Communication lost!</b></font>"));
    }
    if (error == FirmwareUpgradeJob::Error::DeviceRemoved || error == FirmwareUpgradeJob::Error::CommunicationLost) {
        m_lostPort = m_connectedPort;
        m_lostLabel = m_connectedLabel;
    }
    autoUpgrade_ = false;
    onlineFirmware_ = false;
    // The job is back in Idle, whose button reads "Connect": the port must
    // agree, so that one press reaches the bootloader afresh.
    if (serialPort->isOpen())
        serialPort->close();
}

void upgrade_dialog::onJobSucceeded()
{
    m_prompt->message(Prompt::Information, QStringLiteral("Upgrade"),
                      QStringLiteral("Upgrade successful, please power on the device again."), Prompt::Ok);
    autoUpgrade_ = false;
    onlineFirmware_ = false;
    emit upgradeSucceeded();
}

void upgrade_dialog::onPortDisconnected(const QString &portName)
{
    if (portName == m_connectedPort)
        m_job->deviceRemoved(portName);
}

void upgrade_dialog::onPortError(QSerialPort::SerialPortError error)
{
    // A ResourceError may be a full output queue as well as a lost device;
    // the port tells them apart and reports a lost one as disconnected.
    if (error != QSerialPort::DeviceNotFoundError && error != QSerialPort::NotOpenError)
        return;
    const auto state = m_job->state();
    if (state == FirmwareUpgradeJob::Erasing || state == FirmwareUpgradeJob::Sending)
        m_job->communicationLost();
}

void upgrade_dialog::resetUpgrade()
{
    autoUpgrade_ = false;
    onlineFirmware_ = false;
    m_online->abort();
    m_job->resetUpgrade();
}

// The list is refreshed while someone can see it; the main window's search
// for the bootloader refreshes it itself.
void upgrade_dialog::showEvent(QShowEvent *event)
{
    listRefreshTimer->start();
    QDialog::showEvent(event);
}

void upgrade_dialog::hideEvent(QHideEvent *event)
{
    listRefreshTimer->stop();
    QDialog::hideEvent(event);
}

void upgrade_dialog::closeEvent(QCloseEvent *event)
{
    resetUpgrade();
    QDialog::closeEvent(event);
}

void upgrade_dialog::startOnlineCheck()
{
    const auto row = FirmwareVersion::modelRow(reportedModel_);
    if (!row) {
        log(QStringLiteral("Online update not supported for this device."));
        return;
    }
    m_checkProduct = row->product;
    m_online->request(OnlineFirmware::Kind::UpdateText, row->updateTextPath);
}

void upgrade_dialog::onOnlineReceived(OnlineFirmware::Kind kind, const QByteArray &body)
{
    // The user may have disconnected (or started a local file) meanwhile.
    if (m_job->state() != FirmwareUpgradeJob::Connected)
        return;
    if (kind == OnlineFirmware::Kind::Image) {
        m_job->setFirmware(body);
        log(QStringLiteral("Downloaded new firmware: %1 (%2 bytes)").arg(m_latestVersion).arg(body.size()));
        onlineFirmware_ = true;
        if (serialPort->isOpen())
            m_job->startErase();
        return;
    }
    const QString text = QString::fromUtf8(body);
    const FirmwareVersion::Verdict verdict = FirmwareVersion::judge(m_checkProduct, reportedVersion_, text);
    for (const QString &line : verdict.log)
        log(line);
    if (!verdict.newer) {
        qCDebug(lcUpgrade) << "Update check failed / no new version."
                           << "Product =" << m_checkProduct << "Current Version =" << reportedVersion_
                           << "Latest Version =" << verdict.latest
                           << "Parsed current =" << FirmwareVersion::numbers(reportedVersion_, true)
                           << "Parsed latest =" << FirmwareVersion::numbers(verdict.latest, true)
                           << "Raw txt preview =" << text.left(500);
        return;
    }
    m_latestVersion = verdict.latest;
    const QString path = FirmwareVersion::imagePath(m_checkProduct, verdict.latest);
    if (autoUpgrade_) {
        log(QStringLiteral("Auto update mode enabled. Start downloading firmware..."));
    } else {
        const QString question = QStringLiteral("Current: %1_%2\nNew version available: %3\n\nUpdate Content:\n%4")
                                     .arg(m_checkProduct, reportedVersion_, verdict.latest,
                                          verdict.description.isEmpty() ? QStringLiteral("No description")
                                                                        : verdict.description);
        if (m_prompt->message(Prompt::Question, QStringLiteral("Update Available"), question,
                              Prompt::Ok | Prompt::Cancel)
            != Prompt::Ok) {
            log(QStringLiteral("User cancelled the update."));
            return;
        }
        log(QStringLiteral("User accepted update. Start downloading firmware..."));
    }
    log(QStringLiteral("Firmware URL: %1").arg(path));
    m_online->request(OnlineFirmware::Kind::Image, path);
}

void upgrade_dialog::onOnlineFailed(OnlineFirmware::Kind kind, const QString &reason)
{
    if (m_job->state() != FirmwareUpgradeJob::Connected)
        return;
    // Without the update text nothing has started: the device stays connected
    // and a local file (perhaps loaded already) can still be written.
    if (kind == OnlineFirmware::Kind::UpdateText) {
        log(red(QStringLiteral("Online update check failed: %1").arg(reason.toHtmlEscaped())));
        return;
    }
    m_job->failAttempt(FirmwareUpgradeJob::Error::DownloadFailed,
                       red(QStringLiteral("Online firmware not available: %1").arg(reason.toHtmlEscaped())));
}
