#include "filter/filterbits.h"

#include <QHash>

namespace Filter {

namespace {

constexpr int ChannelBytes[] = {0, 1, 2};   // iitop, iimid, iibot
constexpr int MessageByte = 3;              // jj
constexpr int FirstControllerByte = 4;      // kk1
constexpr int SystemCommonByte = 23;        // ll
constexpr int SystemRealtimeByte = 24;      // mm
// kk1 holds only controllers 126 and 127; kk2..kk19 hold seven each, the
// highest numbers first, so controller n of kk<k> is 133 - 7k + bit.
constexpr int RemainderControllerBase = 126;

std::array<ByteLayout, ByteCount> buildLayout()
{
    std::array<ByteLayout, ByteCount> layout;
    layout[ChannelBytes[0]] = {QStringLiteral("iitop"), {channelBoxName(15), channelBoxName(16)}};
    layout[ChannelBytes[1]].key = QStringLiteral("iimid");
    layout[ChannelBytes[2]].key = QStringLiteral("iibot");
    for (int bit = 0; bit < BitsPerByte; ++bit) {
        layout[ChannelBytes[1]].boxes[bit] = channelBoxName(8 + bit);
        layout[ChannelBytes[2]].boxes[bit] = channelBoxName(1 + bit);
    }
    layout[MessageByte] = {QStringLiteral("jj"),
                           {QStringLiteral("noteOnBox"), QStringLiteral("noteOffBox"),
                            QStringLiteral("keyAftertouchBox"),
                            QStringLiteral("programChangeBox"),
                            QStringLiteral("channelPressureBox"),
                            QStringLiteral("pitchBendBox"),
                            QStringLiteral("systemExclusiveBox")}};
    layout[FirstControllerByte] = {QStringLiteral("kk1"),
                                   {controllerBoxName(RemainderControllerBase),
                                    controllerBoxName(RemainderControllerBase + 1)}};
    for (int k = 2; k <= 19; ++k) {
        ByteLayout &byte = layout[FirstControllerByte + k - 1];
        byte.key = QStringLiteral("kk%1").arg(k);
        for (int bit = 0; bit < BitsPerByte; ++bit)
            byte.boxes[bit] = controllerBoxName(133 - 7 * k + bit);
    }
    layout[SystemCommonByte] = {QStringLiteral("ll"),
                                {QStringLiteral("midiTimeCodeBox"),
                                 QStringLiteral("songPositionPointerBox"),
                                 QStringLiteral("songSelectBox"),
                                 QStringLiteral("tuneRequestBox")}};
    layout[SystemRealtimeByte] = {QStringLiteral("mm"),
                                  {QStringLiteral("timingClockBox"),
                                   QStringLiteral("tickBox"), QStringLiteral("startBox"),
                                   QStringLiteral("continueBox"),
                                   QStringLiteral("stopBox"),
                                   QStringLiteral("activeSensingBox"),
                                   QStringLiteral("systemResetBox")}};
    return layout;
}

const QHash<QString, BitPosition> &positionsByBox()
{
    static const QHash<QString, BitPosition> positions = [] {
        QHash<QString, BitPosition> result;
        const auto &layout = byteLayout();
        for (int i = 0; i < ByteCount; ++i) {
            for (int bit = 0; bit < BitsPerByte; ++bit) {
                if (!layout[i].boxes[bit].isEmpty())
                    result.insert(layout[i].boxes[bit], BitPosition{i, bit});
            }
        }
        return result;
    }();
    return positions;
}

} // namespace

int ByteLayout::highestUsedBit() const
{
    for (int bit = BitsPerByte - 1; bit >= 0; --bit) {
        if (!boxes[bit].isEmpty())
            return bit;
    }
    return -1;
}

const std::array<ByteLayout, ByteCount> &byteLayout()
{
    static const std::array<ByteLayout, ByteCount> layout = buildLayout();
    return layout;
}

QStringList boxNames()
{
    QStringList names;
    for (const ByteLayout &byte : byteLayout()) {
        for (const QString &box : byte.boxes) {
            if (!box.isEmpty())
                names.append(box);
        }
    }
    return names;
}

QString channelBoxName(int channel)
{
    return QStringLiteral("channel%1Box").arg(channel);
}

QString controllerBoxName(int controller)
{
    return QStringLiteral("controller%1Box").arg(controller);
}

std::optional<BitPosition> positionOfBox(const QString &boxName)
{
    const auto &positions = positionsByBox();
    const auto it = positions.constFind(boxName);
    if (it == positions.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<BitPosition> channelPosition(int channel)
{
    if (channel < 1 || channel > ChannelCount)
        return std::nullopt;
    return positionOfBox(channelBoxName(channel));
}

std::optional<BitPosition> controllerPosition(int controller)
{
    if (controller < 0 || controller >= ControllerCount)
        return std::nullopt;
    return positionOfBox(controllerBoxName(controller));
}

Bytes encodeWith(const std::function<bool(const QString &)> &isChecked)
{
    Bytes bytes{};
    const auto &layout = byteLayout();
    for (int i = 0; i < ByteCount; ++i) {
        for (int bit = 0; bit < BitsPerByte; ++bit) {
            const QString &box = layout[i].boxes[bit];
            if (!box.isEmpty() && isChecked(box))
                bytes[i] += 1 << bit;
        }
    }
    return bytes;
}

Bytes encode(const QSet<QString> &checkedBoxes)
{
    return encodeWith([&checkedBoxes](const QString &box) { return checkedBoxes.contains(box); });
}

QVector<WalkStep> decodeWalk(const Bytes &bytes)
{
    QVector<WalkStep> steps;
    const auto &layout = byteLayout();
    for (int i = 0; i < ByteCount; ++i) {
        qint32 remaining = bytes[i];
        for (int bit = layout[i].highestUsedBit(); bit >= 0; --bit) {
            const QString &box = layout[i].boxes[bit];
            if (box.isEmpty())
                continue;
            const qint32 value = 1 << bit;
            const bool set = remaining / value != 0;
            if (set)
                remaining %= value;
            steps.append(WalkStep{box, set});
        }
    }
    return steps;
}

QSet<QString> decode(const Bytes &bytes)
{
    QSet<QString> checked;
    for (const WalkStep &step : decodeWalk(bytes)) {
        if (step.checked)
            checked.insert(step.box);
    }
    return checked;
}

Bytes normalized(const Bytes &bytes)
{
    return encode(decode(bytes));
}

} // namespace Filter
