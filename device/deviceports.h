#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVector>

#include <cstdint>
#include <optional>

// What every feature knows of the connected device's ports: the four counts
// and the names of the instruments plugged into its USB ports.
namespace Device {

// The device's four port counts (the 11-byte port-count report).
struct PortCounts
{
    int midiIn = 0;
    int midiOut = 0;
    int usbHost = 0;
    int usbDev = 0;

    [[nodiscard]] int inputCount() const { return midiIn + usbHost + usbDev; }
    [[nodiscard]] int outputCount() const { return midiOut + usbHost + usbDev; }
    [[nodiscard]] int usbSlotCount() const { return usbHost + usbDev; }
};

// The filterable port counts (the 13-byte report): one count per filter
// port type, "MIDI IN" 0 .. "USB DEVICE OUT" 5, from the first data byte on.
constexpr int FilterPortTypeCount = 6;
constexpr int FilterPortCountsPos = 6;
// The counts in type order; a byte the frame lacks reads 0.
[[nodiscard]] QVector<int> filterPortCounts(const QByteArray &frame);

// USB name report (02 06).
constexpr int NameIndexPos = 7;
constexpr int NameLengthPos = 8;
constexpr int NameTextPos = 9;
constexpr int NameMinimumLength = 10;
constexpr int NothingAttachedFrameLength = 11;
constexpr std::uint8_t NothingAttachedMarker = 0xFF;
// The name a USB port reports when nothing is plugged into it.
inline const QString &nothingAttachedName()
{
    static const QString name = QStringLiteral("1");
    return name;
}

struct PortNameReport
{
    enum Kind {
        NothingAttachedAnywhere, // the 11-byte form with 0xFF where the name starts
        SlotName,
    };
    Kind kind = SlotName;
    int slot = 0;   // 0-based USB name slot (host ports, then device ports)
    QString name;   // as sent; "1" when nothing is attached to the port

    [[nodiscard]] bool attached() const
    {
        return kind == SlotName && name != nothingAttachedName();
    }
};
// Nothing for frames shorter than 10 bytes, not from F0 to F7, not of class 02
// code 06, or with name index 0. A length byte that runs past the frame is
// clamped to the bytes before the F7: a miscounted name is still shown.
[[nodiscard]] std::optional<PortNameReport> parsePortName(const QByteArray &frame);

} // namespace Device

Q_DECLARE_METATYPE(Device::PortCounts)
