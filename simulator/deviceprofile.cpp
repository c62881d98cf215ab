#include "simulator/deviceprofile.h"

#include "device/devicemodels.h"

namespace DeviceProfiles {

namespace {

// The running device of a model as the model table describes it: its USB
// description is the name the application accepts, its ports are the
// model's; what it says and reports beyond that is the simulator's own.
DeviceProfile fromTable(const char *model, const char *modelText, const char *versionText, quint8 familyCode,
                        quint16 productId)
{
    const DeviceModels::DeviceModel *row = DeviceModels::findByModel(QLatin1String(model));
    Q_ASSERT(row && row->ports);
    const DeviceModels::PortLayout &ports = *row->ports;
    DeviceProfile p;
    p.usbDescription = row->acceptedName;
    p.modelText = QLatin1String(modelText);
    p.versionText = QLatin1String(versionText);
    p.familyCode = familyCode;
    p.midiIn = static_cast<quint8>(ports.midiIn);
    p.midiOut = static_cast<quint8>(ports.midiOut);
    p.usbHost = static_cast<quint8>(ports.usbHost);
    p.usbDevice = static_cast<quint8>(ports.usbDevice);
    for (std::size_t type = 0; type < p.filterPortCounts.size(); ++type)
        p.filterPortCounts[type] = static_cast<quint8>(ports.filterPorts[type]);
    p.allowsMidiThrough = row->allowsSameNumberMidiRoute;
    p.vendorId = MakerVendorId;
    p.productId = productId;
    if (p.modelText != row->model)
        p.aliases.append(row->model);
    // Devices spell a hyphen after the brand where people write a blank.
    const QString hyphenated = DeviceModels::brand() + QLatin1Char('-');
    if (p.usbDescription.startsWith(hyphenated))
        p.aliases.append(DeviceModels::brand() + QLatin1Char(' ') + p.usbDescription.mid(hyphenated.size()));
    return p;
}

// USB name lengths of 2, 3 or 26 characters would give a name frame of 12,
// 13 or 36 bytes, which the host classifies by length as a route report,
// filter port counts or a filter state; the names below avoid them.
QVector<DeviceProfile> makeProfiles()
{
    QVector<DeviceProfile> profiles;

    DeviceProfile alder = fromTable("Alder-4", "Alder-4", "V1.2.0", 1, 0x0104);
    alder.hubCount = 1;
    alder.usbDeviceNames = QStringList{QStringLiteral("Keystation 49"), QString(),
                            QStringLiteral("nanoKONTROL2"), QString(), QString(), QString(),
                            QString(), QString(), QString()};
    profiles.append(alder);

    DeviceProfile cedar = fromTable("Cedar-6", "Cedar-6", "V2.0.3", 1, 0x0106);
    cedar.usbDeviceNames = QStringList{QString()};
    profiles.append(cedar);

    DeviceProfile spruce = fromTable("Spruce-7", "Spruce-7", "V1.4.2", 2, 0x0107);
    spruce.usbDeviceNames = QStringList{QStringLiteral("Launchkey Mini"), QString()};
    profiles.append(spruce);

    DeviceProfile rowan = fromTable("Rowan-W", "RowanW-1", "V1.0.5", 3, 0x0110);
    rowan.usbDeviceNames = QStringList{QString()};
    profiles.append(rowan);

    DeviceProfile maple = fromTable("Maple-5", "Maple-5", "V1.1.0", 4, 0x0105);
    maple.usbDeviceNames = QStringList{QString(), QStringLiteral("KeyStep 37"), QString(), QString(),
                            QString()};
    profiles.append(maple);

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

const DeviceProfile &defaultProfile()
{
    return all().constFirst();
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
    running.usbDescription = DeviceModels::brand() + QLatin1Char(' ') + bootloader.modelText;
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
