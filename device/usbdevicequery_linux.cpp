#include "device/usbdevicequery.h"

#include "device/logging.h"

#include <QDir>
#include <QFile>

namespace {

// sysfs attributes are a line or two; anything longer is not one of them.
constexpr qint64 MaxAttributeSize = 4096;

bool readAttribute(const QString &path, QByteArray *value)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.read(MaxAttributeSize);
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    *value = bytes;
    return true;
}

bool readHexId(const QString &path, quint16 *id)
{
    QByteArray text;
    if (!readAttribute(path, &text))
        return false;
    // The kernel always writes four hex digits; anything else is not an id.
    if (text.size() != 4)
        return false;
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok || value > 0xFFFF)
        return false;
    *id = static_cast<quint16>(value);
    return true;
}

// A CDC ACM interface holds "tty/ttyACM0", a usb-serial one "ttyUSB0/tty/ttyUSB0".
// Only the device's own interfaces ("1-2:1.0") are looked at: child devices
// of a hub sit in the same folder and must not lend the hub their ports.
bool hasSerialInterface(const QDir &deviceDir)
{
    const QString ownInterfaces = deviceDir.dirName() + QLatin1String(":*");
    const QStringList interfaces =
        deviceDir.entryList({ownInterfaces}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : interfaces) {
        const QDir interfaceDir(deviceDir.filePath(name));
        if (!interfaceDir.entryList({QStringLiteral("tty*")}, QDir::Dirs | QDir::NoDotAndDotDot)
                 .isEmpty())
            return true;
    }
    return false;
}

} // namespace

namespace UsbDeviceQueryDetail {

QList<UsbDeviceRecord> platformDevices(const QString &sysfsRoot, const QString &enumerator,
                                       const QString &descriptionPrefix)
{
    Q_UNUSED(descriptionPrefix) // tested by the caller, as for the ports of other sources
    QList<UsbDeviceRecord> records;
    if (enumerator.compare(QLatin1String("USB"), Qt::CaseInsensitive) != 0) {
        qCDebug(lcSerial) << "no devices for enumerator" << enumerator;
        return records;
    }
    const QDir devices(sysfsRoot + QLatin1String("/bus/usb/devices"));
    const QStringList names =
        devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        if (name.contains(QLatin1Char(':')))
            continue; // an interface, not a device
        const QDir deviceDir(devices.filePath(name));
        UsbDeviceRecord record;
        QByteArray product;
        if (!readHexId(deviceDir.filePath(QStringLiteral("idVendor")), &record.vendorId)
            || !readHexId(deviceDir.filePath(QStringLiteral("idProduct")), &record.productId)
            || !readAttribute(deviceDir.filePath(QStringLiteral("product")), &product))
            continue;
        if (!hasSerialInterface(deviceDir))
            continue;
        record.description = QString::fromUtf8(product);
        records.append(record);
    }
    return records;
}

} // namespace UsbDeviceQueryDetail
