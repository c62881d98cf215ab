#include "device/devicemodels.h"

#include <algorithm>

namespace DeviceModels {

namespace {

const QString BootloaderWord = QStringLiteral("Bootload");

struct Row
{
    const char *model;
    const char *nameKey;
    const char *acceptedName;
    Family family;
    bool fixedFilterPorts;
    bool allowsSameNumberMidiRoute;
    const char *updateTextName;
};

// The accepted names are the ones the devices report on the bus; a few carry
// a hyphen after the brand where others have a blank. The Alder-4 is only
// recognised with the brand in front of it.
constexpr Row Rows[] = {
    {"Alder-4", "Kestrova Alder-4", "Kestrova Alder-4", Family::AlderBirch, true, false, "Alder-4"},
    {"Birch-2", "Birch-2", "Kestrova Birch-2", Family::AlderBirch, false, false, "Birch-2"},
    {"Hazel", "Hazel", "Kestrova-Hazel", Family::HazelCedar, false, true, nullptr},
    {"Aspen", "Aspen", "Kestrova Aspen", Family::HazelCedar, false, true, nullptr},
    {"Cedar-6", "Cedar-6", "Kestrova Cedar-6", Family::HazelCedar, false, true, nullptr},
    {"Spruce-7", "Spruce-7", "Kestrova-Spruce-7 Pro", Family::SpruceWillow, false, false, nullptr},
    {"Spruce-9", "Spruce-9", "Spruce-9", Family::SpruceWillow, false, false, nullptr},
    {"Willow-2", "Willow-2", "Kestrova-Willow-2 Pro", Family::SpruceWillow, false, false, nullptr},
    {"Willow-8", "Willow-8", "Kestrova Willow-8", Family::SpruceWillow, false, false, nullptr},
    {"Larch-3", "Larch-3", "Larch-3", Family::SpruceWillow, true, false, nullptr},
    {"Rowan-W", "Rowan-W", "Kestrova Rowan-W", Family::Rowan, false, false, nullptr},
    {"Maple-5", "Maple-5", "Kestrova Maple-5", Family::None, true, false, nullptr},
    {"Poplar-1", "Poplar-1", "Kestrova Poplar-1", Family::None, false, false, nullptr},
    {"MTD", "MTD", "MTD", Family::None, false, false, nullptr},
    // Known to the update server, offered in the firmware upgrade dialog only.
    {"Juniper-1", "Juniper-1", nullptr, Family::None, false, false, "Juniper-1"},
    {"Juniper-2", "Juniper-2", nullptr, Family::None, false, false, "Juniper-2"},
    {"Sorrel-5", "Sorrel-5", nullptr, Family::None, false, false, "Sorrel-5"},
    {"Sorrel-4", "Sorrel-4", nullptr, Family::None, false, false, "Sorrel-Uno"},
};

struct KnownPorts
{
    const char *model;
    PortLayout ports;
};

constexpr KnownPorts Layouts[] = {
    {"Alder-4", {2, 2, 8, 1, {2, 2, 8, 8, 1, 1}}},
    {"Cedar-6", {6, 6, 0, 1, {6, 6, 0, 0, 1, 1}}},
    {"Spruce-7", {1, 7, 1, 1, {1, 7, 1, 1, 1, 1}}},
    {"Rowan-W", {1, 1, 0, 1, {1, 1, 0, 0, 1, 1}}},
    {"Maple-5", {2, 2, 4, 1, {2, 2, 4, 4, 1, 1}}},
};

QList<DeviceModel> buildTable()
{
    QList<DeviceModel> table;
    for (const Row &row : Rows) {
        DeviceModel m;
        m.model = QString::fromLatin1(row.model);
        m.nameKey = QString::fromLatin1(row.nameKey);
        m.acceptedName = QString::fromLatin1(row.acceptedName);
        m.family = row.family;
        m.pages = pagesOf(row.family);
        if (row.fixedFilterPorts)
            m.fixedFilterPorts = FixedFilterPorts{2, 2};
        for (const KnownPorts &known : Layouts) {
            if (m.model == QLatin1String(known.model))
                m.ports = known.ports;
        }
        m.allowsSameNumberMidiRoute = row.allowsSameNumberMidiRoute;
        m.labelsThirdMappingPortPair = m.model == QLatin1String("Alder-4");
        if (row.updateTextName) {
            m.updateProduct = m.model;
            m.updateTextName = QString::fromLatin1(row.updateTextName);
        }
        table.append(m);
    }
    return table;
}

} // namespace

const QString &brand()
{
    static const QString name = QStringLiteral("Kestrova");
    return name;
}

const QList<DeviceModel> &all()
{
    static const QList<DeviceModel> table = buildTable();
    return table;
}

const DeviceModel *find(const QString &deviceName)
{
    if (deviceName.isEmpty())
        return nullptr;
    for (const DeviceModel &m : all()) {
        if (deviceName.contains(m.nameKey, Qt::CaseInsensitive))
            return &m;
    }
    return nullptr;
}

const DeviceModel *findByModel(const QString &model)
{
    for (const DeviceModel &m : all()) {
        if (m.model == model)
            return &m;
    }
    return find(model);
}

bool isAccepted(const QString &deviceName)
{
    const QList<DeviceModel> &table = all();
    return std::any_of(table.cbegin(), table.cend(), [&](const DeviceModel &m) {
        return !m.acceptedName.isEmpty() && deviceName.contains(m.acceptedName, Qt::CaseSensitive);
    });
}

Pages pagesOf(Family family)
{
    switch (family) {
    case Family::AlderBirch: return {true, true};
    case Family::HazelCedar: return {true, false};
    case Family::SpruceWillow: return {false, false};
    case Family::Rowan: return {false, true};
    case Family::None: break;
    }
    return {false, false};
}

QString familyLogText(Family family, const QString &deviceName)
{
    switch (family) {
    case Family::AlderBirch: return QStringLiteral("设备类型1：Alder-4 / Birch-2");
    case Family::HazelCedar: return QStringLiteral("设备类型2：Hazel / Aspen / Cedar-6");
    case Family::SpruceWillow: return QStringLiteral("设备类型3：Spruce/Willow / Larch-3");
    case Family::Rowan: return QStringLiteral("设备类型4：Rowan-W");
    case Family::None: break;
    }
    return QStringLiteral("未识别的MIDI设备：") + deviceName;
}

QString bootloaderDescription(const QString &model)
{
    return model + QLatin1Char(' ') + BootloaderWord;
}

bool isBootloaderDescription(const QString &description, const QString &model)
{
    const QString wanted = model.isEmpty() ? BootloaderWord : bootloaderDescription(model);
    return description.contains(wanted, Qt::CaseInsensitive);
}

QString familyWordOf(int familyCode)
{
    static const char *const words[] = {"Hazel", "Spruce", "Willow", "HOST"};
    if (familyCode < 1 || familyCode > 4)
        return {};
    return QString::fromLatin1(words[familyCode - 1]);
}

const DeviceModel *findOnUpdateServer(const QString &reportedModel)
{
    for (const DeviceModel &m : all()) {
        if (!m.updateProduct.isEmpty() && reportedModel.contains(m.updateProduct, Qt::CaseSensitive))
            return &m;
    }
    return nullptr;
}

QString updateProductOf(const QString &reportedModel)
{
    if (reportedModel.isEmpty())
        return QStringLiteral("Alder-4");
    for (const char *shortName : {"Birch-2", "Alder-4"}) {
        if (reportedModel.contains(QLatin1String(shortName)))
            return QString::fromLatin1(shortName);
    }
    return reportedModel;
}

} // namespace DeviceModels
