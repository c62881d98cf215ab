#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QString>

class Prompt;
class TextFrameCutter;

// The one serial link to the device: I/O and frame cutting only. It owns the
// text-frame cutter of the identification and bootloader replies and relays
// its results as its own signals; every raw chunk read also leaves through
// bytesReceived() for the System Exclusive receiver. Which ports exist is the
// DeviceWatcher's business.
class SerialPort : public QSerialPort
{
    Q_OBJECT

public:
    explicit SerialPort(QObject *parent = nullptr);
    ~SerialPort() override;

    // Clears the text-frame buffer and opens the port read-write at the baud
    // rate (both directions). An empty name is refused through the prompt.
    [[nodiscard]] bool openPort(const QString &portName, qint32 baudRate);
    void close() override;

    // Writes the frame whole and flushes; false when the port is not open or
    // the frame could not be queued.
    [[nodiscard]] bool writeFrame(const QByteArray &frame);

    // Not owned; without a prompt, refusals only reach the log.
    void setPrompt(Prompt *prompt);

    // The name the port was last opened with (portName() drops a path's "/dev/").
    [[nodiscard]] QString openedPortName() const { return m_openedPortName; }

signals:
    void versionReceived(QString version);
    void modelReceived(QString model);
    void eraseFinished(bool erased);
    void chunkAcknowledged(int ackBytes);
    // The open port's device went away (hang-up, read or write failure); the
    // port has been closed.
    void portDisconnected(QString portName);
    void unrecognisedTextFrame(QByteArray frame);
    void bytesReceived(QByteArray bytes);
    void modelAndVersionReceived(QString version, QString model);

public slots:
    void readAvailableBytes();

private:
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void dropLostPort();
    [[nodiscard]] bool otherEndGone();

    TextFrameCutter *const m_textFrames;
    QString m_openedPortName;
    Prompt *m_prompt = nullptr;
    bool m_dropPending = false;
    bool m_readFailed = false;
};
