#pragma once

#include "mapping/mappingblocks.h"
#include "mapping/mappinglinemodel.h"
#include "mapping/mappingrecord.h"
#include "widgets/edithistory.h"

#include <QVector>

#include <optional>

class MappingPage;

namespace MappingSteps {

// What the mapping page's editors show of a rule not yet sent: each side's
// page and the fields that page has, and the lines' sources.
struct Form
{
    struct Side
    {
        int page = 0;
        QString type;
        QString channel;
        Mapping::DataRanges ranges;
        QVector<Mapping::SysExRow> rows;
    };
    Side original;
    Side mapped;
    MappingLineModel::Sources sources;
};

// What differs between two forms, in the words of a step's name ("Mapped
// Channel", "Data1 line"); empty when nothing does. value: a field whose
// successive changes may merge into one step.
[[nodiscard]] QString formChange(const Form &before, const Form &after, bool *value = nullptr);

// A field, line or SysEx row changed on the page; nothing is sent.
// Consecutive changes of the same value field merge into one step.
class FormStep : public EditStep
{
public:
    FormStep(EditHistory *history, MappingPage *page, int number, const Form &before, const Form &after);

    [[nodiscard]] int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

protected:
    void undoEdit() override;
    void redoEdit() override;

private:
    MappingPage *const m_page;
    const int m_number;
    const QString m_change;
    const bool m_mergeable;
    const Form m_before;
    Form m_after;
};

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
