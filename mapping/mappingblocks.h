#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>
#include <optional>

// The data blocks ("payload", "extraData"), the data positions and the port
// mask of a mapping record.
namespace Mapping {

// Length and Data positions of the block of a non-SysEx type, by swapped code.
// Positions index the block, the status byte being 0; 0 means "no such byte".
struct StandardBlockLayout
{
    int length = 1;
    std::uint8_t data1Position = 0;
    std::uint8_t data2Position = 0;
};

[[nodiscard]] StandardBlockLayout standardBlockLayout(std::uint8_t swappedCode);

// The value combo indexes of one side, which are the values 0..127.
struct DataRanges
{
    int data1Min = 0;
    int data1Max = 127;
    int data2Min = 0;
    int data2Max = 127;
};

// status, d1min, d1max, d2min, d2max cut to the layout length of swappedCode.
[[nodiscard]] QByteArray standardBlock(std::uint8_t swappedCode, std::uint8_t statusByte,
                                       const DataRanges &ranges);

// One row of a SysEx data-area table.
struct SysExRow
{
    enum class Kind { Value, Ignore, Data1, Data2 };

    Kind kind = Kind::Value;
    QString valueText;           // Value rows: the text the table shows
    std::optional<int> minimum;  // Data rows: absent when the box is missing
    std::optional<int> maximum;

    [[nodiscard]] static SysExRow value(const QString &text);
    [[nodiscard]] static SysExRow ignore();
    [[nodiscard]] static SysExRow data1(std::optional<int> minimum, std::optional<int> maximum);
    [[nodiscard]] static SysExRow data2(std::optional<int> minimum, std::optional<int> maximum);
};

// The data area between the implied F0 and F7, with where its Data rows
// start (the F0 counting as position 0; 0 when the row is absent).
struct SysExBlock
{
    QByteArray bytes;
    std::uint8_t data1Position = 0;
    std::uint8_t data2Position = 0;
};

// Value rows are read in decimal, or in hexadecimal ("7F" or "0x7F") when the
// side shows hex; text that is not a byte value becomes 0xFF. Ignore rows are
// 0xFF; Data rows add min then max, or FF FF when a box is missing.
[[nodiscard]] SysExBlock buildSysExBlock(const QVector<SysExRow> &rows, bool showHex);

struct DataPositions
{
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
};

// The Data positions of a SysEx original: a Data row's position counts only
// when that original value feeds a mapped one; otherwise the device expects 1.
[[nodiscard]] DataPositions originalSysExPositions(const SysExBlock &block, std::uint8_t data1Source,
                                                   std::uint8_t data2Source);
// The Data positions of a SysEx mapped message: the position counts only when
// that mapped value has a source; otherwise 1.
[[nodiscard]] DataPositions mappedSysExPositions(const SysExBlock &block, std::uint8_t data1Source,
                                                 std::uint8_t data2Source);

// The positions of a stored SysEx side that really name a Data row. The
// device is told 1 for a Data row that feeds nothing (and for none at all),
// which cannot be told from a Data row at position 1; only a position whose
// value is carried across (a mapped Data source) names a row.
[[nodiscard]] DataPositions storedOriginalSysExPositions(std::uint8_t data1Position, std::uint8_t data2Position,
                                                         std::uint8_t data1Source, std::uint8_t data2Source);
[[nodiscard]] DataPositions storedMappedSysExPositions(std::uint8_t data1Position, std::uint8_t data2Position,
                                                       std::uint8_t data1Source, std::uint8_t data2Source);

// The table rows of a stored SysEx data area: the two bytes at a Data
// position become that Data row, 0xFF an Ignore row, any other byte a value
// row (valueText in decimal). A position that leaves no room for both bytes,
// or whose bytes are no data values, is read as ordinary bytes.
[[nodiscard]] QVector<SysExRow> sysExRowsFromBlock(const QByteArray &block, const DataPositions &positions);

using PortMask = std::array<std::uint8_t, 3>;

// Entry 7j+k is bit k of byte j; entries beyond the 21 that fit are dropped.
[[nodiscard]] PortMask packPortMask(const QVector<bool> &ports);
// All 21 entries the three bytes can carry; bit 7 of each byte is ignored.
[[nodiscard]] QVector<bool> unpackPortMask(const PortMask &mask);

// A mapped Data source byte from data1MappingFrom/data2MappingFrom: 1 and 2
// stay, the rest is 0.
[[nodiscard]] std::uint8_t dataSourceByte(int mappingFrom);

} // namespace Mapping
