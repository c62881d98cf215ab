// The window's menus and what their entries do.
#include "app/mainwindow.h"

#include "configfile/ui/configfilecontroller.h"
#include "configfile/ui/offlineeditor.h"
#include "device/devicesession.h"
#include "device/prompt.h"
#include "device/sysex.h"
#include "update/appupdater.h"
#include "upgrade/ui/firmwareupgradefeature.h"
#include "widgets/aboutdialog.h"

#include <QAction>
#include <QActionGroup>
#include <QDebug>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

void MainWindow::buildMenus()
{
    QMenu *file = m_menuBar->addMenu(QStringLiteral("File"));
    m_configFiles = new ConfigFileController(m_prompt, m_session, {m_filterPage, m_routingPage, m_mappingPage}, this);
    using FileSlot = void (ConfigFileController::*)();
    const struct
    {
        const char *text;
        const char *name;
        QKeySequence::StandardKey key;
        FileSlot slot;
    } fileActions[] = {
        {"Open File", "actionOpenFile", QKeySequence::Open, &ConfigFileController::openFile},
        {"Save File", "actionSaveFile", QKeySequence::Save, &ConfigFileController::saveFile},
        {"Save File As", "actionSaveFileAs", QKeySequence::SaveAs, &ConfigFileController::saveFileAs},
    };
    for (const auto &entry : fileActions) {
        QAction *action = file->addAction(QString::fromLatin1(entry.text));
        action->setObjectName(QLatin1String(entry.name));
        action->setShortcuts(QKeySequence::keyBindings(entry.key));
        connect(action, &QAction::triggered, m_configFiles, entry.slot);
    }
    // Ctrl+Shift+S on every platform, also where the platform names no key
    // for Save As; the same key twice would make the shortcut ambiguous.
    QAction *saveAs = file->findChild<QAction *>(QStringLiteral("actionSaveFileAs"));
    const QKeySequence saveAsKey(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    QList<QKeySequence> saveAsKeys = saveAs->shortcuts();
    saveAsKeys.removeAll(saveAsKey);
    saveAsKeys.prepend(saveAsKey);
    saveAs->setShortcuts(saveAsKeys);
    m_compareAction = file->addAction(QStringLiteral("Compare with Device…"));
    m_compareAction->setObjectName(QStringLiteral("actionCompareWithDevice"));
    m_compareAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    m_compareAction->setEnabled(false);
    connect(m_compareAction, &QAction::triggered, m_configFiles, &ConfigFileController::compareWithDevice);
    m_offline = new OfflineEditor(m_prompt, m_session, m_configFiles, this);
    file->addSeparator();
    QAction *exitAction = file->addAction(QStringLiteral("Exit"));
    exitAction->setObjectName(QStringLiteral("actionExit"));
    connect(exitAction, &QAction::triggered, this, &MainWindow::onExitTriggered);
    buildEditMenu();

    QMenu *setting = m_menuBar->addMenu(QStringLiteral("Setting"));
    QMenu *noteName = setting->addMenu(QStringLiteral("MIDI Note=60 Name"));
    m_middleCGroup = new QActionGroup(this);
    m_middleCGroup->setExclusive(true);
    for (const char *name : {"C3", "C4", "C5"}) {
        QAction *action = noteName->addAction(QString::fromLatin1(name));
        action->setObjectName(QStringLiteral("action%1").arg(QLatin1String(name)));
        action->setCheckable(true);
        m_middleCGroup->addAction(action);
    }
    connect(m_middleCGroup, &QActionGroup::triggered, this, &MainWindow::onMiddleCTriggered);
    m_showCCNameAction = setting->addAction(QStringLiteral("Show CC Name"));
    m_showCCNameAction->setObjectName(QStringLiteral("actionShowCCName"));
    m_showCCNameAction->setCheckable(true);
    connect(m_showCCNameAction, &QAction::triggered, this, &MainWindow::onShowCCNameToggled);
    QAction *reset = setting->addAction(QStringLiteral("Factory Reset"));
    reset->setObjectName(QStringLiteral("actionFactoryReset"));
    connect(reset, &QAction::triggered, this, &MainWindow::onFactoryResetTriggered);

    QMenu *help = m_menuBar->addMenu(QStringLiteral("Help"));
    QAction *about = help->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("actionAbout"));
    connect(about, &QAction::triggered, this, &MainWindow::onAboutTriggered);
    QAction *upgrade = help->addAction(QStringLiteral("Firmware Upgrade"));
    upgrade->setObjectName(QStringLiteral("actionFirmwareUpgrade"));
    connect(upgrade, &QAction::triggered, m_upgrade, &FirmwareUpgradeFeature::showDialog);
    QAction *checkUpdate = help->addAction(QStringLiteral("Check for Update "));
    checkUpdate->setObjectName(QStringLiteral("actionCheckForUpdate"));
    connect(checkUpdate, &QAction::triggered, this, &MainWindow::checkForUpdate);
}

void MainWindow::onExitTriggered()
{
    // Unsaved work: the save question takes the place of the exit one.
    if (hasUnsavedChanges()) {
        if (confirmUnsavedChanges())
            emit exitRequested();
        return;
    }
    const int answer = m_prompt->message(Prompt::Question, QStringLiteral("Exit"),
                                         QStringLiteral("Exit software?"), Prompt::Ok | Prompt::Cancel);
    if (answer == Prompt::Ok)
        emit exitRequested();
}

void MainWindow::onFactoryResetTriggered()
{
    const int answer = m_prompt->message(Prompt::Question, QStringLiteral("Reset"),
                                         QStringLiteral("Factory Reset?"), Prompt::Ok | Prompt::Cancel);
    if (answer != Prompt::Ok)
        return;
    if (!m_session->isOpen()) {
        m_prompt->message(Prompt::Warning, QStringLiteral("Serial"), QStringLiteral("Serial port not open."),
                          Prompt::Ok);
        return;
    }
    m_session->write(SysEx::factoryResetCommand());
}

void MainWindow::onMiddleCTriggered(QAction *action)
{
    if (!action) {
        qWarning() << "Triggered action is null!";
        return;
    }
    m_settings.setSelectedMidiName(action->text());
    applyNaming();
}

void MainWindow::onShowCCNameToggled(bool checked)
{
    m_settings.setShowCCName(checked);
    applyNaming();
}

// Modal, but not a nested event loop: the menu returns at once.
void MainWindow::onAboutTriggered()
{
    auto *dialog = new AboutDialog(this, ApplicationVersion);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
}

void MainWindow::checkForUpdate()
{
    updater()->check(UpdateCheckDialog::Menu);
}
