#pragma once

#include "mapping/mappingrecord.h"

#include <cstdint>

// The documented example rule: Note On on every channel, both ranges 0..127,
// mapped to Program Change on channel 2 with Data1 taken from the original
// Data2, applying to the first MIDI input only.
inline MappingRecord noteOnToProgramChange(int number = 1)
{
    MappingRecord r;
    r.hh1 = 0x01;
    r.hh6 = std::uint8_t(0x40 | number);
    r.ii = 0x09;
    r.jj = 0x11;
    r.kk = 1;
    r.ll = 3;
    r.mm = 5;
    r.payload = QByteArray::fromHex("90007f007f");
    r.nn = 0x0C;
    r.oo = 2;
    r.pp = 2;
    r.qq = 1;
    r.tt = 3;
    r.extraData = QByteArray::fromHex("c1007f");
    return r;
}
