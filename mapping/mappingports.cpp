#include "mapping/mappingports.h"

#include <algorithm>

namespace MappingPorts {

namespace {

int countAt(const QVector<int> &counts, int type)
{
    return std::max(0, counts.value(type, 0));
}

void appendPorts(QVector<Port> &side, const QString &word, int count, int firstSlot)
{
    for (int n = 1; n <= count && side.size() < BoxesPerSide; ++n)
        side.append(Port{word + QString::number(n), firstSlot < 0 ? -1 : firstSlot + n - 1});
}

} // namespace

Layout fromFilterCounts(const QVector<int> &counts)
{
    // USB name slots run over the host ports first, then the device ports;
    // the input and the output of one USB port share its slot.
    const int hostSlots = std::max(countAt(counts, 2), countAt(counts, 3));
    Layout layout;
    appendPorts(layout.inputs, QStringLiteral("MIDI IN"), countAt(counts, 0), -1);
    appendPorts(layout.outputs, QStringLiteral("MIDI OUT"), countAt(counts, 1), -1);
    appendPorts(layout.inputs, QStringLiteral("USB HOST IN"), countAt(counts, 2), 0);
    appendPorts(layout.outputs, QStringLiteral("USB HOST OUT"), countAt(counts, 3), 0);
    appendPorts(layout.inputs, QStringLiteral("USB DEVICE IN"), countAt(counts, 4), hostSlots);
    appendPorts(layout.outputs, QStringLiteral("USB DEVICE OUT"), countAt(counts, 5), hostSlots);
    return layout;
}

QVector<BoxRef> maskOrder(const Layout &layout)
{
    QVector<BoxRef> order;
    for (const bool usb : {false, true}) {
        for (const bool input : {true, false}) {
            const QVector<Port> &ports = input ? layout.inputs : layout.outputs;
            for (int i = 0; i < ports.size(); ++i) {
                if (ports.at(i).isUsb() == usb)
                    order.append(BoxRef{input, i});
            }
        }
    }
    return order;
}

QString usbNameLabel(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String("1"))
        return QStringLiteral("(No device connected)");
    return QStringLiteral("(%1)").arg(name);
}

} // namespace MappingPorts
