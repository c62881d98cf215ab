#pragma once

#include "configfile/configdocument.h"
#include "configfile/configtranslation.h"
#include "device/deviceports.h"
#include "device/framekind.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

class FeedbackDispatcher;
class SysExFrameCutter;
class SerialPort;

// Talks to one device over its serial port without a window: opens it, asks
// who it is and what it holds, sends commands and waits for their answers in
// a local event loop. The answers come in bursts; each ends by what the
// protocol says (the reported counts) and only where it says nothing by a
// short quiet gap.
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
    // After the last frame of a burst of unknown length, how long it may pause.
    static constexpr int QuietGapMs = 60;

    explicit DeviceBackup(QObject *parent = nullptr);
    ~DeviceBackup() override;

    // How long the device may stay silent before it counts as not answering.
    void setTimeout(int ms) { m_timeoutMs = ms; }
    [[nodiscard]] bool open(const QString &portName);
    void close();
    // Model, firmware version, port counts and USB names.
    [[nodiscard]] bool identify();
    [[nodiscard]] const Identity &identity() const { return m_identity; }

    // The model, routes, every port's filter and the stored mapping rules, as
    // the window holds them after connecting to this device.
    [[nodiscard]] bool readConfiguration();
    [[nodiscard]] const ConfigFile::Document &configuration() const { return m_configuration; }
    // The model and ports the last configuration read found.
    [[nodiscard]] ConfigFile::TargetPorts targetPorts() const;

    // Writes one command and waits for the first frame of one of the kinds
    // given; nothing (see error()) when none comes or the device goes away.
    [[nodiscard]] std::optional<QByteArray> exchange(const QByteArray &command,
                                                     const QVector<FrameKind> &answerKinds);
    // Writes a frame that wants no answer.
    [[nodiscard]] bool send(const QByteArray &frame);

    [[nodiscard]] Error error() const { return m_error; }
    [[nodiscard]] QString errorString() const { return m_errorString; }

private:
    // Runs the event loop until done() holds, the device stays silent for the
    // timeout or the port goes away; true when done() held.
    [[nodiscard]] bool waitFor(const std::function<bool()> &done);
    void fail(Error error, const QString &text);
    void failNotAnswering();
    void onFrame(FrameKind type, const QByteArray &frame);
    [[nodiscard]] ConfigFile::Document buildDocument() const;

    SerialPort *const m_port;
    SysExFrameCutter *const m_sysExCutter;
    FeedbackDispatcher *const m_dispatcher;
    QString m_portName;
    int m_timeoutMs = DefaultTimeoutMs;
    bool m_lost = false;
    bool m_haveText = false;
    bool m_haveCounts = false;
    // Since the last byte the device sent.
    QElapsedTimer m_sinceActivity;
    Identity m_identity;

    // Frames of the configuration read, kept raw: the device may send route
    // reports before the port counts that they are checked against.
    std::optional<QVector<int>> m_filterCounts;
    QVector<QByteArray> m_routeFrames;
    QVector<QByteArray> m_filterFrames;
    QVector<QByteArray> m_mappingFrames;
    ConfigFile::Document m_configuration;

    // What exchange() waits for.
    QVector<FrameKind> m_awaited;
    std::optional<QByteArray> m_answer;

    Error m_error = Error::None;
    QString m_errorString;
};
