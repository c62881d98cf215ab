#include "device/devicefamily.h"

#include <QStringList>

namespace DeviceFamily {

namespace {
bool containsAny(const QString &name, const QStringList &words)
{
    for (const QString &w : words) {
        if (name.contains(w, Qt::CaseInsensitive))
            return true;
    }
    return false;
}
} // namespace

Flags flagsFor(const QString &deviceName)
{
    Flags f;
    f.linden = containsAny(deviceName, {QStringLiteral("Kestrova Alder-4"), QStringLiteral("Birch-2")});
    f.hazel = containsAny(deviceName, {QStringLiteral("Hazel"), QStringLiteral("Aspen"),
                                       QStringLiteral("Cedar-6")});
    f.spruce = containsAny(deviceName, {QStringLiteral("Spruce-7"), QStringLiteral("Spruce-9"),
                                        QStringLiteral("Willow-2"), QStringLiteral("Willow-8"),
                                        QStringLiteral("Larch-3")});
    f.rowan = containsAny(deviceName, {QStringLiteral("Rowan-W")});
    return f;
}

Family decide(const Flags &flags)
{
    if (flags.linden)
        return Linden;
    if (flags.hazel)
        return Hazel;
    if (flags.spruce)
        return Spruce;
    if (flags.rowan)
        return Rowan;
    return None;
}

Headers headersFor(Family family)
{
    switch (family) {
    case Linden: return {true, true};
    case Hazel: return {true, false};
    case Spruce: return {false, false};
    case Rowan: return {false, true};
    case None: break;
    }
    return {false, false};
}

QString logText(Family family, const QString &deviceName)
{
    switch (family) {
    case Linden: return QStringLiteral("设备类型1：Alder-4 / Birch-2");
    case Hazel: return QStringLiteral("设备类型2：Hazel / Aspen / Cedar-6");
    case Spruce: return QStringLiteral("设备类型3：Spruce/Willow / Larch-3");
    case Rowan: return QStringLiteral("设备类型4：Rowan-W");
    case None: break;
    }
    return QStringLiteral("未识别的MIDI设备：") + deviceName;
}

QString normalisedModel(const QString &reportedModel)
{
    QString model = reportedModel.isEmpty() ? QStringLiteral("Alder-4") : reportedModel;
    if (model.contains(QLatin1String("Birch-2")))
        return QStringLiteral("Birch-2");
    if (model.contains(QLatin1String("Alder-4")))
        return QStringLiteral("Alder-4");
    return model;
}

} // namespace DeviceFamily
