#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <optional>

// What a simulated device is: how it shows up on USB, what it answers to
// identification, and how many ports of each kind it has.
//
// The built-in models. Each is described on USB by the name the model table
// (device/devicemodels) accepts for it and has the ports the table gives it;
// the rest is the simulator's own:
//
// | model    | model text | version | family | 02 07 | USB pid |
// |----------|------------|---------|--------|-------|---------|
// | Alder-4  | Alder-4    | V1.2.0  | 1      | 1     | 0x0104  |
// | Cedar-6  | Cedar-6    | V2.0.3  | 1      | 0     | 0x0106  |
// | Spruce-7 | Spruce-7   | V1.4.2  | 2      | 0     | 0x0107  |
// | Rowan-W  | RowanW-1   | V1.0.5  | 3      | 0     | 0x0110  |
// | Maple-5  | Maple-5    | V1.1.0  | 4      | 0     | 0x0105  |
//
// All share the vendor id 0x2F71. The Spruce-7 Pro is described with a hyphen
// after the brand because that is the spelling the application accepts; the
// spelling with a blank finds it as well.
//
// Rowan-W answers identification with "RowanW-1": the host takes the model
// from the first "letters-and-digits, hyphen, digits" run of the reply, and
// "Rowan-W" has no digits after its hyphen, so it would never be recognised.
//
// Every model has a bootloader twin: description "<model> BootLoader" unless
// the profile names another (it must not begin with the brand, or the upgrade
// dialog hides it), product id with bit 15 set, same model and version texts.
struct DeviceProfile
{
    QString usbDescription;
    QString modelText;
    QString versionText;
    quint8 familyCode = 0; // byte 6 of the 01 01 device type reply

    quint8 midiIn = 0;
    quint8 midiOut = 0;
    quint8 usbHost = 0;
    quint8 usbDevice = 0;

    // Filterable ports per type code 0..5 ("MIDI IN" .. "USB DEVICE OUT").
    std::array<quint8, 6> filterPortCounts{};

    // The number the device reports in its 02 07 frame (hub ports in use).
    quint8 hubCount = 0;

    // What is plugged into each USB port: host ports first, then device
    // ports; an empty string means nothing is attached.
    QStringList usbDeviceNames;

    // MIDI IN n may feed MIDI OUT n (as the model table says).
    bool allowsMidiThrough = false;

    quint16 vendorId = 0;
    quint16 productId = 0;
    bool bootloader = false;
    // How the bootloader describes itself; empty: "<model> BootLoader".
    QString bootloaderDescription;

    // Other names the profile is found by.
    QStringList aliases;

    [[nodiscard]] int usbSlotCount() const { return usbHost + usbDevice; }
};

namespace DeviceProfiles {

constexpr quint16 MakerVendorId = 0x2F71;
constexpr quint16 BootloaderProductFlag = 0x8000;

// The running-firmware profiles, in the order of the table above.
[[nodiscard]] const QVector<DeviceProfile> &all();
// The one a simulation runs when no model is named: the first, the Alder-4.
[[nodiscard]] const DeviceProfile &defaultProfile();

// Looks a profile up by USB description, model text or alias (exact,
// case-sensitive). "<model> BootLoader" yields the bootloader twin.
[[nodiscard]] std::optional<DeviceProfile> find(const QString &name);

// The profile the same device has after rebooting into its bootloader.
[[nodiscard]] DeviceProfile bootloaderOf(const DeviceProfile &running);
// ... and after its bootloader has started the firmware again.
[[nodiscard]] DeviceProfile runningOf(const DeviceProfile &bootloader);

} // namespace DeviceProfiles
