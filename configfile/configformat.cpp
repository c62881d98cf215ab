#include "configfile/configformat.h"

#include "filter/filterbits.h"

#include <algorithm>

namespace ConfigFile::Format {

namespace {

template<typename T>
void sortByName(QVector<T> &list)
{
    std::sort(list.begin(), list.end(), [](const T &a, const T &b) { return a.name < b.name; });
}

} // namespace

const QVector<RecordMember> &recordMembers()
{
    static const QVector<RecordMember> members = [] {
        using R = MappingRecord;
        const auto byte = [](const char *name, std::uint8_t R::*field) {
            return RecordMember{QLatin1String(name), RecordMember::Byte, field, nullptr};
        };
        const auto block = [](const char *name, QByteArray R::*field) {
            return RecordMember{QLatin1String(name), RecordMember::Block, nullptr, field};
        };
        QVector<RecordMember> list = {
            // The file's member names are the record's old field names.
            byte("hh1", &R::portMaskLow),
            byte("hh2", &R::portMaskMiddle),
            byte("hh3", &R::portMaskHigh),
            byte("hh4", &R::reservedA),
            byte("hh5", &R::reservedB),
            byte("hh6", &R::numberByte),
            byte("ii", &R::originalType),
            byte("jj", &R::originalChannel),
            byte("kk", &R::originalData1Position),
            byte("ll", &R::originalData2Position),
            byte("mm", &R::payloadLength),
            block("payload", &R::payload),
            byte("nn", &R::mappedType),
            byte("oo", &R::mappedChannel),
            byte("pp", &R::mappedData1Source),
            byte("qq", &R::mappedData1Position),
            byte("rr", &R::mappedData2Source),
            byte("ss", &R::mappedData2Position),
            byte("tt", &R::extraDataLength),
            block("extraData", &R::extraData),
            RecordMember{QStringLiteral("enable"), RecordMember::Flag, nullptr, nullptr},
        };
        sortByName(list);
        return list;
    }();
    return members;
}

const QVector<SituationMember> &situationMembers()
{
    static const QVector<SituationMember> members = [] {
        QVector<SituationMember> list;
        const auto &layout = Filter::byteLayout();
        for (int i = 0; i < Filter::ByteCount; ++i)
            list.append({layout[static_cast<std::size_t>(i)].key, i});
        sortByName(list);
        return list;
    }();
    return members;
}

void appendString(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    out.append('"');
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\b':
            out.append("\\b");
            break;
        case '\f':
            out.append("\\f");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out.append("\\u00");
                out.append(hex[(c >> 4) & 0xF]);
                out.append(hex[c & 0xF]);
            } else {
                out.append(c);
            }
        }
    }
    out.append('"');
}

} // namespace ConfigFile::Format
