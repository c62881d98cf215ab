#pragma once

#include "device/prompt.h"

// The application's real boxes and file dialogs.
class MessageBoxPrompt : public Prompt
{
public:
    int showMessage(const QString &text, const QString &okText, const QString &cancelText = QString()) override;
    int message(Icon icon, const QString &title, const QString &text, int buttons) override;
    QString openFileName(const QString &caption, const QString &dir, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &dir, const QString &filter) override;
    QString chooseItem(const QString &title, const QString &text, const QStringList &items) override;
};
