#include "upgrade/ui/firmwareupgradefeature.h"

#include "device/devicesession.h"
#include "device/devicewatcher.h"
#include "device/serialport.h"
#include "device/vocabulary.h"
#include "network/downloadjob.h"
#include "upgrade/firmwareversion.h"
#include "upgrade/onlinefirmware.h"
#include "upgrade/ui/upgrade_dialog.h"
#include "device/prompt.h"

#include <QComboBox>
#include <QLoggingCategory>
#include <QTimer>

Q_DECLARE_LOGGING_CATEGORY(lcUpgrade)

namespace {
constexpr int CheckDelayMs = 300;

// The dialog lists every USB serial port; without a watcher of the window's
// it keeps one of its own.
DeviceWatcher *watcherFor(DeviceWatcher *given, QObject *owner)
{
    return given ? given : new DeviceWatcher(QStringLiteral("Kestrova"), owner);
}
} // namespace

FirmwareUpgradeFeature::FirmwareUpgradeFeature(DeviceSession *session, DeviceWatcher *watcher, Prompt *prompt,
                                               const UpdateServer &server, QWidget *window,
                                               const UpgradeTimings &timings)
    : QObject(window)
    , m_session(session)
    , m_prompt(prompt)
    , m_server(server)
    , m_dialog(new upgrade_dialog(session->serialPort(), watcherFor(watcher, this), prompt, window, timings))
    , m_searchTimer(new QTimer(this))
    , m_checkTimer(new QTimer(this))
{
    m_dialog->online()->setServer(server);
    m_searchTimer->setInterval(timings.bootloaderSearchMs);
    connect(m_searchTimer, &QTimer::timeout, this, &FirmwareUpgradeFeature::searchBootloader);
    connect(session, &DeviceSession::firmwareCheckRequested, this, &FirmwareUpgradeFeature::checkOnline);
    // Setting up a network request can hold the event loop for a while; the
    // device's connection queries (the last 200 ms after connecting) go first.
    m_checkTimer->setSingleShot(true);
    m_checkTimer->setInterval(CheckDelayMs);
    connect(m_checkTimer, &QTimer::timeout, this, [this] {
        DownloadJob *job = get(FirmwareVersion::updateTextPath(m_checkProduct));
        connect(job, &DownloadJob::finished, this,
                [this, job, product = m_checkProduct, version = m_checkVersion] { onUpdateText(job, product, version); });
        job->start();
    });
    connect(m_dialog, &upgrade_dialog::upgradeSucceeded, this,
            [this] { m_session->setOnlineCheckRequested(false); });
    if (!server.isValid())
        qCWarning(lcUpgrade).noquote() << "online firmware check off:" << server.errorString();
}

FirmwareUpgradeFeature::~FirmwareUpgradeFeature()
{
    if (m_job)
        m_job->abort();
}

bool FirmwareUpgradeFeature::isSearchingBootloader() const
{
    return m_searchTimer->isActive();
}

void FirmwareUpgradeFeature::showDialog()
{
    m_dialog->showFromMenu();
}

DownloadJob *FirmwareUpgradeFeature::get(const QString &path)
{
    if (m_job)
        m_job->abort();
    auto *job = new DownloadJob(m_server.url(path), m_server.sslConfiguration(), this);
    m_job = job;
    return job;
}

void FirmwareUpgradeFeature::checkOnline(const QString &product, const QString &version)
{
    if (!m_server.isValid() || m_searchTimer->isActive())
        return;
    m_checkProduct = product;
    m_checkVersion = version;
    m_checkTimer->start();
}

void FirmwareUpgradeFeature::onUpdateText(DownloadJob *job, const QString &product, const QString &version)
{
    job->deleteLater();
    if (job->error() != DownloadJob::NoError) {
        qCDebug(lcUpgrade).noquote() << "update text not fetched:" << job->errorString();
        return;
    }
    const QString text = QString::fromUtf8(job->data());
    const QString latest = FirmwareVersion::latestVersion(text, product);
    const QString description = FirmwareVersion::description(text);
    qCDebug(lcUpgrade).noquote() << "Version:" << latest << "Update Content:" << description;
    if (latest.isEmpty() || !FirmwareVersion::serverNewerMajorMinor(version, latest))
        return;
    const QString message = QStringLiteral("The current version is %1_%2\n").arg(product, version)
        + QStringLiteral("A new version is available: %1\n\n%2").arg(latest, QStringLiteral("Update Content:\n") + description);
    if (m_prompt->message(Prompt::Question, QStringLiteral("Update Available"), message, Prompt::Ok | Prompt::Cancel)
        != Prompt::Ok)
        return;
    DownloadJob *image = get(QStringLiteral("/download/Product/%1/Update/").arg(product) + latest + QStringLiteral(".bin"));
    connect(image, &DownloadJob::finished, this, [this, image, product] { onImage(image, product); });
    image->start();
}

void FirmwareUpgradeFeature::onImage(DownloadJob *job, const QString &product)
{
    job->deleteLater();
    QString reason = job->error() == DownloadJob::NoError
        ? OnlineFirmware::rejection(OnlineFirmware::Kind::Image, job->data()) : job->errorString();
    if (!reason.isEmpty()) {
        // Nothing is sent to the device: it keeps running its firmware.
        qCWarning(lcUpgrade).noquote() << "firmware download refused:" << reason;
        return;
    }
    if (!m_session->write(Vocabulary::enterBootloaderCommand())) {
        qCWarning(lcUpgrade) << "device not switched to its bootloader: the port is closed";
        return;
    }
    m_prepared = job->data();
    m_product = product;
    m_searchTimer->start();
}

void FirmwareUpgradeFeature::searchBootloader()
{
    m_dialog->refreshDeviceList();
    auto *combo = m_dialog->findChild<QComboBox *>(QStringLiteral("comboBox"));
    const QString wanted = m_product + QStringLiteral(" Bootload");
    for (int i = 0; combo && i < combo->count(); ++i) {
        const QString name = combo->itemText(i).trimmed();
        if (!name.contains(wanted, Qt::CaseInsensitive))
            continue;
        m_searchTimer->stop();
        qCInfo(lcUpgrade).noquote() << QStringLiteral("检测到") + name + QStringLiteral("，已停止扫描");
        m_session->setOnlineCheckRequested(false);
        SerialPort *port = m_session->serialPort();
        if (port->isOpen())
            port->clear(QSerialPort::AllDirections);
        emit handOffStarted();
        if (port->isOpen())
            port->close();
        m_dialog->setPreparedFirmware(std::exchange(m_prepared, QByteArray()));
        m_dialog->show();
        (void)m_dialog->prioritizeBootloaderDevice(true);
        return;
    }
    if (!combo || combo->count() == 0) {
        qCInfo(lcUpgrade).noquote() << QStringLiteral("警告：comboBox 中当前没有任何串口设备！");
        return;
    }
    qCInfo(lcUpgrade).noquote() << QStringLiteral("检测不到") + wanted + QStringLiteral("，当前可用串口列表：");
    for (int i = 0; i < combo->count(); ++i)
        qCInfo(lcUpgrade).noquote() << QStringLiteral("  [%1] 显示文本: %2    数据: %3")
                                           .arg(i)
                                           .arg(combo->itemText(i), combo->itemData(i).toString());
}
