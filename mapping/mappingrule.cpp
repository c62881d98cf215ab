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
        type, Mapping::makeStatusByte2(side.typeName, side.channelText), side.ranges);
    return out;
}

} // namespace

MappingRecord MappingRule::toRecord() const
{
    MappingRecord r;
    const Mapping::PortMask mask = Mapping::packPortMask(ports);
    r.hh1 = mask[0];
    r.hh2 = mask[1];
    r.hh3 = mask[2];
    r.hh6 = Mapping::mappingNumberByte(number);
    r.pp = Mapping::dataSourceByte(data1MappingFrom);
    r.rr = Mapping::dataSourceByte(data2MappingFrom);

    const std::uint8_t originalType =
        Mapping::makeStatusByte(original.sysEx ? SystemExclusive : original.typeName, 0);
    if (original.sysEx) {
        const Mapping::SysExBlock block = Mapping::buildSysExBlock(original.sysExRows, original.showHex);
        const Mapping::DataPositions positions = Mapping::originalSysExPositions(block, r.pp, r.rr);
        r.ii = originalType;
        r.jj = Mapping::channelByte(original.channelText);
        r.kk = positions.data1;
        r.ll = positions.data2;
        r.payload = block.bytes;
    } else {
        const EncodedSide side = encodeStandard(original, originalType);
        r.ii = side.type;
        r.jj = side.channel;
        r.kk = side.data1Position;
        r.ll = side.data2Position;
        r.payload = side.block;
    }
    r.mm = static_cast<std::uint8_t>(r.payload.size());

    const std::uint8_t mappedType = Mapping::makeStatusByte(mapped.typeName, 0);
    if (mapped.sysEx) {
        const Mapping::SysExBlock block = Mapping::buildSysExBlock(mapped.sysExRows, mapped.showHex);
        const Mapping::DataPositions positions = Mapping::mappedSysExPositions(block, r.pp, r.rr);
        r.nn = mappedType;
        r.oo = Mapping::channelByte(mapped.channelText);
        r.qq = positions.data1;
        r.ss = positions.data2;
        r.extraData = block.bytes;
    } else {
        const EncodedSide side = encodeStandard(mapped, mappedType);
        r.nn = side.type;
        r.oo = side.channel;
        r.qq = side.data1Position;
        r.ss = side.data2Position;
        r.extraData = side.block;
    }
    r.tt = static_cast<std::uint8_t>(r.extraData.size());
    return r;
}
