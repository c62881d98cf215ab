#pragma once

#include <QList>
#include <QString>

// One serial port as the device list sees it.
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

// The platform's serial ports.
[[nodiscard]] QList<SerialPortEntry> availableSerialPorts();

// Starts reading the platform's serial ports on a thread of its own; the next
// availableSerialPorts() returns that reading, waiting for it if need be,
// and later ones read afresh. Walking the ports takes tens of milliseconds
// where there are many terminals; a program that starts with a scan calls
// this first, so that the walk runs while it builds its window.
void prefetchSerialPorts();
