#include "device/usbdevicequery.h"

#include "device/virtualdevices.h"

namespace {
const QString DefaultSysfsRoot = QStringLiteral("/sys");

bool isUsbEnumerator(const QString &enumerator)
{
    return enumerator.compare(QLatin1String("USB"), Qt::CaseInsensitive) == 0;
}
} // namespace

UsbDeviceQuery::UsbDeviceQuery()
    : m_sysfsRoot(DefaultSysfsRoot)
{
}

UsbDeviceQuery::UsbDeviceQuery(const QString &sysfsRoot)
    : m_sysfsRoot(sysfsRoot)
{
}

QList<UsbDeviceRecord> UsbDeviceQuery::busDevices(const QString &enumerator,
                                                  const QString &descriptionPrefix) const
{
    return UsbDeviceQueryDetail::platformDevices(m_sysfsRoot, enumerator, descriptionPrefix);
}

UsbDeviceMap UsbDeviceQuery::listMakerDevices(const QString &enumerator,
                                              const QString &descriptionPrefix) const
{
    UsbDeviceMap map;
    for (const UsbDeviceRecord &record : busDevices(enumerator, descriptionPrefix))
        addUsbDevice(map, record, descriptionPrefix);
    // Simulated devices stand for USB devices; another enumerator never sees them.
    if (isUsbEnumerator(enumerator)) {
        for (const VirtualDeviceEntry &entry : VirtualDevices::entries())
            addUsbDevice(map, {entry.vendorId, entry.productId, entry.description},
                         descriptionPrefix);
    }
    return map;
}

UsbDeviceMap listMakerDevices(const QString &enumerator, const QString &descriptionPrefix)
{
    return UsbDeviceQuery().listMakerDevices(enumerator, descriptionPrefix);
}

bool addUsbDevice(UsbDeviceMap &map, const UsbDeviceRecord &record,
                  const QString &descriptionPrefix)
{
    if (!record.description.startsWith(descriptionPrefix, Qt::CaseSensitive))
        return false;
    const UsbDeviceKey key(record.productId, record.vendorId);
    if (map.contains(key))
        return false;
    map.insert(key, record.description);
    return true;
}
