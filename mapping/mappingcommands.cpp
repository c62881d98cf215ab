#include "mapping/mappingcommands.h"

#include "device/sysex.h"
#include "mapping/mappingprotocol.h"

namespace Mapping {

namespace {

QByteArray deleteFrame(std::uint8_t operation, std::uint8_t numberByte)
{
    using namespace MappingProtocol;
    const char data[] = {
        static_cast<char>(DeleteSelector),
        static_cast<char>(DeleteAnyPort),
        static_cast<char>(operation),
        static_cast<char>(numberByte),
        0,
    };
    return SysEx::frame(SysEx::Configuration, SysEx::CodeMappingDelete,
                        QByteArray(data, sizeof data));
}

} // namespace

bool isValidMappingNumber(int number)
{
    return number >= MappingProtocol::FirstNumber && number <= MappingProtocol::LastNumber;
}

std::uint8_t mappingNumberByte(int number)
{
    return static_cast<std::uint8_t>(MappingProtocol::NumberFlag
                                     | (number & MappingProtocol::NumberMask));
}

QByteArray deleteMappingCommand(int number)
{
    if (!isValidMappingNumber(number))
        return {};
    return deleteFrame(MappingProtocol::DeleteOne, mappingNumberByte(number));
}

QByteArray deleteAllMappingsCommand()
{
    return deleteFrame(MappingProtocol::DeleteEvery, 0);
}

QByteArray readMappingsQuery()
{
    return SysEx::deviceQuery(MappingProtocol::ReadQueryNumber);
}

} // namespace Mapping
