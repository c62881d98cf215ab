#include "simulator/deviceprofile.h"

namespace DeviceProfiles {

namespace {

// USB name lengths of 2, 3 or 26 characters would give a name frame of 12,
// 13 or 36 bytes, which the host classifies by length as a route report,
// filter port counts or a filter state; the names below avoid them.
QVector<DeviceProfile> makeProfiles()
{
    QVector<DeviceProfile> profiles;

    DeviceProfile alder;
    alder.usbDescription = QStringLiteral("Kestrova Alder-4");
    alder.modelText = QStringLiteral("Alder-4");
    alder.versionText = QStringLiteral("V1.2.0");
    alder.familyCode = 1;
    alder.midiIn = 2;
    alder.midiOut = 2;
    alder.usbHost = 8;
    alder.usbDevice = 1;
    alder.filterPortCounts = {2, 2, 8, 8, 1, 1};
    alder.hubCount = 1;
    alder.usbDeviceNames = QStringList{QStringLiteral("Keystation 49"), QString(),
                            QStringLiteral("nanoKONTROL2"), QString(), QString(), QString(),
                            QString(), QString(), QString()};
    alder.productId = 0x0104;
    profiles.append(alder);

    DeviceProfile cedar;
    cedar.usbDescription = QStringLiteral("Kestrova Cedar-6");
    cedar.modelText = QStringLiteral("Cedar-6");
    cedar.versionText = QStringLiteral("V2.0.3");
    cedar.familyCode = 1;
    cedar.midiIn = 6;
    cedar.midiOut = 6;
    cedar.usbHost = 0;
    cedar.usbDevice = 1;
    cedar.filterPortCounts = {6, 6, 0, 0, 1, 1};
    cedar.usbDeviceNames = QStringList{QString()};
    cedar.allowsMidiThrough = true;
    cedar.productId = 0x0106;
    profiles.append(cedar);

    DeviceProfile spruce;
    spruce.usbDescription = QStringLiteral("Kestrova-Spruce-7 Pro");
    spruce.modelText = QStringLiteral("Spruce-7");
    spruce.versionText = QStringLiteral("V1.4.2");
    spruce.familyCode = 2;
    spruce.midiIn = 1;
    spruce.midiOut = 7;
    spruce.usbHost = 1;
    spruce.usbDevice = 1;
    spruce.filterPortCounts = {1, 7, 1, 1, 1, 1};
    spruce.usbDeviceNames = QStringList{QStringLiteral("Launchkey Mini"), QString()};
    spruce.productId = 0x0107;
    spruce.aliases = QStringList{QStringLiteral("Kestrova Spruce-7 Pro")};
    profiles.append(spruce);

    DeviceProfile rowan;
    rowan.usbDescription = QStringLiteral("Kestrova Rowan-W");
    rowan.modelText = QStringLiteral("RowanW-1");
    rowan.versionText = QStringLiteral("V1.0.5");
    rowan.familyCode = 3;
    rowan.midiIn = 1;
    rowan.midiOut = 1;
    rowan.usbHost = 0;
    rowan.usbDevice = 1;
    rowan.filterPortCounts = {1, 1, 0, 0, 1, 1};
    rowan.usbDeviceNames = QStringList{QString()};
    rowan.productId = 0x0110;
    rowan.aliases = QStringList{QStringLiteral("Rowan-W")};
    profiles.append(rowan);

    DeviceProfile maple;
    maple.usbDescription = QStringLiteral("Kestrova Maple-5");
    maple.modelText = QStringLiteral("Maple-5");
    maple.versionText = QStringLiteral("V1.1.0");
    maple.familyCode = 4;
    maple.midiIn = 2;
    maple.midiOut = 2;
    maple.usbHost = 4;
    maple.usbDevice = 1;
    maple.filterPortCounts = {2, 2, 4, 4, 1, 1};
    maple.usbDeviceNames = QStringList{QString(), QStringLiteral("KeyStep 37"), QString(), QString(),
                            QString()};
    maple.productId = 0x0105;
    profiles.append(maple);

    for (DeviceProfile &p : profiles)
        p.vendorId = KestrovaVendorId;
    return profiles;
}

const QString &bootloaderSuffix()
{
    static const QString suffix = QStringLiteral(" BootLoader");
    return suffix;
}

} // namespace

const QVector<DeviceProfile> &all()
{
    static const QVector<DeviceProfile> profiles = makeProfiles();
    return profiles;
}

DeviceProfile bootloaderOf(const DeviceProfile &running)
{
    if (running.bootloader)
        return running;
    DeviceProfile boot = running;
    boot.usbDescription = running.bootloaderDescription.isEmpty() ? running.modelText + bootloaderSuffix()
                                                                   : running.bootloaderDescription;
    boot.productId = running.productId | BootloaderProductFlag;
    boot.bootloader = true;
    boot.aliases.clear();
    return boot;
}

DeviceProfile runningOf(const DeviceProfile &bootloader)
{
    if (!bootloader.bootloader)
        return bootloader;
    for (const DeviceProfile &p : all()) {
        if (p.modelText == bootloader.modelText) {
            DeviceProfile running = p;
            running.bootloaderDescription = bootloader.usbDescription;
            return running;
        }
    }
    DeviceProfile running = bootloader;
    running.usbDescription = QStringLiteral("Kestrova ") + bootloader.modelText;
    running.productId = bootloader.productId & ~BootloaderProductFlag;
    running.bootloader = false;
    return running;
}

std::optional<DeviceProfile> find(const QString &name)
{
    for (const DeviceProfile &p : all()) {
        if (name == p.usbDescription || name == p.modelText || p.aliases.contains(name))
            return p;
        if (name == p.modelText + bootloaderSuffix())
            return bootloaderOf(p);
    }
    return std::nullopt;
}

} // namespace DeviceProfiles
