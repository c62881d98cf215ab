// The filter page in the main window against a simulated device on a real
// pseudo-terminal: what "Set" leaves on the device, the device's refusals,
// and what the page shows after connecting again.
#include "app/mainwindow.h"
#include "device/devicesession.h"
#include "filter/filterbits.h"
#include "filter/filtermodel.h"
#include "filter/filterpage.h"
#include "filter/filterprotocol.h"
#include "filter/filtersection.h"
#include "filter/portfilteringsituation.h"
#include "routing/routingpage.h"
#include "device/feedbackdispatcher.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"
#include "tests/support/windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// A hub count outside 0..3 makes the routing page leave the filter ports alone.
constexpr int NoHubLayout = 4;

using TestSupport::startDevice;

QByteArray toBytes(const Filter::Bytes &bytes)
{
    QByteArray raw;
    for (qint32 b : bytes)
        raw.append(static_cast<char>(b));
    return raw;
}

int filterPortTotal(const DeviceSimulator *sim)
{
    int total = 0;
    for (int count : sim->profile().filterPortCounts)
        total += count;
    return total;
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

QList<QByteArray> filterCommandsReceived(const DeviceSimulator *sim)
{
    QList<QByteArray> commands;
    for (const auto &frame : sim->receivedFrames()) {
        if (frame.bytes.startsWith(QByteArray::fromHex("f0002f710203")))
            commands.append(frame.bytes);
    }
    return commands;
}

} // namespace

class TestFilterWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsPortsOfEachModel_data();
    void listsPortsOfEachModel();
    void rebuildsLindenPortsKeepingChosenPort();
    void setsChannelTenOnMidiIn1();
    void appliesToAllChangesEveryPort();
    void reportsEachRefusal_data();
    void reportsEachRefusal();
    void showsWhatDeviceReportsAfterReconnect();
    void sendsNothingBeforePortsAreReported();
    void factoryResetClearsPage();

private:
    std::unique_ptr<MainWindow> makeWindow();
    bool connectTo(MainWindow &w, const QString &description);
    bool waitForFilters(MainWindow &w, const SimulatedDevicePort &device);
    void pressSet(MainWindow &w);
    QCheckBox *box(MainWindow &w, const QString &name);

    TestSupport::WindowFixture m_fixture;
};

void TestFilterWindow::init()
{
    m_fixture.reset();
}

void TestFilterWindow::cleanup()
{
    m_fixture.release();
}

std::unique_ptr<MainWindow> TestFilterWindow::makeWindow()
{
    return m_fixture.makeWindow();
}

bool TestFilterWindow::connectTo(MainWindow &w, const QString &description)
{
    return TestSupport::WindowFixture::connectTo(w, description);
}

bool TestFilterWindow::waitForFilters(MainWindow &w, const SimulatedDevicePort &device)
{
    const int ports = filterPortTotal(device.simulator());
    return QTest::qWaitFor([&] { return w.filterPage()->model()->count() == ports; }, 5000);
}

void TestFilterWindow::pressSet(MainWindow &w)
{
    QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("setButton")), Qt::LeftButton);
}

QCheckBox *TestFilterWindow::box(MainWindow &w, const QString &name)
{
    return w.filterPage()->findChild<QCheckBox *>(name);
}

void TestFilterWindow::listsPortsOfEachModel_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("hubCount");
    QTest::addColumn<QStringList>("ports");
    const QStringList linden = {"MIDI IN1", "MIDI IN2", "MIDI OUT1", "MIDI OUT2", "USB HOST IN1", "USB HOST OUT1"};
    QStringList fourPairs = linden.mid(0, 4);
    for (int k = 1; k <= 4; ++k)
        fourPairs << QStringLiteral("USB HOST IN%1").arg(k) << QStringLiteral("USB HOST OUT%1").arg(k);
    QStringList cedar;
    for (const char *word : {"MIDI IN", "MIDI OUT"}) {
        for (int n = 1; n <= 6; ++n)
            cedar.append(QLatin1String(word) + QString::number(n));
    }
    cedar << "USB DEVICE IN1" << "USB DEVICE OUT1";
    QTest::newRow("Alder-4: the fixed Linden ports") << "Kestrova Alder-4" << NoHubLayout << linden;
    QTest::newRow("Alder-4 with one hub: four USB HOST pairs") << "Kestrova Alder-4" << 1 << fourPairs;
    QTest::newRow("Maple-5: the fixed Linden ports") << "Kestrova Maple-5" << NoHubLayout << linden;
    QTest::newRow("Rowan-W keeps what it reports")
        << "Kestrova Rowan-W" << 0 << QStringList{"MIDI IN1", "MIDI OUT1", "USB DEVICE IN1", "USB DEVICE OUT1"};
    QTest::newRow("Cedar-6 keeps what it reports") << "Kestrova Cedar-6" << 0 << cedar;
}

void TestFilterWindow::listsPortsOfEachModel()
{
    QFETCH(QString, model);
    QFETCH(int, hubCount);
    QFETCH(QStringList, ports);
    auto device = startDevice(model, hubCount);
    QVERIFY(device);
    auto w = makeWindow();
    QSignalSpy hubReports(w->session()->dispatcher(), &FeedbackDispatcher::hubCountReported);
    QSignalSpy hubLayouts(w->routingPage(), &RoutingPage::hubPortsChanged);
    QVERIFY(connectTo(*w, model));
    QVERIFY(waitForFilters(*w, *device));
    QVERIFY(hubReports.wait(3000) || !hubReports.isEmpty());
    // The count takes effect as it arrives; no later refresh changes the list.
    QCOMPARE(hubLayouts.size(), hubCount <= 3 ? 1 : 0);
    QCOMPARE(comboItems(w->filterPage()->portCombo()), ports);
    QCOMPARE(w->filterPage()->portCombo()->currentText(), ports.first());
    QVERIFY(w->filterPage()->portCombo()->isEnabled());
    QVERIFY(m_fixture.prompt()->shown().isEmpty());
}

void TestFilterWindow::rebuildsLindenPortsKeepingChosenPort()
{
    auto device = startDevice("Kestrova Alder-4", NoHubLayout);
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    QVERIFY(waitForFilters(*w, *device));
    FilterPage *page = w->filterPage();
    QComboBox *combo = page->portCombo();
    box(*w, "channel1Box")->click();
    pressSet(*w);
    QTRY_COMPARE(m_fixture.prompt()->texts(), QStringList{"Configuration successful"});

    combo->setCurrentIndex(combo->findText("USB HOST OUT1"));
    QVERIFY(!box(*w, "channel1Box")->isChecked());
    QSignalSpy changes(combo, &QComboBox::currentTextChanged);
    page->rebuildLindenPorts(4);
    QCOMPARE(combo->count(), 12);
    QCOMPARE(combo->itemText(6), QString("USB HOST IN2"));
    QCOMPARE(combo->itemText(11), QString("USB HOST OUT4"));
    QCOMPARE(combo->currentText(), QString("USB HOST OUT1"));
    QCOMPARE(changes.size(), 0);

    // The chosen port goes away: the chooser falls back to the first port, and
    // the page shows that port's filter rather than the vanished one's.
    combo->setCurrentIndex(combo->findText("USB HOST OUT4"));
    page->rebuildLindenPorts(1);
    QCOMPARE(combo->count(), 6);
    QCOMPARE(combo->currentText(), QString("MIDI IN1"));
    QVERIFY(box(*w, "channel1Box")->isChecked());
    QCOMPARE(page->counter(FilterPage::Channels), 1);
}

void TestFilterWindow::setsChannelTenOnMidiIn1()
{
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    QVERIFY(waitForFilters(*w, *device));
    QCOMPARE(w->filterPage()->portCombo()->currentText(), QString("MIDI IN1"));

    QTest::mouseClick(box(*w, "channel10Box"), Qt::LeftButton);
    QVERIFY(box(*w, "channel10Box")->isChecked());
    pressSet(*w);
    QTRY_COMPARE(m_fixture.prompt()->texts(), QStringList{"Configuration successful"});

    QByteArray expected(Filter::ByteCount, '\0');
    expected[1] = 0x04; // iimid bit 2: channel 10
    QCOMPARE(device->simulator()->filter(0, 1), expected);
    QCOMPARE(device->simulator()->filter(0, 2), QByteArray(Filter::ByteCount, '\0'));
    QCOMPARE(filterCommandsReceived(device->simulator()).size(), 1);
    QCOMPARE(toBytes(w->filterPage()->model()->firstByName("MIDI IN1")->data()), expected);
    QCOMPARE(toBytes(w->filterPage()->model()->firstByName("MIDI IN2")->data()),
             QByteArray(Filter::ByteCount, '\0'));
}

void TestFilterWindow::appliesToAllChangesEveryPort()
{
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    QVERIFY(waitForFilters(*w, *device));

    QTest::mouseClick(w->filterPage()->appliesToAll(), Qt::LeftButton);
    QVERIFY(!w->filterPage()->portCombo()->isEnabled());
    box(*w, "systemResetBox")->click();
    box(*w, "controller7Box")->click();
    pressSet(*w);
    QTRY_COMPARE(m_fixture.prompt()->texts(), QStringList{"Configuration successful"});

    const Filter::Bytes bytes = w->filterPage()->pageBytes();
    QCOMPARE(bytes[24], 0x40);
    const QByteArray expected = toBytes(bytes);
    const auto &counts = device->simulator()->profile().filterPortCounts;
    for (int type = 0; type < Filter::PortTypeCount; ++type) {
        for (int n = 1; n <= counts[type]; ++n)
            QCOMPARE(device->simulator()->filter(type, n), expected);
    }
    QCOMPARE(w->filterPage()->model()->count(), filterPortTotal(device->simulator()));
    for (const PortFilteringSituation *situation : w->filterPage()->model()->filterSituations())
        QCOMPARE(situation->data(), bytes);
    // One command for every port, addressed 7F 00.
    const QList<QByteArray> commands = filterCommandsReceived(device->simulator());
    QCOMPARE(commands.size(), 1);
    const QByteArray &command = commands.first();
    QCOMPARE(command.size(), 36);
    QCOMPARE(command.mid(6, 2), QByteArray::fromHex("7f00"));
}

void TestFilterWindow::reportsEachRefusal_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1 << "Configuration failed:Wrong port serial number";
    QTest::newRow("2") << 2 << "Configuration failed:Category error";
    QTest::newRow("3") << 3 << "Configuration failed:Category serial number error";
}

void TestFilterWindow::reportsEachRefusal()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    QVERIFY(waitForFilters(*w, *device));

    DeviceSimulator::Faults faults;
    faults.refuseAll = true;
    faults.refuseCode = static_cast<std::uint8_t>(code);
    device->simulator()->setFaults(faults);
    box(*w, "noteOnBox")->click();
    pressSet(*w);
    QTRY_COMPARE(m_fixture.prompt()->texts(), QStringList{text});
    QCOMPARE(m_fixture.prompt()->shown().first().okText, QString("OK"));
    QCOMPARE(device->simulator()->filter(0, 1), QByteArray(Filter::ByteCount, '\0'));
    // The record keeps what was sent: the device's refusal is only reported.
    QCOMPARE(w->filterPage()->model()->firstByName("MIDI IN1")->data()[3], 0x01);
}

void TestFilterWindow::showsWhatDeviceReportsAfterReconnect()
{
    auto device = startDevice("Kestrova Cedar-6");
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Cedar-6"));
    QVERIFY(waitForFilters(*w, *device));
    FilterPage *page = w->filterPage();
    page->portCombo()->setCurrentIndex(page->portCombo()->findText("MIDI OUT3"));
    for (const char *name : {"channel16Box", "pitchBendBox", "controller64Box", "controller127Box", "tickBox"})
        box(*w, name)->click();
    const Filter::Bytes sent = page->pageBytes();
    pressSet(*w);
    QTRY_COMPARE(m_fixture.prompt()->texts(), QStringList{"Configuration successful"});
    QCOMPARE(device->simulator()->filter(1, 3), toBytes(sent));

    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("connectButton")), Qt::LeftButton);
    QVERIFY(!w->session()->isOpen());
    QCOMPARE(page->portCombo()->count(), 0);
    QCOMPARE(page->model()->count(), 0);
    QVERIFY(!box(*w, "channel16Box")->isChecked());
    QCOMPARE(page->counter(FilterPage::ControlChange), 0);

    QVERIFY(connectTo(*w, "Kestrova Cedar-6"));
    QVERIFY(waitForFilters(*w, *device));
    QCOMPARE(page->portCombo()->currentText(), QString("MIDI IN1"));
    QVERIFY(!box(*w, "channel16Box")->isChecked());
    page->portCombo()->setCurrentIndex(page->portCombo()->findText("MIDI OUT3"));
    QCOMPARE(page->pageBytes(), sent);
    for (const char *name : {"channel16Box", "pitchBendBox", "controller64Box", "controller127Box", "tickBox"})
        QVERIFY2(box(*w, name)->isChecked(), name);
    QCOMPARE(page->counter(FilterPage::Channels), 1);
    QCOMPARE(page->counter(FilterPage::ControlChange), 2);
    QCOMPARE(page->section(FilterPage::ControlChange)->sectionBox()->checkState(), Qt::PartiallyChecked);
}

void TestFilterWindow::sendsNothingBeforePortsAreReported()
{
    auto device = startDevice("Kestrova Alder-4");
    QVERIFY(device);
    DeviceSimulator::Faults silent;
    silent.noAnswer = true;
    device->simulator()->setFaults(silent);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Alder-4"));
    QCOMPARE(w->filterPage()->portCombo()->count(), 0);
    // Listing ports here would make the port count report look like a
    // repeat, and the filter states would never be asked for.
    w->filterPage()->rebuildLindenPorts(4);
    QCOMPARE(w->filterPage()->portCombo()->count(), 0);
    box(*w, "channel1Box")->click();
    pressSet(*w);
    QCOMPARE(m_fixture.prompt()->texts(), QStringList{FilterPage::NoPortText});
    QTest::qWait(200);
    QVERIFY(filterCommandsReceived(device->simulator()).isEmpty());
}

void TestFilterWindow::factoryResetClearsPage()
{
    auto device = startDevice("Kestrova Cedar-6");
    QVERIFY(device);
    auto w = makeWindow();
    QVERIFY(connectTo(*w, "Kestrova Cedar-6"));
    QVERIFY(waitForFilters(*w, *device));
    QTest::mouseClick(w->filterPage()->section(FilterPage::Channels)->sectionBox(), Qt::LeftButton);
    QCOMPARE(w->filterPage()->counter(FilterPage::Channels), 16);
    pressSet(*w);
    QTRY_COMPARE(m_fixture.prompt()->texts(), QStringList{"Configuration successful"});

    m_fixture.prompt()->answerNext(Prompt::Ok);
    w->findChild<QAction *>(QStringLiteral("actionFactoryReset"))->trigger();
    QTRY_VERIFY(m_fixture.prompt()->texts().contains("Factory reset successful."));
    QCOMPARE(w->filterPage()->model()->count(), 0);
    QCOMPARE(w->filterPage()->counter(FilterPage::Channels), 0);
    QVERIFY(!box(*w, "channel1Box")->isChecked());
    QCOMPARE(device->simulator()->filter(0, 1), QByteArray(Filter::ByteCount, '\0'));
}

QTEST_MAIN(TestFilterWindow)
#include "tst_filterwindow.moc"
