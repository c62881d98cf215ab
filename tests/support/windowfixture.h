#pragma once

// Shared by the window tests: a main window with a scripted prompt and a
// settings file of its own, and Connect pressed the way a user presses it.
// The simulated devices a test starts are listed by this process alone.
#include "app/mainwindow.h"
#include "device/devicesession.h"
#include "tests/support/scriptedprompt.h"
#include "tests/support/simulateddevice.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace TestSupport {

class WindowFixture
{
public:
    // init: a fresh working directory and prompt.
    void reset()
    {
        m_workDir = std::make_unique<QTemporaryDir>();
        m_prompt = std::make_unique<ScriptedPrompt>();
    }
    // cleanup.
    void release()
    {
        m_prompt.reset();
        m_workDir.reset();
    }

    [[nodiscard]] ScriptedPrompt *prompt() const { return m_prompt.get(); }
    [[nodiscard]] QString workPath(const QString &name) const { return m_workDir->filePath(name); }

    // A shown window whose settings file is "config.ini" in the working directory.
    [[nodiscard]] std::unique_ptr<MainWindow> makeWindow() const
    {
        auto w = std::make_unique<MainWindow>(nullptr, m_prompt.get(), workPath(QStringLiteral("config.ini")));
        w->show();
        return w;
    }

    // Chooses the listed device and presses Connect; whether the port opened.
    static bool connectTo(MainWindow &w, const QString &description, int listedWithinMs = 3000)
    {
        QComboBox *devices = w.deviceCombo();
        if (!QTest::qWaitFor([&] { return devices->findText(description) >= 0; }, listedWithinMs))
            return false;
        devices->setCurrentIndex(devices->findText(description));
        // As a user would: on a window that is up, not one still to be drawn
        // while the connection's timed queries run.
        if (!QTest::qWaitForWindowExposed(&w))
            return false;
        QCoreApplication::processEvents();
        QTest::mouseClick(connectButton(w), Qt::LeftButton);
        return w.session()->isOpen();
    }

    [[nodiscard]] static QPushButton *connectButton(MainWindow &w)
    {
        return w.findChild<QPushButton *>(QStringLiteral("connectButton"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_workDir;
    std::unique_ptr<ScriptedPrompt> m_prompt;
};

} // namespace TestSupport
