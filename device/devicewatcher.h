#pragma once

#include "device/devicescan.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QTimer;

// A serial port that stands for a USB device (or a sourced or --device one),
// with the description its bus reports.
struct UsbSerialPort
{
    QString portName;
    QString description;

    friend bool operator==(const UsbSerialPort &a, const UsbSerialPort &b)
    {
        return a.portName == b.portName && a.description == b.description;
    }
};

// The one place that scans the computer's serial ports: the USB description
// query, the ports of the sources plugged in with PortSourceRegistration (the
// simulator's) and the ports given on the command line.
// It keeps the brand's device list (one entry per USB device, in the order
// the main window shows them) and reports every port that comes or goes by
// name, so that a connection only reacts to its own port.
class DeviceWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultIntervalMs = 1000;

    explicit DeviceWatcher(const QString &descriptionPrefix, QObject *parent = nullptr);
    ~DeviceWatcher() override;

    // Scans once at once, then every intervalMs.
    void start(int intervalMs = DefaultIntervalMs);
    void stop();
    [[nodiscard]] bool isRunning() const;

    // The brand's devices, one entry per USB device, in list order.
    [[nodiscard]] const QList<DeviceListEntry> &entries() const { return m_entries; }
    [[nodiscard]] QStringList entryTexts() const;
    // Every USB serial port present at the last scan, whatever its maker.
    [[nodiscard]] QList<UsbSerialPort> usbSerialPorts() const { return m_usbPorts; }
    // Whether the port was present at the last scan.
    [[nodiscard]] bool isPresent(const QString &portName) const;
    [[nodiscard]] QStringList presentPorts() const { return m_present; }
    [[nodiscard]] QString prefix() const { return m_prefix; }

    // A port named on the command line: listed under its description for as
    // long as the port exists. Takes effect at the next scan.
    void addFixedDevice(const DeviceListEntry &entry);

public slots:
    void scan();

signals:
    void portAdded(const QString &portName);
    void portRemoved(const QString &portName);
    // The brand's list gained or lost an entry.
    void entriesChanged();

private:
    const QString m_prefix;
    QTimer *const m_timer;
    QList<DeviceListEntry> m_entries;
    QList<DeviceListEntry> m_fixed;
    QList<UsbSerialPort> m_usbPorts;
    QStringList m_present;
};
