#include "device/devicewatcher.h"

#include "device/portsource.h"
#include "device/serialportlist.h"
#include "device/usbdevicequery.h"

#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// Ports given on the command line have no USB identifiers of their own; they
// take keys under a vendor id that no USB device may carry (0xFFFF is
// reserved by the USB-IF), one product id each.
constexpr quint16 FixedVendorId = 0xFFFF;

bool portListed(const QList<SerialPortEntry> &ports, const QString &name)
{
    return std::any_of(ports.cbegin(), ports.cend(), [&](const SerialPortEntry &p) {
        return p.portName == name || p.systemLocation == name;
    });
}

} // namespace

DeviceWatcher::DeviceWatcher(const QString &descriptionPrefix, QObject *parent)
    : QObject(parent)
    , m_prefix(descriptionPrefix)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &DeviceWatcher::scan);
}

DeviceWatcher::~DeviceWatcher() = default;

void DeviceWatcher::start(int intervalMs)
{
    scan();
    m_timer->start(intervalMs);
}

void DeviceWatcher::stop()
{
    m_timer->stop();
}

bool DeviceWatcher::isRunning() const
{
    return m_timer->isActive();
}

QStringList DeviceWatcher::entryTexts() const
{
    QStringList texts;
    texts.reserve(m_entries.size());
    for (const DeviceListEntry &entry : m_entries)
        texts.append(entry.text);
    return texts;
}

bool DeviceWatcher::isPresent(const QString &portName) const
{
    return !portName.isEmpty() && m_present.contains(portName);
}

void DeviceWatcher::addFixedDevice(const DeviceListEntry &entry)
{
    if (entry.portName.isEmpty())
        return;
    for (const DeviceListEntry &fixed : qAsConst(m_fixed)) {
        if (fixed.portName == entry.portName)
            return;
    }
    m_fixed.append(entry);
}

void DeviceWatcher::scan()
{
    // One walk of the bus serves both lists; the first device with a key
    // wins in each.
    QList<SerialPortEntry> ports = availableSerialPorts();
    UsbDeviceMap brand;
    UsbDeviceMap every;
    QList<UsbDeviceRecord> records = UsbDeviceQuery().busDevices(QStringLiteral("USB"), QString());
    // Each sourced port stands for a USB device of its own; a port the
    // platform already lists keeps what the platform says of it.
    for (const SourcedPort &sourced : PortSourceRegistration::collect()) {
        if (sourced.portName.isEmpty() || portListed(ports, sourced.portName))
            continue;
        records.append({sourced.vendorId, sourced.productId, sourced.description});
        SerialPortEntry port;
        port.portName = port.systemLocation = sourced.portName;
        port.vendorId = sourced.vendorId;
        port.productId = sourced.productId;
        port.hasVendorId = port.hasProductId = true;
        port.description = sourced.description;
        ports.append(port);
    }
    for (const UsbDeviceRecord &record : qAsConst(records)) {
        addUsbDevice(brand, record, m_prefix);
        addUsbDevice(every, record, QString());
    }
    for (int i = 0; i < m_fixed.size(); ++i) {
        const DeviceListEntry &fixed = m_fixed.at(i);
        // A pseudo-terminal's node goes with its master; a COM name has none.
        const bool listed = portListed(ports, fixed.portName);
        if (!listed && !QFileInfo::exists(fixed.portName))
            continue;
        const UsbDeviceRecord record{FixedVendorId, static_cast<quint16>(i + 1), fixed.text};
        addUsbDevice(brand, record, m_prefix);
        addUsbDevice(every, record, QString());
        if (listed) {
            // The platform lists it, but without our key: give it ours.
            for (SerialPortEntry &port : ports) {
                if (port.portName == fixed.portName || port.systemLocation == fixed.portName) {
                    port.vendorId = record.vendorId;
                    port.productId = record.productId;
                    port.hasVendorId = port.hasProductId = true;
                }
            }
            continue;
        }
        SerialPortEntry port;
        port.portName = port.systemLocation = fixed.portName;
        port.vendorId = record.vendorId;
        port.productId = record.productId;
        port.hasVendorId = port.hasProductId = true;
        port.description = fixed.text;
        ports.append(port);
    }

    QStringList present;
    QList<UsbSerialPort> usbPorts;
    for (const SerialPortEntry &port : qAsConst(ports)) {
        present.append(port.portName);
        if (!port.hasVendorId || !port.hasProductId)
            continue;
        const auto found = every.constFind(UsbDeviceKey(port.productId, port.vendorId));
        if (found != every.cend())
            usbPorts.append({port.portName, found.value()});
    }
    m_usbPorts = usbPorts;

    const DeviceScanResult result = scanDevices(entryTexts(), brand, ports);
    const QStringList removedTexts = applyScan(m_entries, result);

    const QStringList before = std::exchange(m_present, present);
    for (const QString &name : before) {
        if (!m_present.contains(name))
            emit portRemoved(name);
    }
    for (const QString &name : qAsConst(m_present)) {
        if (!before.contains(name))
            emit portAdded(name);
    }
    if (!removedTexts.isEmpty() || !result.toAppend.isEmpty())
        emit entriesChanged();
}
