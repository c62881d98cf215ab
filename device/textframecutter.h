#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Cuts the text frames (AA CC N payload 0D 0A) of identification and the
// bootloader out of the received stream and turns each into one signal. The
// signals carry the names of SerialPort's, which simply relays them.
class TextFrameCutter : public QObject
{
    Q_OBJECT

public:
    explicit TextFrameCutter(QObject *parent = nullptr);

    // Appends received bytes and handles every complete frame.
    void feed(const QByteArray &bytes);
    void clear();

    [[nodiscard]] int pendingBytes() const { return m_received.size() - m_head; }
    [[nodiscard]] QString lastModel() const { return m_lastModel; }
    [[nodiscard]] QString lastVersion() const { return m_lastVersion; }

signals:
    void versionReceived(QString version);
    void modelReceived(QString model);
    void eraseFinished(bool erased);
    void chunkAcknowledged(int ackBytes);
    void unrecognisedTextFrame(QByteArray frame);
    void modelAndVersionReceived(QString version, QString model);

private:
    void cut();
    void handleFrame(const QByteArray &frame);

    QByteArray m_received;
    int m_head = 0;
    bool m_cutting = false;
    QString m_lastModel;
    QString m_lastVersion;
};
