#pragma once

#include "mapping/mappingrecord.h"

#include <cstdint>

// The documented example rule: Note On on every channel, both ranges 0..127,
// mapped to Program Change on channel 2 with Data1 taken from the original
// Data2, applying to the first MIDI input only.
inline MappingRecord noteOnToProgramChange(int number = 1)
{
    MappingRecord r;
    r.portMaskLow = 0x01;
    r.numberByte = std::uint8_t(0x40 | number);
    r.originalType = 0x09;
    r.originalChannel = 0x11;
    r.originalData1Position = 1;
    r.originalData2Position = 3;
    r.payloadLength = 5;
    r.payload = QByteArray::fromHex("90007f007f");
    r.mappedType = 0x0C;
    r.mappedChannel = 2;
    r.mappedData1Source = 2;
    r.mappedData1Position = 1;
    r.extraDataLength = 3;
    r.extraData = QByteArray::fromHex("c1007f");
    return r;
}
