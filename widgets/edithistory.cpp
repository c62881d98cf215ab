#include "widgets/edithistory.h"

#include <QUndoStack>

const QString EditHistory::DisconnectedText = QStringLiteral("History cleared: the device disconnected.");
const QString EditHistory::OfflineEndedText = QStringLiteral("History cleared: offline editing ended.");

namespace {
quint64 nextStepId()
{
    static quint64 last = 0;
    return ++last;
}
} // namespace

EditStep::EditStep(EditHistory *history, const QString &text)
    : QUndoCommand(text)
    , m_history(history)
    , m_id(nextStepId())
{
}

void EditStep::undo()
{
    m_done = false;
    if (m_history->m_silent)
        return;
    ++m_history->m_replaying;
    m_history->m_current = m_id;
    m_history->m_currentUndo = true;
    undoEdit();
    m_history->m_current = 0;
    --m_history->m_replaying;
}

void EditStep::redo()
{
    // The push of a step the user just made, or a refused undo put back.
    if (m_done || m_history->m_silent) {
        m_done = true;
        return;
    }
    m_done = true;
    ++m_history->m_replaying;
    m_history->m_current = m_id;
    m_history->m_currentUndo = false;
    redoEdit();
    m_history->m_current = 0;
    --m_history->m_replaying;
}

EditHistory::EditHistory(QObject *parent)
    : QObject(parent)
    , m_stack(new QUndoStack(this))
{
    setObjectName(QStringLiteral("editHistory"));
    connect(m_stack, &QUndoStack::cleanChanged, this, &EditHistory::cleanChanged);
}

// The stack empties itself when deleted, after the window's other parts are
// gone: nobody may hear of it.
EditHistory::~EditHistory()
{
    m_stack->blockSignals(true);
}

void EditHistory::record(EditStep *step)
{
    if (isReplaying()) {
        delete step;
        return;
    }
    m_clearedReason.clear();
    m_stack->push(step);
}

int EditHistory::indexOf(quint64 stepId) const
{
    for (int i = 0; i < m_stack->count(); ++i) {
        const auto *step = static_cast<const EditStep *>(m_stack->command(i));
        if (step->stepId() == stepId)
            return i;
    }
    return -1;
}

void EditHistory::dropRefused(quint64 stepId)
{
    const int index = indexOf(stepId);
    if (index < 0 || index != m_stack->count() - 1 || m_stack->index() != m_stack->count())
        return;
    // An obsolete step undone silently is taken off the stack.
    auto *step = const_cast<QUndoCommand *>(m_stack->command(index));
    step->setObsolete(true);
    m_silent = true;
    m_stack->undo();
    m_silent = false;
}

void EditHistory::refuse(quint64 stepId, bool wasUndo, const QString &why)
{
    const int index = indexOf(stepId);
    if (index < 0)
        return;
    const QString name = m_stack->command(index)->text();
    // Where nothing moved since, the index goes back over the step without
    // sending anything: the history again says what the device holds.
    m_silent = true;
    if (wasUndo && m_stack->index() == index)
        m_stack->redo();
    else if (!wasUndo && m_stack->index() == index + 1)
        m_stack->undo();
    m_silent = false;
    emit refused(tr("The device refused to %1 \"%2\": %3")
                     .arg(wasUndo ? tr("undo") : tr("redo"), name, why));
}

void EditHistory::clear(const QString &reason)
{
    const bool hadSteps = m_stack->count() > 0;
    m_stack->clear();
    if (hadSteps || !reason.isEmpty()) {
        m_clearedReason = reason;
        emit cleared(reason);
    }
}

void EditHistory::markClean()
{
    m_stack->setClean();
}

bool EditHistory::isClean() const
{
    return m_stack->isClean();
}
