#include "mapping/mappingreadback.h"

#include "device/sysex.h"
#include "mapping/mappinglogging.h"
#include "mapping/mappingprotocol.h"

#include <algorithm>

namespace {

// The body of a read-back: the bytes after class and code, up to the F7.
class Body
{
public:
    explicit Body(const QByteArray &frame)
        : m_bytes(frame.mid(SysEx::DataPos, frame.size() - SysEx::DataPos - 1))
    {
    }

    [[nodiscard]] int size() const { return m_bytes.size(); }

    [[nodiscard]] std::uint8_t at(int pos) const
    {
        if (pos < 0 || pos >= m_bytes.size())
            return MappingProtocol::NoByte;
        return static_cast<std::uint8_t>(m_bytes.at(pos));
    }

    [[nodiscard]] QByteArray take(int pos, int count) const
    {
        if (pos >= m_bytes.size() || count <= 0)
            return {};
        return m_bytes.mid(pos, count);
    }

    [[nodiscard]] int left(int pos) const { return std::max(0, static_cast<int>(m_bytes.size()) - pos); }

private:
    QByteArray m_bytes;
};

int declaredPayloadLength(std::uint8_t raw)
{
    if (raw == MappingProtocol::NoByte)
        return 0;
    return std::min<int>(raw, MappingProtocol::MaxReadBackBlockLength);
}

// A second-block length is only believed when it is plausible and fits.
int declaredExtraDataLength(std::uint8_t declared, int left)
{
    if (declared == MappingProtocol::NoByte)
        return 0;
    if (declared >= 1 && declared <= MappingProtocol::MaxReadBackExtraLength && declared <= left)
        return declared;
    return left;
}

MappingRecord readRecord(const Body &body)
{
    MappingRecord r;
    r.portMaskLow = body.at(0);
    r.portMaskMiddle = body.at(1);
    r.portMaskHigh = body.at(2);
    r.reservedA = body.at(3);
    r.reservedB = body.at(4);
    r.numberByte = body.at(5);
    r.originalType = body.at(6);
    r.originalChannel = body.at(7);
    r.originalData1Position = body.at(8);
    r.originalData2Position = body.at(9);
    // payloadLength keeps the declared length even when fewer bytes arrived, so that
    // whoever shows the rule can tell a cut-off block from a short one.
    r.payloadLength = static_cast<std::uint8_t>(declaredPayloadLength(body.at(10)));
    const int payloadCount = std::min<int>(r.payloadLength, body.left(MappingProtocol::HeadFieldCount));
    r.payload = body.take(MappingProtocol::HeadFieldCount, payloadCount);

    const int mapped = MappingProtocol::HeadFieldCount + payloadCount;
    r.mappedType = body.at(mapped);
    r.mappedChannel = body.at(mapped + 1);
    r.mappedData1Source = body.at(mapped + 2);
    r.mappedData1Position = body.at(mapped + 3);
    r.mappedData2Source = body.at(mapped + 4);
    r.mappedData2Position = body.at(mapped + 5);
    r.extraDataLength = body.at(mapped + 6);
    const int extra = mapped + MappingProtocol::MappedFieldCount;
    r.extraData = body.take(extra, declaredExtraDataLength(r.extraDataLength, body.left(extra)));
    r.enable = true;
    return r;
}

} // namespace

QString MappingReadBack::errorString() const
{
    switch (status) {
    case Status::Accepted:
        return {};
    case Status::TooShort:
        return QStringLiteral("Mapping read-back is shorter than %1 bytes")
            .arg(MappingProtocol::MinReadBackLength);
    case Status::BadEnvelope:
        return QStringLiteral("Mapping read-back does not begin with F0 and end with F7");
    case Status::NumberZero:
        return QStringLiteral("Mapping read-back names mapping number 0, which does not exist");
    case Status::NumberOutOfRange:
        return QStringLiteral("Mapping read-back names mapping number %1, above %2")
            .arg(number)
            .arg(MappingProtocol::LastNumber);
    }
    return {};
}

MappingReadBack MappingReadBack::parse(const QByteArray &frame)
{
    MappingReadBack result;
    if (frame.size() < MappingProtocol::MinReadBackLength) {
        qCWarning(lcMapping).noquote() << "报文过短：" << frame.size();
        result.status = Status::TooShort;
        return result;
    }
    if (SysEx::byteAt(frame, 0) != SysEx::Start || SysEx::byteAt(frame, frame.size() - 1) != SysEx::End) {
        qCWarning(lcMapping).noquote() << "包头/包尾错误";
        result.status = Status::BadEnvelope;
        return result;
    }

    result.record = readRecord(Body(frame));
    result.number = result.record.mappingNumber();
    // Slot 0 exists only so that slot and number agree; a rule there would
    // never be shown or saved, so it is refused like any other bad number.
    if (result.number == 0 || result.number > MappingProtocol::LastNumber) {
        qCWarning(lcMapping).noquote() << "反馈端口标识 hh6 不在有效范围内"
                                       << QByteArray(1, static_cast<char>(result.record.numberByte)).toHex();
        result.status = result.number == 0 ? Status::NumberZero : Status::NumberOutOfRange;
        return result;
    }
    result.status = Status::Accepted;
    return result;
}
