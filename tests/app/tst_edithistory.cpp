// Undo and redo in the real window against the simulated device: what a
// step sent is taken back on the device and on its page, and sent again.
#include "app/historydialog.h"
#include "configfile/configwriter.h"
#include "configfile/ui/comparedialog.h"
#include "configfile/ui/configfilecontroller.h"
#include "filter/filtermodel.h"
#include "filter/filterpage.h"
#include "filter/filtersection.h"
#include "filter/portfilteringsituation.h"
#include "mapping/mappingpage.h"
#include "mapping/standardmappingeditor.h"
#include "mapping/sysexmappingeditor.h"
#include "routing/portcolumns.h"
#include "routing/routemodel.h"
#include "routing/routeprotocol.h"
#include "routing/routingcanvas.h"
#include "routing/routingpage.h"
#include "simulator/devicesimulator.h"
#include "tests/support/windowfixture.h"
#include "widgets/edithistory.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QUndoStack>
#include <QUndoView>

#include <functional>

using namespace Routing;

namespace {

enum Kind { RouteMade, RouteRemoved, DisconnectAll, FilterEdit, FilterSet, MappingSend, MappingDel, MappingRestore,
            MappingField, MappingLine, MappingSysExRow, ApplyToDevice };

const Route OneToTwo{{FivePin, 1}, {FivePin, 2}};

} // namespace

class TestEditHistory : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fixture.reset(); }
    void cleanup()
    {
        m_window.reset();
        m_device.reset();
        m_fixture.release();
    }
    void stepUndoesAndRedoes_data();
    void stepUndoesAndRedoes();
    void refusedUndoStaysDone();
    void unsavedMarkAndSaveQuestion();

private:
    void start();
    void trigger(const char *name) { m_window->findChild<QAction *>(QLatin1String(name))->trigger(); }
    // Waits until the device has answered everything sent; the frames it got.
    QVector<QByteArray> settle();
    void prepare(Kind kind);
    void act(Kind kind);
    [[nodiscard]] QString deviceState() const;
    [[nodiscard]] QString pageState() const;
    [[nodiscard]] DeviceSimulator *sim() const { return m_device->simulator(); }
    [[nodiscard]] QUndoStack *stack() const { return m_window->editHistory()->stack(); }

    TestSupport::WindowFixture m_fixture;
    std::unique_ptr<SimulatedDevicePort> m_device;
    std::unique_ptr<MainWindow> m_window;
    Kind m_kind = RouteMade;
};

void TestEditHistory::start()
{
    m_device = TestSupport::startDevice(QStringLiteral("Kestrova Alder-4"), 2);
    QVERIFY(m_device);
    m_window = m_fixture.makeWindow();
    QVERIFY(TestSupport::WindowFixture::connectTo(*m_window, QStringLiteral("Kestrova Alder-4"), 5000));
    QTRY_VERIFY(m_window->filterPage()->model()->count() > 0 && m_window->routingPage()->columns()->hintLabel());
    settle();
}

QVector<QByteArray> TestEditHistory::settle()
{
    QTimer *answer = m_window->session()->answerTimer();
    QTest::qWait(60);
    [&] { QTRY_VERIFY(!answer->isActive()); }();
    QTest::qWait(60);
    QVector<QByteArray> frames;
    for (const auto &frame : sim()->receivedFrames())
        frames.append(frame.bytes);
    sim()->restartClock();
    return frames;
}

void TestEditHistory::prepare(Kind kind)
{
    MappingPage *mapping = m_window->mappingPage();
    if (kind == RouteRemoved || kind == DisconnectAll)
        QVERIFY(m_window->routingPage()->canvas()->requestRoute(OneToTwo.in, OneToTwo.out));
    if (kind == FilterSet)
        m_window->filterPage()->itemBox(QStringLiteral("channel3Box"))->click();
    if (kind == ApplyToDevice) {
        // A route and a filter the device lacks.
        ConfigFile::Document document = m_window->configFiles()->document();
        document.routeMap.insert(OneToTwo.in, OneToTwo.out);
        document.listFiltering[0].bytes[1] = 1;
        QFile file(m_fixture.workPath("studio.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ConfigFile::write(document)) > 0);
    } else if (kind >= MappingSend) {
        m_window->tabWidget()->setCurrentWidget(mapping);
        mapping->findChild<QComboBox *>(QStringLiteral("originalPlaceholderCombo"))->setCurrentText("Note On");
        mapping->findChild<QComboBox *>(QStringLiteral("mappedPlaceholderCombo"))->setCurrentText(
            kind == MappingSysExRow ? "System Exclusive" : "Program Change(PC)");
        if (kind != MappingSend)
            mapping->onSendClicked();
    }
    settle();
    m_fixture.prompt()->clear();
    // What came before is not under test.
    m_window->editHistory()->clear(QString());
}

void TestEditHistory::act(Kind kind)
{
    FilterPage *filter = m_window->filterPage();
    RoutingPage *routing = m_window->routingPage();
    MappingPage *mapping = m_window->mappingPage();
    const std::function<void()> actions[] = {
        [&] { QVERIFY(routing->canvas()->requestRoute(OneToTwo.in, OneToTwo.out)); },
        [&] { routing->removeRoute(OneToTwo); },
        [&] { routing->onDisconnectAllClicked(); },
        [&] { QTest::mouseClick(filter->section(FilterPage::Channels)->sectionBox(), Qt::LeftButton, {}, {4, 4}); },
        [&] { m_window->onSetClicked(); },
        [&] { mapping->onSendClicked(); },
        [&] { mapping->deleteSelectedMapping(); },
        [&] { mapping->onRestoreClicked(); },
        [&] { // two choices of one field make one step
            for (int i = 0; i < 2; ++i)
                QTest::keyClick(mapping->originalEditor()->channelCombo(), Qt::Key_Down);
        },
        [&] {
            m_window->activateWindow();
            for (QWidget *field : {mapping->originalEditor()->data2Field(), mapping->mappedEditor()->data1Field()}) {
                field->setFocus();
                QTest::keyClick(field, Qt::Key_Space);
            }
        },
        [&] {
            mapping->mappedSysExEditor()->tableView()->selectRow(1);
            mapping->mappedSysExEditor()->onDeleteClicked();
        },
        [&] { // the window lets go of the device meanwhile
            m_fixture.prompt()->answerNextFile(m_fixture.workPath("studio.ini"));
            trigger("actionCompareWithDevice");
            auto *dialog = m_window->findChild<CompareDialog *>();
            QTRY_VERIFY(dialog && !dialog->isBusy() && !dialog->shownLines().isEmpty());
            dialog->applyToDevice();
            dialog->reject();
        }};
    actions[kind]();
}

QString TestEditHistory::deviceState() const
{
    QStringList state;
    for (const auto &r : sim()->routes())
        state << QStringLiteral("%1.%2>%3.%4").arg(r.inKind).arg(r.inNumber).arg(r.outKind).arg(r.outNumber);
    state.sort();
    state << QString::fromLatin1(sim()->filter(0, 1).toHex());
    for (auto it = sim()->mappings().cbegin(); it != sim()->mappings().cend(); ++it)
        state << QString::number(it.key()) + QLatin1Char('=') + QString::fromLatin1(it.value().toHex());
    return state.join(QLatin1Char(' '));
}

QString TestEditHistory::pageState() const
{
    QStringList state;
    for (const Route &r : m_window->routingPage()->routeModel()->routes())
        state << Routing::buttonText(r.in, Side::Input) + QLatin1Char('>') + Routing::buttonText(r.out, Side::Output);
    for (qint32 byte : m_window->filterPage()->pageBytes())
        state << QString::number(byte);
    for (qint32 byte : m_window->filterPage()->model()->firstByName(QStringLiteral("MIDI IN1"))->data())
        state << QString::number(byte);
    const MappingPage *mapping = m_window->mappingPage();
    for (int n = 1; n <= 16; ++n) {
        if (mapping->feedbackMappings().at(n).enable)
            state << QStringLiteral("rule%1=%2").arg(n).arg(QString::fromLatin1(mapping->feedbackMappings().at(n).toStoreCommand().toHex()));
    }
    // The editors for steps that edit them (a rule stored or deleted shows it as the device holds it).
    if (m_kind >= MappingField)
        state << QString::fromLatin1(mapping->buildRecord().toStoreCommand().toHex());
    return state.join(QLatin1Char(' '));
}

void TestEditHistory::stepUndoesAndRedoes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("sends");
    QTest::newRow("route made") << int(RouteMade) << "Route MIDI IN 1 to MIDI OUT 2" << true;
    QTest::newRow("route removed") << int(RouteRemoved) << "Remove Route MIDI IN 1 to MIDI OUT 2" << true;
    QTest::newRow("Disconnect All") << int(DisconnectAll) << "Disconnect All" << true;
    QTest::newRow("filter boxes") << int(FilterEdit) << "Filter MIDI IN1: channels 1–16" << false;
    QTest::newRow("filter Set") << int(FilterSet) << "Filter MIDI IN1: Set" << true;
    QTest::newRow("mapping send") << int(MappingSend) << "Mapping 1: send" << true;
    QTest::newRow("mapping Del") << int(MappingDel) << "Mapping 1: Del" << true;
    QTest::newRow("mapping Restore") << int(MappingRestore) << "Mapping: Restore" << true;
    QTest::newRow("mapping field") << int(MappingField) << "Mapping 1: Original Channel" << false;
    QTest::newRow("mapping line") << int(MappingLine) << "Mapping 1: Data1 line" << false;
    QTest::newRow("mapping SysEx row") << int(MappingSysExRow) << "Mapping 1: Mapped SysEx row" << false;
    QTest::newRow("Apply to Device") << int(ApplyToDevice) << "Apply studio.ini to Device" << true;
}

void TestEditHistory::stepUndoesAndRedoes()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(bool, sends);
    m_kind = Kind(kind);
    start();
    prepare(Kind(kind));
    const QString deviceBefore = deviceState();
    const QString pageBefore = pageState();

    act(Kind(kind));
    const QVector<QByteArray> done = settle();
    QCOMPARE(stack()->count(), 1);
    QCOMPARE(stack()->text(0), name);
    QCOMPARE(!done.isEmpty(), sends);
    const QString deviceAfter = deviceState();
    const QString pageAfter = pageState();
    QVERIFY(pageAfter != pageBefore);

    trigger("actionUndo");
    const QVector<QByteArray> undone = settle();
    QCOMPARE(!undone.isEmpty(), sends);
    QVERIFY(undone != done || !sends);
    QCOMPARE(deviceState(), deviceBefore);
    QCOMPARE(pageState(), pageBefore);
    QCOMPARE(stack()->index(), 0);

    trigger("actionRedo");
    // Apply's own frames read the device and connect again around it.
    const QVector<QByteArray> redone = settle();
    QVERIFY(kind == ApplyToDevice ? !redone.isEmpty() : redone == done);
    QCOMPARE(deviceState(), deviceAfter);
    QCOMPARE(pageState(), pageAfter);
}

void TestEditHistory::refusedUndoStaysDone()
{
    start();
    QVERIFY(m_window->routingPage()->canvas()->requestRoute(OneToTwo.in, OneToTwo.out));
    settle();
    DeviceSimulator::Faults faults;
    faults.refuseAll = true;
    sim()->setFaults(faults);
    m_fixture.prompt()->clear();
    trigger("actionUndo");
    settle();
    // The device kept the route: so does the history, and the user is told.
    QCOMPARE(sim()->routes().size(), 1);
    QCOMPARE(stack()->index(), 1);
    QCOMPARE(m_fixture.prompt()->lastText(),
             QString("The device refused to undo \"Route MIDI IN 1 to MIDI OUT 2\": it kept the route"));

    // Compare with Device lends the port out for a while; the history waits.
    sim()->setFaults({});
    QFile file(m_fixture.workPath("same.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ConfigFile::write(m_window->configFiles()->document())) > 0);
    file.close();
    m_fixture.prompt()->answerNextFile(file.fileName());
    trigger("actionCompareWithDevice");
    auto *compare = m_window->findChild<CompareDialog *>();
    QTRY_VERIFY(compare && !compare->isBusy());
    compare->reject();
    QTRY_VERIFY(m_window->session()->isOpen());
    QCOMPARE(stack()->count(), 1);

    // A disconnect empties the history and the History view says why.
    trigger("actionHistory");
    auto *dialog = m_window->findChild<HistoryDialog *>();
    QVERIFY(dialog && dialog->isVisible());
    m_window->disconnectDevice();
    QCOMPARE(stack()->count(), 0);
    QCOMPARE(dialog->statusLabel()->text(), EditHistory::DisconnectedText);
}

void TestEditHistory::unsavedMarkAndSaveQuestion()
{
    start();
    ScriptedPrompt *prompt = m_fixture.prompt();
    QSignalSpy exits(m_window.get(), &MainWindow::exitRequested);
    prompt->answerNextFile(m_fixture.workPath("studio.ini"));
    trigger("actionSaveFileAs");
    QCOMPARE(m_window->windowTitle(), QString("studio.ini — Velmora"));

    QVERIFY(m_window->routingPage()->canvas()->requestRoute(OneToTwo.in, OneToTwo.out));
    QVERIFY(m_window->routingPage()->canvas()->requestRoute({FivePin, 2}, {FivePin, 1}));
    settle();
    QCOMPARE(m_window->windowTitle(), QString("studio.ini* — Velmora"));
    prompt->clear();
    prompt->answerNext(Prompt::Cancel);
    trigger("actionExit");
    QCOMPARE(prompt->texts(), QStringList{"Save changes to studio.ini?"});
    QCOMPARE(prompt->shown().first().buttons, int(Prompt::Save | Prompt::Discard | Prompt::Cancel));
    QCOMPARE(exits.count(), 0);

    // History…: choosing the first line goes back to the file as saved.
    trigger("actionHistory");
    auto *view = m_window->findChild<HistoryDialog *>()->view();
    QCOMPARE(view->model()->rowCount(), 3);
    QCOMPARE(view->model()->index(2, 0).data().toString(), QString("Route MIDI IN 2 to MIDI OUT 1"));
    view->setCurrentIndex(view->model()->index(0, 0));
    settle();
    QVERIFY(sim()->routes().isEmpty());
    QCOMPARE(m_window->windowTitle(), QString("studio.ini — Velmora"));
    prompt->clear();
    prompt->answerNext(Prompt::Cancel);
    trigger("actionExit");
    QCOMPARE(prompt->texts(), QStringList{"Exit software?"});

    // Forward again; Save writes the file and exits.
    view->setCurrentIndex(view->model()->index(2, 0));
    settle();
    QCOMPARE(sim()->routes().size(), 2);
    QCOMPARE(m_window->windowTitle(), QString("studio.ini* — Velmora"));
    prompt->clear();
    prompt->answerNext(Prompt::Save);
    trigger("actionExit");
    QCOMPARE(prompt->texts(), (QStringList{"Save changes to studio.ini?", "File saved successfully!"}));
    QCOMPARE(exits.count(), 1);
    QCOMPARE(m_window->windowTitle(), QString("studio.ini — Velmora"));
}

QTEST_MAIN(TestEditHistory)
#include "tst_edithistory.moc"
