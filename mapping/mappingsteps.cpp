#include "mapping/mappingsteps.h"

#include "mapping/mappingpage.h"

#include <QCoreApplication>

#include <algorithm>

namespace MappingSteps {

namespace {

bool sameRanges(const Mapping::DataRanges &a, const Mapping::DataRanges &b)
{
    return a.data1Min == b.data1Min && a.data1Max == b.data1Max && a.data2Min == b.data2Min
        && a.data2Max == b.data2Max;
}

bool sameRows(const QVector<Mapping::SysExRow> &a, const QVector<Mapping::SysExRow> &b)
{
    const auto same = [](const Mapping::SysExRow &x, const Mapping::SysExRow &y) {
        return x.kind == y.kind && x.valueText == y.valueText && x.minimum == y.minimum && x.maximum == y.maximum;
    };
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), same);
}

// Which part of one side changed, most telling first: a new type brings new
// fields, and a SysEx row removed may take a line with it.
QString sideChange(const Form::Side &a, const Form::Side &b, bool *value)
{
    if (a.page != b.page || a.type != b.type)
        return QStringLiteral("type");
    if (a.rows.size() != b.rows.size())
        return QStringLiteral("SysEx row");
    *value = true;
    if (!sameRows(a.rows, b.rows))
        return QStringLiteral("SysEx row");
    if (a.channel != b.channel)
        return QStringLiteral("Channel");
    if (a.ranges.data1Min != b.ranges.data1Min || a.ranges.data1Max != b.ranges.data1Max)
        return QStringLiteral("Data1");
    if (!sameRanges(a.ranges, b.ranges))
        return QStringLiteral("Data2");
    *value = false;
    return {};
}

} // namespace

QString formChange(const Form &before, const Form &after, bool *value)
{
    bool isValue = false;
    QString change;
    if (QString side = sideChange(before.original, after.original, &isValue); !side.isEmpty())
        change = QStringLiteral("Original ") + side;
    else if (side = sideChange(before.mapped, after.mapped, &isValue); !side.isEmpty())
        change = QStringLiteral("Mapped ") + side;
    else if (before.sources.data1 != after.sources.data1)
        change = QStringLiteral("Data1 line");
    else if (before.sources.data2 != after.sources.data2)
        change = QStringLiteral("Data2 line");
    if (value)
        *value = isValue;
    return change;
}

FormStep::FormStep(EditHistory *history, MappingPage *page, int number, const Form &before, const Form &after)
    : EditStep(history, QString())
    , m_page(page)
    , m_number(number)
    , m_change(formChange(before, after))
    , m_mergeable([&] {
        bool value = false;
        (void)formChange(before, after, &value);
        return value;
    }())
    , m_before(before)
    , m_after(after)
{
    setText(QCoreApplication::translate("MappingSteps", "Mapping %1: %2").arg(number).arg(m_change));
}

int FormStep::id() const
{
    // Any id shared by every form step: mergeWith decides.
    return m_mergeable ? 0x4d46 : -1;
}

bool FormStep::mergeWith(const QUndoCommand *other)
{
    const auto *next = dynamic_cast<const FormStep *>(other);
    if (!next || next->m_page != m_page || next->m_number != m_number || next->m_change != m_change)
        return false;
    m_after = next->m_after;
    // Typed back to where it started: the step changes nothing any more.
    setObsolete(formChange(m_before, m_after).isEmpty());
    return true;
}

void FormStep::undoEdit()
{
    m_page->showForm(m_number, m_before);
}

void FormStep::redoEdit()
{
    m_page->showForm(m_number, m_after);
}

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
