#include "mapping/mappingsteps.h"

#include "mapping/mappingpage.h"

#include <QCoreApplication>

namespace MappingSteps {

RuleStep::RuleStep(EditHistory *history, MappingPage *page, int number, const QString &action,
                   const std::optional<MappingRecord> &before, const std::optional<MappingRecord> &after)
    : EditStep(history, QCoreApplication::translate("MappingSteps", "Mapping %1: %2").arg(number).arg(action))
    , m_page(page)
    , m_number(number)
    , m_before(before)
    , m_after(after)
{
}

void RuleStep::undoEdit()
{
    put(m_before);
}

void RuleStep::redoEdit()
{
    put(m_after);
}

void RuleStep::put(const std::optional<MappingRecord> &rule)
{
    if (rule)
        m_page->storeRule(m_number, *rule);
    else
        m_page->deleteRule(m_number);
}

RestoreStep::RestoreStep(EditHistory *history, MappingPage *page, const QVector<MappingRecord> &before)
    : EditStep(history, QCoreApplication::translate("MappingSteps", "Mapping: Restore"))
    , m_page(page)
    , m_before(before)
{
}

void RestoreStep::undoEdit()
{
    m_page->restoreRules(m_before);
}

void RestoreStep::redoEdit()
{
    m_page->deleteAllRules();
}

} // namespace MappingSteps
