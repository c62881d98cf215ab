// The window's Edit menu, the history's wiring to the pages and files, and the
// unsaved mark in the title.
#include "app/historydialog.h"
#include "app/mainwindow.h"
#include "configfile/ui/configfilecontroller.h"
#include "configfile/ui/offlineeditor.h"
#include "device/prompt.h"
#include "filter/filterpage.h"
#include "mapping/mappingpage.h"
#include "routing/routingpage.h"
#include "widgets/edithistory.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

void MainWindow::buildEditMenu()
{
    m_history = new EditHistory(this);
    QUndoStack *stack = m_history->stack();
    QMenu *edit = m_menuBar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    QAction *undo = stack->createUndoAction(edit, QStringLiteral("Undo"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = stack->createRedoAction(edit, QStringLiteral("Redo"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    QAction *history = edit->addAction(QStringLiteral("History…"));
    history->setObjectName(QStringLiteral("actionHistory"));
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(history, &QAction::triggered, this, &MainWindow::showHistory);
}

void MainWindow::wireEditHistory()
{
    for (DevicePage *page : pages())
        page->setEditHistory(m_history);
    m_configFiles->setEditHistory(m_history);
    // A refused undo stays in the history; the user is told why.
    connect(m_history, &EditHistory::refused, this, [this](const QString &text) {
        m_prompt->message(Prompt::Warning, QStringLiteral("Undo"), text, Prompt::Ok);
    });
    connect(m_offline, &OfflineEditor::finished, m_history,
            [this] { m_history->clear(EditHistory::OfflineEndedText); });
    connect(m_configFiles, &ConfigFileController::fileSaved, m_history, &EditHistory::markClean);
    // The setup is the file's once it is in; edits before that are the file.
    connect(m_offline, &OfflineEditor::fileLoaded, m_history, [this] {
        m_history->clear(QString());
        m_history->markClean();
    });
    connect(m_history->stack(), &QUndoStack::indexChanged, this, &MainWindow::updateTitle);
    connect(m_history, &EditHistory::cleanChanged, this, &MainWindow::updateTitle);
    connect(m_configFiles, &ConfigFileController::fileSaved, this, &MainWindow::updateTitle);
    connect(m_configFiles, &ConfigFileController::importApplied, this, &MainWindow::updateTitle);
    connect(m_offline, &OfflineEditor::titleChanged, this, &MainWindow::updateTitle);
    const auto guard = [this] { return confirmUnsavedChanges(); };
    m_configFiles->setOpenGuard(guard);
    m_offline->setLeaveGuard(guard);
}

bool MainWindow::hasUnsavedChanges() const
{
    return !m_configFiles->currentFilePath().isEmpty() && !m_history->isClean();
}

bool MainWindow::confirmUnsavedChanges()
{
    if (!hasUnsavedChanges())
        return true;
    const QString name = QFileInfo(m_configFiles->currentFilePath()).fileName();
    const int answer = m_prompt->message(Prompt::Question, QStringLiteral("Velmora"),
                                         QStringLiteral("Save changes to %1?").arg(name),
                                         Prompt::Save | Prompt::Discard | Prompt::Cancel);
    if (answer == Prompt::Discard)
        return true;
    if (answer != Prompt::Save)
        return false;
    m_configFiles->saveFile();
    return !hasUnsavedChanges();
}

void MainWindow::updateTitle()
{
    const QString path = m_configFiles->currentFilePath();
    const QString file = QFileInfo(path).fileName() + (hasUnsavedChanges() ? QStringLiteral("*") : QString());
    if (m_offline->isActive())
        setWindowTitle(QStringLiteral("%1 — offline (%2)").arg(file, m_offline->model()));
    else if (!path.isEmpty())
        setWindowTitle(QStringLiteral("%1 — Velmora").arg(file));
    else
        setWindowTitle(QStringLiteral("Velmora"));
}

void MainWindow::showHistory()
{
    if (!m_historyDialog)
        m_historyDialog = new HistoryDialog(m_history, this);
    m_historyDialog->show();
    m_historyDialog->raise();
    m_historyDialog->activateWindow();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (confirmUnsavedChanges())
        event->accept();
    else
        event->ignore();
}
