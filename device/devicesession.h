#pragma once

#include "device/devicemodels.h"
#include "device/devicewatcher.h"

#include <QObject>
#include <QPointer>
#include <QString>

class FeedbackDispatcher;
class LocalDevice;
class SysExFrameCutter;
class Prompt;
class QTimer;
class SerialPort;

// The connection to one device: it owns the serial link and the receive
// buffer, runs the identification and the query schedule after connecting,
// and feeds every received frame to the feedback dispatcher. It holds no
// widgets; the main window reacts to its signals.
class DeviceSession : public QObject
{
    Q_OBJECT

public:
    static constexpr qint32 BaudRate = 115200;
    static constexpr int SecondIdentificationMs = 50;
    static constexpr int FamilyDecisionMs = 1000;
    // How long a command that expects an answer waits before the user is told.
    static constexpr int AnswerTimeoutMs = 2000;
    static const QString NoAnswerText;
    // How long identification may take before the window says the device is silent.
    static constexpr int IdentificationTimeoutMs = 2000;

    enum class OpenResult { Opened, NoDevice, NotAccepted, OpenFailed };

    explicit DeviceSession(Prompt *prompt, QObject *parent = nullptr);
    ~DeviceSession() override;

    // The watcher that reports the ports leaving; without one only a failing
    // port ends the connection. Not owned.
    void setWatcher(DeviceWatcher *watcher);
    [[nodiscard]] DeviceWatcher *watcher() const { return m_watcher; }

    [[nodiscard]] SerialPort *serialPort() const { return m_serialPort; }
    [[nodiscard]] SysExFrameCutter *sysExCutter() const { return m_sysExCutter; }
    [[nodiscard]] FeedbackDispatcher *dispatcher() const { return m_dispatcher; }

    // Checks and opens the entry's port; on success the identification and
    // the connection queries are under way. errorText() tells why not.
    [[nodiscard]] OpenResult open(const QString &deviceName, const QString &portName);
    // Connects to a device that runs in this process (a file edited offline)
    // as if it were the list entry deviceName: the same queries, the same
    // frame cutting and dispatch, its answers a turn of the event loop later
    // as from a port. Its model is known, so nothing is identified and no
    // firmware checked. The device is not owned.
    void openInProcess(const QString &deviceName, const QString &model, LocalDevice *device);
    [[nodiscard]] bool isInProcess() const { return !m_localDevice.isNull(); }
    void close();
    [[nodiscard]] bool isOpen() const;
    // The device has answered identification since the port was opened.
    [[nodiscard]] bool isIdentified() const { return m_identified; }
    // Open, unidentified, and IdentificationTimeoutMs have passed.
    [[nodiscard]] bool isIdentificationOverdue() const { return m_identificationOverdue; }
    [[nodiscard]] QString errorText() const { return m_errorText; }
    // The last open failed because this user may not read and write the
    // port's device node (not because another program holds the port).
    [[nodiscard]] bool openDeniedByPermissions() const { return m_openDeniedByPermissions; }
    // The port the connection opened; empty when disconnected.
    [[nodiscard]] QString connectedPortName() const { return m_connectedPortName; }

    // Clears the routing page (by signal) and sends queries 1, 2, 4, 3 and 7
    // at 0, 50, 100, 150 and 200 ms.
    void sendConnectionQueries();
    // Writes the frame whole and flushes it; false when the port is closed.
    bool write(const QByteArray &frame);
    // As write(), for a command the device answers: when no frame at all
    // comes back within AnswerTimeoutMs, NoAnswerText is shown, once for the
    // whole silence. An answer that comes later is handled as usual.
    bool writeExpectingAnswer(const QByteArray &frame);
    [[nodiscard]] QTimer *answerTimer() const { return m_answerTimer; }

    [[nodiscard]] QString connectedDeviceName() const { return m_connectedDeviceName; }
    [[nodiscard]] QString deviceModel() const { return m_deviceModel; }
    // The model the connected device reported ("Cedar-6"); empty until it
    // has, and once disconnected.
    [[nodiscard]] QString reportedModel() const { return m_reportedModel; }
    [[nodiscard]] QString deviceVersion() const { return m_deviceVersion; }
    // The table's row for the connected device's name; null when the name
    // holds no model's key, and once disconnected.
    [[nodiscard]] const DeviceModels::DeviceModel *connectedModel() const { return m_connectedModel; }
    [[nodiscard]] bool onlineCheckRequested() const { return m_onlineCheckRequested; }
    // Cleared when the device is handed to the upgrade dialog and after an upgrade.
    void setOnlineCheckRequested(bool requested) { m_onlineCheckRequested = requested; }

public slots:
    void onModelReceived(const QString &model);
    void onVersionReceived(const QString &version);
    void storeModelAndVersion(const QString &version, const QString &model);

signals:
    void routingCleared();
    // FamilyDecisionMs after connecting: the connected model (null for a
    // name that holds no model's key), whose family decides the headers.
    void modelDecided(const DeviceModels::DeviceModel *model);
    // The identified model and version, for the online firmware check.
    void firmwareCheckRequested(QString model, QString version);
    // The connected device's port went away (unplugged, read or write
    // error); other ports coming and going do not count.
    void deviceLost();
    // The device confirmed a factory reset (its text has been shown).
    void factoryResetConfirmed();
    // The first identification answer of this connection, however late.
    void identified();
    // IdentificationTimeoutMs after opening, nothing has answered
    // identification; the port stays open for a late answer.
    void identificationOverdue();

private:
    void startConnection(int familyDecisionMs);
    void scheduleQuery(int delayMs, int query);
    void onPortGone(const QString &portName);
    void watchIdentification();
    void onIdentificationAnswer();

    SerialPort *const m_serialPort;
    SysExFrameCutter *const m_sysExCutter;
    FeedbackDispatcher *const m_dispatcher;
    Prompt *const m_prompt;
    QTimer *const m_answerTimer;
    QPointer<DeviceWatcher> m_watcher;
    QPointer<LocalDevice> m_localDevice;
    QMetaObject::Connection m_localAnswers;
    quint64 m_localLink = 0;
    // Timers of one connection are parented here, so a disconnect cancels them.
    QPointer<QObject> m_connectionScope;
    QString m_errorText;
    bool m_openDeniedByPermissions = false;
    QString m_connectedDeviceName;
    QString m_connectedPortName;
    QString m_deviceModel;
    QString m_deviceVersion;
    QString m_reportedModel;
    QString m_reportedVersion;
    const DeviceModels::DeviceModel *m_connectedModel = nullptr;
    bool m_onlineCheckRequested = false;
    bool m_identified = false;
    bool m_identificationOverdue = false;
};
