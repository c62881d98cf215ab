#include "configfile/ui/configfilecontroller.h"

#include "configfile/configlogging.h"
#include "configfile/configreader.h"
#include "configfile/configsaver.h"
#include "configfile/configwriter.h"
#include "configfile/savename.h"
#include "configfile/ui/comparedialog.h"
#include "configfile/ui/configsteps.h"
#include "configfile/ui/filequestions.h"
#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "filter/filtermodel.h"
#include "filter/filterpage.h"
#include "filter/filterprotocol.h"
#include "filter/portfilteringsituation.h"
#include "mapping/mappingoverlay.h"
#include "mapping/mappingpage.h"
#include "routing/routemodel.h"
#include "routing/routeprotocol.h"
#include "routing/routingpage.h"
#include "device/prompt.h"
#include "widgets/edithistory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTimer>

#include <memory>
#include <utility>

const QString ConfigFileController::FileFilter = QStringLiteral("Config Files (*.ini)");

ConfigFileController::ConfigFileController(Prompt *prompt, DeviceSession *session, const Pages &pages,
                                           QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_session(session)
    , m_pages(pages)
    , m_clearTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("configFileController"));
    m_clearTimer->setSingleShot(true);
    m_clearTimer->setInterval(ClearAnswerTimeoutMs);
    connect(m_clearTimer, &QTimer::timeout, this, &ConfigFileController::onClearTimeout);
}

QString ConfigFileController::startDirectory()
{
    if (QFileInfo(QStringLiteral("C:/")).isDir())
        return QStringLiteral("C:");
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString ConfigFileController::suggestedSavePath() const
{
    return ConfigFile::suggestedSavePath(m_session->reportedModel(), QDate::currentDate(),
                                         QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                         QDir::homePath());
}

void ConfigFileController::showMessage(const QString &text)
{
    m_prompt->showMessage(text, tr("OK"));
}

ConfigFile::Document ConfigFileController::document() const
{
    ConfigFile::Document doc;
    doc.model = m_session->reportedModel();
    doc.routeMap = m_pages.routing->routeModel()->routeMap();
    const QVector<PortFilteringSituation *> &situations = m_pages.filter->model()->filterSituations();
    for (int i = 0; i < situations.size(); ++i) {
        const PortFilteringSituation *situation = situations.at(i);
        if (!situation) {
            qCDebug(lcConfigFile) << "item" << i << "is nullptr";
            continue;
        }
        doc.listFiltering.append({situation->name(), situation->data()});
    }
    doc.boxStates = ConfigFile::boxStatesShowing(m_pages.filter->pageBytes());
    doc.feedbackMappings = m_pages.mapping->feedbackMappings();
    return doc;
}

ConfigFile::TargetPorts ConfigFileController::targetPorts() const
{
    ConfigFile::TargetPorts target;
    target.model = m_session->reportedModel();
    target.counts = m_pages.routing->routeModel()->portCounts();
    target.filterCounts = m_pages.filter->model()->filterPortCounts();
    return target;
}

void ConfigFileController::saveFile()
{
    if (m_currentFilePath.isEmpty()) {
        saveFileAs();
        return;
    }
    writeCurrentFile();
}

void ConfigFileController::saveFileAs()
{
    const QString chosen = m_prompt->saveFileName(tr("Save File"), suggestedSavePath(), FileFilter);
    m_currentFilePath = ConfigFile::withIniSuffix(chosen);
    // The dialog asked about the name as typed; the file with ".ini" added
    // is another one, and may be the user's.
    if (m_currentFilePath != chosen && QFileInfo::exists(m_currentFilePath)
        && m_prompt->message(Prompt::Question, tr("Save File"),
                             tr("%1 already exists.\nDo you want to replace it?")
                                 .arg(QFileInfo(m_currentFilePath).fileName()),
                             Prompt::Yes | Prompt::No)
            != Prompt::Yes) {
        m_currentFilePath.clear();
        return;
    }
    if (m_currentFilePath.isEmpty())
        return;
    writeCurrentFile();
}

void ConfigFileController::writeCurrentFile()
{
    ConfigFile::Saver saver;
    const bool saved = saver.save(m_currentFilePath, ConfigFile::write(document()));
    showMessage(saved ? tr("File saved successfully!") : tr("File save failed!"));
    if (saved)
        emit fileSaved(m_currentFilePath);
}

void ConfigFileController::openFile()
{
    // The device's answer to the last file's route removal is still due.
    if (m_pending) {
        showMessage(tr("The previous file is still being loaded, please try again in a moment"));
        return;
    }
    if (!m_session->isOpen() || m_session->isInProcess()) {
        // The path becomes the current one once the file is open offline: a
        // file that cannot be, or a user who keeps the one being edited,
        // must not make Save File write the pages over it.
        const QString path = m_prompt->openFileName(tr("Please select ini file!"), startDirectory(), FileFilter);
        if (!path.isEmpty())
            emit offlineFileChosen(path);
        return;
    }
    if (m_openGuard && !m_openGuard())
        return;
    // The file becomes the current one only once it is read and taken: Save
    // File must not write over a file that could not be opened.
    const std::optional<ChosenFile> chosen = chooseAndRead(tr("Please select ini file!"));
    if (!chosen)
        return;
    const QString &path = chosen->path;
    const ConfigFile::Translation translation = ConfigFile::translate(chosen->import, targetPorts());
    if (!FileQuestions::acceptLeftOut(m_prompt, tr("Open File"), translation))
        return;
    const ConfigFile::Import before = ConfigSteps::importOf(document());
    if (!importIntoDevice(translation.carried))
        return;
    m_currentFilePath = path;
    if (!m_history)
        return;
    m_history->record(new ConfigSteps::SetupStep(m_history, this,
                                                 tr("Open File %1").arg(QFileInfo(path).fileName()),
                                                 before, translation.carried));
    // The device now takes the file's setup: it is what was opened.
    m_history->markClean();
}

std::optional<ConfigFileController::ChosenFile> ConfigFileController::chooseAndRead(const QString &title)
{
    const QString path = m_prompt->openFileName(title, startDirectory(), FileFilter);
    if (path.isEmpty())
        return std::nullopt;
    const ConfigFile::ReadResult result = ConfigFile::readFile(path);
    if (!result.ok()) {
        showMessage(result.errorString());
        return std::nullopt;
    }
    return ChosenFile{path, result.import};
}

bool ConfigFileController::importIntoDevice(const ConfigFile::Import &import, bool wholeDevice)
{
    // The device must hold exactly the file's routes: its own go first, and
    // nothing of the file is applied until it says they are gone.
    m_pages.routing->cancelReplay();
    // Registered here rather than at construction: the routing page must see
    // the answer first, as it sees every route answer.
    if (!m_listening) {
        m_listening = true;
        m_session->dispatcher()->addHandler(FrameKind::RouteAnswer, this,
                                            [this](const QByteArray &frame) {
                                                onRouteAnswered(frame);
                                                return FeedbackDispatcher::Outcome::Handled;
                                            });
    }
    if (!m_session->write(Routing::removeAllCommand())) {
        showMessage(tr("Please connect the device and try again"));
        return false;
    }
    m_pending = import;
    m_pendingWholeDevice = wholeDevice;
    m_clearTimer->start();
    return true;
}

void ConfigFileController::compareWithDevice()
{
    if (!m_session->isOpen() || m_session->isInProcess()) {
        showMessage(tr("Please connect the device and try again"));
        return;
    }
    const std::optional<ChosenFile> chosen = chooseAndRead(tr("Compare with Device"));
    if (!chosen)
        return;
    const QString &path = chosen->path;
    // Every answer is checked and everything read back, which the pages
    // would answer with a box per command: the dialog has its own link.
    const QString port = m_session->connectedPortName();
    emit releaseDeviceRequested();
    auto *dialog = new CompareDialog(m_prompt, port, path, chosen->import, qobject_cast<QWidget *>(parent()));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // An Apply becomes a step once the window holds the device again.
    auto applied = std::make_shared<std::optional<std::pair<ConfigFile::Import, ConfigFile::Import>>>();
    connect(dialog, &CompareDialog::applied, this,
            [applied](const ConfigFile::Import &before, const ConfigFile::Import &after) {
                // Applied twice: still one step from what was there first.
                *applied = std::make_pair(*applied ? (*applied)->first : before, after);
            });
    connect(dialog, &QDialog::finished, this, [this, applied, name = QFileInfo(path).fileName()] {
        emit reconnectRequested();
        if (*applied && m_history && m_session->isOpen())
            m_history->record(new ConfigSteps::SetupStep(m_history, this, tr("Apply %1 to Device").arg(name),
                                                         (*applied)->first, (*applied)->second, true));
    });
    dialog->open();
    QTimer::singleShot(0, dialog, &CompareDialog::readDevice);
}

void ConfigFileController::onRouteAnswered(const QByteArray &frame)
{
    if (!m_pending)
        return;
    const auto answer = Routing::parseRouteAnswer(frame);
    // A connect's answer (a route drawn meanwhile) is not ours.
    if (!answer || answer->operation != Routing::OpRemove)
        return;
    m_clearTimer->stop();
    const ConfigFile::Import import = *m_pending;
    const bool wholeDevice = m_pendingWholeDevice;
    m_pending.reset();
    if (answer->result != 0) {
        showMessage(tr("File import failed, the device did not remove its routes!"));
        return;
    }
    if (wholeDevice)
        sendFiltersAndRules(import);
    apply(import);
}

void ConfigFileController::sendFiltersAndRules(const ConfigFile::Import &import)
{
    if (import.listFiltering) {
        for (const ConfigFile::FilterEntry &entry : *import.listFiltering) {
            if (const auto port = Filter::parsePortText(entry.portName))
                m_pages.filter->sendCommand(Filter::setCommand(port->typeCode, port->number, entry.bytes));
        }
    }
    // Rules the device gained are deleted with the rest; its own are stored again.
    m_pages.mapping->deleteAllRules();
    m_pages.mapping->restoreRules(import.feedbackMappings);
}

void ConfigFileController::onClearTimeout()
{
    if (!m_pending)
        return;
    m_pending.reset();
    showMessage(tr("File import failed, the device did not answer!"));
}

void ConfigFileController::apply(const ConfigFile::Import &import)
{
    // Routes: the canvas starts empty and is drawn again from the replay.
    RoutingPage *routing = m_pages.routing;
    RouteModel *routes = routing->routeModel();
    routing->clearRoutes();
    const Routing::PortCounts counts = routes->portCounts();
    for (const Routing::Route &route : import.routes) {
        // A port this model does not have would address no button.
        if (Routing::inputIndex(route.in, counts) && Routing::outputIndex(route.out, counts))
            routes->addRouteToReplay(route);
        else
            qCDebug(lcConfigFile) << "route skipped, no such port:" << route.in.type << route.in.number << "->"
                                  << route.out.type << route.out.number;
    }
    routing->replayRoutes();

    FilterPage *filter = m_pages.filter;
    if (import.listFiltering) {
        FilterModel *model = filter->model();
        model->clear();
        for (const ConfigFile::FilterEntry &entry : *import.listFiltering)
            model->append(entry.portName, entry.bytes);
    }
    for (auto it = import.boxStates.cbegin(); it != import.boxStates.cend(); ++it) {
        if (QCheckBox *box = filter->itemBox(it.key()))
            box->setChecked(it.value());
    }

    MappingPage *mapping = m_pages.mapping;
    if (!mapping->store().setFeedbackMappings(import.feedbackMappings))
        qCWarning(lcConfigFile) << "mapping records not taken:" << import.feedbackMappings.size();

    // Show what arrived: mapping number 1, and the filter of the first port.
    {
        QComboBox *numbers = mapping->mappingNumberCombo();
        const QSignalBlocker block(numbers);
        numbers->setCurrentIndex(0);
    }
    mapping->showMappingNumber(0);
    QComboBox *ports = filter->portCombo();
    if (ports->count() > 0) {
        {
            const QSignalBlocker block(ports);
            ports->setCurrentIndex(0);
        }
        filter->showPortFilter(ports->currentText());
    }
    filter->recountSections();
    QTimer::singleShot(0, mapping->overlay(), &MappingOverlay::rebuild);
    emit importApplied();
}
