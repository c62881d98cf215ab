// The routing tab of the real main window, driven with the mouse, against
// the simulated device on a pseudo-terminal: what the canvas shows is what
// the device holds.
#include "app/mainwindow.h"
#include "device/devicesession.h"
#include "routing/routingscene.h"
#include "routing/routeline.h"
#include "routing/portcolumns.h"
#include "routing/routemodel.h"
#include "routing/routingcanvas.h"
#include "routing/routingpage.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"
#include "tests/support/windowfixture.h"

#include <QComboBox>
#include <QGraphicsView>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Routing;
using SimRoute = DeviceSimulator::Route;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// The Alder-4 reporting a hub count of 2 shows every USB port, the device
// port included (with its own count of 1 the device port stays hidden).
std::unique_ptr<SimulatedDevicePort> startDevice(const QString &model, int hubCount = 2)
{
    return TestSupport::startDevice(model, hubCount);
}

QVector<QByteArray> routeCommands(const DeviceSimulator *sim)
{
    QVector<QByteArray> commands;
    for (const auto &frame : sim->receivedFrames()) {
        if (frame.bytes.size() == 12 && frame.bytes.startsWith(hex("f0002f710201")))
            commands.append(frame.bytes);
    }
    return commands;
}

bool holdsOnly(const DeviceSimulator *sim, const QVector<SimRoute> &routes)
{
    if (sim->routes().size() != routes.size())
        return false;
    for (const SimRoute &r : routes) {
        if (!sim->routes().contains(r))
            return false;
    }
    return true;
}

QVector<Route> drawnRoutes(const RoutingPage *page)
{
    QVector<Route> routes;
    for (const RouteLine *line : page->canvas()->drawnLines())
        routes.append(line->route());
    std::sort(routes.begin(), routes.end());
    return routes;
}

} // namespace

class TestRoutingEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shouldRouteWhatTheMouseDraws();
    void shouldRefuseSamePortsPerModel_data();
    void shouldRefuseSamePortsPerModel();
    void shouldSendSameOutputOnceAndListItTwice();
    void shouldRequestThreeRoutesAfterOnePress();
    void shouldRemoveRouteTheDeviceRefuses();
    void shouldRemoveRouteOnRightClick();
    void shouldDisconnectAllOnlyWhenAnsweredYes_data();
    void shouldDisconnectAllOnlyWhenAnsweredYes();
    void shouldShowDeviceRoutesAfterReconnecting();
    void shouldSaveRoutingOnSet();
    void shouldReplayImportedRoutes();

private:
    bool connectTo(const QString &description);
    bool showRouting();
    QPushButton *in(const char *text) const;
    QPushButton *out(const char *text) const;
    RoutingPage *page() const { return m_window->routingPage(); }
    void rightClickLine(const RouteLine *line);

    TestSupport::WindowFixture m_fixture;
    std::unique_ptr<SimulatedDevicePort> m_device;
    std::unique_ptr<MainWindow> m_window;
};

void TestRoutingEndToEnd::init()
{
    m_fixture.reset();
}

void TestRoutingEndToEnd::cleanup()
{
    m_window.reset();
    m_device.reset();
    m_fixture.release();
}

bool TestRoutingEndToEnd::connectTo(const QString &description)
{
    if (!m_window) {
        m_window = m_fixture.makeWindow();
        m_window->resize(1000, 800);
    }
    return TestSupport::WindowFixture::connectTo(*m_window, description, 5000);
}

// The routing tab, once the device has told its ports, names and hub count.
bool TestRoutingEndToEnd::showRouting()
{
    m_window->tabWidget()->setCurrentWidget(page());
    return QTest::qWaitFor([&] { return page()->columns()->hintLabel() != nullptr; }, 5000)
        && QTest::qWaitForWindowExposed(m_window.get());
}

QPushButton *TestRoutingEndToEnd::in(const char *text) const
{
    return page()->graphicsView()->findChild<QPushButton *>(
        QStringLiteral("in_") + QString::fromLatin1(text).replace(' ', '_'));
}

QPushButton *TestRoutingEndToEnd::out(const char *text) const
{
    return page()->graphicsView()->findChild<QPushButton *>(
        QStringLiteral("out_") + QString::fromLatin1(text).replace(' ', '_'));
}

void TestRoutingEndToEnd::rightClickLine(const RouteLine *line)
{
    QGraphicsView *view = page()->graphicsView();
    const QPoint at = view->mapFromScene(line->line().center());
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, at);
}

void TestRoutingEndToEnd::shouldRouteWhatTheMouseDraws()
{
    m_device = startDevice("Kestrova Alder-4");
    QVERIFY(m_device);
    QVERIFY(connectTo("Kestrova Alder-4"));
    QVERIFY(showRouting());
    m_device->simulator()->restartClock();

    QTest::mouseClick(in("USB HOST 1"), Qt::LeftButton);
    QTest::mouseClick(out("USB Device 1"), Qt::LeftButton);

    QTRY_VERIFY(holdsOnly(m_device->simulator(), {SimRoute{1, 1, 2, 1}}));
    const QVector<QByteArray> sent = routeCommands(m_device->simulator());
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().mid(4, 7), hex("02010101020101"));
    QTRY_COMPARE(drawnRoutes(page()), (QVector<Route>{{{UsbHost, 1}, {UsbDevice, 1}}}));
    const RouteLine *line = page()->canvas()->drawnLines().first();
    QGraphicsView *view = page()->graphicsView();
    const QPoint start = view->viewport()->mapToGlobal(view->mapFromScene(line->line().p1()));
    const QPoint end = view->viewport()->mapToGlobal(view->mapFromScene(line->line().p2()));
    QPushButton *from = in("USB HOST 1");
    QPushButton *to = out("USB Device 1");
    QVERIFY((start - from->mapToGlobal(QPoint(from->width(), from->height() / 2))).manhattanLength() <= 2);
    QVERIFY((end - to->mapToGlobal(QPoint(0, to->height() / 2))).manhattanLength() <= 2);
    QVERIFY(m_fixture.prompt()->shown().isEmpty());
}

void TestRoutingEndToEnd::shouldRefuseSamePortsPerModel_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("sent");
    QTest::newRow("Alder-4: MIDI IN 1 to MIDI OUT 1 refused") << "Kestrova Alder-4" << "MIDI IN 1" << "MIDI OUT 1" << false;
    QTest::newRow("Alder-4: MIDI IN 1 to MIDI OUT 2") << "Kestrova Alder-4" << "MIDI IN 1" << "MIDI OUT 2" << true;
    QTest::newRow("Alder-4: USB HOST 1 to itself refused") << "Kestrova Alder-4" << "USB HOST 1" << "USB HOST 1" << false;
    QTest::newRow("Cedar-6: MIDI IN 1 to MIDI OUT 1 allowed") << "Kestrova Cedar-6" << "MIDI IN 1" << "MIDI OUT 1" << true;
    QTest::newRow("Cedar-6: USB Device 1 to itself refused") << "Kestrova Cedar-6" << "USB Device 1" << "USB Device 1" << false;
}

void TestRoutingEndToEnd::shouldRefuseSamePortsPerModel()
{
    QFETCH(QString, model);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(bool, sent);
    m_device = startDevice(model);
    QVERIFY(m_device);
    QVERIFY(connectTo(model));
    QVERIFY(showRouting());
    m_device->simulator()->restartClock();

    QTest::mouseClick(in(qPrintable(input)), Qt::LeftButton);
    QTest::mouseClick(out(qPrintable(output)), Qt::LeftButton);
    if (sent) {
        QTRY_COMPARE(m_device->simulator()->routes().size(), 1);
        QTRY_COMPARE(page()->canvas()->drawnLines().size(), 1);
    } else {
        // A refused route never reaches the device or the list.
        QTest::qWait(300);
        QVERIFY(page()->routeModel()->connList().isEmpty());
        QVERIFY(page()->canvas()->drawnLines().isEmpty());
    }
    QCOMPARE(routeCommands(m_device->simulator()).size(), sent ? 1 : 0);
    QVERIFY(m_fixture.prompt()->shown().isEmpty());
}

void TestRoutingEndToEnd::shouldSendSameOutputOnceAndListItTwice()
{
    m_device = startDevice("Kestrova Alder-4");
    QVERIFY(m_device);
    QVERIFY(connectTo("Kestrova Alder-4"));
    QVERIFY(showRouting());
    m_device->simulator()->restartClock();

    QTest::mouseClick(in("MIDI IN 1"), Qt::LeftButton);
    QTest::mouseClick(out("MIDI OUT 2"), Qt::LeftButton);
    QTest::mouseClick(out("MIDI OUT 2"), Qt::LeftButton);
    QTRY_COMPARE(page()->canvas()->drawnLines().size(), 1);
    QCOMPARE(routeCommands(m_device->simulator()).size(), 1);
    const Route route{{FivePin, 1}, {FivePin, 2}};
    QCOMPARE(page()->routeModel()->connList(), (QVector<Route>{route, route}));
}

void TestRoutingEndToEnd::shouldRequestThreeRoutesAfterOnePress()
{
    m_device = startDevice("Kestrova Alder-4");
    QVERIFY(m_device);
    QVERIFY(connectTo("Kestrova Alder-4"));
    QVERIFY(showRouting());
    m_device->simulator()->restartClock();

    QTest::mouseClick(in("MIDI IN 2"), Qt::LeftButton);
    for (const char *output : {"MIDI OUT 1", "USB HOST 2", "USB Device 1"})
        QTest::mouseClick(out(output), Qt::LeftButton);
    QTRY_VERIFY(holdsOnly(m_device->simulator(), {SimRoute{0, 2, 0, 1}, SimRoute{0, 2, 1, 2}, SimRoute{0, 2, 2, 1}}));
    QCOMPARE(routeCommands(m_device->simulator()).size(), 3);
    QTRY_COMPARE(page()->canvas()->drawnLines().size(), 3);
}

void TestRoutingEndToEnd::shouldRemoveRouteTheDeviceRefuses()
{
    m_device = startDevice("Kestrova Alder-4");
    QVERIFY(m_device);
    QVERIFY(connectTo("Kestrova Alder-4"));
    QVERIFY(showRouting());
    QTest::mouseClick(in("MIDI IN 1"), Qt::LeftButton);
    QTest::mouseClick(out("MIDI OUT 2"), Qt::LeftButton);
    QTRY_COMPARE(page()->canvas()->drawnLines().size(), 1);
    // The line is drawn at once; the refusals start once the device holds it.
    QTRY_VERIFY(holdsOnly(m_device->simulator(), {SimRoute{0, 1, 0, 2}}));

    DeviceSimulator::Faults faults;
    faults.refuseAll = true;
    faults.refuseCode = 3;
    m_device->simulator()->setFaults(faults);
    QTest::mouseClick(in("USB HOST 1"), Qt::LeftButton);
    QTest::mouseClick(out("MIDI OUT 1"), Qt::LeftButton);
    QTRY_COMPARE(m_fixture.prompt()->texts(),
                 QStringList{"Exceeding the number of routes (some connecting nodes have a specified number of routes)"});
    QCOMPARE(page()->routeModel()->connList(), (QVector<Route>{{{FivePin, 1}, {FivePin, 2}}}));
    QTest::qWait(300); // the debounced redraw after the answer
    QCOMPARE(drawnRoutes(page()), (QVector<Route>{{{FivePin, 1}, {FivePin, 2}}}));
    QVERIFY(holdsOnly(m_device->simulator(), {SimRoute{0, 1, 0, 2}}));
}

void TestRoutingEndToEnd::shouldRemoveRouteOnRightClick()
{
    m_device = startDevice("Kestrova Alder-4");
    QVERIFY(m_device);
    QVERIFY(connectTo("Kestrova Alder-4"));
    QVERIFY(showRouting());
    QTest::mouseClick(in("MIDI IN 2"), Qt::LeftButton);
    QTest::mouseClick(out("USB HOST 3"), Qt::LeftButton);
    QTest::mouseClick(in("USB HOST 2"), Qt::LeftButton);
    QTest::mouseClick(out("MIDI OUT 1"), Qt::LeftButton);
    QTRY_COMPARE(page()->canvas()->drawnLines().size(), 2);
    QTRY_COMPARE(m_device->simulator()->routes().size(), 2);

    const RouteLine *doomed = nullptr;
    for (const RouteLine *line : page()->canvas()->drawnLines()) {
        if (line->route() == Route{{FivePin, 2}, {UsbHost, 3}})
            doomed = line;
    }
    QVERIFY(doomed);
    rightClickLine(doomed);
    // No question: the removal goes out at once.
    QTRY_VERIFY(holdsOnly(m_device->simulator(), {SimRoute{1, 2, 0, 1}}));
    QTRY_COMPARE(drawnRoutes(page()), (QVector<Route>{{{UsbHost, 2}, {FivePin, 1}}}));
    QVERIFY(m_fixture.prompt()->shown().isEmpty());
    QCOMPARE(page()->routeModel()->pendingRouteOp(), 0);
}

void TestRoutingEndToEnd::shouldDisconnectAllOnlyWhenAnsweredYes_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("Yes") << int(Prompt::Ok) << true;
    QTest::newRow("NO") << int(Prompt::Cancel) << false;
}

void TestRoutingEndToEnd::shouldDisconnectAllOnlyWhenAnsweredYes()
{
    QFETCH(int, answer);
    QFETCH(bool, cleared);
    m_device = startDevice("Kestrova Alder-4");
    QVERIFY(m_device);
    QVERIFY(connectTo("Kestrova Alder-4"));
    QVERIFY(showRouting());
    QTest::mouseClick(in("MIDI IN 1"), Qt::LeftButton);
    QTest::mouseClick(out("MIDI OUT 2"), Qt::LeftButton);
    QTest::mouseClick(out("USB HOST 1"), Qt::LeftButton);
    QTRY_COMPARE(page()->canvas()->drawnLines().size(), 2);
    QTRY_COMPARE(m_device->simulator()->routes().size(), 2);
    m_device->simulator()->restartClock();

    m_fixture.prompt()->answerNext(answer);
    QTest::mouseClick(m_window->findChild<QPushButton *>("removeButton"), Qt::LeftButton);
    QCOMPARE(m_fixture.prompt()->shown().size(), 1);
    QCOMPARE(m_fixture.prompt()->shown().first().text, QString("Disconnect All ?"));
    QCOMPARE(m_fixture.prompt()->shown().first().okText, QString("Yes"));
    QCOMPARE(m_fixture.prompt()->shown().first().cancelText, QString("NO"));
    if (cleared) {
        QTRY_VERIFY(m_device->simulator()->routes().isEmpty());
        QTRY_VERIFY(page()->canvas()->drawnLines().isEmpty());
        QCOMPARE(routeCommands(m_device->simulator()), QVector<QByteArray>{hex("F0002F710201000000007FF7")});
        QVERIFY(page()->routeModel()->routeMap().isEmpty());
    } else {
        QTest::qWait(300);
        QVERIFY(routeCommands(m_device->simulator()).isEmpty());
        QCOMPARE(m_device->simulator()->routes().size(), 2);
        QCOMPARE(page()->canvas()->drawnLines().size(), 2);
    }
    QCOMPARE(m_fixture.prompt()->shown().size(), 1);
}

void TestRoutingEndToEnd::shouldShowDeviceRoutesAfterReconnecting()
{
    m_device = startDevice("Kestrova Alder-4");
    QVERIFY(m_device);
    QVERIFY(connectTo("Kestrova Alder-4"));
    QVERIFY(showRouting());
    QTest::mouseClick(in("USB Device 1"), Qt::LeftButton);
    QTest::mouseClick(out("MIDI OUT 1"), Qt::LeftButton);
    QTest::mouseClick(in("MIDI IN 2"), Qt::LeftButton);
    QTest::mouseClick(out("USB HOST 4"), Qt::LeftButton);
    QTRY_COMPARE(m_device->simulator()->routes().size(), 2);

    QTest::mouseClick(m_window->findChild<QPushButton *>("connectButton"), Qt::LeftButton); // Disconnect
    QVERIFY(!m_window->session()->isOpen());
    QVERIFY(page()->inputButtons().isEmpty());
    QVERIFY(page()->canvas()->drawnLines().isEmpty());
    QCOMPARE(page()->inputHeaderText(), QString("No device connected"));

    QVERIFY(connectTo("Kestrova Alder-4"));
    QVERIFY(showRouting());
    const QVector<Route> expected{{{FivePin, 2}, {UsbHost, 4}}, {{UsbDevice, 1}, {FivePin, 1}}};
    QTRY_COMPARE(drawnRoutes(page()), expected);
    for (const RouteLine *line : page()->canvas()->drawnLines())
        QVERIFY(line->inputButton() && line->inputButton()->isVisible() && line->outputButton() && line->outputButton()->isVisible());
}

void TestRoutingEndToEnd::shouldSaveRoutingOnSet()
{
    m_device = startDevice("Kestrova Alder-4");
    QVERIFY(m_device);
    QVERIFY(connectTo("Kestrova Alder-4"));
    QVERIFY(showRouting());
    m_device->simulator()->restartClock();
    QTest::mouseClick(m_window->findChild<QPushButton *>("setButton"), Qt::LeftButton);
    QTRY_COMPARE(m_fixture.prompt()->texts(), QStringList{"Configuration successful"});
    QCOMPARE(m_device->simulator()->receivedFrames().size(), 1);
    QCOMPARE(m_device->simulator()->receivedFrames().first().bytes, hex("F0002F71020200F7"));
}

void TestRoutingEndToEnd::shouldReplayImportedRoutes()
{
    m_device = startDevice("Kestrova Alder-4");
    QVERIFY(m_device);
    QVERIFY(connectTo("Kestrova Alder-4"));
    QVERIFY(showRouting());
    m_device->simulator()->restartClock();
    RouteModel *model = page()->routeModel();
    model->addRouteToReplay({{FivePin, 1}, {UsbHost, 2}});
    model->addRouteToReplay({{FivePin, 1}, {FivePin, 2}});
    model->addRouteToReplay({{UsbHost, 3}, {UsbDevice, 1}});
    model->addRouteToReplay({{FivePin, 9}, {FivePin, 2}}); // no MIDI IN 9 on this device: skipped
    model->addRouteToReplay({{FivePin, 2}, {FivePin, 2}}); // refused as any click would be
    page()->replayRoutes();
    QTRY_VERIFY(holdsOnly(m_device->simulator(), {SimRoute{0, 1, 1, 2}, SimRoute{0, 1, 0, 2}, SimRoute{1, 3, 2, 1}}));
    QCOMPARE(routeCommands(m_device->simulator()).size(), 3);
    QTRY_COMPARE(page()->canvas()->drawnLines().size(), 3);
    QVERIFY(m_fixture.prompt()->shown().isEmpty());
}

QTEST_MAIN(TestRoutingEndToEnd)
#include "tst_routingendtoend.moc"
