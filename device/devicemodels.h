#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>

// What each of the maker's models is and can do. Every decision that depends
// on the model — whether it may be connected, which pages it shows, which
// filter ports it lists, which routes it allows, how its bootloader describes
// itself, what the update server calls it — reads this table; nothing else
// tests a device name for a model.
namespace DeviceModels {

// The maker's name, which every USB description of its devices begins with.
[[nodiscard]] const QString &brand();

// The product families. They decide the pages, and the log names them.
enum class Family { None = 0, AlderBirch = 1, HazelCedar = 2, SpruceWillow = 3, Rowan = 4 };

struct Pages
{
    bool routing = false;
    bool mapping = false;
};

// The filter chooser of the models that list fixed ports rather than the
// counts they report: "MIDI IN1".."MIDI IN<midiInputs>", "MIDI OUT1"..,
// then one "USB HOST IN<k>" / "USB HOST OUT<k>" pair per hub port.
struct FixedFilterPorts
{
    int midiInputs = 0;
    int midiOutputs = 0;
};

// The ports of a model whose hardware is known: the routing kinds, and the
// filterable ports per filter type code ("MIDI IN" .. "USB DEVICE OUT").
struct PortLayout
{
    int midiIn = 0;
    int midiOut = 0;
    int usbHost = 0;
    int usbDevice = 0;
    std::array<int, 6> filterPorts{};
};

struct DeviceModel
{
    // The model as the device names itself, e.g. "Cedar-6".
    QString model;
    // Text whose presence in a device name, in any letter case, identifies
    // the model.
    QString nameKey;
    // Text that a device name must contain, letter case included, for the
    // model to be connected; empty for the models only ever seen in their
    // bootloader.
    QString acceptedName;
    Family family = Family::None;
    Pages pages;
    std::optional<FixedFilterPorts> fixedFilterPorts;
    // Known for the models whose hardware is described here; a connected
    // device reports its own.
    std::optional<PortLayout> ports;
    // Whether MIDI IN n may feed MIDI OUT n.
    bool allowsSameNumberMidiRoute = false;
    // Whether the mapping page labels a third port pair.
    bool labelsThirdMappingPortPair = false;
    // The update server's product folder and update text name; empty when
    // the server has nothing for the model.
    QString updateProduct;
    QString updateTextName;
};

// Every row, the families in order first (a name that holds the keys of two
// models belongs to the earlier family), then the models the update server
// knows only in their bootloader.
[[nodiscard]] const QList<DeviceModel> &all();

// The model of a device name (a USB description), or null for a name that
// holds no model's key.
[[nodiscard]] const DeviceModel *find(const QString &deviceName);
// The row of a model as a device reports it ("Cedar-6") or a file records
// it: the row of that model text, otherwise the row find() gives.
[[nodiscard]] const DeviceModel *findByModel(const QString &model);
// Whether a device of that name may be connected.
[[nodiscard]] bool isAccepted(const QString &deviceName);

// What a family shows; no model's family shows only the filter page.
[[nodiscard]] Pages pagesOf(Family family);
// The log line of the family decision.
[[nodiscard]] QString familyLogText(Family family, const QString &deviceName);

// The USB description of a model's bootloader: "<model> Bootload".
[[nodiscard]] QString bootloaderDescription(const QString &model);
// Whether a description is a bootloader's: "bootload" in any letter case,
// after the model's name when one is given.
[[nodiscard]] bool isBootloaderDescription(const QString &description, const QString &model = QString());

// The word a device-type report's family code stands for (1 "Hazel",
// 2 "Spruce", 3 "Willow", 4 "HOST"); empty for any other code.
[[nodiscard]] QString familyWordOf(int familyCode);

// The update server's row for the model text a device reports (the first row
// whose product it contains, letter case significant), if the server has one.
[[nodiscard]] const DeviceModel *findOnUpdateServer(const QString &reportedModel);
// The product the main window's firmware check asks the server about: the
// reported model, where a silent device counts as an Alder-4 and the two
// models the server names by their short name are named so.
[[nodiscard]] QString updateProductOf(const QString &reportedModel);

} // namespace DeviceModels
