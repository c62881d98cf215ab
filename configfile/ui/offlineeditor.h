#pragma once

#include "configfile/configdocument.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class ConfigFileController;
class DeviceSession;
class DeviceSimulator;
class Prompt;

// Editing a configuration file without a device: the file's model runs as a
// simulated device inside this process, the session connects to it as to a
// port, and the file goes into it exactly as Open File puts a file into a
// device. The pages therefore show and edit it as they would for a connected
// device of that model, and Save File writes what they hold.
class OfflineEditor : public QObject
{
    Q_OBJECT

public:
    OfflineEditor(Prompt *prompt, DeviceSession *session, ConfigFileController *files, QObject *parent = nullptr);
    ~OfflineEditor() override;

    [[nodiscard]] bool isActive() const { return m_device != nullptr; }
    [[nodiscard]] QString model() const { return m_model; }
    [[nodiscard]] DeviceSimulator *device() const { return m_device; }
    // "<file name> — offline (<model>)"; empty when not editing offline.
    [[nodiscard]] QString windowTitle() const;
    // The routes, filters or mapping rules differ from what was opened or
    // last saved. The filter page's check boxes are a view and do not count.
    [[nodiscard]] bool hasUnsavedChanges() const;
    // Asked instead of the editor's own question before offline editing
    // ends; true lets it end.
    void setLeaveGuard(std::function<bool()> guard) { m_leaveGuard = std::move(guard); }

public slots:
    // Opens the file for the model it names, asking for one when it names
    // none whose ports are known and before anything of it is left out;
    // asks before unsaved changes to the file being edited are dropped.
    // False when nothing was opened.
    bool openFile(const QString &path);
    // Ends offline editing, asking first when there are unsaved changes;
    // false when the user keeps editing.
    bool leave();

signals:
    // The in-process device is connected; its pages fill as a device's do.
    void started();
    void finished();
    void titleChanged(const QString &title);
    // The opened file is wholly in the pages and the device.
    void fileLoaded();

private:
    enum LoadStep { ImportApplied = 1, RoutesReplayed = 2 };
    void onConnectionAnswered();
    void onLoadStep(LoadStep step);
    void onFileSaved(const QString &path);
    void remember();

    Prompt *const m_prompt;
    DeviceSession *const m_session;
    ConfigFileController *const m_files;
    DeviceSimulator *m_device = nullptr;
    QString m_model;
    QString m_path;
    // Waits for the device to have answered the connection's queries.
    std::optional<ConfigFile::Import> m_pendingImport;
    bool m_loading = false;
    int m_loadSteps = 0;
    ConfigFile::Document m_saved;
    std::function<bool()> m_leaveGuard;
};
