#include "configfile/configreader.h"

#include "configfile/configformat.h"
#include "configfile/configlogging.h"
#include "configfile/jsonparser.h"
#include "routing/routeprotocol.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace ConfigFile {

namespace {

using Routing::Side;

const QByteArray Utf8Bom("\xEF\xBB\xBF");
constexpr int MaxBlockLength = 255; // "mm" and "tt" are single bytes

std::optional<qint64> wholeNumber(const QJsonValue &value, qint64 min, qint64 max)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || d < double(min) || d > double(max))
        return std::nullopt;
    return static_cast<qint64>(d);
}

// "MIDI IN 3" -> input 3. The first kind whose text the name contains decides;
// what remains once that text is removed must be a decimal port number.
std::optional<Routing::Port> portFromName(const QString &name, Side side)
{
    for (int type : {Routing::FivePin, Routing::UsbHost, Routing::UsbDevice}) {
        const QString prefix = Routing::kindPrefix(type, side);
        if (!name.contains(prefix))
            continue;
        QString rest = name;
        rest.remove(prefix);
        if (rest.isEmpty() || rest.size() > 3)
            return std::nullopt;
        int number = 0;
        for (const QChar c : rest) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
            number = number * 10 + (c.unicode() - '0');
        }
        if (number < 1 || number > Routing::MaxPortNumber)
            return std::nullopt;
        return Routing::Port{type, number};
    }
    return std::nullopt;
}

class Reader
{
public:
    bool run(const QJsonObject &root, Import &import);
    QString detail;

private:
    bool fail(const QString &text)
    {
        detail = text;
        return false;
    }
    bool readRoutes(const QString &name, const Routing::Port &source, const QJsonValue &value, Import &import);
    bool readListFiltering(const QJsonValue &value, Import &import);
    bool readSituations(int entry, const QJsonObject &situations, Filter::Bytes &bytes);
    bool readMappings(const QJsonValue &value, Import &import);
    bool readRecord(int entry, const QJsonObject &object, MappingRecord &record);

    QSet<Routing::Route> m_seen;
};

bool Reader::run(const QJsonObject &root, Import &import)
{
    static const QHash<QString, QString> boxByMember = [] {
        QHash<QString, QString> map;
        for (const BoxMember &box : boxMembers())
            map.insert(box.member, box.objectName);
        return map;
    }();

    QStringList keys = root.keys();
    std::sort(keys.begin(), keys.end());
    for (const QString &key : keys) {
        const QJsonValue value = root.value(key);
        if (key == TableDataKey)
            continue;
        if (key == ModelKey) {
            if (!value.isString())
                return fail(QStringLiteral("\"model\" must be a text"));
            import.model = value.toString();
        } else if (key == ListFilteringKey) {
            if (!readListFiltering(value, import))
                return false;
        } else if (key == FeedbackMappingsKey) {
            if (!readMappings(value, import))
                return false;
        } else if (const auto box = boxByMember.constFind(key); box != boxByMember.cend()) {
            if (!value.isBool())
                return fail(QStringLiteral("\"%1\" must be true or false").arg(key));
            import.boxStates.insert(box.value(), value.toBool());
        } else if (const auto source = portFromName(key, Side::Input)) {
            if (!readRoutes(key, *source, value, import))
                return false;
        }
        // Any other member is not ours to read.
    }
    while (import.feedbackMappings.size() < MappingRecordCount)
        import.feedbackMappings.append(MappingRecord());
    return true;
}

bool Reader::readRoutes(const QString &name, const Routing::Port &source, const QJsonValue &value,
                        Import &import)
{
    const QString mustBe = QStringLiteral("\"%1\" must be a list of port names").arg(name);
    if (!value.isArray())
        return fail(mustBe);
    const QJsonArray outputs = value.toArray();
    for (const QJsonValue &output : outputs) {
        if (!output.isString())
            return fail(mustBe);
        const auto destination = portFromName(output.toString(), Side::Output);
        if (!destination)
            continue;
        const Routing::Route route{source, *destination};
        if (m_seen.contains(route))
            continue;
        m_seen.insert(route);
        import.routes.append(route);
    }
    return true;
}

bool Reader::readListFiltering(const QJsonValue &value, Import &import)
{
    if (!value.isArray())
        return fail(QStringLiteral("\"listFiltering\" must be a list"));
    const QJsonArray array = value.toArray();
    QVector<FilterEntry> entries;
    entries.reserve(array.size());
    for (int i = 0; i < array.size(); ++i) {
        if (!array.at(i).isObject())
            return fail(QStringLiteral("\"listFiltering\" entry %1 must be an object").arg(i));
        const QJsonObject object = array.at(i).toObject();
        FilterEntry entry;
        if (object.contains(PortNameKey)) {
            if (!object.value(PortNameKey).isString())
                return fail(QStringLiteral("\"listFiltering\" entry %1: \"portName\" must be a text").arg(i));
            entry.portName = object.value(PortNameKey).toString();
        }
        if (object.contains(SituationsKey)) {
            if (!object.value(SituationsKey).isObject())
                return fail(QStringLiteral("\"listFiltering\" entry %1: \"situations\" must be an object").arg(i));
            if (!readSituations(i, object.value(SituationsKey).toObject(), entry.bytes))
                return false;
        }
        if (!entry.portName.isEmpty())
            entries.append(entry);
    }
    import.listFiltering = entries;
    return true;
}

bool Reader::readSituations(int entry, const QJsonObject &situations, Filter::Bytes &bytes)
{
    for (const Format::SituationMember &member : Format::situationMembers()) {
        if (!situations.contains(member.name))
            continue;
        const auto number = wholeNumber(situations.value(member.name), std::numeric_limits<qint32>::min(),
                                        std::numeric_limits<qint32>::max());
        if (!number)
            return fail(QStringLiteral("\"listFiltering\" entry %1: \"%2\" must be a whole number")
                            .arg(entry)
                            .arg(member.name));
        bytes[static_cast<std::size_t>(member.byteIndex)] = static_cast<qint32>(*number);
    }
    return true;
}

bool Reader::readMappings(const QJsonValue &value, Import &import)
{
    if (!value.isArray())
        return fail(QStringLiteral("\"feedbackMappings\" must be a list"));
    const QJsonArray array = value.toArray();
    if (array.size() > MappingRecordCount)
        return fail(QStringLiteral("\"feedbackMappings\" holds more than %1 records").arg(MappingRecordCount));
    qCDebug(lcConfigFile) << "==== load feedbackMappings begin ====";
    qCDebug(lcConfigFile) << "json feedbackMappings size =" << array.size();
    import.feedbackMappings.clear();
    for (int i = 0; i < array.size(); ++i) {
        if (!array.at(i).isObject())
            return fail(QStringLiteral("\"feedbackMappings\" entry %1 must be an object").arg(i));
        MappingRecord record;
        if (!readRecord(i, array.at(i).toObject(), record))
            return false;
        qCDebug(lcConfigFile) << "mapping" << i << "hh1 =" << record.portMaskLow << "ii =" << record.originalType
                              << "enable =" << record.enable << "payloadSize =" << record.payload.size()
                              << "extraSize =" << record.extraData.size();
        import.feedbackMappings.append(record);
    }
    qCDebug(lcConfigFile) << "==== load feedbackMappings end ====";
    return true;
}

bool Reader::readRecord(int entry, const QJsonObject &object, MappingRecord &record)
{
    for (const Format::RecordMember &member : Format::recordMembers()) {
        if (!object.contains(member.name))
            continue;
        const QJsonValue value = object.value(member.name);
        const auto wrong = [&](const char *mustBe) {
            return fail(QStringLiteral("\"feedbackMappings\" entry %1: \"%2\" must be %3")
                            .arg(entry)
                            .arg(member.name, QLatin1String(mustBe)));
        };
        switch (member.kind) {
        case Format::RecordMember::Byte: {
            const auto number = wholeNumber(value, 0, 255);
            if (!number)
                return wrong("a whole number from 0 to 255");
            record.*(member.byte) = static_cast<std::uint8_t>(*number);
            break;
        }
        case Format::RecordMember::Block: {
            const char *const list = "a list of at most 255 numbers from 0 to 255";
            if (!value.isArray() || value.toArray().size() > MaxBlockLength)
                return wrong(list);
            QByteArray bytes;
            for (const QJsonValue &element : value.toArray()) {
                const auto number = wholeNumber(element, 0, 255);
                if (!number)
                    return wrong(list);
                bytes.append(static_cast<char>(*number));
            }
            record.*(member.block) = bytes;
            break;
        }
        case Format::RecordMember::Flag:
            if (!value.isBool())
                return wrong("true or false");
            record.enable = value.toBool();
            break;
        }
    }
    // A declared length of 0 or 255 means "no block"; any other length is
    // the block's own.
    const auto corrected = [](std::uint8_t declared, const QByteArray &block) {
        return declared == 0 || declared == 0xFF ? declared : static_cast<std::uint8_t>(block.size());
    };
    record.payloadLength = corrected(record.payloadLength, record.payload);
    record.extraDataLength = corrected(record.extraDataLength, record.extraData);
    return true;
}

} // namespace

QString ReadResult::errorString() const
{
    switch (error) {
    case Error::None:
        return {};
    case Error::CannotOpen:
        return QStringLiteral("Unable to open file!");
    case Error::TooLarge:
        return QStringLiteral("File import failed, the file is larger than %1 MB!").arg(MaxFileSize / (1024 * 1024));
    case Error::NotJson:
        return QStringLiteral("File import failed, JSON format error!");
    case Error::BadMember:
        break;
    }
    return QStringLiteral("File import failed, %1!").arg(detail);
}

ReadResult read(const QByteArray &bytes)
{
    ReadResult result;
    if (bytes.size() > MaxFileSize) {
        result.error = ReadResult::Error::TooLarge;
        return result;
    }
    // Some editors put a byte-order mark in front of UTF-8; it is not JSON.
    const QByteArray json = bytes.startsWith(Utf8Bom) ? bytes.mid(Utf8Bom.size()) : bytes;
    JsonParser parser;
    const std::optional<QJsonValue> document = parser.parse(json);
    if (!document || !document->isObject()) {
        qCWarning(lcConfigFile).noquote()
            << "not a configuration:" << (document ? QStringLiteral("not an object") : parser.errorString());
        result.error = ReadResult::Error::NotJson;
        return result;
    }
    Reader reader;
    if (!reader.run(document->toObject(), result.import)) {
        qCWarning(lcConfigFile).noquote() << "configuration refused:" << reader.detail;
        result.error = ReadResult::Error::BadMember;
        result.detail = reader.detail;
        result.import = Import();
    }
    return result;
}

ReadResult readFile(const QString &path)
{
    ReadResult result;
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        result.error = ReadResult::Error::CannotOpen;
        return result;
    }
    if (file.size() > MaxFileSize) {
        result.error = ReadResult::Error::TooLarge;
        return result;
    }
    // Read one byte past the limit: a file that grows while we read, or a
    // device without a size, is caught all the same.
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        result.error = ReadResult::Error::CannotOpen;
        return result;
    }
    return read(bytes);
}

} // namespace ConfigFile
