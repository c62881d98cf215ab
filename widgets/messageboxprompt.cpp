#include "widgets/messageboxprompt.h"

#include <QFileDialog>
#include <QIcon>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

int MessageBoxPrompt::showMessage(const QString &text, const QString &okText, const QString &cancelText)
{
    QMessageBox box;
    box.setFocusPolicy(Qt::NoFocus);
    box.setWindowIcon(QIcon(QStringLiteral(":/icon.png")));
    box.setWindowTitle(QStringLiteral("Velmora"));
    box.setText(text);
    QAbstractButton *ok = box.addButton(okText, QMessageBox::AcceptRole);
    if (!cancelText.isEmpty())
        box.addButton(cancelText, QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == ok ? Ok : Cancel;
}

int MessageBoxPrompt::message(Icon icon, const QString &title, const QString &text, int buttons)
{
    static const QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Information,
                                              QMessageBox::Warning, QMessageBox::Critical,
                                              QMessageBox::Question};
    QMessageBox box(icons[icon], title, text, QMessageBox::StandardButtons(buttons));
    box.setWindowIcon(QIcon(QStringLiteral(":/icon.png")));
    return box.exec();
}

QString MessageBoxPrompt::openFileName(const QString &caption, const QString &dir, const QString &filter)
{
    return QFileDialog::getOpenFileName(nullptr, caption, dir, filter);
}

QString MessageBoxPrompt::saveFileName(const QString &caption, const QString &dir, const QString &filter)
{
    return QFileDialog::getSaveFileName(nullptr, caption, dir, filter);
}

QString MessageBoxPrompt::chooseItem(const QString &title, const QString &text, const QStringList &items)
{
    QInputDialog dialog;
    dialog.setWindowIcon(QIcon(QStringLiteral(":/icon.png")));
    dialog.setWindowTitle(title);
    dialog.setLabelText(text);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue();
}
