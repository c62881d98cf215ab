#include "simulator/offlineprofile.h"

#include "device/devicemodels.h"

namespace DeviceProfiles {

std::optional<DeviceProfile> offline(const QString &model, int hubCount)
{
    const DeviceModels::DeviceModel *row = DeviceModels::findByModel(model);
    if (!row || !row->ports || row->acceptedName.isEmpty())
        return std::nullopt;
    // The built-in profile keeps what the table does not say (the device
    // type byte, the ids); the table has the last word on the ports.
    DeviceProfile profile = find(row->model).value_or(DeviceProfile());
    profile.usbDescription = row->acceptedName;
    profile.modelText = row->model;
    profile.vendorId = MakerVendorId;
    profile.bootloader = false;
    const DeviceModels::PortLayout &ports = *row->ports;
    profile.midiIn = quint8(ports.midiIn);
    profile.midiOut = quint8(ports.midiOut);
    profile.usbHost = quint8(ports.usbHost);
    profile.usbDevice = quint8(ports.usbDevice);
    for (std::size_t type = 0; type < profile.filterPortCounts.size(); ++type)
        profile.filterPortCounts[type] = quint8(ports.filterPorts[type]);
    profile.allowsMidiThrough = row->allowsSameNumberMidiRoute;
    profile.hubCount = quint8(qBound(0, hubCount, 255));
    profile.usbDeviceNames = QStringList();
    for (int slot = 0; slot < profile.usbSlotCount(); ++slot)
        profile.usbDeviceNames.append(QString());
    return profile;
}

} // namespace DeviceProfiles
