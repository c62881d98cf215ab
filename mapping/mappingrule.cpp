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
                       std::uint8_t pp, std::uint8_t rr)
{
    if (!side.sysEx)
        return encodeStandard(side, type);
    const Mapping::SysExBlock block = Mapping::buildSysExBlock(side.sysExRows, side.showHex);
    const Mapping::DataPositions positions = positionsOf(block, pp, rr);
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
    r.hh1 = mask[0];
    r.hh2 = mask[1];
    r.hh3 = mask[2];
    r.hh6 = Mapping::mappingNumberByte(number);
    r.pp = Mapping::dataSourceByte(data1MappingFrom);
    r.rr = Mapping::dataSourceByte(data2MappingFrom);

    const EncodedSide o = encodeSide(
        original, Mapping::swappedStatusByte(original.sysEx ? SystemExclusive : original.typeName, 0),
        &Mapping::originalSysExPositions, r.pp, r.rr);
    r.ii = o.type;
    r.jj = o.channel;
    r.kk = o.data1Position;
    r.ll = o.data2Position;
    r.payload = o.block;
    r.mm = static_cast<std::uint8_t>(r.payload.size());

    const EncodedSide m = encodeSide(mapped, Mapping::swappedStatusByte(mapped.typeName, 0),
                                     &Mapping::mappedSysExPositions, r.pp, r.rr);
    r.nn = m.type;
    r.oo = m.channel;
    r.qq = m.data1Position;
    r.ss = m.data2Position;
    r.extraData = m.block;
    r.tt = static_cast<std::uint8_t>(r.extraData.size());
    return r;
}
