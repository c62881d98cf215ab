#include "filter/filtermodel.h"

#include "filter/portfilteringsituation.h"

FilterModel::FilterModel(QObject *parent)
    : QObject(parent)
{
}

FilterModel::~FilterModel()
{
    qDeleteAll(m_situations);
}

PortFilteringSituation *FilterModel::firstByName(const QString &name) const
{
    for (PortFilteringSituation *situation : m_situations) {
        if (situation->name() == name)
            return situation;
    }
    return nullptr;
}

PortFilteringSituation *FilterModel::append(const QString &name, const Filter::Bytes &bytes)
{
    auto *situation = new PortFilteringSituation(name);
    situation->setData(bytes);
    m_situations.append(situation);
    emit situationAppended(m_situations.size() - 1);
    return situation;
}

PortFilteringSituation *FilterModel::appendReport(const QByteArray &frame)
{
    const auto report = Filter::parseSituation(frame);
    if (!report)
        return nullptr;
    return append(report->name, report->bytes);
}

bool FilterModel::storeIntoFirst(const QString &name, const Filter::Bytes &bytes)
{
    PortFilteringSituation *situation = firstByName(name);
    if (!situation)
        return false;
    situation->setData(bytes);
    return true;
}

void FilterModel::storeIntoAll(const Filter::Bytes &bytes)
{
    for (PortFilteringSituation *situation : m_situations)
        situation->setData(bytes);
}

QByteArray FilterModel::set(bool appliesToAll, const QString &portText, const Filter::Bytes &bytes)
{
    if (appliesToAll) {
        storeIntoAll(bytes);
        return Filter::setAllCommand(bytes);
    }
    const auto port = Filter::parsePortText(portText);
    if (!port)
        return {};
    // A port without a record still gets its command: the device is the truth.
    storeIntoFirst(portText, bytes);
    return Filter::setCommand(port->typeCode, port->number, bytes);
}

void FilterModel::clear()
{
    qDeleteAll(m_situations);
    m_situations.clear();
    emit situationsCleared();
}
