#include "device/devicesession.h"

#include "device/devicewatcher.h"
#include "device/feedbackdispatcher.h"
#include "device/localdevice.h"
#include "device/sysexframecutter.h"
#include "device/logging.h"
#include "device/prompt.h"
#include "device/serialport.h"
#include "device/sysex.h"
#include "device/vocabulary.h"

#include <QFile>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Qt reports a port held by another program as a permission error too; only
// a device node this user may not open is a matter of permissions.
bool deviceNodeDenied(const QString &portName)
{
#ifdef Q_OS_UNIX
    const QString path = portName.startsWith(QLatin1Char('/')) ? portName : QLatin1String("/dev/") + portName;
    // The effective ids decide what open() may do.
    if (::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), R_OK | W_OK, AT_EACCESS) == 0)
        return false;
    return errno == EACCES || errno == EPERM;
#else
    Q_UNUSED(portName)
    return false;
#endif
}

} // namespace

const QString DeviceSession::NoAnswerText =
    QStringLiteral("The device did not answer. Check the cable and try again.");

DeviceSession::DeviceSession(Prompt *prompt, QObject *parent)
    : QObject(parent)
    , m_serialPort(new SerialPort(this))
    , m_sysExCutter(new SysExFrameCutter(this))
    , m_dispatcher(new FeedbackDispatcher(this))
    , m_prompt(prompt)
    , m_answerTimer(new QTimer(this))
{
    m_answerTimer->setSingleShot(true);
    m_answerTimer->setInterval(AnswerTimeoutMs);
    connect(m_answerTimer, &QTimer::timeout, this, [this] {
        if (isOpen() && m_prompt)
            m_prompt->showMessage(NoAnswerText, QStringLiteral("OK"));
    });
    // Any frame from the device ends the silence, whichever command it
    // answers: the device answers in order.
    connect(m_sysExCutter, &SysExFrameCutter::frameReceived, m_answerTimer, &QTimer::stop);
    m_serialPort->setPrompt(prompt);
    connect(m_serialPort, &SerialPort::bytesReceived, m_sysExCutter, &SysExFrameCutter::feed);
    connect(m_sysExCutter, &SysExFrameCutter::frameReceived, m_dispatcher, &FeedbackDispatcher::dispatch);
    connect(m_dispatcher, &FeedbackDispatcher::writeRequested, this, &DeviceSession::write);
    connect(m_serialPort, &SerialPort::modelReceived, this, &DeviceSession::onModelReceived);
    connect(m_serialPort, &SerialPort::versionReceived, this, &DeviceSession::onVersionReceived);
    connect(m_serialPort, &SerialPort::modelAndVersionReceived, this,
            &DeviceSession::storeModelAndVersion);
    for (auto answer : {&SerialPort::modelReceived, &SerialPort::versionReceived})
        connect(m_serialPort, answer, this, &DeviceSession::onIdentificationAnswer);
    connect(m_serialPort, &SerialPort::modelAndVersionReceived, this, &DeviceSession::onIdentificationAnswer);
    // The serial port closes itself when its device goes away; the session
    // still counts as connected until the window has reset its pages.
    connect(m_serialPort, &SerialPort::portDisconnected, this, &DeviceSession::onPortGone);
    // Registered first, so the text is up before the features reset.
    m_dispatcher->addHandler(FrameKind::FactoryReset, this, [this](const QByteArray &) {
        if (m_prompt)
            m_prompt->message(Prompt::Information, QStringLiteral("Success"),
                              QStringLiteral("Factory reset successful."), Prompt::Ok);
        emit factoryResetConfirmed();
        return FeedbackDispatcher::Outcome::Handled;
    });
}

void DeviceSession::setWatcher(DeviceWatcher *watcher)
{
    if (m_watcher)
        disconnect(m_watcher, nullptr, this, nullptr);
    m_watcher = watcher;
    if (watcher)
        connect(watcher, &DeviceWatcher::portRemoved, this, &DeviceSession::onPortGone);
}

void DeviceSession::onPortGone(const QString &portName)
{
    // Another device leaving is no reason to drop this one.
    if (m_connectedDeviceName.isEmpty() || portName != m_connectedPortName)
        return;
    qCInfo(lcSerial) << "connected port" << portName << "is gone";
    emit deviceLost();
}

DeviceSession::~DeviceSession()
{
    if (m_serialPort->isOpen()) {
        m_serialPort->clear(QSerialPort::AllDirections);
        m_serialPort->close();
    }
}

bool DeviceSession::isOpen() const
{
    if (m_localDevice)
        return true;
    // The upgrade dialog may have the shared port open to a bootloader; the
    // session is open only for the device it connected to itself.
    return m_serialPort->isOpen() && !m_connectedPortName.isEmpty();
}

DeviceSession::OpenResult DeviceSession::open(const QString &deviceName, const QString &portName)
{
    m_sysExCutter->clear();
    m_errorText.clear();
    // Every attempt asks for the online check, whether or not the port opens.
    m_onlineCheckRequested = true;
    m_openDeniedByPermissions = false;
    if (deviceName.isEmpty())
        return OpenResult::NoDevice;
    if (!DeviceModels::isAccepted(deviceName))
        return OpenResult::NotAccepted;
    if (!m_serialPort->openPort(portName, BaudRate)) {
        m_errorText = m_serialPort->errorString();
        m_openDeniedByPermissions =
            m_serialPort->error() == QSerialPort::PermissionError && deviceNodeDenied(portName);
        return OpenResult::OpenFailed;
    }
    m_connectedDeviceName = deviceName;
    m_connectedPortName = portName;
    m_connectedModel = DeviceModels::find(deviceName);

    m_serialPort->setBaudRate(BaudRate);
    m_serialPort->flush();
    startConnection(FamilyDecisionMs);
    watchIdentification();

    QTimer::singleShot(SecondIdentificationMs, m_connectionScope, [this] {
        if (!write(Vocabulary::identificationQuery()))
            qCWarning(lcSerial) << "Version query write failed:" << m_serialPort->errorString();
    });

    write(Vocabulary::identificationQuery());
    return OpenResult::Opened;
}

void DeviceSession::watchIdentification()
{
    m_identified = false;
    m_identificationOverdue = false;
    QTimer::singleShot(IdentificationTimeoutMs, m_connectionScope, [this] {
        if (!isOpen() || m_identified)
            return;
        m_identificationOverdue = true;
        emit identificationOverdue();
    });
}

void DeviceSession::onIdentificationAnswer()
{
    // The upgrade dialog's bootloader answers on the shared port too.
    if (!isOpen() || m_identified)
        return;
    m_identified = true;
    m_identificationOverdue = false;
    emit identified();
}

void DeviceSession::openInProcess(const QString &deviceName, const QString &model, LocalDevice *device)
{
    close();
    m_errorText.clear();
    m_onlineCheckRequested = false;
    m_localDevice = device;
    // Queued: a port's answers never arrive inside the write that asked.
    // Answers still on their way when this link closes are not the next one's.
    const quint64 link = ++m_localLink;
    m_localAnswers = connect(
        device, &LocalDevice::transmit, this,
        [this, link](const QByteArray &bytes) {
            if (link == m_localLink)
                m_sysExCutter->feed(bytes);
        },
        Qt::QueuedConnection);
    m_connectedDeviceName = deviceName;
    m_connectedModel = DeviceModels::find(deviceName);
    m_reportedModel = model;
    m_deviceModel = model;
    // Nothing to identify: the model is the one asked for.
    m_identified = true;
    // The wait for the family exists for a device still identifying itself.
    startConnection(0);
}

void DeviceSession::startConnection(int familyDecisionMs)
{
    delete m_connectionScope;
    m_connectionScope = new QObject(this);

    QTimer::singleShot(familyDecisionMs, m_connectionScope, [this] {
        const DeviceModels::Family family = m_connectedModel ? m_connectedModel->family : DeviceModels::Family::None;
        qCInfo(lcSerial).noquote() << DeviceModels::familyLogText(family, m_connectedDeviceName);
        emit modelDecided(m_connectedModel);
    });
    sendConnectionQueries();
}

void DeviceSession::close()
{
    m_answerTimer->stop();
    m_identified = false;
    m_identificationOverdue = false;
    delete m_connectionScope;
    m_sysExCutter->clear();
    if (m_localDevice) {
        disconnect(m_localAnswers);
        m_localDevice = nullptr;
        ++m_localLink;
    } else if (isOpen()) {
        m_serialPort->close();
    }
    m_connectedDeviceName.clear();
    m_connectedPortName.clear();
    m_connectedModel = nullptr;
    m_reportedModel.clear();
    m_reportedVersion.clear();
}

void DeviceSession::scheduleQuery(int delayMs, int query)
{
    const QByteArray frame = SysEx::deviceQuery(query);
    if (delayMs == 0) {
        write(frame);
        return;
    }
    QTimer::singleShot(delayMs, m_connectionScope, [this, frame] { write(frame); });
}

void DeviceSession::sendConnectionQueries()
{
    emit routingCleared();
    scheduleQuery(0, 1);
    scheduleQuery(50, 2);
    scheduleQuery(100, 4);
    scheduleQuery(150, 3);
    scheduleQuery(200, 7);
}

bool DeviceSession::write(const QByteArray &frame)
{
    if (m_localDevice) {
        m_localDevice->receive(frame);
        return true;
    }
    if (!isOpen())
        return false;
    return m_serialPort->writeFrame(frame);
}

bool DeviceSession::writeExpectingAnswer(const QByteArray &frame)
{
    if (!write(frame))
        return false;
    if (!m_answerTimer->isActive())
        m_answerTimer->start();
    return true;
}

void DeviceSession::onModelReceived(const QString &model)
{
    if (m_onlineCheckRequested)
        m_deviceModel = model;
}

void DeviceSession::onVersionReceived(const QString &version)
{
    if (!m_onlineCheckRequested)
        return;
    emit firmwareCheckRequested(DeviceModels::updateProductOf(m_deviceModel), version);
}

void DeviceSession::storeModelAndVersion(const QString &version, const QString &model)
{
    m_reportedVersion = version;
    m_reportedModel = model;
    m_deviceVersion = version;
    m_deviceModel = model;
}
