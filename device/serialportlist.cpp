#include "device/serialportlist.h"

#include <QSerialPortInfo>

#include <future>
#include <mutex>

namespace {

QList<SerialPortEntry> readSerialPorts()
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

struct Prefetch
{
    std::mutex mutex;
    std::future<QList<SerialPortEntry>> ports;
};

Prefetch &prefetch()
{
    static Prefetch instance;
    return instance;
}

} // namespace

void prefetchSerialPorts()
{
    Prefetch &p = prefetch();
    const std::lock_guard<std::mutex> lock(p.mutex);
    if (!p.ports.valid())
        p.ports = std::async(std::launch::async, readSerialPorts);
}

QList<SerialPortEntry> availableSerialPorts()
{
    Prefetch &p = prefetch();
    std::future<QList<SerialPortEntry>> pending;
    {
        const std::lock_guard<std::mutex> lock(p.mutex);
        pending = std::move(p.ports);
    }
    return pending.valid() ? pending.get() : readSerialPorts();
}
