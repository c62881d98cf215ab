#pragma once

#include "device/virtualdevices.h"

#include <QList>
#include <QString>

// One serial port as the device list sees it: the platform's ports and the
// simulated devices of the registry look alike here.
struct SerialPortEntry
{
    QString portName;
    quint16 vendorId = 0;
    quint16 productId = 0;
    bool hasVendorId = false;
    bool hasProductId = false;
    QString description;
    QString systemLocation;
    QString serialNumber;
    QString manufacturer;
};

// The platform's serial ports followed by one port per registry device (its
// pseudo-terminal path, which QSerialPort opens like any port name).
[[nodiscard]] QList<SerialPortEntry> availableSerialPorts();

// Appends the registry devices to the ports, skipping any whose port is
// already listed.
[[nodiscard]] QList<SerialPortEntry> withVirtualPorts(QList<SerialPortEntry> ports,
                                                      const QList<VirtualDeviceEntry> &devices);
