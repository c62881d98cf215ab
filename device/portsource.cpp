#include "device/portsource.h"

#include <utility>
#include <vector>

namespace {

struct Registered
{
    quint64 id;
    PortSource source;
};

// Watchers and sources live on the GUI thread; nothing here is locked.
std::vector<Registered> &registered()
{
    static std::vector<Registered> sources;
    return sources;
}

quint64 nextId()
{
    static quint64 last = 0;
    return ++last;
}

} // namespace

PortSourceRegistration::PortSourceRegistration(PortSource source)
    : m_id(nextId())
{
    registered().push_back({m_id, std::move(source)});
}

PortSourceRegistration::~PortSourceRegistration()
{
    auto &sources = registered();
    for (auto it = sources.begin(); it != sources.end(); ++it) {
        if (it->id == m_id) {
            sources.erase(it);
            return;
        }
    }
}

QList<SourcedPort> PortSourceRegistration::collect()
{
    // A copy, so that a source may register or end registrations while it is asked.
    const std::vector<Registered> sources = registered();
    QList<SourcedPort> ports;
    for (const Registered &r : sources) {
        if (r.source)
            ports.append(r.source());
    }
    return ports;
}
