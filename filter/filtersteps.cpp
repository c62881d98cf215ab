#include "filter/filtersteps.h"

#include "filter/filterbits.h"
#include "filter/filtermodel.h"
#include "filter/filterpage.h"
#include "filter/filterprotocol.h"
#include "filter/filtersection.h"
#include "filter/portfilteringsituation.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace FilterSteps {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("FilterSteps", text);
}

// "1–4, 7" from sorted numbers.
QString ranges(const QVector<int> &numbers)
{
    QStringList parts;
    for (int i = 0; i < numbers.size();) {
        int j = i;
        while (j + 1 < numbers.size() && numbers.at(j + 1) == numbers.at(j) + 1)
            ++j;
        parts.append(j == i ? QString::number(numbers.at(i))
                            : QStringLiteral("%1–%2").arg(numbers.at(i)).arg(numbers.at(j)));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString editText(const FilterPage *page, const Target &target, const Filter::Bytes &before,
                 const Filter::Bytes &after)
{
    struct Words
    {
        const char *plural;
        bool numbered;
        int first;
    };
    static const Words words[FilterPage::SectionCount] = {
        {"channels", true, 1}, {"messages", false, 0}, {"controllers", true, 0},
        {"system common", false, 0}, {"system realtime", false, 0}};
    const QSet<QString> was = Filter::decode(before);
    const QSet<QString> is = Filter::decode(after);
    QStringList changes;
    for (int s = 0; s < FilterPage::SectionCount; ++s) {
        const QVector<QCheckBox *> &items = page->section(FilterPage::Section(s))->items();
        QVector<int> numbers;
        QStringList names;
        for (int i = 0; i < items.size(); ++i) {
            const QString box = items.at(i)->objectName();
            if (was.contains(box) == is.contains(box))
                continue;
            numbers.append(i + words[s].first);
            names.append(items.at(i)->text());
        }
        if (numbers.isEmpty())
            continue;
        changes.append(words[s].numbered ? tr(words[s].plural) + QLatin1Char(' ') + ranges(numbers)
                                         : names.join(QStringLiteral(", ")));
    }
    const QString where = target.allPorts ? tr("all ports") : target.port;
    return tr("Filter %1: %2").arg(where, changes.join(QStringLiteral("; ")));
}

BoxesStep::BoxesStep(EditHistory *history, FilterPage *page, const Target &target, const Filter::Bytes &before,
                   const Filter::Bytes &after)
    : ::EditStep(history, editText(page, target, before, after))
    , m_page(page)
    , m_target(target)
    , m_before(before)
    , m_after(after)
{
}

void BoxesStep::undoEdit()
{
    m_page->selectTarget(m_target.port, m_target.allPorts);
    m_page->showBytes(m_before);
}

void BoxesStep::redoEdit()
{
    m_page->selectTarget(m_target.port, m_target.allPorts);
    m_page->showBytes(m_after);
}

SetStep::SetStep(EditHistory *history, FilterPage *page, const Target &target, const QVector<Filter::Bytes> &before,
                 const Filter::Bytes &after)
    : ::EditStep(history, tr("Filter %1: Set").arg(target.allPorts ? tr("all ports") : target.port))
    , m_page(page)
    , m_target(target)
    , m_before(before)
    , m_after(after)
{
}

void SetStep::undoEdit()
{
    FilterModel *model = m_page->model();
    m_page->selectTarget(m_target.port, m_target.allPorts);
    if (!m_target.allPorts) {
        const auto port = Filter::parsePortText(m_target.port);
        if (port && !m_before.isEmpty()) {
            model->storeIntoFirst(m_target.port, m_before.first());
            m_page->sendCommand(Filter::setCommand(port->typeCode, port->number, m_before.first()));
        }
    } else {
        const QVector<PortFilteringSituation *> &records = model->filterSituations();
        // Ports that had one filter get it back in one command, as "Set" sent it.
        const bool same = std::all_of(m_before.cbegin(), m_before.cend(),
                                      [this](const Filter::Bytes &b) { return b == m_before.first(); });
        for (int i = 0; i < records.size() && i < m_before.size(); ++i) {
            records.at(i)->setData(m_before.at(i));
            const auto port = Filter::parsePortText(records.at(i)->name());
            if (!same && port)
                m_page->sendCommand(Filter::setCommand(port->typeCode, port->number, m_before.at(i)));
        }
        if (same && !m_before.isEmpty())
            m_page->sendCommand(Filter::setAllCommand(m_before.first()));
    }
    // The page shows what it showed before "Set": the boxes are ready to be
    // set again.
    m_page->showBytes(m_after);
}

void SetStep::redoEdit()
{
    m_page->selectTarget(m_target.port, m_target.allPorts);
    m_page->sendCommand(m_page->model()->set(m_target.allPorts, m_target.port, m_after));
    m_page->showBytes(m_after);
}

} // namespace FilterSteps
