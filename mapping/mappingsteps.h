#pragma once

#include "mapping/mappingrecord.h"
#include "widgets/edithistory.h"

#include <QVector>

#include <optional>

class MappingPage;

namespace MappingSteps {

// "send" (or "Set") or "Del" on one mapping number: undo stores the rule
// that was there before, or deletes the number when there was none.
class RuleStep : public EditStep
{
public:
    RuleStep(EditHistory *history, MappingPage *page, int number, const QString &action,
             const std::optional<MappingRecord> &before, const std::optional<MappingRecord> &after);

protected:
    void undoEdit() override;
    void redoEdit() override;

private:
    void put(const std::optional<MappingRecord> &rule);

    MappingPage *const m_page;
    const int m_number;
    const std::optional<MappingRecord> m_before;
    const std::optional<MappingRecord> m_after;
};

// "Restore": every rule deleted; undo stores each of them again.
class RestoreStep : public EditStep
{
public:
    RestoreStep(EditHistory *history, MappingPage *page, const QVector<MappingRecord> &before);

protected:
    void undoEdit() override;
    void redoEdit() override;

private:
    MappingPage *const m_page;
    const QVector<MappingRecord> m_before;
};

} // namespace MappingSteps
