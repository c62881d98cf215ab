#include "upgrade/firmwareupgradejob.h"

#include "device/vocabulary.h"
#include "upgrade/bootloaderlink.h"
#include "upgrade/bootloaderprotocol.h"

#include <QCryptographicHash>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcUpgrade, "velmora.upgrade")

namespace {

QString red(const QString &text)
{
    return QStringLiteral("<font color=\"red\">%1</font>").arg(text);
}

QTimer *singleShotTimer(QObject *parent)
{
    auto *timer = new QTimer(parent);
    timer->setSingleShot(true);
    return timer;
}

} // namespace

FirmwareUpgradeJob::FirmwareUpgradeJob(BootloaderLink *link, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_eraseTimer(singleShotTimer(this))
    , m_ackTimer(singleShotTimer(this))
    , m_finalizeTimer(singleShotTimer(this))
    , m_successTimer(singleShotTimer(this))
{
    connect(m_eraseTimer, &QTimer::timeout, this, &FirmwareUpgradeJob::onEraseTimeout);
    connect(m_ackTimer, &QTimer::timeout, this, &FirmwareUpgradeJob::onChunkAckTimeout);
    connect(m_finalizeTimer, &QTimer::timeout, this, &FirmwareUpgradeJob::onFinalizeElapsed);
    connect(m_successTimer, &QTimer::timeout, this, [this] {
        if (m_state != Finalizing)
            return;
        m_error = Error::None;
        emit succeeded();
        resetUpgrade();
    });
}

FirmwareUpgradeJob::~FirmwareUpgradeJob() = default;

QString FirmwareUpgradeJob::errorString(Error error)
{
    switch (error) {
    case Error::None:
        return QString();
    case Error::EraseTimeout:
        return QStringLiteral("Erase timeout! Device not responding.");
    case Error::AckTimeout:
        return QStringLiteral("Timed out waiting for device ACK.");
    case Error::UnexpectedAck:
        return QStringLiteral("The device acknowledged a different number of bytes than were sent.");
    case Error::WriteFailed:
        return QStringLiteral("Failed to send data block.");
    case Error::EmptyPiece:
        return QStringLiteral("Empty firmware block.");
    case Error::ConnectionLost:
        return QStringLiteral("Connection lost during sending.");
    case Error::DeviceRemoved:
        return QStringLiteral("The device was removed during the upgrade.");
    case Error::CommunicationLost:
        return QStringLiteral("Communication with the device was lost.");
    case Error::ValidationFailed:
        return QStringLiteral("Firmware validation failed.");
    case Error::DownloadFailed:
        return QStringLiteral("The firmware could not be downloaded.");
    }
    return QString();
}

bool FirmwareUpgradeJob::validateFirmware(const QByteArray &image, const QString &expectedMd5)
{
    const QString md5 = QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Md5).toHex());
    emit logMessage(QStringLiteral("Firmware MD5: %1").arg(md5));
    if (expectedMd5.isEmpty())
        return true;
    if (md5 == expectedMd5)
        return true;
    emit logMessage(red(QStringLiteral("MD5 mismatch! Expected: %1").arg(expectedMd5)));
    return false;
}

void FirmwareUpgradeJob::setConnected()
{
    if (m_state == Idle)
        setState(Connected);
}

void FirmwareUpgradeJob::setDisconnected()
{
    stopWatchdogs();
    m_finalizeTimer->stop();
    m_successTimer->stop();
    m_sentBytes = 0;
    m_chunkInFlight = 0;
    m_awaitingAck = false;
    setState(Idle);
}

bool FirmwareUpgradeJob::startErase()
{
    if (m_state != Connected || !m_link || !m_link->isLinkOpen())
        return false;
    m_error = Error::None;
    m_failureShown = false;
    const QByteArray erase = Vocabulary::eraseCommand();
    if (m_link->writeToDevice(erase) != erase.size()) {
        setState(Erasing);
        failAttempt(Error::WriteFailed, red(QStringLiteral("Error: Failed to send data block!")));
        return false;
    }
    m_eraseTimer->start(m_timings.eraseTimeoutMs);
    setState(Erasing);
    return true;
}

void FirmwareUpgradeJob::resetUpgrade()
{
    stopWatchdogs();
    m_finalizeTimer->stop();
    m_successTimer->stop();
    m_failureShown = false;
    m_firmware.clear();
    m_sentBytes = 0;
    m_chunkInFlight = 0;
    m_awaitingAck = false;
    setState(Idle);
}

void FirmwareUpgradeJob::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    qCDebug(lcUpgrade) << "Upgrade state changed to:" << state;
    switch (state) {
    case Idle:
    case Erasing:
        setProgress(0);
        break;
    case Connected:
        emit logMessage(QStringLiteral("Connected. Requesting device info..."));
        break;
    default:
        break;
    }
    emit stateChanged(state);
    if (state == Erasing)
        emit logMessage(QStringLiteral("Erasing flash, please wait..."));
    else if (state == Sending)
        enterSending();
    else if (state == Finalizing)
        enterFinalizing();
}

void FirmwareUpgradeJob::eraseReplied(bool done)
{
    if (!done || m_state != Erasing)
        return;
    m_eraseTimer->stop();
    emit logMessage(QStringLiteral("Erase completed."));
    setState(Sending);
}

void FirmwareUpgradeJob::enterSending()
{
    emit logMessage(QStringLiteral("Sending firmware..."));
    if (m_firmware.isEmpty()) {
        qCDebug(lcUpgrade) << "No firmware data!";
        setState(Idle);
        return;
    }
    if (!validateFirmware(m_firmware, QString())) {
        failAttempt(Error::ValidationFailed, red(QStringLiteral("Firmware validation failed!")));
        return;
    }
    m_sentBytes = 0;
    m_chunkInFlight = 0;
    m_awaitingAck = false;
    sendNextChunk();
}

void FirmwareUpgradeJob::sendNextChunk()
{
    if (m_state != Sending)
        return;
    if (!m_link || !m_link->isLinkOpen()) {
        failAttempt(Error::ConnectionLost, red(QStringLiteral("Error: Connection lost during sending!")));
        return;
    }
    const auto size = static_cast<quint64>(m_firmware.size());
    if (m_sentBytes >= size) {
        setState(Finalizing);
        return;
    }
    if (m_awaitingAck)
        return;
    const QByteArray piece = m_firmware.mid(static_cast<int>(m_sentBytes), BootloaderProtocol::PieceSize);
    if (piece.isEmpty()) {
        failAttempt(Error::EmptyPiece, red(QStringLiteral("Error: Empty firmware block!")));
        return;
    }
    const qint64 written = m_link->writeToDevice(piece);
    if (written != piece.size()) {
        qCDebug(lcUpgrade).nospace() << "Write failed or partial: " << written << "/" << piece.size();
        failAttempt(Error::WriteFailed, red(QStringLiteral("Error: Failed to send data block!")));
        return;
    }
    m_chunkInFlight = piece.size();
    m_awaitingAck = true;
    m_ackTimer->start(m_timings.ackTimeoutMs);
}

void FirmwareUpgradeJob::chunkAcknowledged(int ackBytes)
{
    if (m_state != Sending || !m_awaitingAck)
        return;
    const auto size = static_cast<quint64>(m_firmware.size());
    const bool last = m_sentBytes + static_cast<quint64>(m_chunkInFlight) >= size;
    if (!BootloaderProtocol::acceptsAck(ackBytes, m_chunkInFlight, last)) {
        qCDebug(lcUpgrade) << "Unexpected chunk ACK:" << ackBytes << "expected:" << m_chunkInFlight;
        failAttempt(Error::UnexpectedAck,
                    red(QStringLiteral("Error: Unexpected device ACK %1, expected %2.").arg(ackBytes).arg(m_chunkInFlight)));
        return;
    }
    m_ackTimer->stop();
    m_sentBytes += static_cast<quint64>(m_chunkInFlight);
    m_awaitingAck = false;
    m_chunkInFlight = 0;
    setProgress(BootloaderProtocol::progressPercent(m_sentBytes, size));
    sendNextChunk();
}

void FirmwareUpgradeJob::enterFinalizing()
{
    if (m_progress < 99)
        setProgress(99);
    emit logMessage(QStringLiteral("Finalizing, please wait..."));
    m_finalizeTimer->start(m_timings.finalizeMs);
}

void FirmwareUpgradeJob::onFinalizeElapsed()
{
    if (m_state != Finalizing)
        return;
    setProgress(100);
    m_successTimer->start(m_timings.successBoxDelayMs);
}

void FirmwareUpgradeJob::deviceRemoved(const QString &portName)
{
    // Finalizing counts too: success is only declared when the device stayed
    // until the end of the wait, a device gone earlier may not have kept it.
    if (!isBusy())
        return;
    qCDebug(lcUpgrade) << "Device physically disconnected during upgrade:" << portName;
    failAttempt(Error::DeviceRemoved);
}

void FirmwareUpgradeJob::communicationLost()
{
    if (isBusy())
        failAttempt(Error::CommunicationLost);
}

void FirmwareUpgradeJob::onEraseTimeout()
{
    if (m_state == Erasing)
        failAttempt(Error::EraseTimeout, red(QStringLiteral("Erase timeout! Device not responding.")));
}

void FirmwareUpgradeJob::onChunkAckTimeout()
{
    if (m_state == Sending && m_awaitingAck)
        failAttempt(Error::AckTimeout, red(QStringLiteral("Error: Timed out waiting for device ACK.")));
}

void FirmwareUpgradeJob::failAttempt(Error error, const QString &logLine)
{
    if (m_failureShown || m_state == Failed)
        return;
    m_failureShown = true;
    stopWatchdogs();
    m_finalizeTimer->stop();
    m_successTimer->stop();
    m_error = error;
    if (!logLine.isEmpty())
        emit logMessage(logLine);
    setState(Failed);
    emit failed(error);
    // The attempt is over whatever the receivers did; the error stays readable.
    resetUpgrade();
    m_error = error;
}

void FirmwareUpgradeJob::setProgress(int percent)
{
    if (percent == m_progress)
        return;
    m_progress = percent;
    emit progressChanged(percent);
}

void FirmwareUpgradeJob::stopWatchdogs()
{
    m_eraseTimer->stop();
    m_ackTimer->stop();
}
