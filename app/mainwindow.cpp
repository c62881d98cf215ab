#include "app/mainwindow.h"

#include "app/pagetablabel.h"
#include "app/windowfit.h"
#include "configfile/configwriter.h"
#include "configfile/ui/configfilecontroller.h"
#include "configfile/ui/offlineeditor.h"
#include "device/devicesession.h"
#include "network/updateserver.h"
#include "upgrade/ui/firmwareupgradefeature.h"
#include "device/devicewatcher.h"
#include "device/logging.h"
#include "filter/filterpage.h"
#include "mapping/mappingpage.h"
#include "routing/portcolumns.h"
#include "routing/routingpage.h"
#include "update/appupdater.h"
#include "widgets/edithistory.h"
#include "widgets/messageboxprompt.h"
#include "widgets/hiddenviewaccessible.h"
#include "widgets/namedcomboaccessible.h"

#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

const QString MainWindow::ApplicationVersion = QStringLiteral("V2.0.1");
const QString MainWindow::ConnectingText = QStringLiteral("Connecting\u2026");
const QString MainWindow::NoAnswerText =
    QStringLiteral("The device did not answer. Check the cable, or unplug and replug it.");
const QSize MainWindow::DefaultContentSize(1000, 750);
const QString MainWindow::PortPermissionHint = QStringLiteral(
    "Your user may not open this serial port. Install Velmora's package, whose udev rule lets "
    "the user logged in at the computer open ") + DeviceModels::brand() + QStringLiteral(" devices, then unplug the "
    "device and plug it in again. Or add yourself to the \"dialout\" group (sudo usermod -aG dialout $USER) "
    "and log in again.");

namespace {
const QString MappingTabTitle = QStringLiteral("MIDI Mapping");
const char TabIndexProperty[] = "tabIndex";
const char SelectedProperty[] = "selected";

QLabel *headerLabel(const QString &text, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

PageTabLabel *pageTab(const QString &text, const char *name, QWidget *parent)
{
    auto *label = new PageTabLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}
} // namespace

MainWindow::MainWindow(QWidget *parent, Prompt *prompt, const QString &settingsPath)
    : QWidget(parent)
    , m_ownPrompt(prompt ? nullptr : new MessageBoxPrompt)
    , m_prompt(prompt ? prompt : m_ownPrompt.get())
    , m_settings(settingsPath)
    , m_settingsPath(settingsPath)
    , m_session(new DeviceSession(m_prompt, this))
    , m_watcher(new DeviceWatcher(DeviceModels::brand(), this))
{
    NamedComboAccessible::install();
    HiddenViewAccessible::install();
    buildUi();
    // After the pages, so that a search for a page's control by name finds the
    // window's own before the upgrade dialog's namesakes.
    m_upgrade = new FirmwareUpgradeFeature(
        m_session, m_watcher, m_prompt, [settingsPath] { return UpdateServer::fromSettings(settingsPath); }, this);
    buildMenus();
    addPageShortcuts();
    // The default look below the menu bar, where the screen has room.
    resize(WindowFit::fittedSize(this, DefaultContentSize + QSize(0, m_menuBar->sizeHint().height())));
    setWindowIcon(QIcon(QStringLiteral(":/icon.png")));
    setWindowTitle(QStringLiteral("Velmora"));
    setAttribute(Qt::WA_StyledBackground);

    wireSession();

    // Without a device the window shows the filter and routing pages only.
    showMappingPage(false);
    m_mappingArrow->hide();
    m_mappingHeader->hide();

    // The device list: scanned once now, then every second.
    m_session->setWatcher(m_watcher);
    connect(m_watcher, &DeviceWatcher::entriesChanged, this, &MainWindow::syncDeviceList);
    m_watcher->start(DeviceWatcher::DefaultIntervalMs);
    syncDeviceList();

    applySettings();
    m_tabWidget->setCurrentIndex(0);
    updateHeaderSelection();

    // Setting up TLS and the network stack costs more than building the whole
    // window; the silent check waits until the window is up, and nothing of
    // it exists before.
    QTimer::singleShot(SilentUpdateCheckDelayMs, this, [this] { updater()->check(UpdateCheckDialog::Silent); });
}

AppUpdater *MainWindow::updater() const
{
    if (!m_updater)
        m_updater = new AppUpdater(m_prompt, m_settingsPath, ApplicationVersion, const_cast<MainWindow *>(this));
    return m_updater;
}

MainWindow::~MainWindow() = default;

void MainWindow::buildUi()
{
    auto *windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    windowLayout->setSpacing(0);

    m_menuBar = new QMenuBar(this);
    m_menuBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    windowLayout->addWidget(m_menuBar);

    // The device bar, the page headers and the command row stay in view at
    // any window size; each page scrolls its own content.
    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("content"));
    windowLayout->addWidget(content, 1);

    auto *contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(16, 12, 16, 12);
    contentLayout->setSpacing(10);

    // Device bar.
    auto *deviceRow = new QHBoxLayout;
    auto *deviceLabel = new QLabel(QStringLiteral("Device"), content);
    m_deviceCombo = new QComboBox(content);
    m_deviceCombo->setObjectName(QStringLiteral("deviceCombo"));
    m_deviceCombo->setAccessibleName(QStringLiteral("Device"));
    m_deviceCombo->setMinimumWidth(260);
    deviceLabel->setBuddy(m_deviceCombo);
    m_connectButton = new QPushButton(QStringLiteral("Connect"), content);
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    m_connectButton->setAccessibleName(QStringLiteral("Connect"));
    m_connectionLabel = new QLabel(PortColumns::NoDeviceText, content);
    m_connectionLabel->setObjectName(QStringLiteral("connectionLabel"));
    // The no-answer advice is long: it wraps rather than widen the window.
    m_connectionLabel->setWordWrap(true);
    m_connectionLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    deviceRow->addWidget(deviceLabel);
    deviceRow->addWidget(m_deviceCombo);
    deviceRow->addWidget(m_connectButton);
    deviceRow->addSpacing(12);
    deviceRow->addWidget(m_connectionLabel, 1);
    contentLayout->addLayout(deviceRow);

    // Header labels acting as the tabs.
    auto *titleBar = new QWidget(content);
    m_titleBar = titleBar;
    titleBar->setObjectName(QStringLiteral("titleBar"));
    titleBar->setAttribute(Qt::WA_StyledBackground);
    auto *titleLayout = new QHBoxLayout(titleBar);
    titleLayout->setContentsMargins(8, 0, 8, 0);
    titleLayout->setSpacing(0);
    m_filterHeader = pageTab(QStringLiteral("MIDI Messages Filter"), "filterHeader", titleBar);
    m_routingArrow = headerLabel(QStringLiteral("  ➜  "), "routingArrow", titleBar);
    m_routingHeader = pageTab(QStringLiteral("MIDI Port Routing"), "routingHeader", titleBar);
    m_mappingArrow = headerLabel(QStringLiteral("  ➜  "), "mappingArrow", titleBar);
    m_mappingHeader = pageTab(QStringLiteral("MIDI Mapping"), "mappingHeader", titleBar);
    int index = 0;
    for (PageTabLabel *label : {m_filterHeader, m_routingHeader, m_mappingHeader}) {
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        label->setProperty(TabIndexProperty, index);
        connect(label, &PageTabLabel::activated, this, [this, index] { selectPage(index); });
        ++index;
    }
    for (QLabel *label : std::initializer_list<QLabel *>{m_filterHeader, m_routingArrow, m_routingHeader,
                                                         m_mappingArrow, m_mappingHeader})
        titleLayout->addWidget(label, 0, Qt::AlignBottom);
    titleLayout->addStretch(1);
    contentLayout->addWidget(titleBar);
    titleBar->setStyleSheet(WindowFit::headerStyleSheet(palette()));

    m_tabWidget = new QTabWidget(content);
    m_tabWidget->setObjectName(QStringLiteral("tabWidget"));
    m_tabWidget->setDocumentMode(true);
    m_tabWidget->tabBar()->hide();
    // The page headers are the tabs a keyboard reaches.
    m_tabWidget->setFocusPolicy(Qt::NoFocus);
    // The pages are born where addTab puts them: moving a built page under
    // the styled window would polish every one of its widgets a second time.
    auto *stack = m_tabWidget->findChild<QStackedWidget *>();
    m_filterPage = new FilterPage(stack);
    m_routingPage = new RoutingPage(stack);
    m_mappingPage = new MappingPage(stack);
    m_tabWidget->addTab(m_filterPage, QStringLiteral("MIDI Messages Filter"));
    m_tabWidget->addTab(m_routingPage, QStringLiteral("MIDI Port Routing"));
    m_tabWidget->addTab(m_mappingPage, MappingTabTitle);
    contentLayout->addWidget(m_tabWidget, 1);
    connect(m_tabWidget, &QTabWidget::currentChanged, this, &MainWindow::onPageChanged);

    // Command row.
    auto *commandRow = new QHBoxLayout;
    m_removeButton = new QPushButton(QStringLiteral("Disconnect All"), content);
    m_removeButton->setObjectName(QStringLiteral("removeButton"));
    m_removeButton->setAccessibleName(m_removeButton->text());
    m_setButton = new QPushButton(QStringLiteral("Set"), content);
    m_setButton->setObjectName(QStringLiteral("setButton"));
    m_setButton->setAccessibleName(m_setButton->text());
    m_versionLabel = new QLabel(QStringLiteral("Version:%1").arg(ApplicationVersion), content);
    m_versionLabel->setObjectName(QStringLiteral("appVersionLabel"));
    commandRow->addWidget(m_versionLabel);
    commandRow->addStretch(1);
    commandRow->addWidget(m_removeButton);
    commandRow->addWidget(m_setButton);
    contentLayout->addLayout(commandRow);

    connect(m_connectButton, &QPushButton::clicked, this, &MainWindow::onConnectClicked);
    connect(m_setButton, &QPushButton::clicked, this, &MainWindow::onSetClicked);
    connect(m_removeButton, &QPushButton::clicked, this, &MainWindow::onRemoveClicked);
}

void MainWindow::showEvent(QShowEvent *event)
{
    // Wider where the pages need it with the user's font: their sizes are
    // known once they are shown, and this is before the window appears.
    if (!m_sizedForContent && !event->spontaneous()) {
        m_sizedForContent = true;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        resize(WindowFit::fittedSize(this, size()));
    }
    QWidget::showEvent(event);
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange && m_titleBar)
        m_titleBar->setStyleSheet(WindowFit::headerStyleSheet(palette()));
    QWidget::changeEvent(event);
}

void MainWindow::wireSession()
{
    connect(m_session, &DeviceSession::modelDecided, this, &MainWindow::applyModel);
    connect(m_session, &DeviceSession::deviceLost, this, &MainWindow::disconnectDevice);
    connect(m_session, &DeviceSession::identified, this, &MainWindow::showConnectionState);
    connect(m_session, &DeviceSession::identificationOverdue, this, &MainWindow::showConnectionState);
    connect(m_upgrade, &FirmwareUpgradeFeature::releaseDeviceRequested, this, &MainWindow::disconnectDevice);
    connect(m_upgrade, &FirmwareUpgradeFeature::reconnectRequested, this, &MainWindow::onConnectClicked);
    // Compare with Device borrows the port for a while: the history waits for
    // the device to come back, and goes if another one (or none) does.
    connect(m_configFiles, &ConfigFileController::releaseDeviceRequested, this, [this] {
        m_historyHeldFor = m_connectedDeviceName;
        disconnectDevice();
    });
    connect(m_configFiles, &ConfigFileController::reconnectRequested, this, [this] {
        onConnectClicked();
        const QString heldFor = std::exchange(m_historyHeldFor, QString());
        if (!m_session->isOpen() || m_connectedDeviceName != heldFor)
            m_history->clear(EditHistory::DisconnectedText);
    });
    connect(m_configFiles, &ConfigFileController::offlineFileChosen, m_offline, &OfflineEditor::openFile);
    connect(m_offline, &OfflineEditor::started, this, &MainWindow::showDevicePages);
    connect(m_offline, &OfflineEditor::finished, this, &MainWindow::resetDevicePages);
    wireEditHistory();
    // Kept before an online upgrade: what Save File would write.
    m_upgrade->setSettingsSource([this] { return ConfigFile::write(m_configFiles->document()); });
    // In this order: the filter page's handlers come before the mapping
    // page's, so a port-count report the filter page drops reaches neither.
    for (DevicePage *page : pages())
        page->attach(m_session, m_prompt);
    // The hub count decides how many USB HOST ports the filter page offers.
    connect(m_routingPage, &RoutingPage::hubPortsChanged, m_filterPage, &FilterPage::rebuildLindenPorts);
    // Both pages name what is plugged into the USB ports, from one record.
    m_mappingPage->setUsbNames(m_routingPage->usbNames());
    connect(m_routingPage, &RoutingPage::hubPortsChanged, m_mappingPage, &MappingPage::refreshUsbLabels);
}

QList<DevicePage *> MainWindow::pages() const
{
    return {m_filterPage, m_routingPage, m_mappingPage};
}

void MainWindow::applySettings()
{
    m_settings.load();
    const QString name = QStringLiteral("C%1").arg(m_settings.middleCOctave());
    for (QAction *action : m_middleCGroup->actions())
        action->setChecked(action->text() == name);
    m_showCCNameAction->setChecked(m_settings.showCCName());
    applyNaming();
}

void MainWindow::applyNaming()
{
    for (DevicePage *page : pages())
        page->applyNaming(m_settings.middleCOctave(), m_settings.showCCName());
}

int MainWindow::showMessage(const QString &text, const QString &okText, const QString &cancelText)
{
    return m_prompt->showMessage(text, okText, cancelText);
}

bool MainWindow::isMappingPageShown() const
{
    return m_tabWidget->indexOf(m_mappingPage) >= 0;
}

void MainWindow::showMappingPage(bool shown)
{
    const int index = m_tabWidget->indexOf(m_mappingPage);
    if (shown && index < 0) {
        m_tabWidget->insertTab(2, m_mappingPage, MappingTabTitle);
    } else if (!shown && index >= 0) {
        m_tabWidget->removeTab(index);
        m_mappingPage->hide();
    }
}

void MainWindow::rescanDevices()
{
    m_watcher->scan();
    syncDeviceList();
}

void MainWindow::syncDeviceList()
{
    // Entries keep their places: vanished ones are taken out, new ones are
    // appended in the watcher's order. The connection itself ends only when
    // its own port goes (DeviceSession::deviceLost), not with another entry.
    const QList<DeviceListEntry> &entries = m_watcher->entries();
    for (int i = m_deviceCombo->count() - 1; i >= 0; --i) {
        const DeviceListEntry listed{m_deviceCombo->itemText(i), m_deviceCombo->itemData(i).toString()};
        if (!entries.contains(listed))
            m_deviceCombo->removeItem(i);
    }
    for (const DeviceListEntry &entry : entries) {
        if (m_deviceCombo->findText(entry.text, Qt::MatchExactly) < 0)
            m_deviceCombo->addItem(entry.text, entry.portName);
    }
}

void MainWindow::onConnectClicked()
{
    // The upgrade dialog may hold the shared port; during a transfer the
    // user decides whether it lets go.
    if (!m_upgrade->releasePort())
        return;
    if (m_offline->isActive()) {
        // Connecting a device ends offline editing.
        if (!m_offline->leave())
            return;
    } else if (m_session->isOpen()) {
        disconnectDevice();
        return;
    }
    const QString name = m_deviceCombo->currentText();
    const QString port = m_deviceCombo->currentData().toString();
    switch (m_session->open(name, port)) {
    case DeviceSession::OpenResult::NoDevice:
        showMessage(QStringLiteral("Make sure there is a port connection"), QStringLiteral("OK"));
        return;
    case DeviceSession::OpenResult::NotAccepted:
        m_prompt->message(Prompt::Warning, QStringLiteral("Device Not Allowed"),
                          QStringLiteral("Not supported for this device!"), Prompt::Ok);
        return;
    case DeviceSession::OpenResult::OpenFailed: {
        QString text = QStringLiteral("Failed to open port: %1").arg(m_session->errorText());
#ifdef Q_OS_LINUX
        if (m_session->openDeniedByPermissions())
            text += QLatin1String("\n\n") + PortPermissionHint;
#endif
        showMessage(text, QStringLiteral("OK"));
        return;
    }
    case DeviceSession::OpenResult::Opened:
        break;
    }
    m_connectedDeviceName = name;
    m_deviceCombo->setEnabled(false);
    m_connectButton->setText(QStringLiteral("Disconnect"));
    m_connectButton->setAccessibleName(m_connectButton->text());
    showDevicePages();
}

void MainWindow::disconnectDevice()
{
    // Offline editing holds no port; only leaving it ends it.
    if (m_offline->isActive())
        return;
    if (!m_session->isOpen() && m_connectedDeviceName.isEmpty())
        return;
    m_session->close();
    if (m_historyHeldFor.isEmpty())
        m_history->clear(EditHistory::DisconnectedText);
    m_deviceCombo->setEnabled(true);
    m_connectButton->setText(QStringLiteral("Connect"));
    m_connectButton->setAccessibleName(m_connectButton->text());
    m_connectedDeviceName.clear();
    resetDevicePages();
}

void MainWindow::resetDevicePages()
{
    for (DevicePage *page : pages())
        page->resetForDisconnect();
    showMappingPage(false);
    // The mapping page left with the device: its header goes too, or it
    // would stay offered and do nothing when chosen.
    m_mappingArrow->hide();
    m_mappingHeader->hide();
    m_compareAction->setEnabled(false);
    showConnectionState();
    update();
}

void MainWindow::showConnectionState()
{
    // "Connected" only once the device has said who it is.
    QString text = PortColumns::NoDeviceText;
    if (m_offline->isActive()) {
        text = QStringLiteral("Offline: %1").arg(m_offline->model());
    } else if (m_session->isOpen() && !m_connectedDeviceName.isEmpty()) {
        if (m_session->isIdentified())
            text = QStringLiteral("Connected: %1").arg(m_connectedDeviceName);
        else if (m_session->isIdentificationOverdue())
            text = NoAnswerText;
        else
            text = ConnectingText;
    }
    m_connectionLabel->setText(text);
}

void MainWindow::showDevicePages()
{
    showMappingPage(true);
    m_mappingPage->setPortBoxesVisible(true);
    m_filterPage->updatePortCombosEnabled();
    showConnectionState();
    m_compareAction->setEnabled(!m_session->isInProcess());
    m_tabWidget->setCurrentIndex(0);
    onPageChanged(0);
}

void MainWindow::applyModel(const DeviceModels::DeviceModel *model)
{
    const DeviceModels::Pages headers = model ? model->pages : DeviceModels::pagesOf(DeviceModels::Family::None);
    m_filterHeader->show();
    m_routingArrow->setVisible(headers.routing);
    m_routingHeader->setVisible(headers.routing);
    m_mappingArrow->setVisible(headers.mapping);
    m_mappingHeader->setVisible(headers.mapping);
    m_mappingPage->setThirdPortLabelsShown(model && model->labelsThirdMappingPortPair);
}

void MainWindow::onPageChanged(int)
{
    updateHeaderSelection();
    QWidget *current = m_tabWidget->currentWidget();
    const bool onMapping = current == m_mappingPage;
    m_removeButton->setText(onMapping ? QStringLiteral("Delete") : QStringLiteral("Disconnect All"));
    m_removeButton->setAccessibleName(m_removeButton->text());
    for (DevicePage *page : pages())
        page->tabChanged(page == current);
}

void MainWindow::onSetClicked()
{
    if (auto *page = qobject_cast<DevicePage *>(m_tabWidget->currentWidget()))
        page->onSetClicked();
}

void MainWindow::onRemoveClicked()
{
    if (m_tabWidget->currentWidget() == m_mappingPage)
        m_mappingPage->onDeleteClicked();
    else
        m_routingPage->onDisconnectAllClicked();
}

void MainWindow::updateHeaderSelection()
{
    QWidget *current = m_tabWidget->currentWidget();
    m_filterHeader->setProperty(SelectedProperty, current == m_filterPage);
    m_routingHeader->setProperty(SelectedProperty, current == m_routingPage);
    m_mappingHeader->setProperty(SelectedProperty, current == m_mappingPage);
    for (PageTabLabel *label : {m_filterHeader, m_routingHeader, m_mappingHeader}) {
        QAccessibleEvent changed(label, QAccessible::StateChanged);
        QAccessible::updateAccessibility(&changed);
        label->style()->unpolish(label);
        label->style()->polish(label);
    }
}

bool MainWindow::selectPage(int header)
{
    const QList<PageTabLabel *> headers{m_filterHeader, m_routingHeader, m_mappingHeader};
    const QList<QWidget *> pagesByHeader{m_filterPage, m_routingPage, m_mappingPage};
    if (header < 0 || header >= headers.size() || headers.at(header)->isHidden())
        return false;
    const int index = m_tabWidget->indexOf(pagesByHeader.at(header));
    if (index < 0)
        return false;
    m_tabWidget->setCurrentIndex(index);
    return true;
}

void MainWindow::stepPage(int step)
{
    const QList<QWidget *> pagesByHeader{m_filterPage, m_routingPage, m_mappingPage};
    const int current = pagesByHeader.indexOf(m_tabWidget->currentWidget());
    for (int i = 1; i <= pagesByHeader.size(); ++i) {
        const int header = ((current + step * i) % 3 + 3) % 3;
        if (selectPage(header))
            return;
    }
}

void MainWindow::addPageShortcuts()
{
    const auto add = [this](const QKeySequence &keys, auto action) {
        auto *shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_Tab), [this] { stepPage(1); });
    // Shift+Tab arrives as Backtab from a keyboard; both spellings count.
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), [this] { stepPage(-1); });
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), [this] { stepPage(-1); });
    const int digits[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3};
    for (int header = 0; header < 3; ++header)
        add(QKeySequence(Qt::ALT | digits[header]), [this, header] { selectPage(header); });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        auto *label = qobject_cast<QLabel *>(watched);
        if (label && (label == m_filterHeader || label == m_routingHeader || label == m_mappingHeader)) {
            selectPage(label->property(TabIndexProperty).toInt());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
