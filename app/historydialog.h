#pragma once

#include <QDialog>

class EditHistory;
class QLabel;
class QUndoView;

// Edit > History…: every step of the edit history by name; choosing one
// undoes or redoes up to it. Says so when the history was cleared.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    HistoryDialog(EditHistory *history, QWidget *parent = nullptr);

    [[nodiscard]] QUndoView *view() const { return m_view; }
    [[nodiscard]] QLabel *statusLabel() const { return m_status; }

private:
    void showStatus(const QString &text);

    QUndoView *const m_view;
    QLabel *const m_status;
};
