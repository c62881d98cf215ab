#pragma once

#include "device/deviceports.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <functional>

class FeedbackDispatcher;
class FiFoBuffer;
class SerialPort;

// Talks to one device over its serial port without a window: opens it, asks
// who it is and what ports it has, and waits for the answers in a local event
// loop. The answers come in bursts; each ends by what the protocol says (the
// reported counts) and only where it says nothing by a short quiet gap.
class DeviceBackup : public QObject
{
    Q_OBJECT

public:
    enum class Error {
        None,
        CannotOpen,   // no such port, or it cannot be opened
        NotAnswering, // nothing usable came back within the timeout
        DeviceLost,   // the port went away while we waited
    };

    struct Identity
    {
        QString model;
        QString version;
        Device::PortCounts counts;
        // USB slot -> name, as the device reports them.
        QMap<int, QString> usbNames;
    };

    static constexpr int DefaultTimeoutMs = 3000;
    // After the last name report, how long a burst of unknown length may pause.
    static constexpr int QuietGapMs = 60;

    explicit DeviceBackup(QObject *parent = nullptr);
    ~DeviceBackup() override;

    void setTimeout(int ms) { m_timeoutMs = ms; }
    [[nodiscard]] bool open(const QString &portName);
    void close();
    // Model, firmware version, port counts and USB names.
    [[nodiscard]] bool identify();
    [[nodiscard]] const Identity &identity() const { return m_identity; }

    [[nodiscard]] Error error() const { return m_error; }
    [[nodiscard]] QString errorString() const { return m_errorString; }

private:
    // Runs the event loop until done() holds, the timeout passes or the port
    // goes away; true when done() held.
    [[nodiscard]] bool waitFor(const std::function<bool()> &done);
    void fail(Error error, const QString &text);

    SerialPort *const m_port;
    FiFoBuffer *const m_fifo;
    FeedbackDispatcher *const m_dispatcher;
    QString m_portName;
    int m_timeoutMs = DefaultTimeoutMs;
    bool m_lost = false;
    bool m_haveText = false;
    bool m_haveCounts = false;
    Identity m_identity;
    Error m_error = Error::None;
    QString m_errorString;
};
