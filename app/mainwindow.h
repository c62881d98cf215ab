#pragma once

#include "app/appsettings.h"
#include "device/devicemodels.h"

#include <QSize>
#include <QWidget>

#include <memory>

class AppUpdater;
class ConfigFileController;
class DevicePage;
class DeviceSession;
class DeviceWatcher;
class EditHistory;
class HistoryDialog;
class FilterPage;
class FirmwareUpgradeFeature;
class MappingPage;
class OfflineEditor;
class Prompt;
class QAction;
class QActionGroup;
class QComboBox;
class PageTabLabel;
class QLabel;
class QMenuBar;
class QPushButton;
class QTabWidget;
class QTimer;
class RoutingPage;

// The main window. It composes the pages, the menus and the device bar, and
// wires them to the device session; the pages and the session own their
// state.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    static const QString ApplicationVersion; // "V2.0.1"
    static constexpr int SilentUpdateCheckDelayMs = 1500;
    // Added to "Failed to open port" on Linux when this user may not open it.
    static const QString PortPermissionHint;
    // What the device bar says between Connect and the device's first answer,
    // and when that answer is overdue.
    static const QString ConnectingText;
    static const QString NoAnswerText;
    // The window's default size below the menu bar, where the screen has room.
    static const QSize DefaultContentSize;

    // Without a prompt the window shows real message boxes.
    explicit MainWindow(QWidget *parent = nullptr, Prompt *prompt = nullptr,
                    const QString &settingsPath = AppSettings::defaultPath());
    ~MainWindow() override;

    [[nodiscard]] DeviceSession *session() const { return m_session; }
    [[nodiscard]] DeviceWatcher *deviceWatcher() const { return m_watcher; }
    [[nodiscard]] FilterPage *filterPage() const { return m_filterPage; }
    [[nodiscard]] RoutingPage *routingPage() const { return m_routingPage; }
    [[nodiscard]] MappingPage *mappingPage() const { return m_mappingPage; }
    [[nodiscard]] ConfigFileController *configFiles() const { return m_configFiles; }
    [[nodiscard]] OfflineEditor *offlineEditor() const { return m_offline; }
    [[nodiscard]] FirmwareUpgradeFeature *firmwareUpgrade() const { return m_upgrade; }
    [[nodiscard]] QComboBox *deviceCombo() const { return m_deviceCombo; }
    [[nodiscard]] QTabWidget *tabWidget() const { return m_tabWidget; }
    [[nodiscard]] const AppSettings &settings() const { return m_settings; }
    [[nodiscard]] QString connectedDeviceName() const { return m_connectedDeviceName; }
    [[nodiscard]] bool isMappingPageShown() const;
    // Made at the first check for a newer version.
    [[nodiscard]] AppUpdater *updater() const;
    [[nodiscard]] EditHistory *editHistory() const { return m_history; }
    // The setup differs from the file last opened or saved.
    [[nodiscard]] bool hasUnsavedChanges() const;
    // "Save changes to <file>?" when there are unsaved changes; false when
    // the user cancels (or the save failed).
    bool confirmUnsavedChanges();

    int showMessage(const QString &text, const QString &okText, const QString &cancelText = QString());

public slots:
    // Scans the ports now and brings the device list up to date (the watcher
    // also does so every second).
    void rescanDevices();
    void onConnectClicked();
    void disconnectDevice();
    void onPageChanged(int index);
    void onSetClicked();
    void onRemoveClicked();
    void onExitTriggered();
    void onFactoryResetTriggered();
    void onMiddleCTriggered(QAction *action);
    void onShowCCNameToggled(bool checked);
    void onAboutTriggered();
    void checkForUpdate();
    void showHistory();

signals:
    // The user confirmed "Exit"; the application quits on it.
    void exitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi();
    void buildMenus();
    void showConnectionState();
    void wireSession();
    void applySettings();
    void applyNaming();
    [[nodiscard]] QList<DevicePage *> pages() const;
    void applyModel(const DeviceModels::DeviceModel *model);
    void showMappingPage(bool shown);
    // The pages of a device that came (connected, or a file offline).
    void showDevicePages();
    // The pages of a device that went: emptied, the mapping page put aside.
    void resetDevicePages();
    void updateHeaderSelection();
    // Shows the page of a header (0 filter, 1 routing, 2 mapping) when that
    // header is offered; false otherwise.
    bool selectPage(int header);
    // Ctrl+Tab / Ctrl+Shift+Tab: the next or previous offered page, wrapping.
    void stepPage(int step);
    void addPageShortcuts();
    void syncDeviceList();
    // Edit menu, history wiring and the title's unsaved mark (edithistoryui.cpp).
    void buildEditMenu();
    void wireEditHistory();
    void updateTitle();

    std::unique_ptr<Prompt> m_ownPrompt;
    Prompt *const m_prompt;
    AppSettings m_settings;
    const QString m_settingsPath;
    DeviceSession *const m_session;
    mutable AppUpdater *m_updater = nullptr;
    FirmwareUpgradeFeature *m_upgrade = nullptr;
    DeviceWatcher *const m_watcher;

    QMenuBar *m_menuBar = nullptr;
    QWidget *m_titleBar = nullptr;
    bool m_sizedForContent = false;
    QTabWidget *m_tabWidget = nullptr;
    FilterPage *m_filterPage = nullptr;
    RoutingPage *m_routingPage = nullptr;
    MappingPage *m_mappingPage = nullptr;
    ConfigFileController *m_configFiles = nullptr;
    OfflineEditor *m_offline = nullptr;
    QComboBox *m_deviceCombo = nullptr;
    QPushButton *m_connectButton = nullptr; // reads "Disconnect" while connected
    QPushButton *m_setButton = nullptr;
    // "Disconnect All" on the filter and routing pages, "Delete" on the mapping page.
    QPushButton *m_removeButton = nullptr;
    PageTabLabel *m_filterHeader = nullptr;
    PageTabLabel *m_routingHeader = nullptr;
    PageTabLabel *m_mappingHeader = nullptr;
    QLabel *m_routingArrow = nullptr;
    QLabel *m_mappingArrow = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_connectionLabel = nullptr;
    QActionGroup *m_middleCGroup = nullptr;
    QAction *m_showCCNameAction = nullptr;
    QAction *m_compareAction = nullptr;
    EditHistory *m_history = nullptr;
    HistoryDialog *m_historyDialog = nullptr;

    QString m_connectedDeviceName;
    // The device whose edit history survives its port being lent out.
    QString m_historyHeldFor;
};
