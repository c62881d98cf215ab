#pragma once

#include <QString>
#include <QStringList>

// Every message box, question and file dialog of the application goes through
// this interface. The application installs a QMessageBox/QFileDialog
// implementation; tests install a scripted one that records what was shown
// and answers without ever opening a modal window.
class Prompt
{
public:
    enum Icon { NoIcon, Information, Warning, Critical, Question };
    enum Button {
        Ok = 0x00000400,
        Save = 0x00000800,
        Cancel = 0x00400000,
        Discard = 0x00800000,
        Yes = 0x00004000,
        No = 0x00010000
    };

    virtual ~Prompt() = default;

    // The common box: title "Velmora", icon ":/icon.png", an OK button with
    // okText and, only when cancelText is not empty, a Cancel button.
    // Returns Ok or Cancel.
    virtual int showMessage(const QString &text, const QString &okText,
                            const QString &cancelText = QString()) = 0;

    // A standard box with a title and the given buttons (a combination of
    // Button values); returns the button pressed.
    virtual int message(Icon icon, const QString &title, const QString &text, int buttons) = 0;

    // File dialogs; an empty string means the user cancelled.
    virtual QString openFileName(const QString &caption, const QString &dir,
                                 const QString &filter) = 0;
    virtual QString saveFileName(const QString &caption, const QString &dir,
                                 const QString &filter) = 0;

    // One of the items, offered in their order with the first chosen; an
    // empty string means the user cancelled.
    virtual QString chooseItem(const QString &title, const QString &text, const QStringList &items) = 0;
};
