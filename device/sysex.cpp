#include "device/sysex.h"

namespace SysEx {

QByteArray frame(std::uint8_t cls, std::uint8_t code, const QByteArray &data)
{
    QByteArray out;
    out.reserve(7 + data.size());
    out.append(static_cast<char>(Start));
    for (std::uint8_t b : ManufacturerId)
        out.append(static_cast<char>(b));
    out.append(static_cast<char>(cls));
    out.append(static_cast<char>(code));
    out.append(data);
    out.append(static_cast<char>(End));
    return out;
}

QByteArray deviceQuery(int k)
{
    return frame(DeviceInfo, CodeQuery, QByteArray(1, static_cast<char>(k)));
}

QByteArray factoryResetCommand()
{
    return frame(System, CodeFactoryReset, QByteArray::fromHex("0100"));
}

QByteArray storeAcknowledgeCommand()
{
    return frame(Configuration, CodeSave, QByteArray(1, '\x01'));
}

} // namespace SysEx
