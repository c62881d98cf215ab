#pragma once

#include "device/prompt.h"

#include <QList>
#include <QObject>
#include <QQueue>

// A Prompt that never blocks: it records every box it is asked to show and
// answers from a queue (or with the accepting button when the queue is
// empty). Used by the tests.
class ScriptedPrompt : public QObject, public Prompt
{
    Q_OBJECT

public:
    struct Shown
    {
        QString kind; // "showMessage", "message", "openFile", "saveFile", "choose"
        Icon icon = NoIcon;
        QString title;
        QString text;
        QString okText;
        QString cancelText;
        int buttons = 0;
        QStringList items; // what a choice offered
    };

    explicit ScriptedPrompt(QObject *parent = nullptr);

    void answerNext(int button) { m_answers.enqueue(button); }
    void answerNextFile(const QString &path) { m_files.enqueue(path); }
    // A choice answers with the first item unless told; "" cancels.
    void answerNextChoice(const QString &item) { m_choices.enqueue(item); }

    [[nodiscard]] const QList<Shown> &shown() const { return m_shown; }
    [[nodiscard]] QStringList texts() const;
    [[nodiscard]] QString lastText() const { return m_shown.isEmpty() ? QString() : m_shown.last().text; }
    void clear() { m_shown.clear(); }

    int showMessage(const QString &text, const QString &okText, const QString &cancelText = QString()) override;
    int message(Icon icon, const QString &title, const QString &text, int buttons) override;
    QString openFileName(const QString &caption, const QString &dir, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &dir, const QString &filter) override;
    QString chooseItem(const QString &title, const QString &text, const QStringList &items) override;

signals:
    void boxShown(const QString &title, const QString &text);

private:
    int nextAnswer(int fallback);

    QList<Shown> m_shown;
    QQueue<int> m_answers;
    QQueue<QString> m_files;
    QQueue<QString> m_choices;
};
