#pragma once

#include <QByteArray>
#include <QDebug>
#include <QTypeInfo>

#include <cstdint>

// One mapping rule in the device's byte order. It is both what the store
// command carries and what a read-back is kept as; the member names are the
// ones the configuration file uses.
struct MappingRecord
{
    std::uint8_t hh1 = 0; // port mask, entries 0..6
    std::uint8_t hh2 = 0; // entries 7..13
    std::uint8_t hh3 = 0; // entries 14..20
    std::uint8_t hh4 = 0;
    std::uint8_t hh5 = 0;
    std::uint8_t hh6 = 0; // 0x40 | mapping number
    std::uint8_t ii = 0;  // original type, swapped form
    std::uint8_t jj = 0;  // original channel 1..16, 17 = all
    std::uint8_t kk = 0;  // position of the original Data1, 0 = none
    std::uint8_t ll = 0;  // position of the original Data2, 0 = none
    std::uint8_t mm = 0;  // length of payload as declared
    QByteArray payload;
    std::uint8_t nn = 0;  // mapped type, swapped form
    std::uint8_t oo = 0;  // mapped channel
    std::uint8_t pp = 0;  // source of the mapped Data1
    std::uint8_t qq = 0;  // position of the mapped Data1
    std::uint8_t rr = 0;  // source of the mapped Data2
    std::uint8_t ss = 0;  // position of the mapped Data2
    std::uint8_t tt = 0;  // length of extraData as declared
    QByteArray extraData;
    // Set when the device holds this rule (read back or confirmed), never by sending.
    bool enable = false;

    // All bytes 0, both blocks empty and not held by the device: a free slot.
    [[nodiscard]] bool isEmpty() const;
    // hh6 without its flag bits; 0 for an empty record.
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
