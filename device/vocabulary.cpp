#include "device/vocabulary.h"

namespace Vocabulary {

CodeTable::CodeTable(std::initializer_list<Entry> entries)
    : m_entries(entries)
{
    for (const Entry &e : m_entries)
        m_codes.insert(e.first, e.second);
}

QStringList CodeTable::names() const
{
    QStringList result;
    result.reserve(m_entries.size());
    for (const Entry &e : m_entries)
        result.append(e.first);
    return result;
}

const CodeTable &portTypes()
{
    static const CodeTable table{
        {QStringLiteral("MIDI IN"), 0},
        {QStringLiteral("MIDI OUT"), 1},
        {QStringLiteral("USB HOST IN"), 2},
        {QStringLiteral("USB HOST OUT"), 3},
        {QStringLiteral("USB DEVICE IN"), 4},
        {QStringLiteral("USB DEVICE OUT"), 5},
    };
    return table;
}

const CodeTable &shortTypeCodes()
{
    static const CodeTable table{
        {QStringLiteral("Note"), 9},
        {QStringLiteral("After Touch"), 10},
        {QStringLiteral("CC"), 11},
        {QStringLiteral("PC"), 12},
        {QStringLiteral("Channel Pressure"), 13},
        {QStringLiteral("Pitch Bend"), 14},
        {QStringLiteral("System Exclusive"), 15},
        {QStringLiteral("MTC"), 1},
        {QStringLiteral("Song Position Pointer"), 2},
        {QStringLiteral("Song Select"), 3},
        {QStringLiteral("Tune"), 6},
        {QStringLiteral("MIDI Clock"), 8},
        {QStringLiteral("MIDI Time Code"), 1},
        {QStringLiteral("Tick"), 9},
        {QStringLiteral("MIDI Start"), 10},
        {QStringLiteral("MIDI Continue"), 11},
        {QStringLiteral("MIDI Stop"), 12},
        {QStringLiteral("Active"), 14},
    };
    return table;
}

const CodeTable &statusNibbleTable()
{
    static const CodeTable table{
        {QStringLiteral("Note On"), 9},
        {QStringLiteral("Note Off"), 8},
        {QStringLiteral("Key Aftertouch"), 10},
        {QStringLiteral("Control Change(CC)"), 11},
        {QStringLiteral("Program Change(PC)"), 12},
        {QStringLiteral("Channel Pressure"), 13},
        {QStringLiteral("Pitch Bend"), 14},
        {QStringLiteral("System Exclusive"), 0xF0},
        {QStringLiteral("MIDI Time Code"), 0xF1},
        {QStringLiteral("Song Position Pointer"), 0xF2},
        {QStringLiteral("Song Select"), 0xF3},
        {QStringLiteral("Tune Request"), 0xF6},
        {QStringLiteral("MIDI Clock"), 0xF8},
        {QStringLiteral("Tick"), 0xF9},
        {QStringLiteral("Start"), 0xFA},
        {QStringLiteral("Continue"), 0xFB},
        {QStringLiteral("Stop"), 0xFC},
        {QStringLiteral("Active Sense"), 0xFE},
    };
    return table;
}

// The offered order of the mapping page; swappedStatusTable adds the "MTC" alias.
#define VELMORA_MAPPING_TYPES                                   \
    {QStringLiteral("Control Change(CC)"), 0x0B},               \
    {QStringLiteral("Note On"), 0x09},                          \
    {QStringLiteral("Note Off"), 0x08},                         \
    {QStringLiteral("Key Aftertouch"), 0x0A},                   \
    {QStringLiteral("Pitch Bend"), 0x0E},                       \
    {QStringLiteral("Channel Pressure"), 0x0D},                 \
    {QStringLiteral("Program Change(PC)"), 0x0C},               \
    {QStringLiteral("Start"), 0xAF},                            \
    {QStringLiteral("Stop"), 0xCF},                             \
    {QStringLiteral("Continue"), 0xBF},                         \
    {QStringLiteral("Song Position Pointer"), 0x2F},            \
    {QStringLiteral("Song Select"), 0x3F},                      \
    {QStringLiteral("Tune Request"), 0x6F},                     \
    {QStringLiteral("Active Sense"), 0xEF},                     \
    {QStringLiteral("MIDI Clock"), 0x8F},                       \
    {QStringLiteral("Tick"), 0x9F},                             \
    {QStringLiteral("MIDI Time Code"), 0x1F},                   \
    {QStringLiteral("System Exclusive"), 0x0F}

const CodeTable &swappedStatusTable()
{
    static const CodeTable table{VELMORA_MAPPING_TYPES, {QStringLiteral("MTC"), 0x1F}};
    return table;
}

const CodeTable &mappingTypeCodes()
{
    static const CodeTable table{VELMORA_MAPPING_TYPES};
    return table;
}

#undef VELMORA_MAPPING_TYPES

static QByteArray textCommand(char code)
{
    const char bytes[] = {'\xAA', '\xCC', '\x02', '\x00', code, '\x0D', '\x0A'};
    return QByteArray(bytes, sizeof bytes);
}

const QByteArray &identificationQuery()
{
    static const QByteArray frame = textCommand('\x01');
    return frame;
}

const QByteArray &eraseCommand()
{
    static const QByteArray frame = textCommand('\x02');
    return frame;
}

const QByteArray &versionQuery()
{
    static const QByteArray frame = textCommand('\x03');
    return frame;
}

const QByteArray &enterBootloaderCommand()
{
    static const QByteArray frame = textCommand('\x09');
    return frame;
}

} // namespace Vocabulary
