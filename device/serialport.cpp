#include "device/serialport.h"

#include "device/logging.h"
#include "device/textframecutter.h"
#include "device/vocabulary.h"
#include "device/prompt.h"

#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#endif

SerialPort::SerialPort(QObject *parent)
    : QSerialPort(parent)
    , m_textFrames(new TextFrameCutter(this))
{
    connect(m_textFrames, &TextFrameCutter::versionReceived, this, &SerialPort::versionReceived);
    connect(m_textFrames, &TextFrameCutter::eraseFinished, this, &SerialPort::eraseFinished);
    connect(m_textFrames, &TextFrameCutter::chunkAcknowledged, this, &SerialPort::chunkAcknowledged);
    connect(m_textFrames, &TextFrameCutter::unrecognisedTextFrame, this,
            &SerialPort::unrecognisedTextFrame);
    connect(m_textFrames, &TextFrameCutter::modelAndVersionReceived, this,
            &SerialPort::modelAndVersionReceived);
    // A model reply asks for the version by itself, after the model is out.
    connect(m_textFrames, &TextFrameCutter::modelReceived, this, [this](const QString &model) {
        emit modelReceived(model);
        if (!writeFrame(Vocabulary::versionQuery()))
            qCWarning(lcSerial) << "version query not sent:" << errorString();
    });

    connect(this, &QSerialPort::readyRead, this, &SerialPort::readAvailableBytes);
    connect(this, &QSerialPort::errorOccurred, this, &SerialPort::onErrorOccurred);
}

SerialPort::~SerialPort() = default;

bool SerialPort::openPort(const QString &portName, qint32 baudRate)
{
    m_textFrames->clear();
    if (portName.isEmpty()) {
        const QString text = QStringLiteral("port name error, please choose right com!");
        if (m_prompt)
            m_prompt->showMessage(text, QStringLiteral("OK"), QStringLiteral("Cancel"));
        else
            qCWarning(lcSerial).noquote() << text;
        return false;
    }
    setPortName(portName);
    setBaudRate(baudRate, QSerialPort::AllDirections);
    if (!open(QIODevice::ReadWrite)) {
        qCWarning(lcSerial) << "open" << portName << "failed:" << errorString();
        return false;
    }
    m_dropPending = false;
    m_readFailed = false;
    m_openedPortName = portName;
    return true;
}

void SerialPort::close()
{
    m_dropPending = false;
    QSerialPort::close();
}

bool SerialPort::writeFrame(const QByteArray &frame)
{
    if (!isOpen())
        return false;
    const bool queued = write(frame) == frame.size();
    flush();
    return queued;
}

void SerialPort::setPrompt(Prompt *prompt)
{
    m_prompt = prompt;
}

void SerialPort::readAvailableBytes()
{
    const QByteArray bytes = readAll();
    if (bytes.isEmpty())
        return;
    qCDebug(lcSerial) << "RX append:" << bytes.toHex(' ');
    m_textFrames->feed(bytes);
    qCDebug(lcSerial) << "RX buffer:" << m_textFrames->pendingBytes() << "bytes pending";
    emit bytesReceived(bytes);
}

void SerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::TimeoutError:
        // Waiting for bytes that were already flushed: nothing went wrong.
        clearError();
        return;
    case QSerialPort::ReadError:
        m_readFailed = true;
        Q_FALLTHROUGH();
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        // When the other end goes away the port stays "open" and reports a
        // ReadError on every turn of the event loop, over 100,000 a second.
        // Closing from inside the notifier that reports it is not safe, so
        // it is closed on the next turn, once.
        if (isOpen() && !m_dropPending) {
            m_dropPending = true;
            QMetaObject::invokeMethod(this, &SerialPort::dropLostPort, Qt::QueuedConnection);
        }
        return;
    default:
        return;
    }
}

void SerialPort::dropLostPort()
{
    if (!m_dropPending)
        return;
    m_dropPending = false;
    if (!isOpen())
        return;
    if (!otherEndGone()) {
        // A full output queue (EAGAIN) is reported as a ResourceError too;
        // the device is merely slow to read, and the bytes follow later.
        qCDebug(lcSerial) << "port kept after transient error:" << errorString();
        clearError();
        return;
    }
    // portName() drops the "/dev/" of a path; report the name that was opened.
    const QString name = m_openedPortName;
    qCWarning(lcSerial) << "port" << name << "lost:" << errorString();
    close();
    emit portDisconnected(name);
}

bool SerialPort::otherEndGone()
{
    // A read that fails although the port said it was readable is a hang-up.
    if (std::exchange(m_readFailed, false))
        return true;
#ifdef Q_OS_UNIX
    pollfd descriptor{};
    descriptor.fd = static_cast<int>(handle());
    descriptor.events = POLLIN | POLLOUT;
    if (::poll(&descriptor, 1, 0) < 0)
        return errno != EINTR && errno != EAGAIN;
    return descriptor.revents & (POLLHUP | POLLERR | POLLNVAL);
#else
    return true;
#endif
}
