#pragma once

#include "filter/filterbytes.h"
#include "widgets/edithistory.h"

#include <QString>
#include <QVector>

class FilterPage;

namespace FilterSteps {

// Where a filter step applies: one port of the chooser, or every port.
struct Target
{
    QString port;
    bool allPorts = false;
};

// "Filter MIDI IN1: channels 1–4": what changed between two pages of boxes.
[[nodiscard]] QString editText(const FilterPage *page, const Target &target, const Filter::Bytes &before,
                               const Filter::Bytes &after);

// Boxes ticked or cleared on the page before "Set"; nothing is sent.
class BoxesStep : public ::EditStep
{
public:
    BoxesStep(EditHistory *history, FilterPage *page, const Target &target, const Filter::Bytes &before,
             const Filter::Bytes &after);

protected:
    void undoEdit() override;
    void redoEdit() override;

private:
    FilterPage *const m_page;
    const Target m_target;
    const Filter::Bytes m_before;
    const Filter::Bytes m_after;
};

// "Set": undo sends every affected port the 25 bytes it had before.
class SetStep : public ::EditStep
{
public:
    // before: the affected records' bytes, in the model's order (one for a
    // port, every record for all ports; none when the port had no record).
    SetStep(EditHistory *history, FilterPage *page, const Target &target, const QVector<Filter::Bytes> &before,
            const Filter::Bytes &after);

protected:
    void undoEdit() override;
    void redoEdit() override;

private:
    FilterPage *const m_page;
    const Target m_target;
    const QVector<Filter::Bytes> m_before;
    const Filter::Bytes m_after;
};

} // namespace FilterSteps
