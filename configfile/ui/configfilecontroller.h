#pragma once

#include "configfile/configdocument.h"
#include "configfile/configtranslation.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class DeviceSession;
class EditHistory;
class FilterPage;
class MappingPage;
class Prompt;
class QTimer;
class RoutingPage;

// The File menu's "Open File", "Save File" and "Save File As": takes the
// configuration from the pages into a file and puts a file's configuration
// back into the pages and, for the routes, into the device.
//
// An import changes nothing before the whole file has been read and checked
// and the device has confirmed that it removed its own routes; then the
// file's routes are replayed one by one, 15 ms apart, from a timer.
class ConfigFileController : public QObject
{
    Q_OBJECT

public:
    struct Pages
    {
        FilterPage *filter = nullptr;
        RoutingPage *routing = nullptr;
        MappingPage *mapping = nullptr;
    };

    // How long the device has to answer the removal of its routes.
    static constexpr int ClearAnswerTimeoutMs = 2000;
    static const QString FileFilter; // "Config Files (*.ini)"

    ConfigFileController(Prompt *prompt, DeviceSession *session, const Pages &pages, QObject *parent = nullptr);

    // Empty until a file was chosen; a cancelled dialog empties it again.
    [[nodiscard]] QString currentFilePath() const { return m_currentFilePath; }
    // Offline editing names the file it opened, and forgets it when it ends.
    void setCurrentFilePath(const QString &path) { m_currentFilePath = path; }
    [[nodiscard]] const Pages &pages() const { return m_pages; }
    // What the window holds now, as it would be saved.
    [[nodiscard]] ConfigFile::Document document() const;
    // The connected device's model and ports, as it reported them.
    [[nodiscard]] ConfigFile::TargetPorts targetPorts() const;
    // Open File's work once the file is read and accepted: the device's
    // routes go, then the configuration goes into the pages and its routes
    // are replayed. False when there is no device to send to.
    // wholeDevice: the filters and mapping rules go to the device too, not
    // only into the pages (a device's own setup put back).
    bool importIntoDevice(const ConfigFile::Import &import, bool wholeDevice = false);
    [[nodiscard]] bool isImportPending() const { return m_pending.has_value(); }
    // Where Open File starts: "C:" where there is such a drive, the user's
    // documents folder elsewhere (the home folder when there is none).
    [[nodiscard]] static QString startDirectory();
    // What Save File proposes: the device's model and today's date, in the
    // documents folder if there is one, else in the home folder.
    [[nodiscard]] QString suggestedSavePath() const;
    // Open File on a device becomes one step of this history. Not owned.
    void setEditHistory(EditHistory *history) { m_history = history; }
    // Asked before another file replaces the device's setup; true goes on.
    void setOpenGuard(std::function<bool()> guard) { m_openGuard = std::move(guard); }

public slots:
    // With a device connected, its configuration becomes the file's (asking
    // first when the device cannot hold all of it); without one the chosen
    // file is for offline editing.
    void openFile();
    void saveFile();
    void saveFileAs();
    // A file against the connected device, in a dialog that talks to the
    // device over a link of its own while the window lets go of it.
    void compareWithDevice();

signals:
    // The file's content is in the pages; the route replay is under way.
    void importApplied();
    // Open File without a device: the file the user chose, to edit offline.
    void offlineFileChosen(const QString &path);
    void fileSaved(const QString &path);
    // Around Compare with Device, as around a settings restore after a
    // firmware upgrade: the window closes its connection, then opens it again.
    void releaseDeviceRequested();
    void reconnectRequested();

private:
    void writeCurrentFile();
    void onRouteAnswered(const QByteArray &frame);
    void onClearTimeout();
    void apply(const ConfigFile::Import &import);
    void sendFiltersAndRules(const ConfigFile::Import &import);
    void showMessage(const QString &text);
    // Asks for a file and reads it whole; nothing when the user cancels or
    // the file cannot be read (which is said).
    struct ChosenFile
    {
        QString path;
        ConfigFile::Import import;
    };
    std::optional<ChosenFile> chooseAndRead(const QString &title);

    Prompt *const m_prompt;
    DeviceSession *const m_session;
    const Pages m_pages;
    QTimer *const m_clearTimer;
    QString m_currentFilePath;
    std::optional<ConfigFile::Import> m_pending;
    bool m_pendingWholeDevice = false;
    bool m_listening = false;
    EditHistory *m_history = nullptr;
    std::function<bool()> m_openGuard;
};
