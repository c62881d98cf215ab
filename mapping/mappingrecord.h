#pragma once

#include <QByteArray>
#include <QDebug>
#include <QTypeInfo>

#include <cstdint>

// One mapping rule in the device's byte order. It is both what the store
// command carries and what a read-back is kept as. The configuration file
// names the bytes "hh1".."hh6", "ii".."mm", "nn".."tt" in this order.
struct MappingRecord
{
    std::uint8_t portMaskLow = 0;           // port mask entries 0..6
    std::uint8_t portMaskMiddle = 0;        // entries 7..13
    std::uint8_t portMaskHigh = 0;          // entries 14..20
    std::uint8_t reservedA = 0;             // 0 in every rule sent
    std::uint8_t reservedB = 0;             // 0 in every rule sent
    std::uint8_t numberByte = 0;            // 0x40 | mapping number
    std::uint8_t originalType = 0;          // swapped form
    std::uint8_t originalChannel = 0;       // 1..16, 17 = all
    std::uint8_t originalData1Position = 0; // 0 = none
    std::uint8_t originalData2Position = 0; // 0 = none
    std::uint8_t payloadLength = 0;         // as declared
    QByteArray payload;
    std::uint8_t mappedType = 0;            // swapped form
    std::uint8_t mappedChannel = 0;         // 1..16, 17 = all
    std::uint8_t mappedData1Source = 0;     // 0 none, 1 Original Data1, 2 Original Data2
    std::uint8_t mappedData1Position = 0;   // 0 = none
    std::uint8_t mappedData2Source = 0;     // as mappedData1Source
    std::uint8_t mappedData2Position = 0;   // 0 = none
    std::uint8_t extraDataLength = 0;       // as declared
    QByteArray extraData;
    // Set when the device holds this rule (read back or confirmed), never by sending.
    bool enable = false;

    // All bytes 0, both blocks empty and not held by the device: a free slot.
    [[nodiscard]] bool isEmpty() const;
    // numberByte without its flag bits; 0 for an empty record.
    [[nodiscard]] int mappingNumber() const;
    // F0 00 2F 71 02 04, fields 1-11, payload, fields 13-19, extraData, F7.
    [[nodiscard]] QByteArray toStoreCommand() const;
};

Q_DECLARE_TYPEINFO(MappingRecord, Q_MOVABLE_TYPE);

// Compares the rule only: "enable" says where a record came from, and a rule
// about to be sent must match the same rule read back from the device.
[[nodiscard]] bool operator==(const MappingRecord &a, const MappingRecord &b);
[[nodiscard]] inline bool operator!=(const MappingRecord &a, const MappingRecord &b)
{
    return !(a == b);
}

QDebug operator<<(QDebug debug, const MappingRecord &record);
