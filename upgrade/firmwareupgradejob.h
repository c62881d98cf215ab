#pragma once

#include "upgrade/upgradetimings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class BootloaderLink;
class QTimer;

// One firmware upgrade of a device in its bootloader: erase, then the image in
// 64-byte pieces, each acknowledged before the next leaves, then a fixed wait
// before success is declared. Every way an attempt can end badly goes through
// one path: the job enters Failed, emits failed() once, and is back in Idle
// when the receivers return. No widgets here; the dialog shows what it emits.
class FirmwareUpgradeJob : public QObject
{
    Q_OBJECT

public:
    enum State { Idle = 0, Connected = 1, Erasing = 2, Sending = 3, Finalizing = 4, Failed = 5 };
    Q_ENUM(State)

    enum class Error {
        None,
        EraseTimeout,      // no "ERASE END" in time
        AckTimeout,        // a piece went unacknowledged
        UnexpectedAck,     // the bootloader took a different number of bytes
        WriteFailed,       // the piece could not be queued whole
        EmptyPiece,
        ConnectionLost,    // the link was closed under the transfer
        DeviceRemoved,     // the port vanished (unplugged, rebooted)
        CommunicationLost, // the port reported that it cannot be used any more
        ValidationFailed,
        DownloadFailed,    // the online image could not be fetched
    };
    Q_ENUM(Error)

    explicit FirmwareUpgradeJob(BootloaderLink *link, QObject *parent = nullptr);
    ~FirmwareUpgradeJob() override;

    void setLink(BootloaderLink *link) { m_link = link; }
    [[nodiscard]] BootloaderLink *link() const { return m_link; }
    void setTimings(const UpgradeTimings &timings) { m_timings = timings; }
    [[nodiscard]] const UpgradeTimings &timings() const { return m_timings; }

    [[nodiscard]] State state() const { return m_state; }
    [[nodiscard]] bool isBusy() const { return m_state == Erasing || m_state == Sending || m_state == Finalizing; }
    // The error of the last failed attempt (None after a success).
    [[nodiscard]] Error error() const { return m_error; }
    [[nodiscard]] QString errorString() const { return errorString(m_error); }
    [[nodiscard]] static QString errorString(Error error);

    void setFirmware(const QByteArray &image) { m_firmware = image; }
    [[nodiscard]] const QByteArray &firmware() const { return m_firmware; }
    [[nodiscard]] quint64 sentBytes() const { return m_sentBytes; }
    [[nodiscard]] int chunkInFlight() const { return m_chunkInFlight; }
    [[nodiscard]] bool awaitingAck() const { return m_awaitingAck; }
    [[nodiscard]] int progress() const { return m_progress; }

    // Logs the image's MD5; true when expectedMd5 is empty or equals it.
    bool validateFirmware(const QByteArray &image, const QString &expectedMd5);

    // The port to the bootloader is open (Connected) or was closed (Idle).
    void setConnected();
    void setDisconnected();
    // Writes the erase command and waits for the reply; false when the link
    // is not open or the job is not Connected.
    bool startErase();
    // Stops the watchdogs, drops the image and the counters, back to Idle.
    // The link is left as it is.
    void resetUpgrade();

    // Replies and events from the link.
    void eraseReplied(bool done);
    void chunkAcknowledged(int ackBytes);
    void deviceRemoved(const QString &portName);
    void communicationLost();
    // A failure outside the transfer (the online download) ends the attempt
    // the same way.
    void failAttempt(Error error, const QString &logLine = QString());

signals:
    void stateChanged(FirmwareUpgradeJob::State state);
    void progressChanged(int percent);
    // Rich-text lines for the dialog's log.
    void logMessage(const QString &html);
    // Emitted once per failed attempt, in Failed; the job resets after it.
    void failed(FirmwareUpgradeJob::Error error);
    // The wait after the last piece is over; the job resets after it.
    void succeeded();

private:
    void setState(State state);
    void enterSending();
    void enterFinalizing();
    void sendNextChunk();
    void setProgress(int percent);
    void stopWatchdogs();
    void onEraseTimeout();
    void onChunkAckTimeout();
    void onFinalizeElapsed();

    BootloaderLink *m_link;
    UpgradeTimings m_timings;
    State m_state = Idle;
    Error m_error = Error::None;

    QByteArray m_firmware;
    quint64 m_sentBytes = 0;
    int m_chunkInFlight = 0;
    bool m_awaitingAck = false;
    bool m_failureShown = false;
    int m_progress = 0;

    QTimer *const m_eraseTimer;
    QTimer *const m_ackTimer;
    QTimer *const m_finalizeTimer;
    QTimer *const m_successTimer;
};
