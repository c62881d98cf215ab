#include "device/devicescan.h"

#include <QSet>

#include <algorithm>

DeviceScanResult scanDevices(const QStringList &listedTexts, const UsbDeviceMap &usbDevices,
                             const QList<SerialPortEntry> &ports)
{
    DeviceScanResult result;
    QSet<QString> seen;
    for (const SerialPortEntry &port : ports) {
        if (!port.hasVendorId || !port.hasProductId)
            continue; // not a USB port, so none of the listed devices
        const auto found = usbDevices.constFind(UsbDeviceKey(port.productId, port.vendorId));
        if (found == usbDevices.cend())
            continue;
        const QString &text = found.value();
        if (!listedTexts.contains(text) && !seen.contains(text))
            result.toAppend.append({text, port.portName});
        seen.insert(text);
    }
    for (const QString &text : listedTexts) {
        if (!seen.contains(text) && !result.toRemove.contains(text))
            result.toRemove.append(text);
    }
    return result;
}

QStringList applyScan(QList<DeviceListEntry> &entries, const DeviceScanResult &scan)
{
    QStringList removed;
    for (const QString &text : scan.toRemove) {
        const auto at = std::find_if(entries.begin(), entries.end(),
                                     [&](const DeviceListEntry &e) { return e.text == text; });
        if (at == entries.end())
            continue;
        entries.erase(at);
        removed.append(text);
    }
    entries.append(scan.toAppend);
    return removed;
}
