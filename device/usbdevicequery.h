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

// Lists the USB devices that carry a serial port, keyed by (product id,
// vendor id) with their bus-reported description. Only descriptions that
// begin with the prefix (case-sensitive; an empty prefix accepts all) are
// kept; of several devices with one key the first one found wins. Simulated
// devices of the virtual-device registry join the same map.
class UsbDeviceQuery
{
public:
    UsbDeviceQuery();
    // Linux: read the bus from a sysfs tree mounted elsewhere than "/sys".
    explicit UsbDeviceQuery(const QString &sysfsRoot);

    [[nodiscard]] UsbDeviceMap listMakerDevices(const QString &enumerator,
                                                const QString &descriptionPrefix) const;

    // The platform's own devices, in the order the bus enumerates them,
    // before the prefix test and without the registry.
    [[nodiscard]] QList<UsbDeviceRecord> busDevices(const QString &enumerator,
                                                    const QString &descriptionPrefix) const;

private:
    QString m_sysfsRoot;
};

[[nodiscard]] UsbDeviceMap listMakerDevices(const QString &enumerator,
                                            const QString &descriptionPrefix);

// Adds the record unless its description fails the prefix or its key is
// already taken; returns whether it was added.
bool addUsbDevice(UsbDeviceMap &map, const UsbDeviceRecord &record,
                  const QString &descriptionPrefix);

namespace UsbDeviceQueryDetail {
// Platform part; defined in usbdevicequery_linux.cpp or usbdevicequery_win.cpp.
QList<UsbDeviceRecord> platformDevices(const QString &sysfsRoot, const QString &enumerator,
                                       const QString &descriptionPrefix);
} // namespace UsbDeviceQueryDetail
