#include "mapping/mappingrecord.h"

#include "device/sysex.h"
#include "mapping/mappingprotocol.h"

#include <QDebugStateSaver>

#include <initializer_list>

namespace {

void appendBytes(QByteArray &out, std::initializer_list<std::uint8_t> bytes)
{
    for (std::uint8_t b : bytes)
        out.append(static_cast<char>(b));
}

// Field 11 is part of the head so that a reader can find the first block's end.
QByteArray headBytes(const MappingRecord &r)
{
    QByteArray out;
    appendBytes(out, {r.portMaskLow, r.portMaskMiddle, r.portMaskHigh, r.reservedA, r.reservedB, r.numberByte,
                      r.originalType, r.originalChannel, r.originalData1Position, r.originalData2Position,
                      r.payloadLength});
    return out;
}

QByteArray mappedBytes(const MappingRecord &r)
{
    QByteArray out;
    appendBytes(out, {r.mappedType, r.mappedChannel, r.mappedData1Source, r.mappedData1Position, r.mappedData2Source,
                      r.mappedData2Position, r.extraDataLength});
    return out;
}

} // namespace

bool MappingRecord::isEmpty() const
{
    return !enable && payload.isEmpty() && extraData.isEmpty()
        && headBytes(*this).count('\0') == MappingProtocol::HeadFieldCount
        && mappedBytes(*this).count('\0') == MappingProtocol::MappedFieldCount;
}

int MappingRecord::mappingNumber() const
{
    return numberByte & MappingProtocol::NumberMask;
}

QByteArray MappingRecord::toStoreCommand() const
{
    QByteArray data;
    data.reserve(MappingProtocol::HeadFieldCount + MappingProtocol::MappedFieldCount
                 + payload.size() + extraData.size());
    data.append(headBytes(*this));
    data.append(payload);
    data.append(mappedBytes(*this));
    data.append(extraData);
    return SysEx::frame(SysEx::Configuration, SysEx::CodeMapping, data);
}

bool operator==(const MappingRecord &a, const MappingRecord &b)
{
    return headBytes(a) == headBytes(b) && a.payload == b.payload
        && mappedBytes(a) == mappedBytes(b) && a.extraData == b.extraData;
}

QDebug operator<<(QDebug debug, const MappingRecord &record)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "MappingRecord(" << headBytes(record).toHex(' ') << " | "
                              << record.payload.toHex(' ') << " | "
                              << mappedBytes(record).toHex(' ') << " | "
                              << record.extraData.toHex(' ')
                              << (record.enable ? ", enabled)" : ")");
    return debug;
}
