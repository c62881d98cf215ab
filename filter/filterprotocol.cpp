#include "filter/filterprotocol.h"

#include "device/sysex.h"
#include "device/vocabulary.h"
#include "filter/filterbits.h"

namespace Filter {

namespace {

constexpr int StatusSuccess = 0;
constexpr int StatusFailure = 1;

bool isEnvelope(const QByteArray &frame, int length)
{
    return frame.size() == length && SysEx::byteAt(frame, 0) == SysEx::Start
           && SysEx::byteAt(frame, length - 1) == SysEx::End;
}

bool isDataByte(int value)
{
    return value >= 0 && value <= 0x7F;
}

QByteArray commandFor(int typeCode, int number, const Bytes &bytes)
{
    QByteArray data;
    data.reserve(CommandLength - SysEx::DataPos - 1);
    data.append(static_cast<char>(typeCode));
    data.append(static_cast<char>(number));
    for (qint32 value : normalized(bytes))
        data.append(static_cast<char>(value));
    data.append(QByteArray(PaddingBytes, '\0'));
    return SysEx::frame(SysEx::Configuration, SysEx::CodeFilter, data);
}

} // namespace

QString portTypeWord(int typeCode)
{
    const auto &entries = Vocabulary::portTypes().entries();
    for (const auto &entry : entries) {
        if (entry.second == typeCode)
            return entry.first;
    }
    return {};
}

QString portName(int typeCode, int number)
{
    const QString word = portTypeWord(typeCode);
    if (word.isEmpty())
        return {};
    return word + QString::number(number);
}

QStringList portNames(const PortCounts &counts)
{
    QStringList names;
    for (int type = 0; type < PortTypeCount; ++type) {
        for (int n = 1; n <= counts[type]; ++n)
            names.append(portName(type, n));
    }
    return names;
}

std::optional<PortId> parsePortText(const QString &text)
{
    // The words never occur inside one another, so the first match is the only one.
    for (const auto &entry : Vocabulary::portTypes().entries()) {
        if (!text.contains(entry.first))
            continue;
        QString rest = text;
        rest.remove(entry.first);
        bool ok = false;
        const int number = rest.trimmed().toInt(&ok, 10);
        if (!ok || number < 1 || number > MaxPortNumber)
            return std::nullopt;
        return PortId{entry.second, number};
    }
    return std::nullopt;
}

QByteArray setCommand(int typeCode, int number, const Bytes &bytes)
{
    const bool knownType = (typeCode >= 0 && typeCode < PortTypeCount)
                           || typeCode == Vocabulary::AllPortsTypeCode;
    if (!knownType || !isDataByte(number))
        return {};
    return commandFor(typeCode, number, bytes);
}

QByteArray setAllCommand(const Bytes &bytes)
{
    return commandFor(Vocabulary::AllPortsTypeCode, AllPortsNumber, bytes);
}

std::optional<SituationReport> parseSituation(const QByteArray &frame)
{
    if (!isEnvelope(frame, SituationFrameLength))
        return std::nullopt;
    SituationReport report;
    report.typeCode = SysEx::byteAt(frame, PortTypePos);
    report.number = SysEx::byteAt(frame, PortNumberPos);
    report.name = portName(report.typeCode, report.number);
    for (int i = 0; i < ByteCount; ++i)
        report.bytes[i] = SysEx::byteAt(frame, FilterBytesPos + i);
    return report;
}

std::optional<PortCounts> parsePortCounts(const QByteArray &frame)
{
    if (!isEnvelope(frame, PortCountsFrameLength))
        return std::nullopt;
    PortCounts counts{};
    for (int type = 0; type < PortTypeCount; ++type) {
        counts[type] = SysEx::byteAt(frame, PortCountsPos + type);
        if (!isDataByte(counts[type]))
            return std::nullopt;
    }
    return counts;
}

std::optional<QString> resultText(int status, int reason)
{
    if (status == StatusSuccess)
        return QStringLiteral("Configuration successful");
    if (status != StatusFailure)
        return std::nullopt;
    switch (reason) {
    case 1:
        return QStringLiteral("Configuration failed:Wrong port serial number");
    case 2:
        return QStringLiteral("Configuration failed:Category error");
    case 3:
        return QStringLiteral("Configuration failed:Category serial number error");
    default:
        return std::nullopt;
    }
}

std::optional<QString> resultText(const QByteArray &frame)
{
    if (!isEnvelope(frame, ResultFrameLength))
        return std::nullopt;
    return resultText(SysEx::byteAt(frame, ResultStatusPos), SysEx::byteAt(frame, ResultReasonPos));
}

} // namespace Filter
