#pragma once

#include <QList>
#include <QString>

#include <functional>

// A serial port that the platform does not list but another part of the
// program knows of (a simulated device on a pseudo-terminal, say), with the
// USB device it stands for.
struct SourcedPort
{
    QString portName;    // what QSerialPort opens, e.g. /dev/pts/7
    QString description; // the USB description it stands for, as the device shows it
    quint16 vendorId = 0;
    quint16 productId = 0;
};

using PortSource = std::function<QList<SourcedPort>()>;

// Plugs a port source into every DeviceWatcher of the process for as long as
// the registration lives: each port it gives is listed as a USB device of its
// own, beside the platform's. It is the process, not one watcher, that the
// ports join: the window, an upgrade dialog and each velmora-cli command scan
// with watchers of their own and must all see the same devices.
class PortSourceRegistration
{
public:
    explicit PortSourceRegistration(PortSource source);
    ~PortSourceRegistration();
    PortSourceRegistration(const PortSourceRegistration &) = delete;
    PortSourceRegistration &operator=(const PortSourceRegistration &) = delete;

    // The ports of every source now registered, in the order they were registered.
    [[nodiscard]] static QList<SourcedPort> collect();

private:
    const quint64 m_id;
};
