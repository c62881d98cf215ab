#pragma once

#include "mapping/mappingrecord.h"

#include <QByteArray>
#include <QString>

// One stored rule as the device sends it back, or why it was not taken.
struct MappingReadBack
{
    enum class Status {
        Accepted,
        TooShort,         // fewer than 20 bytes; the 9-byte "no rules" answer lands here
        BadEnvelope,      // not F0 ... F7
        NumberZero,       // numberByte & 0x3F is 0, the unused slot
        NumberOutOfRange, // numberByte & 0x3F is above 16
    };

    Status status = Status::TooShort;
    // The mapping number numberByte names; also filled for a number that is refused.
    int number = 0;
    // With "enable" set; filled whenever the frame could be read, even when
    // its number is refused.
    MappingRecord record;

    [[nodiscard]] bool isAccepted() const { return status == Status::Accepted; }
    [[nodiscard]] QString errorString() const;

    // Never reads beyond the frame: every missing byte reads as 0xFF.
    [[nodiscard]] static MappingReadBack parse(const QByteArray &frame);
};
