#include "mapping/mappingrule.h"

#include "mapping/mappingcommands.h"
#include "mapping/statusbytes.h"

namespace {

const QString SystemExclusive = QStringLiteral("System Exclusive");

struct EncodedSide
{
    std::uint8_t type = 0;
    std::uint8_t channel = 0;
    std::uint8_t data1Position = 0;
    std::uint8_t data2Position = 0;
    QByteArray block;
};

EncodedSide encodeStandard(const MappingSide &side, std::uint8_t type)
{
    const Mapping::StandardBlockLayout layout = Mapping::standardBlockLayout(type);
    EncodedSide out;
    out.type = type;
    out.channel = Mapping::channelByte(side.channelText);
    out.data1Position = layout.data1Position;
    out.data2Position = layout.data2Position;
    out.block = Mapping::standardBlock(
        type, Mapping::midiStatusByte(side.typeName, side.channelText), side.ranges);
    return out;
}

// The two SysEx sides differ only in how their Data positions are counted.
using SysExPositions = Mapping::DataPositions (*)(const Mapping::SysExBlock &, std::uint8_t, std::uint8_t);

EncodedSide encodeSide(const MappingSide &side, std::uint8_t type, SysExPositions positionsOf,
                       std::uint8_t data1Source, std::uint8_t data2Source)
{
    if (!side.sysEx)
        return encodeStandard(side, type);
    const Mapping::SysExBlock block = Mapping::buildSysExBlock(side.sysExRows, side.showHex);
    const Mapping::DataPositions positions = positionsOf(block, data1Source, data2Source);
    EncodedSide out;
    out.type = type;
    out.channel = Mapping::channelByte(side.channelText);
    out.data1Position = positions.data1;
    out.data2Position = positions.data2;
    out.block = block.bytes;
    return out;
}

} // namespace

MappingRecord MappingRule::toRecord() const
{
    MappingRecord r;
    const Mapping::PortMask mask = Mapping::packPortMask(ports);
    r.portMaskLow = mask[0];
    r.portMaskMiddle = mask[1];
    r.portMaskHigh = mask[2];
    r.numberByte = Mapping::mappingNumberByte(number);
    r.mappedData1Source = Mapping::dataSourceByte(data1MappingFrom);
    r.mappedData2Source = Mapping::dataSourceByte(data2MappingFrom);

    const EncodedSide o = encodeSide(
        original, Mapping::swappedStatusByte(original.sysEx ? SystemExclusive : original.typeName, 0),
        &Mapping::originalSysExPositions, r.mappedData1Source, r.mappedData2Source);
    r.originalType = o.type;
    r.originalChannel = o.channel;
    r.originalData1Position = o.data1Position;
    r.originalData2Position = o.data2Position;
    r.payload = o.block;
    r.payloadLength = static_cast<std::uint8_t>(r.payload.size());

    const EncodedSide m = encodeSide(mapped, Mapping::swappedStatusByte(mapped.typeName, 0),
                                     &Mapping::mappedSysExPositions, r.mappedData1Source, r.mappedData2Source);
    r.mappedType = m.type;
    r.mappedChannel = m.channel;
    r.mappedData1Position = m.data1Position;
    r.mappedData2Position = m.data2Position;
    r.extraData = m.block;
    r.extraDataLength = static_cast<std::uint8_t>(r.extraData.size());
    return r;
}
