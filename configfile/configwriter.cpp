#include "configfile/configwriter.h"

#include "configfile/configformat.h"
#include "configfile/configlogging.h"
#include "routing/routeprotocol.h"

#include <algorithm>
#include <vector>

namespace ConfigFile {

namespace {

// Writes one level at a time; every value starts where its member's colon
// left off and ends without a line break, so that the caller adds the comma.
class Writer
{
public:
    explicit Writer(QByteArray &out)
        : m_out(out)
    {
    }

    void indent(int level) { m_out.append(level * 4, ' '); }

    void key(int level, const QString &name)
    {
        indent(level);
        Format::appendString(m_out, name);
        m_out.append(": ");
    }

    void number(qint64 value) { m_out.append(QByteArray::number(value)); }
    void flag(bool value) { m_out.append(value ? "true" : "false"); }

    // Opens "[" or "{", runs `body(level + 1)` for each of `count` elements
    // and closes at `level`.
    template<typename Body>
    void list(char open, char close, int level, int count, Body &&body)
    {
        m_out.append(open);
        m_out.append('\n');
        for (int i = 0; i < count; ++i) {
            body(i, level + 1);
            m_out.append(i + 1 < count ? ",\n" : "\n");
        }
        indent(level);
        m_out.append(close);
    }

    void byteArray(int level, const QByteArray &bytes)
    {
        list('[', ']', level, bytes.size(), [&](int i, int inner) {
            indent(inner);
            number(static_cast<unsigned char>(bytes.at(i)));
        });
    }

    void record(int level, const MappingRecord &r)
    {
        const auto &members = Format::recordMembers();
        list('{', '}', level, members.size(), [&](int i, int inner) {
            const Format::RecordMember &m = members.at(i);
            key(inner, m.name);
            switch (m.kind) {
            case Format::RecordMember::Byte:
                number(r.*(m.byte));
                break;
            case Format::RecordMember::Block:
                byteArray(inner, r.*(m.block));
                break;
            case Format::RecordMember::Flag:
                flag(r.enable);
                break;
            }
        });
    }

    void filterEntry(int level, const FilterEntry &entry)
    {
        // "portName" sorts before "situations".
        list('{', '}', level, 2, [&](int i, int inner) {
            if (i == 0) {
                key(inner, PortNameKey);
                Format::appendString(m_out, entry.portName);
                return;
            }
            key(inner, SituationsKey);
            const auto &members = Format::situationMembers();
            list('{', '}', inner, members.size(), [&](int j, int deeper) {
                key(deeper, members.at(j).name);
                number(entry.bytes[static_cast<std::size_t>(members.at(j).byteIndex)]);
            });
        });
    }

    void names(int level, const QStringList &list)
    {
        this->list('[', ']', level, list.size(), [&](int i, int inner) {
            indent(inner);
            Format::appendString(m_out, list.at(i));
        });
    }

private:
    QByteArray &m_out;
};

struct RootMember
{
    enum Kind { Route, Box, ListFiltering, FeedbackMappings, Model };
    QString name;
    Kind kind;
    int index; // into the route names or boxMembers()
};

} // namespace

QByteArray write(const Document &document)
{
    // Routes: one member per source, destinations as the multimap lists them.
    QVector<QStringList> destinations;
    std::vector<RootMember> root;
    root.reserve(static_cast<std::size_t>(boxMembers().size() + 3 + document.routeMap.size()));
    const QList<Routing::Port> sources = document.routeMap.uniqueKeys();
    for (const Routing::Port &source : sources) {
        const QString name = Routing::buttonText(source, Routing::Side::Input);
        if (name.isEmpty())
            continue;
        QStringList outs;
        for (const Routing::Port &out : document.routeMap.values(source))
            outs.append(Routing::buttonText(out, Routing::Side::Output));
        root.push_back({name, RootMember::Route, int(destinations.size())});
        destinations.append(outs);
    }
    const QVector<BoxMember> &boxes = boxMembers();
    for (int i = 0; i < boxes.size(); ++i)
        root.push_back({boxes.at(i).member, RootMember::Box, i});
    root.push_back({ListFilteringKey, RootMember::ListFiltering, 0});
    root.push_back({FeedbackMappingsKey, RootMember::FeedbackMappings, 0});
    // Saved without a device, the file cannot say which model it is for.
    if (!document.model.isEmpty())
        root.push_back({ModelKey, RootMember::Model, 0});
    std::sort(root.begin(), root.end(),
              [](const RootMember &a, const RootMember &b) { return a.name < b.name; });

    qCDebug(lcConfigFile) << "==== save listFiltering begin ====";
    qCDebug(lcConfigFile) << "listFiltering size =" << document.listFiltering.size();
    qCDebug(lcConfigFile) << "==== save feedbackMappings begin ====";
    qCDebug(lcConfigFile) << "feedbackMappings size =" << document.feedbackMappings.size();

    QByteArray out;
    out.reserve(16 * 1024 + document.feedbackMappings.size() * 1024 + document.listFiltering.size() * 700);
    Writer w(out);
    w.list('{', '}', 0, static_cast<int>(root.size()), [&](int i, int level) {
        const RootMember &m = root[static_cast<std::size_t>(i)];
        w.key(level, m.name);
        switch (m.kind) {
        case RootMember::Route:
            w.names(level, destinations.at(m.index));
            break;
        case RootMember::Model:
            Format::appendString(out, document.model);
            break;
        case RootMember::Box:
            w.flag(document.boxStates.value(boxes.at(m.index).objectName, false));
            break;
        case RootMember::ListFiltering:
            w.list('[', ']', level, document.listFiltering.size(), [&](int j, int inner) {
                w.indent(inner);
                w.filterEntry(inner, document.listFiltering.at(j));
            });
            break;
        case RootMember::FeedbackMappings:
            w.list('[', ']', level, document.feedbackMappings.size(), [&](int j, int inner) {
                w.indent(inner);
                w.record(inner, document.feedbackMappings.at(j));
            });
            break;
        }
    });
    out.append('\n');
    return out;
}

} // namespace ConfigFile
