#include "cli/flasher.h"

#include "device/devicemodels.h"
#include "device/devicesession.h"
#include "device/devicewatcher.h"
#include "device/serialport.h"
#include "device/vocabulary.h"
#include "upgrade/serialportlink.h"
#include "upgrade/firmwareupgradejob.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace {

// The description the system gives a port, empty when it lists none.
QString descriptionOf(DeviceWatcher &watcher, const QString &portName)
{
    watcher.scan();
    for (const UsbSerialPort &port : watcher.usbSerialPorts()) {
        if (port.portName == portName || QFileInfo(port.portName).fileName() == portName)
            return port.description;
    }
    return {};
}

} // namespace

Flasher::Flasher(QObject *parent)
    : QObject(parent)
    , m_port(new SerialPort(this))
{
}

Flasher::~Flasher() = default;

bool Flasher::fail(Error error, const QString &text)
{
    m_error = error;
    m_errorString = text;
    return false;
}

bool Flasher::flash(const QString &portName, const QByteArray &image)
{
    if (portName.contains(QLatin1Char('/')) && !QFileInfo::exists(portName))
        return fail(Error::NoDevice, tr("There is no port %1.").arg(portName));
    // A running device shows the brand's description; a bootloader does not.
    DeviceWatcher watcher(DeviceModels::brand());
    const QString description = descriptionOf(watcher, portName);
    m_bootloaderPort = portName;
    if (description.startsWith(DeviceModels::brand()) && !DeviceModels::isBootloaderDescription(description)) {
        m_bootloaderPort = switchToBootloader(portName);
        if (m_bootloaderPort.isEmpty())
            return false;
    }
    return transfer(m_bootloaderPort, image);
}

QString Flasher::askModel(const QString &portName)
{
    QString model;
    QEventLoop loop;
    const auto onModel = connect(m_port, &SerialPort::modelReceived, &loop, [&](const QString &text) {
        model = text;
        loop.quit();
    });
    const auto onLost = connect(m_port, &SerialPort::portDisconnected, &loop, &QEventLoop::quit);
    QTimer::singleShot(m_timeoutMs, &loop, &QEventLoop::quit);
    if (m_port->writeFrame(Vocabulary::identificationQuery()))
        loop.exec();
    disconnect(onModel);
    disconnect(onLost);
    if (model.isEmpty()) {
        m_port->close();
        fail(Error::NoDevice, tr("The device on %1 did not answer within %2 ms.").arg(portName).arg(m_timeoutMs));
    }
    return model;
}

QString Flasher::switchToBootloader(const QString &portName)
{
    if (!m_port->openPort(portName, DeviceSession::BaudRate)) {
        fail(Error::NoDevice, tr("Cannot open %1: %2.").arg(portName, m_port->errorString()));
        return {};
    }
    // Its model names its bootloader.
    const QString model = askModel(portName);
    if (model.isEmpty())
        return {};
    (void)m_port->writeFrame(Vocabulary::enterBootloaderCommand());
    m_port->close();

    DeviceWatcher watcher(DeviceModels::brand());
    QElapsedTimer searching;
    searching.start();
    const int limit = qMax(m_timeoutMs, MinSearchMs);
    while (searching.elapsed() < limit) {
        watcher.scan();
        for (const UsbSerialPort &port : watcher.usbSerialPorts()) {
            if (DeviceModels::isBootloaderDescription(port.description, model))
                return port.portName;
        }
        QEventLoop pause;
        QTimer::singleShot(SearchIntervalMs, &pause, &QEventLoop::quit);
        pause.exec();
    }
    fail(Error::NoDevice, tr("The bootloader of %1 did not show up within %2 s.").arg(model).arg(limit / 1000));
    return {};
}

bool Flasher::transfer(const QString &portName, const QByteArray &image)
{
    if (!m_port->openPort(portName, DeviceSession::BaudRate))
        return fail(Error::NoDevice, tr("Cannot open %1: %2.").arg(portName, m_port->errorString()));
    // As the upgrade dialog does: nothing is erased before the bootloader
    // has said who it is.
    if (askModel(portName).isEmpty())
        return false;
    SerialPortLink link(m_port);
    FirmwareUpgradeJob job(&link);
    QEventLoop loop;
    bool succeeded = false;
    connect(m_port, &SerialPort::eraseFinished, &job, &FirmwareUpgradeJob::eraseReplied);
    connect(m_port, &SerialPort::chunkAcknowledged, &job, &FirmwareUpgradeJob::chunkAcknowledged);
    connect(m_port, &SerialPort::portDisconnected, &job, &FirmwareUpgradeJob::deviceRemoved);
    connect(&job, &FirmwareUpgradeJob::progressChanged, this, [this](int percent) {
        if (m_progress)
            m_progress(percent);
    });
    connect(&job, &FirmwareUpgradeJob::succeeded, &loop, [&] {
        succeeded = true;
        loop.quit();
    });
    connect(&job, &FirmwareUpgradeJob::failed, &loop, [&](FirmwareUpgradeJob::Error error) {
        const QString text = FirmwareUpgradeJob::errorString(error);
        if (error == FirmwareUpgradeJob::Error::UnexpectedAck)
            fail(Error::Refused, tr("%1 (on %2)").arg(text, portName));
        else
            fail(Error::DeviceLost, tr("The firmware was not written to %1: %2").arg(portName, text));
        loop.quit();
    });
    job.setFirmware(image);
    job.setConnected();
    if (!job.startErase())
        return fail(Error::DeviceLost, tr("Cannot write to %1.").arg(portName));
    loop.exec();
    if (m_port->isOpen())
        m_port->close();
    if (succeeded && m_progress)
        m_progress(100);
    return succeeded;
}
