#include "mapping/statusbytes.h"

#include "device/vocabulary.h"
#include "mapping/mappinglogging.h"
#include "mapping/mappingprotocol.h"

namespace Mapping {

namespace {
const QString AllChannels = QStringLiteral("All");
}

std::uint8_t swappedStatusByte(const QString &typeName, int channel)
{
    const Vocabulary::CodeTable &table = Vocabulary::swappedStatusTable();
    if (!table.contains(typeName)) {
        qCWarning(lcMapping).noquote() << "[makeStatusByte] 未知消息类型:" << typeName;
        return 0;
    }
    const int code = table.value(typeName);
    if ((code & MappingProtocol::SystemTypeLowNibble) == MappingProtocol::SystemTypeLowNibble)
        return static_cast<std::uint8_t>(code);
    return static_cast<std::uint8_t>((channel << 4) | (code & 0x0F));
}

std::uint8_t midiStatusByte(const QString &typeName, const QString &channelText)
{
    // Channel texts count from 1; anything that is not a positive number
    // ("All" above all) sends on the first channel.
    const int channel = channelText.toInt();
    std::uint8_t channelNibble = 0;
    if (channel >= 1)
        channelNibble = static_cast<std::uint8_t>((channel - 1) & 0x0F);
    else
        qCDebug(lcMapping).noquote() << "[makeStatusByte2] 无效通道:" << channelText;

    const Vocabulary::CodeTable &table = Vocabulary::statusNibbleTable();
    if (!table.contains(typeName)) {
        qCWarning(lcMapping).noquote() << "[makeStatusByte2] 未知消息类型:" << typeName;
        return 0;
    }
    const int value = table.value(typeName);
    if (value < MappingProtocol::SystemStatusBase)
        return static_cast<std::uint8_t>((value << 4) | channelNibble);
    return static_cast<std::uint8_t>(value);
}

int lookupStatusIndex(const QStringList &itemTexts, int code)
{
    const Vocabulary::CodeTable &table = Vocabulary::mappingTypeCodes();
    for (int i = 0; i < itemTexts.size(); ++i) {
        const QString &text = itemTexts.at(i);
        if (!table.contains(text)) {
            qCDebug(lcMapping).noquote() << "[lookupStatusIndex] 未知类型:" << text;
            continue;
        }
        if (table.value(text) == code)
            return i;
    }
    return 0;
}

std::uint8_t channelByte(const QString &channelText)
{
    if (channelText == AllChannels)
        return MappingProtocol::ChannelAll;
    return static_cast<std::uint8_t>(channelText.toInt());
}

} // namespace Mapping
