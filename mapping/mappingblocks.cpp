#include "mapping/mappingblocks.h"

#include "mapping/mappingprotocol.h"

using MappingProtocol::NoByte;

namespace Mapping {

StandardBlockLayout standardBlockLayout(std::uint8_t swappedCode)
{
    switch (swappedCode) {
    case 0x08: // Note Off
    case 0x09: // Note On
    case 0x0A: // Key Aftertouch
    case 0x0B: // Control Change
    case 0x0E: // Pitch Bend
    case 0x2F: // Song Position Pointer
        return {5, 1, 3};
    case 0x0C: // Program Change
    case 0x0D: // Channel Pressure
    case 0x1F: // MIDI Time Code
    case 0x3F: // Song Select
        return {3, 1, 0};
    default:
        return {1, 0, 0};
    }
}

QByteArray standardBlock(std::uint8_t swappedCode, std::uint8_t statusByte, const DataRanges &ranges)
{
    const char full[] = {
        static_cast<char>(statusByte),
        static_cast<char>(ranges.data1Min),
        static_cast<char>(ranges.data1Max),
        static_cast<char>(ranges.data2Min),
        static_cast<char>(ranges.data2Max),
    };
    return QByteArray(full, standardBlockLayout(swappedCode).length);
}

SysExRow SysExRow::value(const QString &text)
{
    SysExRow row;
    row.valueText = text;
    return row;
}

SysExRow SysExRow::ignore()
{
    SysExRow row;
    row.kind = Kind::Ignore;
    return row;
}

SysExRow SysExRow::data1(std::optional<int> minimum, std::optional<int> maximum)
{
    SysExRow row;
    row.kind = Kind::Data1;
    row.minimum = minimum;
    row.maximum = maximum;
    return row;
}

SysExRow SysExRow::data2(std::optional<int> minimum, std::optional<int> maximum)
{
    SysExRow row = data1(minimum, maximum);
    row.kind = Kind::Data2;
    return row;
}

namespace {

std::uint8_t valueRowByte(const QString &text, bool showHex)
{
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok, showHex ? 16 : 10);
    if (!ok || value > 0xFF)
        return MappingProtocol::NoByte;
    return static_cast<std::uint8_t>(value);
}

} // namespace

SysExBlock buildSysExBlock(const QVector<SysExRow> &rows, bool showHex)
{
    SysExBlock block;
    for (const SysExRow &row : rows) {
        switch (row.kind) {
        case SysExRow::Kind::Value:
            block.bytes.append(static_cast<char>(valueRowByte(row.valueText, showHex)));
            break;
        case SysExRow::Kind::Ignore:
            block.bytes.append(static_cast<char>(MappingProtocol::NoByte));
            break;
        case SysExRow::Kind::Data1:
        case SysExRow::Kind::Data2: {
            // The implied F0 is position 0, so the next byte's position is the size + 1.
            const auto position = static_cast<std::uint8_t>(block.bytes.size() + 1);
            std::uint8_t &slot = row.kind == SysExRow::Kind::Data1 ? block.data1Position
                                                                   : block.data2Position;
            if (slot == 0)
                slot = position;
            const bool complete = row.minimum.has_value() && row.maximum.has_value();
            block.bytes.append(static_cast<char>(complete ? *row.minimum : MappingProtocol::NoByte));
            block.bytes.append(static_cast<char>(complete ? *row.maximum : MappingProtocol::NoByte));
            break;
        }
        }
    }
    return block;
}

DataPositions originalSysExPositions(const SysExBlock &block, std::uint8_t data1Source, std::uint8_t data2Source)
{
    using namespace MappingProtocol;
    const bool data1Feeds = data1Source == SourceOriginalData1 || data2Source == SourceOriginalData1;
    const bool data2Feeds = data1Source == SourceOriginalData2 || data2Source == SourceOriginalData2;
    return {data1Feeds ? block.data1Position : std::uint8_t(1),
            data2Feeds ? block.data2Position : std::uint8_t(1)};
}

DataPositions mappedSysExPositions(const SysExBlock &block, std::uint8_t data1Source, std::uint8_t data2Source)
{
    using namespace MappingProtocol;
    return {data1Source != SourceNone ? block.data1Position : std::uint8_t(1),
            data2Source != SourceNone ? block.data2Position : std::uint8_t(1)};
}

DataPositions storedOriginalSysExPositions(std::uint8_t data1Position, std::uint8_t data2Position,
                                           std::uint8_t data1Source, std::uint8_t data2Source)
{
    using namespace MappingProtocol;
    const bool data1Feeds = data1Source == SourceOriginalData1 || data2Source == SourceOriginalData1;
    const bool data2Feeds = data1Source == SourceOriginalData2 || data2Source == SourceOriginalData2;
    return {data1Feeds ? data1Position : std::uint8_t(0), data2Feeds ? data2Position : std::uint8_t(0)};
}

DataPositions storedMappedSysExPositions(std::uint8_t data1Position, std::uint8_t data2Position,
                                         std::uint8_t data1Source, std::uint8_t data2Source)
{
    using namespace MappingProtocol;
    return {data1Source != SourceNone ? data1Position : std::uint8_t(0),
            data2Source != SourceNone ? data2Position : std::uint8_t(0)};
}

QVector<SysExRow> sysExRowsFromBlock(const QByteArray &block, const DataPositions &positions)
{
    constexpr int MaxDataValue = 127;
    QVector<SysExRow> rows;
    bool data1Taken = false;
    bool data2Taken = false;
    for (int i = 0; i < block.size();) {
        const int position = i + 1;
        const auto byteAt = [&block](int index) { return static_cast<std::uint8_t>(block.at(index)); };
        const bool pairFits =
            i + 1 < block.size() && byteAt(i) <= MaxDataValue && byteAt(i + 1) <= MaxDataValue;
        if (pairFits && !data1Taken && position == positions.data1) {
            rows.append(SysExRow::data1(byteAt(i), byteAt(i + 1)));
            data1Taken = true;
            i += 2;
            continue;
        }
        if (pairFits && !data2Taken && position == positions.data2) {
            rows.append(SysExRow::data2(byteAt(i), byteAt(i + 1)));
            data2Taken = true;
            i += 2;
            continue;
        }
        rows.append(byteAt(i) == NoByte ? SysExRow::ignore() : SysExRow::value(QString::number(byteAt(i))));
        ++i;
    }
    return rows;
}

PortMask packPortMask(const QVector<bool> &ports)
{
    using namespace MappingProtocol;
    PortMask mask{};
    const int count = qMin(ports.size(), PortMaskEntries);
    for (int i = 0; i < count; ++i) {
        if (ports.at(i))
            mask[i / PortsPerMaskByte] |= static_cast<std::uint8_t>(1u << (i % PortsPerMaskByte));
    }
    return mask;
}

QVector<bool> unpackPortMask(const PortMask &mask)
{
    using namespace MappingProtocol;
    QVector<bool> ports(PortMaskEntries, false);
    for (int i = 0; i < PortMaskEntries; ++i)
        ports[i] = (mask[i / PortsPerMaskByte] >> (i % PortsPerMaskByte)) & 1u;
    return ports;
}

std::uint8_t dataSourceByte(int mappingFrom)
{
    using namespace MappingProtocol;
    if (mappingFrom == SourceOriginalData1 || mappingFrom == SourceOriginalData2)
        return static_cast<std::uint8_t>(mappingFrom);
    return SourceNone;
}

} // namespace Mapping
