// Save File, Save File As and Open File in the real main window, against the
// simulated device on a pseudo-terminal: a saved setup comes back onto a
// reset device, a file that cannot be used changes nothing, and velmora-cli
// dumps the very bytes the window saves.
#include "tests/mapping/samplerecords.h"
#include "tests/support/simulateddevice.h"
#include "app/mainwindow.h"
#include "configfile/configreader.h"
#include "configfile/configwriter.h"
#include "configfile/ui/comparedialog.h"
#include "configfile/ui/configfilecontroller.h"
#include "configfile/ui/offlineeditor.h"
#include "device/devicesession.h"
#include "filter/filterbits.h"
#include "filter/filtermodel.h"
#include "filter/filterpage.h"
#include "mapping/mappingpage.h"
#include "routing/portcolumns.h"
#include "routing/routemodel.h"
#include "routing/routingcanvas.h"
#include "routing/routingpage.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"
#include "tests/support/scriptedprompt.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace Routing;
using SimRoute = DeviceSimulator::Route;

namespace {

const QString Cedar = QStringLiteral("Kestrova Cedar-6");
const QString Saved = QStringLiteral("File saved successfully!");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QVector<SimRoute> sorted(QVector<SimRoute> routes)
{
    std::sort(routes.begin(), routes.end(), [](const SimRoute &a, const SimRoute &b) {
        return std::tie(a.inKind, a.inNumber, a.outKind, a.outNumber)
               < std::tie(b.inKind, b.inNumber, b.outKind, b.outNumber);
    });
    return routes;
}

// The stored bytes of a rule as the device keeps them: between 02 04 and F7.
QByteArray storedForm(const MappingRecord &record)
{
    return record.toStoreCommand().mid(6).chopped(1);
}

} // namespace

class TestConfigFileEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void savedSetupComesBackOntoResetDevice();
    void routesTheDeviceCannotHaveAreSkipped();
    void badOpenChangesNothing_data();
    void badOpenChangesNothing();
    void saveWithoutDeviceAndItsFailures();
    void commandLineDumpEqualsSaveFile();
    void offlineEditComparedAndAppliedToDevice();

private:
    bool connectDevice(DeviceSimulator::Faults faults = {});
    void trigger(const char *action);
    void addRoute(const Port &in, const Port &out);
    void setFilter(const QString &port, const QString &box);
    QByteArray windowState() const;
    // velmora-cli's dump of the device, while this process serves it.
    QByteArray commandLineDump();
    ConfigFileController *files() const { return m_window->configFiles(); }
    DeviceSimulator *sim() const { return m_device->simulator(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<SimulatedDevicePort> m_device;
    std::unique_ptr<MainWindow> m_window;
};

void TestConfigFileEndToEnd::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_prompt = std::make_unique<ScriptedPrompt>();
    m_window = std::make_unique<MainWindow>(nullptr, m_prompt.get(), m_dir->filePath("settings.ini"));
    m_window->show();
}

void TestConfigFileEndToEnd::cleanup()
{
    m_window.reset();
    m_device.reset();
    m_prompt.reset();
    m_dir.reset();
}

bool TestConfigFileEndToEnd::connectDevice(DeviceSimulator::Faults faults)
{
    m_device = TestSupport::startDevice(Cedar);
    if (!m_device)
        return false;
    QComboBox *devices = m_window->deviceCombo();
    if (!QTest::qWaitFor([&] { return devices->findText(Cedar) >= 0; }, 5000))
        return false;
    devices->setCurrentIndex(devices->findText(Cedar));
    QTest::mouseClick(m_window->findChild<QPushButton *>("connectButton"), Qt::LeftButton);
    // Every port's filter arrives last of the connection's answers.
    const bool ready = m_window->session()->isOpen()
                       && QTest::qWaitFor([&] { return m_window->filterPage()->model()->count() == 14; }, 5000);
    QTest::qWait(300);
    sim()->setFaults(faults);
    sim()->restartClock();
    m_prompt->clear();
    return ready;
}

void TestConfigFileEndToEnd::trigger(const char *action)
{
    QAction *found = m_window->findChild<QAction *>(QLatin1String(action));
    QVERIFY2(found && found->isEnabled(), action);
    found->trigger();
}

void TestConfigFileEndToEnd::addRoute(const Port &in, const Port &out)
{
    RoutingPage *page = m_window->routingPage();
    QVERIFY(page->canvas()->requestRoute(in, out));
}

void TestConfigFileEndToEnd::setFilter(const QString &port, const QString &box)
{
    m_window->tabWidget()->setCurrentIndex(0);
    QComboBox *ports = m_window->filterPage()->portCombo();
    ports->setCurrentIndex(ports->findText(port));
    m_window->filterPage()->itemBox(box)->click();
    m_prompt->clear();
    m_window->onSetClicked();
    QTRY_COMPARE(m_prompt->texts(), QStringList{"Configuration successful"});
}

QByteArray TestConfigFileEndToEnd::windowState() const
{
    return ConfigFile::write(files()->document());
}

QByteArray TestConfigFileEndToEnd::commandLineDump()
{
#ifdef VELMORA_CLI
    const QString dumped = m_dir->filePath("cli.ini");
    QProcess cli;
    cli.start(QStringLiteral(VELMORA_CLI), {QStringLiteral("dump"), m_device->portName(), QStringLiteral("-o"), dumped});
    if (!QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 20000) || cli.exitCode() != 0)
        qWarning() << cli.readAllStandardError();
    return readAll(dumped);
#else
    return {};
#endif
}

void TestConfigFileEndToEnd::savedSetupComesBackOntoResetDevice()
{
    QVERIFY(connectDevice());
    // Filters on two ports, three routes, two mapping rules read back.
    setFilter("MIDI IN1", "channel3Box");
    setFilter("MIDI OUT2", "controller7Box");
    addRoute({FivePin, 1}, {FivePin, 2});
    addRoute({FivePin, 1}, {UsbDevice, 1});
    addRoute({UsbDevice, 1}, {FivePin, 1});
    const QVector<SimRoute> routes = sorted({{0, 1, 0, 2}, {0, 1, 2, 1}, {2, 1, 0, 1}});
    QTRY_COMPARE(sorted(sim()->routes()), routes);
    const MappingRecord first = noteOnToProgramChange(1);
    MappingRecord third = noteOnToProgramChange(3);
    third.originalChannel = 5;
    QVERIFY(m_window->session()->write(first.toStoreCommand()));
    QVERIFY(m_window->session()->write(third.toStoreCommand()));
    QTRY_COMPARE(sim()->mappings().size(), 2);
    m_window->mappingPage()->onReadClicked();
    QTRY_VERIFY(m_window->mappingPage()->feedbackMappings().at(3).enable);

    const QString path = m_dir->filePath("studio.ini");
    m_prompt->clear();
    m_prompt->answerNextFile(path);
    trigger("actionSaveFileAs");
    QCOMPARE(m_prompt->texts(), (QStringList{QString(), Saved}));
    QCOMPARE(files()->currentFilePath(), path);
    const QByteArray saved = readAll(path);
    QCOMPARE(saved, windowState());
    const ConfigFile::Document before = files()->document();

    // The device forgets everything and gets a route the file does not have.
    m_window->onFactoryResetTriggered();
    QTRY_VERIFY(sim()->routes().isEmpty() && sim()->mappings().isEmpty());
    QTRY_COMPARE(m_window->filterPage()->model()->count(), 0);
    addRoute({FivePin, 3}, {FivePin, 3});
    QTRY_COMPARE(sim()->routes().size(), 1);

    QSignalSpy replayed(m_window->routingPage(), &RoutingPage::replayFinished);
    m_prompt->clear();
    m_prompt->answerNextFile(path);
    trigger("actionOpenFile");
    QVERIFY(replayed.wait(5000));
    QCOMPARE(sorted(sim()->routes()), routes);
    // The route drawn since the save is an unsaved change; then the dialog.
    QCOMPARE(m_prompt->texts(), (QStringList{"Save changes to studio.ini?", QString()}));
    QCOMPARE(m_window->filterPage()->model()->count(), 14);
    const ConfigFile::Document after = files()->document();
    QCOMPARE(after.listFiltering, before.listFiltering);
    QCOMPARE(after.feedbackMappings, before.feedbackMappings);
    QVERIFY(after.feedbackMappings.at(1).enable && after.feedbackMappings.at(3).enable);
    QCOMPARE(after.routeMap, before.routeMap);
    // The pages show it: the first port's filter, mapping number 1's rule.
    QCOMPARE(m_window->filterPage()->portCombo()->currentText(), QString("MIDI IN1"));
    QVERIFY(m_window->filterPage()->itemBox("channel3Box")->isChecked());
    QCOMPARE(m_window->filterPage()->counter(FilterPage::Channels), 1);
    QCOMPARE(m_window->mappingPage()->buildRecord(), first);

    // Saved again with the same port shown: the same bytes.
    QComboBox *ports = m_window->filterPage()->portCombo();
    ports->setCurrentIndex(ports->findText("MIDI OUT2"));
    m_prompt->clear();
    trigger("actionSaveFile");
    QCOMPARE(m_prompt->texts(), QStringList{Saved});
    QCOMPARE(readAll(path), saved);

    // "Set" and "send" put the file's filter and rule onto the device.
    m_window->tabWidget()->setCurrentIndex(0);
    m_window->onSetClicked();
    QByteArray out2;
    for (qint32 b : Filter::encode({"controller7Box"}))
        out2.append(char(b));
    QTRY_COMPARE(sim()->filter(1, 2), out2);
    m_window->mappingPage()->onSendClicked();
    QTRY_COMPARE(sim()->mappings().value(1), storedForm(first));
}

void TestConfigFileEndToEnd::routesTheDeviceCannotHaveAreSkipped()
{
    QVERIFY(connectDevice());
    const QByteArray before = windowState();
    const QString path = m_dir->filePath("other-model.ini");
    QVERIFY(writeFile(path, R"({"model": "Alder-4", "MIDI IN 9": ["MIDI OUT 1"], "MIDI IN 2": ["MIDI OUT 9", "MIDI OUT 3", "USB HOST 1"],
                                "USB Device 1": ["USB Device 1"], "feedbackMappings": [{}, {"hh6": 65}]})"));
    QSignalSpy replayed(m_window->routingPage(), &RoutingPage::replayFinished);
    m_prompt->answerNextFile(path);
    trigger("actionOpenFile");
    QVERIFY(replayed.wait(5000));
    QCOMPARE(sim()->routes(), (QVector<SimRoute>{{0, 2, 0, 3}}));
    // No "listFiltering": the device's filters stay; two records padded to 17.
    QCOMPARE(files()->document().listFiltering, ConfigFile::read(before).import.listFiltering.value());
    QCOMPARE(m_window->mappingPage()->feedbackMappings().size(), 17);
    QCOMPARE(int(m_window->mappingPage()->feedbackMappings().at(1).numberByte), 65);
    // Asked first, naming both models; accepted, what carries was sent.
    QCOMPARE(m_prompt->texts().size(), 2);
    QVERIFY(m_prompt->lastText().startsWith("This file was saved from an Alder-4. 3 routes use ports the Cedar-6"));
}

void TestConfigFileEndToEnd::badOpenChangesNothing_data()
{
    QTest::addColumn<QByteArray>("content"); // "-" for no file at all
    QTest::addColumn<int>("fault");          // 0 none, 1 refuse, 2 no answer
    QTest::addColumn<QString>("message");
    const QByteArray good(R"({"MIDI IN 2": ["MIDI OUT 3"], "listFiltering": []})");
    QTest::newRow("array root") << QByteArray("[1]") << 0 << "File import failed, JSON format error!";
    QTest::newRow("not JSON") << QByteArray("{]") << 0 << "File import failed, JSON format error!";
    QTest::newRow("wrong type") << QByteArray(R"({"listFiltering": [], "c1": "on"})") << 0
                                << R"(File import failed, "c1" must be true or false!)";
    QTest::newRow("byte too wide") << QByteArray(R"({"feedbackMappings": [{"mm": 300}]})") << 0
                                   << R"(File import failed, "feedbackMappings" entry 0: "mm" must be a whole number from 0 to 255!)";
    QTest::newRow("vanished") << QByteArray("-") << 0 << "Unable to open file!";
    QTest::newRow("other model, declined")
        << QByteArray(R"({"model": "Alder-4", "USB HOST 1": ["MIDI OUT 1"], "MIDI IN 2": ["MIDI OUT 3"]})") << 0
        << "This file was saved from an Alder-4. 1 route uses ports the Cedar-6 does not have and will be left out: "
           "route USB HOST 1 → MIDI OUT 1.\n\nGo on without them?";
    QTest::newRow("clear refused") << good << 1 << "File import failed, the device did not remove its routes!";
    QTest::newRow("clear unanswered") << good << 2 << "File import failed, the device did not answer!";
}

void TestConfigFileEndToEnd::badOpenChangesNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(int, fault);
    QFETCH(QString, message);
    DeviceSimulator::Faults faults;
    faults.refuseAll = fault == 1;
    faults.noAnswer = fault == 2;
    QVERIFY(connectDevice());
    addRoute({FivePin, 1}, {FivePin, 2});
    QTRY_COMPARE(sim()->routes().size(), 1);
    sim()->setFaults(faults);
    sim()->restartClock();
    const QByteArray before = windowState();

    const QString path = m_dir->filePath("bad.ini");
    if (content != "-")
        QVERIFY(writeFile(path, content));
    m_prompt->answerNextFile(path);
    m_prompt->answerNext(Prompt::No); // the question a file from another model asks
    trigger("actionOpenFile");
    QTRY_COMPARE_WITH_TIMEOUT(m_prompt->lastText(), message, ConfigFileController::ClearAnswerTimeoutMs + 2000);
    QTest::qWait(100);
    QCOMPARE(windowState(), before);
    // (A device that stays silent may or may not have done what it was asked.)
    if (fault != 2)
        QCOMPARE(sim()->routes().size(), 1);
    // Only a file that was read whole asks the device to clear its routes.
    QCOMPARE(sim()->receivedFrames().size(), fault ? 1 : 0);
    // Save File must not write over a file that could not be opened (or
    // was declined); a file read whole stays the current one.
    QCOMPARE(files()->currentFilePath(), fault ? path : QString());
    QVERIFY(!files()->isImportPending());
}

void TestConfigFileEndToEnd::saveWithoutDeviceAndItsFailures()
{
    // Without a device Open File edits a file offline; one that cannot be
    // read opens nothing.
    m_prompt->answerNextFile(m_dir->filePath("missing.ini"));
    trigger("actionOpenFile");
    QCOMPARE(m_prompt->texts(), (QStringList{QString(), "Unable to open file!"}));
    QVERIFY(!m_window->offlineEditor()->isActive() && files()->currentFilePath().isEmpty());

    // A cancelled dialog writes nothing, says nothing, and forgets the path.
    m_prompt->clear();
    trigger("actionSaveFile");
    QCOMPARE(m_prompt->shown().size(), 1);
    QCOMPARE(m_prompt->shown().first().title, QString("Save File"));
    QVERIFY(files()->currentFilePath().isEmpty());

    // A folder cannot be written over; the path stays for the next attempt.
    m_prompt->clear();
    m_prompt->answerNextFile(m_dir->path());
    trigger("actionSaveFileAs");
    QCOMPARE(m_prompt->lastText(), QString("File save failed!"));
    QCOMPARE(files()->currentFilePath(), m_dir->path());

    const QString path = m_dir->filePath("offline.ini");
    m_prompt->answerNextFile(path);
    trigger("actionSaveFileAs");
    QCOMPARE(m_prompt->lastText(), Saved);
    QFile golden(QStringLiteral(VELMORA_GOLDEN_DIR "/empty.ref"));
    QVERIFY(golden.open(QIODevice::ReadOnly));
    QCOMPARE(readAll(path), golden.readAll());
    QVERIFY(!ConfigFileController::startDirectory().isEmpty());

    // "offline" typed is saved as "offline.ini": the dialog did not ask
    // about that file, so it is replaced only when the user says so.
    for (const int answer : {int(Prompt::No), int(Prompt::Yes)}) {
        m_prompt->clear();
        m_prompt->answerNextFile(m_dir->filePath("offline"));
        m_prompt->answerNext(answer);
        trigger("actionSaveFileAs");
        QCOMPARE(m_prompt->texts().value(1), QString("offline.ini already exists.\nDo you want to replace it?"));
        QCOMPARE(m_prompt->texts().value(2), answer == Prompt::Yes ? Saved : QString());
        QCOMPARE(files()->currentFilePath(), answer == Prompt::Yes ? path : QString());
    }
}

QTEST_MAIN(TestConfigFileEndToEnd)
#include "tst_configfileendtoend.moc"

void TestConfigFileEndToEnd::commandLineDumpEqualsSaveFile()
{
#ifndef VELMORA_CLI
    QSKIP("velmora-cli is not built");
#else
    QVERIFY(connectDevice());
    setFilter("MIDI OUT2", "controller7Box");
    setFilter("MIDI IN1", "channel3Box"); // the port a fresh connection shows
    addRoute({FivePin, 1}, {FivePin, 2});
    addRoute({UsbDevice, 1}, {FivePin, 1});
    QTRY_COMPARE(sim()->routes().size(), 2);
    QVERIFY(m_window->session()->write(noteOnToProgramChange(2).toStoreCommand()));
    QTRY_COMPARE(sim()->mappings().size(), 1);
    m_window->mappingPage()->onReadClicked();
    QTRY_VERIFY(m_window->mappingPage()->feedbackMappings().at(2).enable);

    const QString saved = m_dir->filePath("window.ini");
    m_prompt->clear();
    m_prompt->answerNextFile(saved);
    trigger("actionSaveFileAs");
    QCOMPARE(m_prompt->texts(), (QStringList{QString(), Saved}));
    m_window->disconnectDevice();
    QTRY_VERIFY(!m_window->session()->isOpen());
    QVERIFY(!readAll(saved).isEmpty());
    QCOMPARE(commandLineDump(), readAll(saved));
#endif
}

void TestConfigFileEndToEnd::offlineEditComparedAndAppliedToDevice()
{
#ifndef VELMORA_CLI
    QSKIP("velmora-cli is not built");
#else
    // An older file names no model: the window asks which one to edit it for.
    const QString path = m_dir->filePath("studio.ini");
    QVERIFY(writeFile(path, R"({"MIDI IN 1": ["MIDI OUT 2"]})"));
    OfflineEditor *offline = m_window->offlineEditor();
    QSignalSpy replayed(m_window->routingPage(), &RoutingPage::replayFinished);
    m_prompt->answerNextFile(path);
    m_prompt->answerNextChoice("Cedar-6");
    trigger("actionOpenFile");
    QCOMPARE(m_prompt->shown().value(1).items, (QStringList{"Alder-4", "Cedar-6", "Spruce-7", "Rowan-W", "Maple-5"}));
    QVERIFY(replayed.wait(5000));
    QCOMPARE(m_window->windowTitle(), QString("studio.ini — offline (Cedar-6)"));
    QCOMPARE(m_window->filterPage()->model()->count(), 14);
    QVERIFY(!m_window->findChild<QAction *>("actionCompareWithDevice")->isEnabled());

    // A route and a filter change; while unsaved, connecting asks first.
    addRoute({FivePin, 3}, {FivePin, 4});
    setFilter("MIDI IN1", "channel3Box");
    QTRY_VERIFY(offline->hasUnsavedChanges());
    m_prompt->answerNext(Prompt::No);
    m_window->onConnectClicked();
    QVERIFY(offline->isActive() && m_window->session()->isInProcess());
    m_prompt->clear();
    trigger("actionSaveFile");
    QCOMPARE(m_prompt->texts(), QStringList{Saved});
    QVERIFY(!offline->hasUnsavedChanges());

    QSignalSpy asked(m_prompt.get(), &ScriptedPrompt::boxShown);
    QVERIFY(connectDevice());
    QCOMPARE(asked.count(), 0);
    QCOMPARE(m_window->windowTitle(), QString("Velmora"));

    // Ctrl+D: the file against the box, both changes in words.
    m_prompt->answerNextFile(path);
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_D, Qt::ControlModifier);
    auto *dialog = m_window->findChild<CompareDialog *>();
    QVERIFY(dialog);
    QTRY_VERIFY(!dialog->isBusy() && !dialog->shownLines().isEmpty());
    QCOMPARE(dialog->shownLines(), (QStringList{"route MIDI IN 1 → MIDI OUT 2: only in the file",
                                                "route MIDI IN 3 → MIDI OUT 4: only in the file",
                                                "MIDI IN 1 filter: channel 3 filtered only in the file"}));
    for (QWidget *control : dialog->findChildren<QWidget *>())
        QVERIFY2(!(control->focusPolicy() & Qt::TabFocus) || !control->accessibleName().isEmpty(),
                 qPrintable(control->objectName()));

    // Applied with every answer checked and read back; the window connects again.
    dialog->findChild<QPushButton *>("applyToDeviceButton")->click();
    QVERIFY2(dialog->statusText().startsWith("Applied and read back"), qPrintable(dialog->statusText()));
    QCOMPARE(sorted(sim()->routes()), sorted({{0, 1, 0, 2}, {0, 3, 0, 4}}));
    dialog->findChild<QPushButton *>("closeButton")->click();
    QVERIFY(m_window->session()->isOpen());
    m_window->disconnectDevice();
    QCOMPARE(commandLineDump(), readAll(path));
#endif
}
