#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class SerialPort;

// Writes a firmware image into a device's bootloader with the window's
// transfer. A running device is switched into its bootloader first and its
// bootloader's port is looked up by the model it reported.
class Flasher : public QObject
{
    Q_OBJECT

public:
    enum class Error {
        None,
        NoDevice,    // no such port, it cannot be opened, no bootloader shows up
        DeviceLost,  // the device went away or stopped answering mid-transfer
        Refused,     // the bootloader took something else than was sent
    };

    // A rebooting device takes a while to come back under its new name.
    static constexpr int MinSearchMs = 15000;
    static constexpr int SearchIntervalMs = 100;

    explicit Flasher(QObject *parent = nullptr);
    ~Flasher() override;

    void setTimeout(int ms) { m_timeoutMs = ms; }
    // Called with 0..100 as the transfer moves on.
    void setProgress(std::function<void(int)> progress) { m_progress = std::move(progress); }

    [[nodiscard]] bool flash(const QString &portName, const QByteArray &image);

    [[nodiscard]] Error error() const { return m_error; }
    [[nodiscard]] QString errorString() const { return m_errorString; }
    // The port the image went to (the bootloader's).
    [[nodiscard]] QString bootloaderPort() const { return m_bootloaderPort; }

private:
    bool fail(Error error, const QString &text);
    // Sends the identification query on the open port; the model text, or
    // empty (port closed, error set) when none comes within the timeout.
    [[nodiscard]] QString askModel(const QString &portName);
    [[nodiscard]] QString switchToBootloader(const QString &portName);
    [[nodiscard]] bool transfer(const QString &portName, const QByteArray &image);

    SerialPort *const m_port;
    int m_timeoutMs = 3000;
    std::function<void(int)> m_progress;
    QString m_bootloaderPort;
    Error m_error = Error::None;
    QString m_errorString;
};
