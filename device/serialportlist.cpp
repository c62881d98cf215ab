#include "device/serialportlist.h"

#include <QSerialPortInfo>

QList<SerialPortEntry> availableSerialPorts()
{
    QList<SerialPortEntry> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        SerialPortEntry entry;
        entry.portName = info.portName();
        entry.hasVendorId = info.hasVendorIdentifier();
        entry.hasProductId = info.hasProductIdentifier();
        entry.vendorId = info.vendorIdentifier();
        entry.productId = info.productIdentifier();
        entry.description = info.description();
        entry.systemLocation = info.systemLocation();
        entry.serialNumber = info.serialNumber();
        entry.manufacturer = info.manufacturer();
        ports.append(entry);
    }
    return ports;
}
