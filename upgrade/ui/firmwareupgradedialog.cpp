#include "upgrade/ui/firmwareupgradedialog.h"

#include "device/devicemodels.h"
#include "device/devicewatcher.h"
#include "device/prompt.h"
#include "device/serialport.h"
#include "device/vocabulary.h"
#include "upgrade/firmwareversion.h"
#include "upgrade/serialportlink.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QLoggingCategory>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>

Q_DECLARE_LOGGING_CATEGORY(lcUpgrade)

const QString FirmwareUpgradeDialog::StopQuestion =
    QStringLiteral("An upgrade is running. Stop it? The device may be left without working firmware.");

namespace {

constexpr qint32 BaudRate = 115200;
const QString DialogTitle = QStringLiteral("Firmware Upgrade");

QString red(const QString &text)
{
    return QStringLiteral("<font color=\"red\">%1</font>").arg(text);
}

} // namespace

FirmwareUpgradeDialog::FirmwareUpgradeDialog(SerialPort *serialPort, DeviceWatcher *watcher, Prompt *prompt,
                                             const UpdateServer &server, QWidget *parent,
                                             const UpgradeTimings &timings)
    : QDialog(parent)
    , m_port(serialPort)
    , m_watcher(watcher)
    , m_prompt(prompt)
    , m_link(std::make_unique<SerialPortLink>(serialPort))
    , m_job(new FirmwareUpgradeJob(m_link.get(), this))
    , m_online(new OnlineFirmware(server, this))
    , m_listRefreshTimer(new QTimer(this))
{
    m_job->setTimings(timings);
    buildUi();

    connect(m_job, &FirmwareUpgradeJob::logMessage, this, &FirmwareUpgradeDialog::log);
    connect(m_job, &FirmwareUpgradeJob::progressChanged, m_form.progressBar, &QProgressBar::setValue);
    connect(m_job, &FirmwareUpgradeJob::stateChanged, this, &FirmwareUpgradeDialog::onStateChanged);
    connect(m_job, &FirmwareUpgradeJob::failed, this, &FirmwareUpgradeDialog::onJobFailed);
    connect(m_job, &FirmwareUpgradeJob::succeeded, this, &FirmwareUpgradeDialog::onJobSucceeded);

    connect(m_online, &OnlineFirmware::logMessage, this, &FirmwareUpgradeDialog::log);
    connect(m_online, &OnlineFirmware::updateAvailable, this, &FirmwareUpgradeDialog::onUpdateAvailable);
    connect(m_online, &OnlineFirmware::noUpdate, this,
            [this](const FirmwareVersion::Verdict &verdict, const QString &text) {
                qCDebug(lcUpgrade) << "Update check failed / no new version."
                                   << "Product =" << m_reportedModel << "Current Version =" << m_reportedVersion << "Latest Version =" << verdict.latest
                                   << "Parsed current =" << FirmwareVersion::numbers(m_reportedVersion, true)
                                   << "Parsed latest =" << FirmwareVersion::numbers(verdict.latest, true)
                                   << "Raw txt preview =" << text.left(500);
            });
    connect(m_online, &OnlineFirmware::imageReceived, this, &FirmwareUpgradeDialog::onImageReceived);
    connect(m_online, &OnlineFirmware::failed, this, &FirmwareUpgradeDialog::onOnlineFailed);

    connect(serialPort, &SerialPort::versionReceived, this, &FirmwareUpgradeDialog::onVersionReported);
    connect(serialPort, &SerialPort::modelReceived, this, &FirmwareUpgradeDialog::onModelReported);
    connect(serialPort, &SerialPort::eraseFinished, this, &FirmwareUpgradeDialog::onEraseReported);
    connect(serialPort, &SerialPort::chunkAcknowledged, this, &FirmwareUpgradeDialog::onChunkAcknowledged);
    connect(serialPort, &SerialPort::portDisconnected, this, &FirmwareUpgradeDialog::onPortDisconnected);
    // Whoever closes the shared port (the dialog, the window, a lost device),
    // the dialog no longer holds it.
    connect(serialPort, &QIODevice::aboutToClose, this, [this] { m_ownsPort = false; });
    // A port that vanishes without a hang-up, and one that comes back, are
    // the watcher's to notice.
    if (m_watcher) {
        connect(m_watcher, &DeviceWatcher::portRemoved, this, &FirmwareUpgradeDialog::onPortDisconnected);
        connect(m_watcher, &DeviceWatcher::portAdded, this, [this](const QString &name) {
            noteReconnected(name, QString());
        });
    }
    connect(serialPort, &QSerialPort::errorOccurred, this, &FirmwareUpgradeDialog::onPortError);

    connect(m_listRefreshTimer, &QTimer::timeout, this, &FirmwareUpgradeDialog::refreshDeviceList);
    m_listRefreshTimer->setInterval(timings.listRefreshMs);
}

FirmwareUpgradeDialog::~FirmwareUpgradeDialog() = default;

void FirmwareUpgradeDialog::buildUi()
{
    setWindowTitle(DialogTitle);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(663, 310);
    m_form.setUp(this);
    connect(m_form.connectButton, &QPushButton::clicked, this, &FirmwareUpgradeDialog::toggleConnection);
    connect(m_form.closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(m_form.openFileButton, &QPushButton::clicked, this, &FirmwareUpgradeDialog::openFirmwareFile);
    connect(m_form.upgradeButton, &QPushButton::clicked, this, &FirmwareUpgradeDialog::startUpgrade);
}

QString FirmwareUpgradeDialog::logText() const
{
    return m_form.log->toPlainText();
}

void FirmwareUpgradeDialog::log(const QString &html)
{
    m_form.log->append(html);
    // The newest line is the one that matters during a transfer.
    m_form.log->verticalScrollBar()->setValue(m_form.log->verticalScrollBar()->maximum());
}

void FirmwareUpgradeDialog::showFromMenu()
{
    show();
    raise();
    refreshDeviceList();
    m_form.log->clear();
}

void FirmwareUpgradeDialog::setPreparedFirmware(const QByteArray &image)
{
    m_job->setFirmware(image);
    m_localFile.clear();
    m_autoUpgrade = true;
}

bool FirmwareUpgradeDialog::holdsPort() const
{
    return m_ownsPort && m_port->isOpen();
}

void FirmwareUpgradeDialog::refreshDeviceList()
{
    if (!m_watcher)
        return;
    m_watcher->scan();
    QMap<QString, QString> pairs; // label -> port, ordered by label
    for (const UsbSerialPort &port : m_watcher->usbSerialPorts()) {
        const QString label = port.description + QStringLiteral(" (%1)").arg(port.portName);
        // A device that runs its normal firmware is not an upgrade target.
        if (label.startsWith(DeviceModels::brand(), Qt::CaseInsensitive))
            continue;
        pairs.insert(label, port.portName);
    }

    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it) {
        if (!m_lostPort.isEmpty())
            noteReconnected(it.value(), it.key());
    }

    bool differs = m_form.portCombo->count() != pairs.size();
    int row = 0;
    for (auto it = pairs.cbegin(); !differs && it != pairs.cend(); ++it, ++row)
        differs = m_form.portCombo->itemText(row) != it.key() || m_form.portCombo->itemData(row).toString() != it.value();
    if (!differs)
        return;
    const QString current = m_form.portCombo->currentData().toString();
    m_form.portCombo->clear();
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it)
        m_form.portCombo->addItem(it.key(), it.value());
    log(QStringLiteral("Device list refreshed: found %1 device(s).").arg(pairs.size()));
    const int index = m_form.portCombo->findData(current, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        m_form.portCombo->setCurrentIndex(index);
}

void FirmwareUpgradeDialog::noteReconnected(const QString &portName, const QString &label)
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

bool FirmwareUpgradeDialog::openBootloaderPort(const QString &portName, const QString &label, bool askOnFailure)
{
    // The window's device had the port: it lets go first, so that its
    // pages, its connection and its online check stop with it.
    if (m_port->isOpen() && !holdsPort()) {
        emit portRequested();
        if (m_port->isOpen())
            m_port->close();
    }
    if (!m_port->openPort(portName, BaudRate)) {
        if (askOnFailure)
            m_prompt->message(Prompt::Warning, QStringLiteral("Error"),
                              QStringLiteral("Failed to open port: %1").arg(m_port->errorString()), Prompt::Ok);
        else
            qCDebug(lcUpgrade) << "bootloader port not opened:" << m_port->errorString();
        return false;
    }
    m_ownsPort = true;
    m_connectedPort = portName;
    m_connectedLabel = label;
    m_lostPort.clear();
    m_lostLabel.clear();
    if (!m_port->writeFrame(Vocabulary::identificationQuery()))
        qCDebug(lcUpgrade) << "model query not sent:" << m_port->errorString();
    m_job->setConnected();
    return true;
}

void FirmwareUpgradeDialog::disconnectPort()
{
    m_online->abort();
    if (holdsPort())
        m_port->close();
    m_ownsPort = false;
    m_job->setDisconnected();
}

bool FirmwareUpgradeDialog::confirmStop()
{
    if (!isTransferring())
        return true;
    if (m_prompt->message(Prompt::Warning, DialogTitle, StopQuestion, Prompt::Yes | Prompt::No) != Prompt::Yes)
        return false;
    // Checked again: the transfer may have ended while the question was up.
    if (isTransferring()) {
        log(red(QStringLiteral("Upgrade stopped. Put the device into firmware upgrade mode and upgrade again.")));
        m_autoUpgrade = false;
        m_onlineFirmware = false;
        m_job->resetUpgrade();
    }
    return true;
}

bool FirmwareUpgradeDialog::releasePort()
{
    if (!holdsPort())
        return true;
    if (!confirmStop())
        return false;
    disconnectPort();
    return true;
}

void FirmwareUpgradeDialog::toggleConnection()
{
    if (holdsPort()) {
        if (confirmStop())
            disconnectPort();
        return;
    }
    if (m_form.portCombo->count() == 0) {
        m_prompt->message(Prompt::Warning, QStringLiteral("No Device"),
                          QStringLiteral("No upgrade device detected. Please check connection and mode."), Prompt::Ok);
        return;
    }
    (void)openBootloaderPort(m_form.portCombo->currentData().toString(), m_form.portCombo->currentText(), true);
}

bool FirmwareUpgradeDialog::prioritizeBootloaderDevice(bool autoConnect, const QString &model)
{
    refreshDeviceList();
    if (m_form.portCombo->count() == 0) {
        qCDebug(lcUpgrade) << "no device listed for the upgrade";
        return false;
    }
    int found = -1;
    for (int i = 0; i < m_form.portCombo->count() && found < 0; ++i) {
        if (DeviceModels::isBootloaderDescription(m_form.portCombo->itemText(i), model))
            found = i;
    }
    if (found < 0) {
        qCDebug(lcUpgrade) << "no bootloader device detected";
        for (int i = 0; i < m_form.portCombo->count(); ++i)
            qCDebug(lcUpgrade).noquote().nospace()
                << "  [" << i << "]" << m_form.portCombo->itemText(i) << "-> " << m_form.portCombo->itemData(i).toString();
        return false;
    }
    m_form.portCombo->setCurrentIndex(found);
    if (!autoConnect || holdsPort())
        return true;
    (void)openBootloaderPort(m_form.portCombo->itemData(found).toString(), m_form.portCombo->itemText(found), false);
    return true;
}

void FirmwareUpgradeDialog::onModelReported(const QString &model)
{
    // While the main window uses the shared port, its device's answers are
    // not the bootloader's (and a hidden log need not be laid out).
    if (!holdsPort())
        return;
    m_reportedModel = model;
    log(QStringLiteral("Product Model: %1").arg(model));
}

void FirmwareUpgradeDialog::onVersionReported(const QString &version)
{
    if (!holdsPort())
        return;
    m_reportedVersion = version;
    log(QStringLiteral("Current Firmware: %1").arg(version));
    if (m_job->state() != FirmwareUpgradeJob::Connected)
        return;
    if (m_autoUpgrade && !m_job->firmware().isEmpty()) {
        log(QStringLiteral("Prepared firmware found. Skip online check and start auto upgrade."));
        m_job->startErase();
        return;
    }
    startOnlineCheck();
}

void FirmwareUpgradeDialog::onEraseReported(bool erased)
{
    m_job->eraseReplied(erased);
}

void FirmwareUpgradeDialog::onChunkAcknowledged(int ackBytes)
{
    m_job->chunkAcknowledged(ackBytes);
}

void FirmwareUpgradeDialog::openFirmwareFile()
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
    m_localFile = path;
    m_form.fileEdit->setText(path);
    log(QStringLiteral("Local file loaded: %1 bytes").arg(image.size()));
    log(QStringLiteral("<font color=\"green\">File loaded successfully. Click 'Start Upgrade' to begin.</font>"));
    m_form.upgradeButton->setEnabled(true);
}

void FirmwareUpgradeDialog::startUpgrade()
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
    // Erasing cannot be taken back: a local file is written only when the
    // user has seen which device and which file.
    if (!m_localFile.isEmpty()) {
        const QString device = m_reportedModel.isEmpty() ? QStringLiteral("the device") : QStringLiteral("the ") + m_reportedModel;
        const qlonglong size = m_job->firmware().size();
        const QString bytes = size == 1 ? QStringLiteral("1 byte")
                                        : QStringLiteral("%1 bytes").arg(QLocale(QLocale::English).toString(size));
        const QString question = QStringLiteral("Erase %1 and write %2 (%3)? Keep the device connected until the "
                                                "upgrade says it is done.")
                                     .arg(device, QFileInfo(m_localFile).fileName(), bytes);
        if (m_prompt->message(Prompt::Question, DialogTitle, question, Prompt::Yes | Prompt::No) != Prompt::Yes)
            return;
        // The device may have gone while the question was up.
        if (m_job->state() != FirmwareUpgradeJob::Connected)
            return;
    }
    m_onlineFirmware = false;
    log(QStringLiteral("Starting manual upgrade..."));
    m_form.upgradeButton->setEnabled(false);
    m_job->startErase();
}

void FirmwareUpgradeDialog::onStateChanged(FirmwareUpgradeJob::State state)
{
    switch (state) {
    case FirmwareUpgradeJob::Idle:
        m_form.connectButton->setEnabled(true);
        m_form.connectButton->setText(QStringLiteral("Connect"));
        m_form.portCombo->setEnabled(true);
        m_form.upgradeButton->setEnabled(true);
        break;
    case FirmwareUpgradeJob::Connected:
        m_form.connectButton->setEnabled(true);
        m_form.connectButton->setText(QStringLiteral("Disconnect"));
        m_form.portCombo->setEnabled(false);
        m_form.upgradeButton->setEnabled(true);
        break;
    case FirmwareUpgradeJob::Erasing:
    case FirmwareUpgradeJob::Sending:
    case FirmwareUpgradeJob::Finalizing:
        m_form.connectButton->setEnabled(false);
        m_form.portCombo->setEnabled(false);
        m_form.upgradeButton->setEnabled(false);
        break;
    case FirmwareUpgradeJob::Failed:
        break;
    }
}

void FirmwareUpgradeDialog::onJobFailed(FirmwareUpgradeJob::Error error)
{
    // Nothing was erased when the image never arrived: the box says so
    // rather than sending the user to check a connection that is fine.
    const QString text = error == FirmwareUpgradeJob::Error::DownloadFailed
        ? OnlineFirmware::downloadFailedText(m_downloadFailure)
        : QStringLiteral("Upgrade failed. Please check connection and try again.");
    m_prompt->message(Prompt::Critical, QStringLiteral("Upgrade Failed"), text, Prompt::Ok);
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
    m_autoUpgrade = false;
    m_onlineFirmware = false;
    // The job is back in Idle, whose button reads "Connect": the port must
    // agree, so that one press reaches the bootloader afresh.
    if (holdsPort())
        m_port->close();
}

void FirmwareUpgradeDialog::onJobSucceeded()
{
    m_prompt->message(Prompt::Information, QStringLiteral("Upgrade"),
                      QStringLiteral("Upgrade successful, please power on the device again."), Prompt::Ok);
    m_autoUpgrade = false;
    m_onlineFirmware = false;
    // The bootloader's work is done and the device restarts: a port left
    // open would keep the window from its device and show it as connected.
    disconnectPort();
    emit upgradeSucceeded();
}

void FirmwareUpgradeDialog::onPortDisconnected(const QString &portName)
{
    if (portName == m_connectedPort)
        m_job->deviceRemoved(portName);
}

void FirmwareUpgradeDialog::onPortError(QSerialPort::SerialPortError error)
{
    // A ResourceError may be a full output queue as well as a lost device;
    // the port tells them apart and reports a lost one as disconnected.
    if (error != QSerialPort::DeviceNotFoundError && error != QSerialPort::NotOpenError)
        return;
    const auto state = m_job->state();
    if (state == FirmwareUpgradeJob::Erasing || state == FirmwareUpgradeJob::Sending)
        m_job->communicationLost();
}

void FirmwareUpgradeDialog::resetUpgrade()
{
    m_autoUpgrade = false;
    m_onlineFirmware = false;
    m_online->abort();
    m_job->resetUpgrade();
}

// The list is refreshed while someone can see it; the main window's search
// for the bootloader refreshes it itself.
void FirmwareUpgradeDialog::showEvent(QShowEvent *event)
{
    m_listRefreshTimer->start();
    QDialog::showEvent(event);
}

void FirmwareUpgradeDialog::hideEvent(QHideEvent *event)
{
    m_listRefreshTimer->stop();
    QDialog::hideEvent(event);
}

void FirmwareUpgradeDialog::reject()
{
    if (!confirmStop())
        return;
    resetUpgrade();
    // A closed dialog holds nothing: the window may use the port again.
    disconnectPort();
    QDialog::reject();
}

void FirmwareUpgradeDialog::startOnlineCheck()
{
    const DeviceModels::DeviceModel *row = DeviceModels::findOnUpdateServer(m_reportedModel);
    if (!row) {
        log(QStringLiteral("Online update not supported for this device."));
        return;
    }
    m_online->check(row->updateProduct, FirmwareVersion::updateTextPath(row->updateProduct), m_reportedVersion,
                    FirmwareVersion::Comparison::EveryNumber);
}

void FirmwareUpgradeDialog::onUpdateAvailable(const OnlineFirmware::Offer &offer)
{
    // The user may have disconnected (or started a local file) meanwhile.
    if (m_job->state() != FirmwareUpgradeJob::Connected)
        return;
    m_latestVersion = offer.latestVersion;
    if (m_autoUpgrade) {
        log(QStringLiteral("Auto update mode enabled. Start downloading firmware..."));
    } else {
        const QString description = offer.description.trimmed();
        const QString question = QStringLiteral("Current: %1_%2\nNew version available: %3\n\nUpdate Content:\n%4")
                                     .arg(offer.product, offer.currentVersion, offer.latestVersion,
                                          description.isEmpty() ? QStringLiteral("No description") : description);
        if (m_prompt->message(Prompt::Question, QStringLiteral("Update Available"), question,
                              Prompt::Ok | Prompt::Cancel)
            != Prompt::Ok) {
            log(QStringLiteral("User cancelled the update."));
            return;
        }
        log(QStringLiteral("User accepted update. Start downloading firmware..."));
    }
    log(QStringLiteral("Firmware URL: %1").arg(offer.imagePath));
    m_online->download(offer);
}

void FirmwareUpgradeDialog::onImageReceived(const QByteArray &image)
{
    if (m_job->state() != FirmwareUpgradeJob::Connected)
        return;
    m_job->setFirmware(image);
    m_localFile.clear();
    log(QStringLiteral("Downloaded new firmware: %1 (%2 bytes)").arg(m_latestVersion).arg(image.size()));
    m_onlineFirmware = true;
    if (holdsPort())
        m_job->startErase();
}

void FirmwareUpgradeDialog::onOnlineFailed(OnlineFirmware::Kind kind, const QString &reason)
{
    if (m_job->state() != FirmwareUpgradeJob::Connected)
        return;
    // Without the update text nothing has started: the device stays connected
    // and a local file (perhaps loaded already) can still be written.
    if (kind == OnlineFirmware::Kind::UpdateText) {
        log(red(QStringLiteral("Online update check failed: %1").arg(reason.toHtmlEscaped())));
        return;
    }
    m_downloadFailure = reason;
    m_job->failAttempt(FirmwareUpgradeJob::Error::DownloadFailed,
                       red(QStringLiteral("Online firmware not available: %1").arg(reason.toHtmlEscaped())));
}
