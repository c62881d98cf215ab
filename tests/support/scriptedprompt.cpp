#include "tests/support/scriptedprompt.h"

ScriptedPrompt::ScriptedPrompt(QObject *parent)
    : QObject(parent)
{
}

QStringList ScriptedPrompt::texts() const
{
    QStringList result;
    for (const Shown &s : m_shown)
        result.append(s.text);
    return result;
}

int ScriptedPrompt::nextAnswer(int fallback)
{
    return m_answers.isEmpty() ? fallback : m_answers.dequeue();
}

int ScriptedPrompt::showMessage(const QString &text, const QString &okText, const QString &cancelText)
{
    m_shown.append({QStringLiteral("showMessage"), NoIcon, QStringLiteral("Velmora"), text, okText,
                    cancelText, cancelText.isEmpty() ? int(Ok) : int(Ok | Cancel), {}});
    emit boxShown(QStringLiteral("Velmora"), text);
    return nextAnswer(Ok);
}

int ScriptedPrompt::message(Icon icon, const QString &title, const QString &text, int buttons)
{
    m_shown.append({QStringLiteral("message"), icon, title, text, {}, {}, buttons, {}});
    emit boxShown(title, text);
    // A save question goes on without saving unless told.
    const int accept = (buttons & Yes) ? int(Yes) : (buttons & Discard) ? int(Discard) : int(Ok);
    return nextAnswer(accept);
}

QString ScriptedPrompt::openFileName(const QString &caption, const QString &, const QString &)
{
    m_shown.append({QStringLiteral("openFile"), NoIcon, caption, {}, {}, {}, 0, {}});
    emit boxShown(caption, QString());
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QString ScriptedPrompt::saveFileName(const QString &caption, const QString &, const QString &)
{
    m_shown.append({QStringLiteral("saveFile"), NoIcon, caption, {}, {}, {}, 0, {}});
    emit boxShown(caption, QString());
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QString ScriptedPrompt::chooseItem(const QString &title, const QString &text, const QStringList &items)
{
    m_shown.append({QStringLiteral("choose"), Question, title, text, {}, {}, 0, items});
    emit boxShown(title, text);
    return m_choices.isEmpty() ? items.value(0) : m_choices.dequeue();
}
