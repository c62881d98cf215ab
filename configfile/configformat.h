#pragma once

#include "mapping/mappingrecord.h"

#include <QString>
#include <QVector>

#include <cstdint>

// The member names of the file's nested objects, each list sorted by name as
// the writer emits them.
namespace ConfigFile::Format {

struct RecordMember
{
    enum Kind { Byte, Block, Flag };
    QString name;
    Kind kind = Byte;
    std::uint8_t MappingRecord::*byte = nullptr;
    QByteArray MappingRecord::*block = nullptr;
};

// The 21 members of a "feedbackMappings" element, sorted by name.
[[nodiscard]] const QVector<RecordMember> &recordMembers();

struct SituationMember
{
    QString name;   // "iitop", "kk1", ...
    int byteIndex;  // 0..24, wire order
};
// The 25 members of "situations", sorted by name.
[[nodiscard]] const QVector<SituationMember> &situationMembers();

// Appends `text` as a JSON string: quotes, the usual escapes, UTF-8 otherwise.
void appendString(QByteArray &out, const QString &text);

} // namespace ConfigFile::Format
