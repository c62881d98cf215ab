#pragma once

#include <QList>
#include <QString>

// Simulated devices announce themselves here so that the device list finds
// them through the same scan as real USB devices: one small JSON file per
// device in a registry directory. A device that reboots (into its
// bootloader, say) withdraws its entry and announces a new one, exactly as a
// re-enumerating USB device disappears and comes back.
struct VirtualDeviceEntry
{
    QString portName;    // path of the pseudo-terminal slave, e.g. /dev/pts/7
    QString description; // the USB description it stands for, e.g. "Kestrova Alder-4"
    quint16 vendorId = 0;
    quint16 productId = 0;
    qint64 pid = 0;      // process serving it; entries of dead processes are ignored

    friend bool operator==(const VirtualDeviceEntry &a, const VirtualDeviceEntry &b)
    {
        return a.portName == b.portName && a.description == b.description
            && a.vendorId == b.vendorId && a.productId == b.productId && a.pid == b.pid;
    }
};

namespace VirtualDevices {

// $VELMORA_DEVICE_REGISTRY if set, otherwise a per-user folder in the
// runtime (or temporary) directory.
[[nodiscard]] QString registryDirectory();

// Writes the entry atomically; returns the file that holds it, or an empty
// string when the registry cannot be written.
[[nodiscard]] QString announce(const VirtualDeviceEntry &entry);
void withdraw(const QString &entryFile);

// Entries of live processes whose port still exists, ordered by port name.
// Unreadable or malformed files are skipped.
[[nodiscard]] QList<VirtualDeviceEntry> entries();

} // namespace VirtualDevices
