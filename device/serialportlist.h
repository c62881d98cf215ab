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
