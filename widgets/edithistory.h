#pragma once

#include <QObject>
#include <QString>
#include <QUndoCommand>

class EditHistory;
class QUndoStack;

// One undoable edit. The user already made it when it is recorded, so the
// first redo (QUndoStack::push runs one) does nothing; later undos and redos
// go through the pages' own edit paths, which record nothing meanwhile.
class EditStep : public QUndoCommand
{
public:
    EditStep(EditHistory *history, const QString &text);

    void undo() final;
    void redo() final;

    // Ties a device answer to the step whose command it answers.
    [[nodiscard]] quint64 stepId() const { return m_id; }

protected:
    virtual void undoEdit() = 0;
    virtual void redoEdit() = 0;
    [[nodiscard]] EditHistory *history() const { return m_history; }

private:
    EditHistory *const m_history;
    const quint64 m_id;
    bool m_done = true;
};

// The window's one history of edits, shared by every page. Cleared with the
// device: the steps only mean something on the setup they were made on.
class EditHistory : public QObject
{
    Q_OBJECT

public:
    static const QString DisconnectedText;
    static const QString OfflineEndedText;

    explicit EditHistory(QObject *parent = nullptr);
    ~EditHistory() override;

    [[nodiscard]] QUndoStack *stack() const { return m_stack; }
    // True while a step is being undone or redone: what the pages do then
    // belongs to that step and is not a new one.
    [[nodiscard]] bool isReplaying() const { return m_replaying > 0; }
    // The id of the step being undone or redone; 0 otherwise.
    [[nodiscard]] quint64 replayingStep() const { return m_current; }
    // Whether that is an undo (or a redo).
    [[nodiscard]] bool replayingUndo() const { return m_currentUndo; }

    // Adds a step the user has just made; taken and owned. Ignored (and
    // deleted) while replaying.
    void record(EditStep *step);
    // The device refused what the user asked for: the step never happened
    // and leaves the history if nothing was done after it.
    void dropRefused(quint64 stepId);
    // The device refused a step's undo or redo: the step stays where it was
    // (the device still holds its state) and the user is told why.
    void refuse(quint64 stepId, bool wasUndo, const QString &why);

    void clear(const QString &reason);
    [[nodiscard]] QString clearedReason() const { return m_clearedReason; }

    // The setup now equals the file last opened or saved.
    void markClean();
    [[nodiscard]] bool isClean() const;

signals:
    void cleared(const QString &reason);
    // A refused undo or redo, in words for the status line or a box.
    void refused(const QString &text);
    // The setup stopped, or started again, to equal the last file.
    void cleanChanged(bool clean);

private:
    friend class EditStep;
    [[nodiscard]] int indexOf(quint64 stepId) const;

    QUndoStack *const m_stack;
    int m_replaying = 0;
    quint64 m_current = 0;
    bool m_currentUndo = false;
    bool m_silent = false;
    QString m_clearedReason;
};
