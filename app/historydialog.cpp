#include "app/historydialog.h"

#include "widgets/edithistory.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QUndoStack>
#include <QUndoView>
#include <QVBoxLayout>

HistoryDialog::HistoryDialog(EditHistory *history, QWidget *parent)
    : QDialog(parent)
    , m_view(new QUndoView(history->stack(), this))
    , m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("historyDialog"));
    setWindowTitle(tr("History"));
    m_view->setObjectName(QStringLiteral("historyView"));
    m_view->setAccessibleName(tr("Edit history"));
    m_view->setEmptyLabel(tr("<opened or connected>"));
    m_status->setObjectName(QStringLiteral("historyStatus"));
    m_status->setWordWrap(true);
    auto *heading = new QLabel(tr("&Steps (choose one to go back or forward to it)"), this);
    heading->setBuddy(m_view);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(tr("Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    resize(420, 360);

    showStatus(history->clearedReason());
    connect(history, &EditHistory::cleared, this, &HistoryDialog::showStatus);
    connect(history, &EditHistory::refused, this, &HistoryDialog::showStatus);
    // A new step makes an earlier notice old news.
    connect(history->stack(), &QUndoStack::indexChanged, this, [this, history] {
        if (history->stack()->count() > 0)
            showStatus(QString());
    });
}

void HistoryDialog::showStatus(const QString &text)
{
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}
