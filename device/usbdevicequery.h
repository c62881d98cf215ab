#pragma once

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

// (product id, vendor id): the order the device list has always used.
using UsbDeviceKey = QPair<quint16, quint16>;
using UsbDeviceMap = QMap<UsbDeviceKey, QString>;

// One USB device as its bus describes it.
struct UsbDeviceRecord
{
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString description; // the bus-reported description (USB product string)
};

// Lists the USB devices that carry a serial port, with their bus-reported
// description. A device list keys them by (product id, vendor id) with
// addUsbDevice().
class UsbDeviceQuery
{
public:
    UsbDeviceQuery();
    // Linux: read the bus from a sysfs tree mounted elsewhere than "/sys".
    explicit UsbDeviceQuery(const QString &sysfsRoot);

    // The platform's devices, in the order the bus enumerates them, before
    // the prefix test (the platform may use the prefix to skip early).
    [[nodiscard]] QList<UsbDeviceRecord> busDevices(const QString &enumerator,
                                                    const QString &descriptionPrefix) const;

private:
    QString m_sysfsRoot;
};

// Adds the record unless its description fails the prefix (case-sensitive;
// an empty prefix accepts all) or its key is already taken, so that of
// several devices with one key the first one found wins; returns whether it
// was added.
bool addUsbDevice(UsbDeviceMap &map, const UsbDeviceRecord &record,
                  const QString &descriptionPrefix);

namespace UsbDeviceQueryDetail {
// Platform part; defined in usbdevicequery_linux.cpp or usbdevicequery_win.cpp.
QList<UsbDeviceRecord> platformDevices(const QString &sysfsRoot, const QString &enumerator,
                                       const QString &descriptionPrefix);
} // namespace UsbDeviceQueryDetail
