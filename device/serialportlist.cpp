#include "device/serialportlist.h"

#include <QSerialPortInfo>

#include <algorithm>

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
    return withVirtualPorts(ports, VirtualDevices::entries());
}

QList<SerialPortEntry> withVirtualPorts(QList<SerialPortEntry> ports,
                                        const QList<VirtualDeviceEntry> &devices)
{
    for (const VirtualDeviceEntry &device : devices) {
        const bool listed = std::any_of(ports.cbegin(), ports.cend(), [&](const SerialPortEntry &p) {
            return p.portName == device.portName || p.systemLocation == device.portName;
        });
        if (listed)
            continue;
        SerialPortEntry entry;
        entry.portName = device.portName;
        entry.systemLocation = device.portName;
        entry.vendorId = device.vendorId;
        entry.productId = device.productId;
        entry.hasVendorId = true;
        entry.hasProductId = true;
        entry.description = device.description;
        ports.append(entry);
    }
    return ports;
}
