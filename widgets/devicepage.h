#pragma once

#include <QWidget>

class DeviceSession;
class EditHistory;
class Prompt;

// One page of the main window. The window owns the pages and the session;
// each page wires itself to the session's feedback in attach() and keeps
// its own state. The window forwards the shared buttons and menu settings.
class DevicePage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    // Called once, right after the window built its pages.
    virtual void attach(DeviceSession *session, Prompt *prompt) = 0;
    // "Set" while this page is current.
    virtual void onSetClicked() {}
    // The device was disconnected (button or device gone): empty the page.
    virtual void resetForDisconnect() {}
    // The tab widget's current page changed; shown tells whether it is this one.
    virtual void tabChanged(bool shown) { Q_UNUSED(shown) }
    // Middle C naming (3, 4 or 5) and whether controllers show their names.
    virtual void applyNaming(int middleCOctave, bool showCCName)
    {
        Q_UNUSED(middleCOctave)
        Q_UNUSED(showCCName)
    }

    // The window's history, where the page records what its user changes;
    // without one nothing is recorded. Not owned.
    void setEditHistory(EditHistory *history) { m_editHistory = history; }
    [[nodiscard]] EditHistory *editHistory() const { return m_editHistory; }

private:
    EditHistory *m_editHistory = nullptr;
};
