// The main window against a simulated device on a real pseudo-terminal:
// discovery, Connect, the identification schedule, the headers per family,
// USB names, result texts driven by device answers, and losing the device.
#include "app/mainwindow.h"
#include "device/devicesession.h"
#include "device/sysexframecutter.h"
#include "device/sysex.h"
#include "device/portsource.h"
#include "device/vocabulary.h"
#include "mapping/mappingpage.h"
#include "routing/routingpage.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"
#include "tests/support/windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

using TestSupport::startDevice;

QLabel *label(MainWindow &w, const char *name) { return w.findChild<QLabel *>(QLatin1String(name)); }
QPushButton *connectButton(MainWindow &w) { return TestSupport::WindowFixture::connectButton(w); }

// The SysEx queries and text commands the device received, in order, with
// their arrival times.
struct HostTraffic
{
    QVector<int> queries;
    QVector<qint64> queryTimes;
    int identifications = 0;
    QVector<qint64> identificationTimes;
    int versionQueries = 0;
};

HostTraffic trafficOf(const DeviceSimulator *sim)
{
    HostTraffic t;
    for (const auto &frame : sim->receivedFrames()) {
        if (frame.bytes == Vocabulary::identificationQuery()) {
            ++t.identifications;
            t.identificationTimes.append(frame.atMs);
        } else if (frame.bytes == Vocabulary::versionQuery()) {
            ++t.versionQueries;
        } else if (frame.bytes.size() == 8 && frame.bytes.startsWith(hex("f0002f710103"))) {
            t.queries.append(static_cast<unsigned char>(frame.bytes.at(6)));
            t.queryTimes.append(frame.atMs);
        }
    }
    return t;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void connectsAndQueriesOnSchedule();
    void showsHeadersOfEachFamily_data();
    void showsHeadersOfEachFamily();
    void showsUsbNamesAndFreeSlots();
    void showsNothingAttachedForm();
    void reportsDeviceAnswers_data();
    void reportsDeviceAnswers();
    void refusesDeviceThatIsNotAccepted();
    void refusesConnectWithoutDevice();
    void explainsPermissionErrors_data();
    void explainsPermissionErrors();
    void disconnectsWhenDeviceGoesAwayAndReconnects();
    void disconnectButtonResetsPages();
    void exitAsksFirst();
    void factoryResetNeedsOpenPort();
    void writesSettingsFile();
    void repairsBadNoteName();

private:
    std::unique_ptr<MainWindow> makeWindow();
    bool connectTo(MainWindow &w, const QString &description);

    TestSupport::WindowFixture m_fixture;
};

void TestMainWindow::init()
{
    m_fixture.reset();
}

void TestMainWindow::cleanup()
{
    m_fixture.release();
}

std::unique_ptr<MainWindow> TestMainWindow::makeWindow()
{
    return m_fixture.makeWindow();
}

bool TestMainWindow::connectTo(MainWindow &w, const QString &description)
{
    return TestSupport::WindowFixture::connectTo(w, description);
}

void TestMainWindow::connectsAndQueriesOnSchedule()
{
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    auto w = makeWindow();
    // Listed under its USB description, with the pseudo-terminal as its port.
    QTRY_COMPARE(w->deviceCombo()->findText("Kestrova Alder-4"), 0);
    QCOMPARE(w->deviceCombo()->itemData(0).toString(), device->portName());
    QVERIFY(!w->isMappingPageShown());

    device->simulator()->restartClock();
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    QCOMPARE(connectButton(*w)->text(), QString("Disconnect"));
    QVERIFY(!w->deviceCombo()->isEnabled());
    QVERIFY(w->isMappingPageShown());
    QCOMPARE(w->tabWidget()->indexOf(w->mappingPage()), 2);
    QVERIFY(!w->mappingPage()->inputBoxes().first()->isHidden());

    QTRY_VERIFY_WITH_TIMEOUT(trafficOf(device->simulator()).queries.contains(7), 3000);
    QTRY_COMPARE(trafficOf(device->simulator()).versionQueries, 2); // one per model reply
    const HostTraffic t = trafficOf(device->simulator());
    QCOMPARE(t.identifications, 2);
    // Arrival times count from restartClock(), which comes before Connect, and
    // timers never fire early: so each query arrives no sooner than it is due,
    // on any machine and under any load. Spacing between arrivals is not
    // checked, as a busy machine may deliver two late timers together.
    QVERIFY2(t.identificationTimes.at(1) >= DeviceSession::SecondIdentificationMs,
             qPrintable(QString::number(t.identificationTimes.at(1))));
    QVector<int> scheduled;
    QVector<qint64> at;
    for (int i = 0; i < t.queries.size(); ++i) {
        if (t.queries.at(i) != 5) {
            scheduled.append(t.queries.at(i));
            at.append(t.queryTimes.at(i));
        }
    }
    QCOMPARE(scheduled, (QVector<int>{1, 2, 4, 3, 7}));
    const QVector<qint64> due{0, 50, 100, 150, 200};
    for (int i = 1; i < at.size(); ++i)
        QVERIFY2(at.at(i) >= due.at(i), qPrintable(QString("query %1 at %2 ms").arg(scheduled.at(i)).arg(at.at(i))));
    // Query 5 follows the filter port counts, which answer query 4.
    QVERIFY(t.queries.indexOf(5) > t.queries.indexOf(4));

    // The identification reached the session.
    QTRY_COMPARE(w->session()->deviceModel(), QString("Alder-4"));
    QTRY_COMPARE(w->session()->deviceVersion(), device->simulator()->profile().versionText);
    // The port counts built the routing page.
    const RoutingPage *routing = w->routingPage();
    QTRY_COMPARE(routing->inputButtons().size(), 2 + 8 + 1);
    QCOMPARE(routing->outputButtons().size(), 2 + 8 + 1);
    QCOMPARE(routing->inputButtons().at(2)->text(), QString("USB HOST 1"));
    QCOMPARE(routing->inputButtons().last()->text(), QString("USB Device 1"));
    QCOMPARE(routing->inputHeaderText(), QString(" Input Ports"));
    QVERIFY(m_fixture.prompt()->shown().isEmpty());
}

void TestMainWindow::showsHeadersOfEachFamily_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("routing");
    QTest::addColumn<bool>("mapping");
    QTest::addColumn<bool>("thirdPortLabels");
    QTest::newRow("Alder-4: family 1") << "Kestrova Alder-4" << true << true << true;
    QTest::newRow("Cedar-6: family 2") << "Kestrova Cedar-6" << true << false << false;
    QTest::newRow("Spruce-7 Pro: family 3") << "Kestrova-Spruce-7 Pro" << false << false << false;
    QTest::newRow("Rowan-W: family 4") << "Kestrova Rowan-W" << false << true << false;
    QTest::newRow("Maple-5: no family") << "Kestrova Maple-5" << false << false << false;
}

void TestMainWindow::showsHeadersOfEachFamily()
{
    QFETCH(QString, model);
    QFETCH(bool, routing);
    QFETCH(bool, mapping);
    QFETCH(bool, thirdPortLabels);
    auto device = startDevice(model);
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, model));
    QTRY_COMPARE_WITH_TIMEOUT(label(*w, "routingHeader")->isVisible(), routing, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(label(*w, "mappingHeader")->isVisible(), mapping, 3000);
    QCOMPARE(label(*w, "routingArrow")->isVisible(), routing);
    QCOMPARE(label(*w, "mappingArrow")->isVisible(), mapping);
    QVERIFY(label(*w, "filterHeader")->isVisible());
    QTRY_COMPARE(!label(*w, "inputPort2Label")->isHidden(), thirdPortLabels);
}

void TestMainWindow::showsUsbNamesAndFreeSlots()
{
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    const RoutingPage *routing = w->routingPage();
    QTRY_COMPARE(routing->inputNameLabels().size(), 9);
    QTRY_COMPARE(routing->inputNameLabels().at(0)->text(), QString("Keystation 49"));
    QCOMPARE(routing->outputNameLabels().at(0)->text(), QString("Keystation 49"));
    QCOMPARE(routing->inputNameLabels().at(1)->text(), QString("No device connected"));
    QCOMPARE(routing->usbSlotsInUse().at(0), 1);
    QCOMPARE(routing->usbSlotsInUse().at(1), 0);
}

void TestMainWindow::showsNothingAttachedForm()
{
    // The Cedar-6 has nothing plugged in: it answers with the 0xFF form.
    auto device = startDevice("Kestrova Cedar-6");
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Cedar-6"));
    const RoutingPage *routing = w->routingPage();
    QTRY_COMPARE(routing->outputButtons().size(), device->simulator()->profile().midiOut + 1);
    QTRY_COMPARE(routing->inputNameLabels().value(0) ? routing->inputNameLabels().at(0)->text() : QString(),
                 QString("No device connected"));
    QCOMPARE(routing->usbSlotsInUse(), QList<int>{0});
}

void TestMainWindow::reportsDeviceAnswers_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("USB port to itself") << hex("f0002f71020101010101 01f7") << "Velmora"
                                        << "Illegal routing (i.e. unable to connect in this way)";
    QTest::newRow("port that does not exist") << hex("f0002f71020100090001 01f7") << "Velmora"
                                              << "Port serial number error";
    QTest::newRow("routing save") << SysEx::frame(2, 2, hex("00")) << "Velmora" << "Configuration successful";
    QTest::newRow("filter for a port that does not exist")
        << SysEx::frame(2, 3, hex("0009") + QByteArray(27, '\0')) << "Velmora"
        << "Configuration failed:Wrong port serial number";
    QTest::newRow("filter for MIDI IN1")
        << SysEx::frame(2, 3, hex("0001") + QByteArray(27, '\0')) << "Velmora" << "Configuration successful";
    QTest::newRow("delete an empty mapping number") << hex("f0002f710205067f014500f7") << "Error"
                                                    << "No configuration: This port has no configuration mapping";
    QTest::newRow("mapping number 17") << SysEx::frame(2, 4, hex("0100000000510911010305900 07f007f0c0202010000 03c1007f")) << "Velmora"
                                              << "Data error. Please reconfigure and resend.)";
    QTest::newRow("factory reset") << SysEx::factoryResetCommand() << "Success" << "Factory reset successful.";
}

void TestMainWindow::reportsDeviceAnswers()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, title);
    QFETCH(QString, text);
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    // Let the connection replies settle first: none of them shows a box.
    QTRY_VERIFY(trafficOf(device->simulator()).queries.contains(7));
    QTest::qWait(300);
    QVERIFY(m_fixture.prompt()->shown().isEmpty());

    QVERIFY(w->session()->write(command));
    QTRY_COMPARE(m_fixture.prompt()->shown().size(), 1);
    QCOMPARE(m_fixture.prompt()->shown().first().title, title);
    QCOMPARE(m_fixture.prompt()->shown().first().text, text);
}

void TestMainWindow::refusesDeviceThatIsNotAccepted()
{
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    // The same pseudo-terminal listed under a name no accepted string matches.
    device->setListing(SimulatedDevicePort::Listing::Unlisted);
    const PortSourceRegistration pine(
        [&] { return QList<SourcedPort>{{device->portName(), "Kestrova Pine-1", 0x2F71, 0x0777}}; });
    auto w = makeWindow();
    QVERIFY(!connectTo(*w, "Kestrova Pine-1"));
    QCOMPARE(m_fixture.prompt()->shown().size(), 1);
    QCOMPARE(m_fixture.prompt()->shown().first().title, QString("Device Not Allowed"));
    QCOMPARE(m_fixture.prompt()->shown().first().text, QString("Not supported for this device!"));
    QCOMPARE(connectButton(*w)->text(), QString("Connect"));
    QVERIFY(device->simulator()->receivedFrames().isEmpty());
}

void TestMainWindow::explainsPermissionErrors_data()
{
    QTest::addColumn<bool>("nodeDenied");
    QTest::addColumn<bool>("hinted");
    QTest::newRow("device node closed to this user") << true << true;
    // Qt reports this as a permission error too; group membership would not help.
    QTest::newRow("port held by another program") << false << false;
}

void TestMainWindow::explainsPermissionErrors()
{
    QFETCH(bool, nodeDenied);
    QFETCH(bool, hinted);
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    auto w = makeWindow();
    QComboBox *devices = w->deviceCombo();
    QVERIFY(QTest::qWaitFor([&] { return devices->findText("Kestrova Alder-4") >= 0; }, 3000));
    devices->setCurrentIndex(devices->findText("Kestrova Alder-4"));

    const QByteArray node = QFile::encodeName(device->portName());
    QSerialPort holder(device->portName());
    if (nodeDenied) {
        // Root opens any node, so the click runs as an unprivileged user then.
        const bool root = ::geteuid() == 0;
        QCOMPARE(::chmod(node.constData(), root ? 0600 : 0), 0);
        struct Restore
        {
            bool root;
            ~Restore()
            {
                if (root && ::seteuid(0) != 0)
                    qFatal("cannot return to root");
            }
        } restore{root};
        if (root)
            QCOMPARE(::seteuid(65534), 0);
        QTest::mouseClick(connectButton(*w), Qt::LeftButton);
    } else {
        QVERIFY(holder.open(QIODevice::ReadWrite));
        QTest::mouseClick(connectButton(*w), Qt::LeftButton);
    }

    QVERIFY(!w->session()->isOpen());
    QCOMPARE(m_fixture.prompt()->shown().size(), 1);
    const QString text = m_fixture.prompt()->lastText();
    QVERIFY2(text.startsWith("Failed to open port: "), qPrintable(text));
    QCOMPARE(text.endsWith("\n\n" + MainWindow::PortPermissionHint), hinted);
    QCOMPARE(connectButton(*w)->text(), QString("Connect"));
}

void TestMainWindow::refusesConnectWithoutDevice()
{
    auto w = makeWindow();
    QCOMPARE(w->deviceCombo()->count(), 0);
    QTest::mouseClick(connectButton(*w), Qt::LeftButton);
    QCOMPARE(m_fixture.prompt()->texts(), QStringList{"Make sure there is a port connection"});
    QCOMPARE(m_fixture.prompt()->shown().first().okText, QString("OK"));
    QVERIFY(!w->session()->isOpen());
}

void TestMainWindow::disconnectsWhenDeviceGoesAwayAndReconnects()
{
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    QTRY_VERIFY(trafficOf(device->simulator()).queries.contains(7));

    device->stop();
    // The read error of the vanished pseudo-terminal closes the port at once.
    QTRY_VERIFY_WITH_TIMEOUT(!w->session()->isOpen(), 1100);
    QCOMPARE(connectButton(*w)->text(), QString("Connect"));
    QVERIFY(w->deviceCombo()->isEnabled());
    QVERIFY(!w->isMappingPageShown());
    // The next refresh of the device list drops the entry.
    QTRY_COMPARE_WITH_TIMEOUT(w->deviceCombo()->count(), 0, 2500);
    QVERIFY(m_fixture.prompt()->shown().isEmpty());

    // Plugged in again: listed again, and Connect works.
    auto again = startDevice("Kestrova Alder-4");
    QVERIFY(again);
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    QTRY_VERIFY(trafficOf(again->simulator()).queries.contains(7));
    QTRY_COMPARE(w->routingPage()->inputButtons().size(), 11);
}

void TestMainWindow::disconnectButtonResetsPages()
{
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    QTRY_COMPARE(w->routingPage()->inputButtons().size(), 11);
    QTest::mouseClick(connectButton(*w), Qt::LeftButton);
    QVERIFY(!w->session()->isOpen());
    QCOMPARE(connectButton(*w)->text(), QString("Connect"));
    QCOMPARE(w->routingPage()->inputButtons().size(), 0);
    QCOMPARE(w->routingPage()->inputHeaderText(), QString("No device connected"));
    QVERIFY(!w->isMappingPageShown());
    QVERIFY(w->mappingPage()->inputBoxes().first()->isHidden());
    // Still listed: the device is there, only disconnected.
    QCOMPARE(w->deviceCombo()->findText("Kestrova Alder-4"), 0);
}

void TestMainWindow::exitAsksFirst()
{
    auto w = makeWindow();
    QSignalSpy exit(w.get(), &MainWindow::exitRequested);
    QAction *action = w->findChild<QAction *>("actionExit");
    QVERIFY(action);
    m_fixture.prompt()->answerNext(Prompt::Cancel);
    action->trigger();
    QCOMPARE(exit.size(), 0);
    QVERIFY(w->isVisible());
    QCOMPARE(m_fixture.prompt()->shown().last().title, QString("Exit"));
    QCOMPARE(m_fixture.prompt()->shown().last().text, QString("Exit software?"));
    m_fixture.prompt()->answerNext(Prompt::Ok);
    action->trigger();
    QCOMPARE(exit.size(), 1);
}

void TestMainWindow::factoryResetNeedsOpenPort()
{
    auto w = makeWindow();
    QAction *action = w->findChild<QAction *>("actionFactoryReset");
    QVERIFY(action);
    m_fixture.prompt()->answerNext(Prompt::Cancel);
    action->trigger();
    QCOMPARE(m_fixture.prompt()->texts(), QStringList{"Factory Reset?"});
    action->trigger();
    QCOMPARE(m_fixture.prompt()->texts(), (QStringList{"Factory Reset?", "Factory Reset?", "Serial port not open."}));
    QCOMPARE(m_fixture.prompt()->shown().last().title, QString("Serial"));
}

void TestMainWindow::writesSettingsFile()
{
    const QString path = m_fixture.workPath("config.ini");
    QVERIFY(!QFile::exists(path));
    auto w = makeWindow();
    {
        QSettings file(path, QSettings::IniFormat);
        QCOMPARE(file.value("selectedMIDIName").toString(), QString("C4"));
        QCOMPARE(file.value("showCCNameEnabled").toBool(), true);
    }
    QAction *c5 = w->findChild<QAction *>("actionC5");
    QAction *cc = w->findChild<QAction *>("actionShowCCName");
    QVERIFY(c5 && cc);
    QVERIFY(w->findChild<QAction *>("actionC4")->isChecked());
    QVERIFY(cc->isChecked());
    c5->trigger();
    cc->trigger();
    QSettings file(path, QSettings::IniFormat);
    QCOMPARE(file.value("selectedMIDIName").toString(), QString("C5"));
    QCOMPARE(file.value("showCCNameEnabled").toBool(), false);
    QCOMPARE(w->settings().middleCOctave(), 5);
}

void TestMainWindow::repairsBadNoteName()
{
    const QString path = m_fixture.workPath("config.ini");
    {
        QSettings file(path, QSettings::IniFormat);
        file.setValue("selectedMIDIName", "");
        file.setValue("showCCNameEnabled", false);
    }
    auto w = makeWindow();
    QSettings file(path, QSettings::IniFormat);
    QCOMPARE(file.value("selectedMIDIName").toString(), QString("C4"));
    QCOMPARE(file.value("showCCNameEnabled").toBool(), false);
    QVERIFY(w->findChild<QAction *>("actionC4")->isChecked());
    QVERIFY(!w->findChild<QAction *>("actionShowCCName")->isChecked());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
