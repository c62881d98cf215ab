#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <utility>

namespace Vocabulary {

// An immutable name -> code table that remembers the order it was given in.
// Lookups are exact and case-sensitive; a missing name reads as 0.
class CodeTable
{
public:
    using Entry = std::pair<QString, int>;

    CodeTable(std::initializer_list<Entry> entries);

    [[nodiscard]] int value(const QString &name) const { return m_codes.value(name, 0); }
    [[nodiscard]] bool contains(const QString &name) const { return m_codes.contains(name); }
    [[nodiscard]] int size() const { return m_entries.size(); }
    [[nodiscard]] const QVector<Entry> &entries() const { return m_entries; }
    [[nodiscard]] QStringList names() const;

private:
    QVector<Entry> m_entries;
    QHash<QString, int> m_codes;
};

// Port types of the filter messages: "MIDI IN" 0 .. "USB DEVICE OUT" 5.
const CodeTable &portTypes();
// Short message names (channel messages: status high nibble; system: low nibble).
const CodeTable &shortTypeCodes();
// Long names -> ordinary MIDI status value (high nibble or whole system byte).
const CodeTable &statusNibbleTable();
// Long names -> the device's swapped status code ("MTC" is an alias there).
const CodeTable &swappedStatusTable();
// swappedStatusTable without "MTC", in the order the mapping page offers types.
const CodeTable &mappingTypeCodes();

constexpr int AllPortsTypeCode = 0x7F;

// The four host commands of the text protocol.
const QByteArray &identificationQuery();   // AA CC 02 00 01 0D 0A
const QByteArray &eraseCommand();          // AA CC 02 00 02 0D 0A
const QByteArray &versionQuery();          // AA CC 02 00 03 0D 0A
const QByteArray &enterBootloaderCommand();// AA CC 02 00 09 0D 0A

} // namespace Vocabulary
