#include "configfile/ui/offlineeditor.h"

#include "configfile/configreader.h"
#include "configfile/configtranslation.h"
#include "configfile/ui/configfilecontroller.h"
#include "configfile/ui/filequestions.h"
#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "device/prompt.h"
#include "routing/routingpage.h"
#include "simulator/devicesimulator.h"
#include "simulator/offlineprofile.h"

#include <QFileInfo>

OfflineEditor::OfflineEditor(Prompt *prompt, DeviceSession *session, ConfigFileController *files, QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_session(session)
    , m_files(files)
{
    setObjectName(QStringLiteral("offlineEditor"));
    // The hub count answers the last of the connection's queries; the
    // file's routes may only be replaced once everything before it is in.
    connect(session->dispatcher(), &FeedbackDispatcher::hubCountReported, this, &OfflineEditor::onConnectionAnswered);
    connect(files->pages().routing, &RoutingPage::replayFinished, this, [this] { onLoadStep(RoutesReplayed); });
    connect(files, &ConfigFileController::importApplied, this, [this] { onLoadStep(ImportApplied); });
    connect(files, &ConfigFileController::fileSaved, this, &OfflineEditor::onFileSaved);
}

OfflineEditor::~OfflineEditor() = default;

QString OfflineEditor::windowTitle() const
{
    if (!isActive())
        return {};
    return QStringLiteral("%1 — offline (%2)").arg(QFileInfo(m_path).fileName(), m_model);
}

bool OfflineEditor::openFile(const QString &path)
{
    // A connected device's pages are not a file's to take over.
    if (m_session->isOpen() && !m_session->isInProcess())
        return false;
    const ConfigFile::ReadResult read = ConfigFile::readFile(path);
    if (!read.ok()) {
        m_prompt->showMessage(read.errorString(), QStringLiteral("OK"));
        return false;
    }
    QString model = read.import.model;
    if (!ConfigFile::portsOfModel(model)) {
        model = FileQuestions::chooseModel(m_prompt, QFileInfo(path).fileName(), model);
        if (model.isEmpty())
            return false;
    }
    const auto target = ConfigFile::portsOfModel(model);
    if (!target)
        return false;
    const ConfigFile::Translation translation = ConfigFile::translate(read.import, *target);
    if (!FileQuestions::acceptLeftOut(m_prompt, QStringLiteral("Open File"), translation))
        return false;
    const auto profile =
        DeviceProfiles::offline(model, ConfigFile::impliedHubCount(translation.carried, target->counts));
    if (!profile || !leave())
        return false;

    m_device = new DeviceSimulator(*profile, this);
    m_model = profile->modelText;
    m_path = path;
    m_pendingImport = translation.carried;
    m_loading = true;
    m_loadSteps = 0;
    m_session->openInProcess(profile->usbDescription, m_model, m_device);
    m_files->setCurrentFilePath(path);
    emit started();
    emit titleChanged(windowTitle());
    return true;
}

void OfflineEditor::onConnectionAnswered()
{
    if (!m_pendingImport || !m_session->isInProcess())
        return;
    const ConfigFile::Import import = *m_pendingImport;
    m_pendingImport.reset();
    if (!m_files->importIntoDevice(import))
        m_loading = false;
}

void OfflineEditor::onLoadStep(LoadStep step)
{
    if (!m_loading || m_pendingImport)
        return;
    m_loadSteps |= step;
    // The file is in once the pages hold it and the device has answered the
    // replay. Without routes the replay ends inside the import, before the
    // filters and mapping rules are in the pages.
    if (m_loadSteps == (ImportApplied | RoutesReplayed)) {
        m_loading = false;
        remember();
        emit fileLoaded();
    }
}

void OfflineEditor::onFileSaved(const QString &path)
{
    if (!isActive())
        return;
    m_path = path;
    remember();
    emit titleChanged(windowTitle());
}

void OfflineEditor::remember()
{
    m_saved = m_files->document();
}

bool OfflineEditor::hasUnsavedChanges() const
{
    if (!isActive() || m_loading)
        return false;
    const ConfigFile::Document now = m_files->document();
    return now.routeMap != m_saved.routeMap || now.listFiltering != m_saved.listFiltering
           || now.feedbackMappings != m_saved.feedbackMappings;
}

bool OfflineEditor::leave()
{
    if (!isActive())
        return true;
    if (m_leaveGuard) {
        if (!m_leaveGuard())
            return false;
    } else if (hasUnsavedChanges()) {
        const QString text = tr("The changes to %1 have not been saved. Leave offline editing without them?")
                                 .arg(QFileInfo(m_path).fileName());
        if (m_prompt->message(Prompt::Question, tr("Offline Editing"), text, Prompt::Yes | Prompt::No) != Prompt::Yes)
            return false;
    }
    m_session->close();
    delete m_device;
    m_device = nullptr;
    m_model.clear();
    m_path.clear();
    m_pendingImport.reset();
    m_loading = false;
    m_saved = ConfigFile::Document();
    // The file belonged to offline editing: Save File must not write the
    // next device's configuration over it without asking.
    m_files->setCurrentFilePath(QString());
    emit finished();
    emit titleChanged(QString());
    return true;
}
