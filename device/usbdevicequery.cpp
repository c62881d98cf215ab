#include "device/usbdevicequery.h"

namespace {
const QString DefaultSysfsRoot = QStringLiteral("/sys");
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
