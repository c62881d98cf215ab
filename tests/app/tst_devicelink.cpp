// The device link as the window sees it, against simulated devices on real
// pseudo-terminals: which port going away ends the connection, and USB names
// whose frames are as long as other reports.
#include "device/devicewatcher.h"
#include "device/serialport.h"
#include "filter/filtermodel.h"
#include "filter/filterpage.h"
#include "routing/routemodel.h"
#include "routing/routingpage.h"
#include "simulator/devicesimulator.h"
#include "tests/simulator/ptyhost.h"
#include "tests/support/windowfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QtTest>

#include <memory>
#include <vector>

using TestSupport::WindowFixture;

class TestDeviceLink : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fixture.reset(); }
    void cleanup() { m_fixture.release(); }

    void endsConnectionOnlyWithItsOwnPort_data();
    void endsConnectionOnlyWithItsOwnPort();
    void keepsNamesApartFromReportsOfTheirLength();

private:
    WindowFixture m_fixture;
};

void TestDeviceLink::endsConnectionOnlyWithItsOwnPort_data()
{
    QTest::addColumn<bool>("fixed");
    QTest::newRow("devices found on the bus") << false;
    QTest::newRow("devices named with --device") << true;
}

void TestDeviceLink::endsConnectionOnlyWithItsOwnPort()
{
    QFETCH(bool, fixed);
    auto alder = TestSupport::startDevice(QStringLiteral("Kestrova Alder-4"));
    auto cedar = TestSupport::startDevice(QStringLiteral("Kestrova Cedar-6"));
    QVERIFY(alder && cedar);
    auto w = m_fixture.makeWindow();
    // A --device entry is listed while its path exists. Holding the terminals
    // open keeps their numbers from going to another program's terminal, on
    // a busy machine, before the test has seen them go.
    std::vector<std::unique_ptr<PtyHost>> held;
    if (fixed) {
        // Listed through the command line only.
        for (SimulatedDevicePort *device : {alder.get(), cedar.get()}) {
            device->setListing(SimulatedDevicePort::Listing::Unlisted);
            w->deviceWatcher()->addFixedDevice({device->description(), device->portName()});
            held.push_back(std::make_unique<PtyHost>(device->portName()));
        }
        w->rescanDevices();
    }
    QVERIFY(WindowFixture::connectTo(*w, QStringLiteral("Kestrova Alder-4")));
    QCOMPARE(w->deviceCombo()->count(), 2);
    FilterPage *filter = w->filterPage();
    QTRY_VERIFY(filter->model()->count() > 0);
    QCheckBox *channel = filter->findChild<QCheckBox *>(QStringLiteral("channel1Box"));
    QVERIFY(channel);
    channel->click(); // an edit not sent yet
    const bool edited = channel->isChecked();
    const int records = filter->model()->count();

    // The other device goes: its entry with it, nothing else.
    cedar->stop();
    QTRY_COMPARE_WITH_TIMEOUT(w->deviceCombo()->count(), 1, 3000);
    QCOMPARE(w->deviceCombo()->itemText(0), QString("Kestrova Alder-4"));
    QVERIFY(!w->deviceWatcher()->isPresent(cedar->portName()));
    QVERIFY(w->session()->isOpen());
    QVERIFY(w->session()->serialPort()->isOpen());
    QCOMPARE(w->connectedDeviceName(), QString("Kestrova Alder-4"));
    QCOMPARE(WindowFixture::connectButton(*w)->text(), QString("Disconnect"));
    QVERIFY(w->isMappingPageShown());
    QCOMPARE(channel->isChecked(), edited);
    QCOMPARE(filter->model()->count(), records);

    // The connected one goes: disconnected, pages reset, entry dropped.
    alder->stop();
    QTRY_VERIFY_WITH_TIMEOUT(!w->session()->isOpen(), 2000);
    QCOMPARE(WindowFixture::connectButton(*w)->text(), QString("Connect"));
    QVERIFY(w->connectedDeviceName().isEmpty());
    QVERIFY(!w->isMappingPageShown());
    QCOMPARE(filter->model()->count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(w->deviceCombo()->count(), 0, 3000);
    QVERIFY(m_fixture.prompt()->shown().isEmpty());
}

void TestDeviceLink::keepsNamesApartFromReportsOfTheirLength()
{
    // Names of 2, 26 and 3 characters make 12-, 36- and 13-byte frames: the
    // lengths of a route report, a filter state and the filter port counts.
    // The second slot's frame, read as a filter state, would name MIDI OUT2.
    const QString longName = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    auto device = TestSupport::startDevice(QStringLiteral("Kestrova Alder-4"), -1,
                                           {QStringLiteral("K2"), longName, QStringLiteral("Pad")});
    QVERIFY(device);
    const DeviceSimulator *sim = device->simulator();
    int filterPorts = 0;
    for (int count : sim->profile().filterPortCounts)
        filterPorts += count;
    auto w = m_fixture.makeWindow();
    QVERIFY(WindowFixture::connectTo(*w, QStringLiteral("Kestrova Alder-4")));

    const RoutingPage *routing = w->routingPage();
    QTRY_COMPARE(routing->inputNameLabels().size(), 9);
    QTRY_COMPARE(routing->inputNameLabels().at(1)->text(), longName);
    QCOMPARE(routing->inputNameLabels().at(0)->text(), QString("K2"));
    QCOMPARE(routing->outputNameLabels().at(0)->text(), QString("K2"));
    QCOMPARE(routing->inputNameLabels().at(2)->text(), QString("Pad"));
    QCOMPARE(routing->usbSlotsInUse().mid(0, 4), (QList<int>{1, 1, 1, 0}));

    QTRY_COMPARE(w->filterPage()->model()->count(), filterPorts);
    QTest::qWait(300); // the debounced redraw after the last report
    QCOMPARE(w->filterPage()->model()->count(), filterPorts);
    QCOMPARE(routing->routeModel()->connList().size(), sim->routes().size());
    QVERIFY(m_fixture.prompt()->shown().isEmpty());
}

QTEST_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
