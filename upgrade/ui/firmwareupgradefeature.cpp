#include "upgrade/ui/firmwareupgradefeature.h"

#include "configfile/sync/configapply.h"
#include "configfile/sync/devicebackup.h"
#include "device/devicemodels.h"
#include "device/devicesession.h"
#include "device/devicewatcher.h"
#include "device/prompt.h"
#include "device/serialport.h"
#include "device/vocabulary.h"
#include "upgrade/firmwareversion.h"
#include "upgrade/ui/firmwareupgradedialog.h"

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTimer>

Q_DECLARE_LOGGING_CATEGORY(lcUpgrade)

const QString FirmwareUpgradeFeature::RestoreQuestion =
    QStringLiteral("Restore the settings saved before the firmware upgrade on %1?");

namespace {
constexpr int CheckDelayMs = 300;
constexpr int BootloaderCommandWriteMs = 100;
const QString UpgradeTitle = QStringLiteral("Firmware Upgrade");

// The dialog lists every USB serial port; without a watcher of the window's
// it keeps one of its own.
DeviceWatcher *watcherFor(DeviceWatcher *given, QObject *owner)
{
    return given ? given : new DeviceWatcher(DeviceModels::brand(), owner);
}

// For a sentence that goes on after the text.
QString withoutFullStop(QString text)
{
    text = text.trimmed();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}
} // namespace

FirmwareUpgradeFeature::FirmwareUpgradeFeature(DeviceSession *session, DeviceWatcher *watcher, Prompt *prompt,
                                               ServerSource server, QWidget *window, const UpgradeTimings &timings)
    : QObject(window)
    , m_session(session)
    , m_watcher(watcherFor(watcher, this))
    , m_prompt(prompt)
    , m_window(window)
    , m_timings(timings)
    , m_serverSource(std::move(server))
    , m_searchTimer(new QTimer(this))
    , m_checkTimer(new QTimer(this))
{
    m_searchTimer->setInterval(timings.bootloaderSearchMs);
    connect(m_searchTimer, &QTimer::timeout, this, &FirmwareUpgradeFeature::searchBootloader);
    connect(session, &DeviceSession::firmwareCheckRequested, this, &FirmwareUpgradeFeature::checkOnline);
    // Setting up a network request can hold the event loop for a while; the
    // device's connection queries (the last 200 ms after connecting) go first.
    m_checkTimer->setSingleShot(true);
    m_checkTimer->setInterval(CheckDelayMs);
    connect(m_checkTimer, &QTimer::timeout, this, &FirmwareUpgradeFeature::runCheck);
}

const UpdateServer &FirmwareUpgradeFeature::server()
{
    if (!m_server) {
        m_server = m_serverSource();
        if (!m_server->isValid())
            qCWarning(lcUpgrade).noquote() << "online firmware check off:" << m_server->errorString();
    }
    return *m_server;
}

OnlineFirmware *FirmwareUpgradeFeature::online()
{
    if (m_online)
        return m_online;
    m_online = new OnlineFirmware(server(), this);
    connect(m_online, &OnlineFirmware::updateAvailable, this, &FirmwareUpgradeFeature::onUpdateAvailable);
    connect(m_online, &OnlineFirmware::imageReceived, this, &FirmwareUpgradeFeature::onImage);
    connect(m_online, &OnlineFirmware::failed, this, [this](OnlineFirmware::Kind kind, const QString &reason) {
        if (kind == OnlineFirmware::Kind::UpdateText) {
            qCDebug(lcUpgrade).noquote() << "update text not fetched:" << reason;
            return;
        }
        m_prompt->message(Prompt::Critical, QStringLiteral("Upgrade Failed"), OnlineFirmware::downloadFailedText(reason),
                          Prompt::Ok);
    });
    return m_online;
}

FirmwareUpgradeDialog *FirmwareUpgradeFeature::dialog() const
{
    const_cast<FirmwareUpgradeFeature *>(this)->makeDialog();
    return m_dialog;
}

// A dialog that does not exist holds no port and runs no transfer; until the
// menu or an online upgrade needs it, the window does not build it.
void FirmwareUpgradeFeature::makeDialog()
{
    if (m_dialog)
        return;
    m_dialog = new FirmwareUpgradeDialog(m_session->serialPort(), m_watcher, m_prompt, server(), m_window,
                                         m_timings);
    connect(m_dialog, &FirmwareUpgradeDialog::portRequested, this, &FirmwareUpgradeFeature::releaseDeviceRequested);
    connect(m_dialog, &FirmwareUpgradeDialog::upgradeSucceeded, this, [this] {
        m_session->setOnlineCheckRequested(false);
        // The device restarts; the window shows it as gone until it is back.
        emit releaseDeviceRequested();
    });
}

FirmwareUpgradeFeature::~FirmwareUpgradeFeature() = default;

bool FirmwareUpgradeFeature::isSearchingBootloader() const
{
    return m_searchTimer->isActive();
}

void FirmwareUpgradeFeature::showDialog()
{
    dialog()->showFromMenu();
}

bool FirmwareUpgradeFeature::releasePort()
{
    return !m_restoring && (!m_dialog || m_dialog->releasePort());
}

bool FirmwareUpgradeFeature::windowHoldsDevice() const
{
    return m_session->isOpen() && !(m_dialog && m_dialog->holdsPort()) && !m_restoring;
}

void FirmwareUpgradeFeature::checkOnline(const QString &product, const QString &version)
{
    // A version reply while the dialog holds the port is the bootloader's:
    // nothing may start a check, a download or a reboot then.
    if (!windowHoldsDevice() || m_searchTimer->isActive())
        return;
    m_checkProduct = product;
    m_checkVersion = version;
    m_checkTimer->start();
}

void FirmwareUpgradeFeature::runCheck()
{
    if (!windowHoldsDevice() || m_searchTimer->isActive())
        return;
    if (offerRestore(m_checkProduct))
        return;
    if (!server().isValid())
        return;
    online()->check(m_checkProduct, FirmwareVersion::updateTextPath(m_checkProduct), m_checkVersion,
                    FirmwareVersion::Comparison::MajorMinor);
}

void FirmwareUpgradeFeature::onUpdateAvailable(const OnlineFirmware::Offer &offer)
{
    if (!windowHoldsDevice())
        return;
    qCDebug(lcUpgrade).noquote() << "Version:" << offer.latestVersion << "Update Content:" << offer.description;
    const QString message = QStringLiteral("The current version is %1_%2\n").arg(offer.product, offer.currentVersion)
        + QStringLiteral("A new version is available: %1\n\n%2")
              .arg(offer.latestVersion, QStringLiteral("Update Content:\n") + offer.description);
    if (m_prompt->message(Prompt::Question, QStringLiteral("Update Available"), message, Prompt::Ok | Prompt::Cancel)
        != Prompt::Ok)
        return;
    m_offeredProduct = offer.product;
    m_offeredPort = m_session->connectedPortName();
    online()->download(offer);
}

void FirmwareUpgradeFeature::onImage(const QByteArray &image)
{
    // Only the device that was offered the update is switched over.
    if (!windowHoldsDevice() || m_session->connectedPortName() != m_offeredPort) {
        m_prompt->message(Prompt::Warning, UpgradeTitle,
                          QStringLiteral("The device was disconnected before the upgrade could start. Nothing was "
                                         "written to the device."),
                          Prompt::Ok);
        return;
    }
    QString keptPath;
    if (m_settingsSource) {
        keptPath = m_kept.save(m_offeredProduct, m_settingsSource());
        if (keptPath.isEmpty()) {
            m_prompt->message(Prompt::Critical, QStringLiteral("Upgrade Failed"),
                              QStringLiteral("The settings of the %1 could not be saved before the upgrade (%2). "
                                             "Nothing was written to the device.")
                                  .arg(m_offeredProduct, withoutFullStop(m_kept.errorString())),
                              Prompt::Ok);
            return;
        }
        qCInfo(lcUpgrade).noquote() << "settings kept in" << QDir::toNativeSeparators(keptPath);
    }
    if (!m_session->write(Vocabulary::enterBootloaderCommand())) {
        qCWarning(lcUpgrade) << "device not switched to its bootloader: the port is closed";
        if (!keptPath.isEmpty())
            m_kept.remove({keptPath, m_offeredProduct, {}});
        return;
    }
    m_prepared = image;
    m_product = m_offeredProduct;
    m_searchTimer->start();
    // The device is restarting into its bootloader: from now on the window
    // shows it as gone, not only once the bootloader's port shows up. The
    // command leaves the port before the port closes.
    SerialPort *port = m_session->serialPort();
    if (port->bytesToWrite() > 0)
        port->waitForBytesWritten(BootloaderCommandWriteMs);
    emit releaseDeviceRequested();
}

bool FirmwareUpgradeFeature::offerRestore(const QString &product)
{
    const auto kept = m_kept.latest(product);
    if (!kept || m_restoreOffered.contains(kept->path))
        return false;
    m_restoreOffered.append(kept->path);
    if (m_prompt->message(Prompt::Question, UpgradeTitle, RestoreQuestion.arg(KeptSettings::dateText(kept->savedAt)),
                          Prompt::Yes | Prompt::No)
        != Prompt::Yes)
        return false;
    if (!windowHoldsDevice()) {
        m_restoreOffered.removeAll(kept->path); // asked again at the next connection
        return false;
    }
    // The settings go back over a link of their own, every answer checked
    // and everything read back; the window's pages would show a box for
    // each command. The window reconnects afterwards and shows what the
    // device holds.
    const QString port = m_session->connectedPortName();
    m_restoring = true;
    emit releaseDeviceRequested();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const DeviceSync::RestoreResult result = DeviceSync::restoreSettings(kept->path, port, DeviceBackup::DefaultTimeoutMs);
    QGuiApplication::restoreOverrideCursor();
    m_restoring = false;
    if (result.ok()) {
        m_kept.remove(*kept);
        m_prompt->message(Prompt::Information, UpgradeTitle,
                          QStringLiteral("The settings saved before the firmware upgrade are back on the %1.").arg(product),
                          Prompt::Ok);
    } else {
        m_prompt->message(Prompt::Critical, UpgradeTitle,
                          QStringLiteral("The settings could not be restored: %1. They are kept in %2.")
                              .arg(withoutFullStop(result.error),
                                   QDir::toNativeSeparators(kept->path)),
                          Prompt::Ok);
    }
    emit reconnectRequested();
    return true;
}

void FirmwareUpgradeFeature::searchBootloader()
{
    // A transfer the user started in the dialog finishes first.
    makeDialog();
    if (m_dialog->isTransferring())
        return;
    m_dialog->refreshDeviceList();
    QComboBox *combo = m_dialog->portCombo();
    for (int i = 0; i < combo->count(); ++i) {
        const QString name = combo->itemText(i).trimmed();
        if (!DeviceModels::isBootloaderDescription(name, m_product))
            continue;
        m_searchTimer->stop();
        qCInfo(lcUpgrade).noquote() << QStringLiteral("检测到") + name + QStringLiteral("，已停止扫描");
        m_session->setOnlineCheckRequested(false);
        // An idle dialog connection to another bootloader gives way.
        (void)m_dialog->releasePort();
        if (m_session->isOpen())
            m_session->serialPort()->clear(QSerialPort::AllDirections);
        emit releaseDeviceRequested();
        m_dialog->setPreparedFirmware(std::exchange(m_prepared, QByteArray()));
        m_dialog->show();
        (void)m_dialog->prioritizeBootloaderDevice(true, m_product);
        return;
    }
    if (combo->count() == 0) {
        qCInfo(lcUpgrade).noquote() << QStringLiteral("警告：comboBox 中当前没有任何串口设备！");
        return;
    }
    qCInfo(lcUpgrade).noquote() << QStringLiteral("检测不到") + DeviceModels::bootloaderDescription(m_product)
                                       + QStringLiteral("，当前可用串口列表：");
    for (int i = 0; i < combo->count(); ++i)
        qCInfo(lcUpgrade).noquote() << QStringLiteral("  [%1] 显示文本: %2    数据: %3")
                                           .arg(i)
                                           .arg(combo->itemText(i), combo->itemData(i).toString());
}
