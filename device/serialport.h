#pragma once

#include "device/devicescan.h"

#include <QByteArray>
#include <QList>
#include <QSerialPort>
#include <QString>
#include <QStringList>

class Prompt;
class QTimer;
class TextFrameCutter;

// The one serial link to the device. It owns the text-frame cutter of the
// identification and bootloader replies and relays its results as its own
// signals; every raw chunk read also leaves through isread() for the
// System Exclusive receiver.
class SerialPort : public QSerialPort
{
    Q_OBJECT

public:
    explicit SerialPort(const QString &descriptionPrefix, QObject *parent = nullptr);
    ~SerialPort() override;

    // Clears the text-frame buffer and opens the port read-write at the baud
    // rate (both directions). An empty name is refused through the prompt.
    [[nodiscard]] bool openPort(const QString &portName, qint32 baudRate);
    void close() override;

    // Writes the frame whole and flushes; false when the port is not open or
    // the frame could not be queued.
    [[nodiscard]] bool writeFrame(const QByteArray &frame);
    // Flushes what is pending, writes the frame and waits up to 100 ms for it
    // to leave; failures only reach the log.
    void writeMappingFrame(const QByteArray &frame);

    // Not owned; without a prompt, refusals only reach the log.
    void setPrompt(Prompt *prompt);

    // initPort emits closePortSignal when the entry with this text vanishes.
    void setCurrentPortName(const QString &text);
    [[nodiscard]] QString watchedEntryText() const { return currentPortName; }
    [[nodiscard]] QString prefix() const { return descriptionPrefix; }

    // The entries initPort keeps, in list order.
    [[nodiscard]] const QList<DeviceListEntry> &deviceEntries() const { return m_entries; }
    [[nodiscard]] QStringList deviceTexts() const;

    // Periodic initPort; off until started.
    void startScanning(int intervalMs);
    void stopScanning();
    [[nodiscard]] bool isWatchingStatus() const;

    [[nodiscard]] QStringList knownPorts() const { return knownPortNames; }
    [[nodiscard]] QStringList lostPorts() const { return lostPortNames; }
    [[nodiscard]] int pendingTextBytes() const;

signals:
    void closePortSignal();
    void send_vesion(QString version);
    void send_MTD(QString MTD);
    void send_erase(bool eraseflag);
    void send_upgrade_chunk_ack(int ackBytes);
    void portDisconnected(QString portName);
    void portReconnected(QString portName);
    void showdata(QByteArray data);
    void isread(QByteArray msgBuffer);
    void sendmtv(QString version, QString mtd);

public slots:
    void readDataSlot();
    void initPort();
    void updatePortStatus();

private:
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void dropLostPort();
    [[nodiscard]] bool otherEndGone();
    [[nodiscard]] static QStringList currentPortNames();

    const QString descriptionPrefix;
    QString currentPortName;
    TextFrameCutter *const rxBuffer;
    QTimer *const scanTimer;
    QTimer *const statusTimer;
    QStringList knownPortNames;
    QStringList lostPortNames;

    QList<DeviceListEntry> m_entries;
    QString m_openedPortName;
    Prompt *m_prompt = nullptr;
    bool m_dropPending = false;
    bool m_waitingForMappingWrite = false;
    bool m_readFailed = false;
};
