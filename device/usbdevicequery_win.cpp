#include "device/usbdevicequery.h"

#include "device/win32/setupapiquery.h"

namespace UsbDeviceQueryDetail {

QList<UsbDeviceRecord> platformDevices(const QString &sysfsRoot, const QString &enumerator,
                                       const QString &descriptionPrefix)
{
    Q_UNUSED(sysfsRoot)
    QList<UsbDeviceRecord> records;
    const auto devices = SetupApiQuery::busReportedDescriptions(enumerator.toStdWString(),
                                                                descriptionPrefix.toStdWString());
    for (const auto &device : devices)
        records.append({device.vendorId, device.productId,
                        QString::fromStdWString(device.description)});
    return records;
}

} // namespace UsbDeviceQueryDetail
