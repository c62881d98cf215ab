#pragma once

#include "device/portsource.h"

#include <QList>
#include <QString>

// velmora-devsim announces its device here so that a Velmora of the same
// user lists it through the same scan as real USB devices: one small JSON
// file per device in a registry folder. A device that reboots (into its
// bootloader, say) withdraws its entry and announces a new one, exactly as a
// re-enumerating USB device disappears and comes back.
//
// Whoever can write an entry chooses a port that Velmora opens and a name it
// shows, so the registry is the user's alone: it is read only from a folder
// the user owns and no one else may write to, and only files the user owns
// count. An entry another user plants in a shared folder is never listed.
namespace DeviceRegistry {

struct Entry
{
    QString portName;    // path of the pseudo-terminal slave, e.g. /dev/pts/7
    QString description; // the USB description it stands for, as the device shows it
    quint16 vendorId = 0;
    quint16 productId = 0;
    qint64 pid = 0;      // process serving it; entries of dead processes are ignored

    friend bool operator==(const Entry &a, const Entry &b)
    {
        return a.portName == b.portName && a.description == b.description
            && a.vendorId == b.vendorId && a.productId == b.productId && a.pid == b.pid;
    }
};

// $VELMORA_DEVICE_REGISTRY if set; otherwise "velmora-devices" in the user's
// runtime folder ($XDG_RUNTIME_DIR), or, where there is none, a folder
// "velmora-devices-<uid>" in the temporary folder.
[[nodiscard]] QString directory();

// Makes the folder ready for announcements: creates it (mode 0700) when it
// is missing. False, with a message for the user, when it is not a folder,
// belongs to another user or can be reached by other users.
[[nodiscard]] bool prepare(const QString &folder, QString *error);

// Writes the entry atomically into directory(); returns the file that holds
// it, or an empty string (and why, in error) when the registry cannot be used.
[[nodiscard]] QString announce(const Entry &entry, QString *error = nullptr);
void withdraw(const QString &entryFile);

// Entries of live processes whose port still exists, ordered by port name.
// Nothing when the folder is not owner's or others may write to it; files
// that are not owner's, unreadable or malformed are skipped.
[[nodiscard]] QList<Entry> entries(const QString &folder, uint owner);
// The same for directory() and the user running this process.
[[nodiscard]] QList<Entry> entries();

// The entries of directory() as ports for the device watchers.
[[nodiscard]] PortSource portSource();

} // namespace DeviceRegistry
