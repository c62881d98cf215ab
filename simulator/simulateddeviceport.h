#pragma once

#include "simulator/deviceprofile.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>

class DeviceSimulator;
class PortSourceRegistration;
class QSocketNotifier;
class QTimer;

// Serves a DeviceSimulator on a pseudo-terminal, so that anything that opens
// serial ports (the application, a terminal program) can talk to it, and
// lists it the way a USB device shows up in the system's device list: to the
// device watchers of this process, or through the user's device registry to
// other processes too. POSIX only.
//
// When the simulated device reboots into its bootloader, the port behaves as
// a re-enumerating USB device: the old entry and pseudo-terminal go away and a
// new pseudo-terminal, listed with the bootloader's description, appears.
class SimulatedDevicePort : public QObject
{
    Q_OBJECT

public:
    // 115200 baud, 8N1: ten bit times per byte.
    static constexpr double PacedBytesPerMs = 115200.0 / 10.0 / 1000.0;

    enum class Listing {
        ThisProcess,  // listed by the device watchers of this process alone
        UserRegistry, // announced in the user's device registry (velmora-devsim)
        Unlisted,     // served on its terminal only, as a port named with --device
    };
    Q_ENUM(Listing)

    explicit SimulatedDevicePort(const DeviceProfile &profile, QObject *parent = nullptr);
    ~SimulatedDevicePort() override;

    // Opens the pseudo-terminal and lists it; false (see errorString())
    // when the system has none to give.
    [[nodiscard]] bool start();
    // Withdraws the listing and closes the pseudo-terminal.
    void stop();

    // ThisProcess unless set; takes effect at once on a running device.
    void setListing(Listing listing);

    [[nodiscard]] bool isRunning() const { return m_master >= 0; }
    // The path the host opens, e.g. /dev/pts/7.
    [[nodiscard]] QString portName() const { return m_slavePath; }
    [[nodiscard]] QString description() const;
    [[nodiscard]] QString registryEntryFile() const { return m_entryFile; }
    [[nodiscard]] QString errorString() const { return m_error; }

    [[nodiscard]] DeviceSimulator *simulator() const { return m_simulator; }

    // Sends no faster than a 115200-baud link would.
    void setPacing(bool paced) { m_paced = paced; }
    [[nodiscard]] bool isPaced() const { return m_paced; }

signals:
    // The device came back on another pseudo-terminal (after rebooting into
    // its bootloader); description() already tells the new description.
    void portChanged(QString newPath);
    // The device is gone: stop(), or the connection was dropped.
    void stopped();

private:
    struct Pty
    {
        int master = -1;
        int slave = -1;
        QString path;
    };
    [[nodiscard]] Pty openPty();
    void attach(const Pty &pty);
    void closePty();
    void list();
    void unlist();

    void readHost();
    void queueForHost(const QByteArray &bytes);
    void writeToHost();
    void switchToBootloader();
    void dropConnection();

    DeviceSimulator *const m_simulator;
    QTimer *const m_paceTimer;
    int m_master = -1;
    int m_slave = -1; // kept open so the master never reads as hung up
    QString m_slavePath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    Listing m_listing = Listing::ThisProcess;
    bool m_listed = false;
    QString m_entryFile;
    QString m_error;
    const std::unique_ptr<PortSourceRegistration> m_inProcess;

    bool m_paced = false;
    QByteArray m_out;
    QElapsedTimer m_paceClock;
    double m_paceCredit = 0.0;
};
