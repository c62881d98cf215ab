// The routing canvas on its own, over a route model: what it asks for when
// the user clicks, and which lines it shows as the model changes.
#include "routing/routingscene.h"
#include "routing/routeline.h"
#include "routing/portcolumns.h"
#include "routing/routemodel.h"
#include "routing/routingcanvas.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Routing;

namespace {

QByteArray frame(std::initializer_list<int> values)
{
    QByteArray bytes = QByteArray::fromHex("F0002F710201");
    for (int value : values)
        bytes.append(static_cast<char>(value));
    bytes.append(static_cast<char>(0xF7));
    return bytes;
}

QByteArray report(const Route &r) { return frame({r.in.type, r.in.number, r.out.type, r.out.number, 1}); }
QByteArray answer(int operation, int result) { return frame({operation, result}); }

const Route In1ToOut2{{FivePin, 1}, {FivePin, 2}};
const Route HostToOut1{{UsbHost, 1}, {FivePin, 1}};

} // namespace

class TestRoutingCanvas : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shouldAskForWhatTheUserClicked();
    void shouldDrawWhatTheModelAnnounces_data();
    void shouldDrawWhatTheModelAnnounces();

private:
    QPushButton *button(const char *name) const { return m_canvas->viewport()->findChild<QPushButton *>(name); }
    QVector<Route> drawn() const
    {
        QVector<Route> routes;
        for (const RouteLine *line : m_canvas->drawnLines())
            routes.append(line->route());
        return routes;
    }

    std::unique_ptr<RouteModel> m_model;
    std::unique_ptr<RoutingCanvas> m_canvas;
};

void TestRoutingCanvas::init()
{
    m_model = std::make_unique<RouteModel>();
    m_model->setPortCounts({2, 2, 1, 0});
    m_canvas = std::make_unique<RoutingCanvas>();
    m_canvas->setModel(m_model.get());
    m_canvas->resize(800, 500);
    m_canvas->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_canvas.get()));
    m_canvas->rebuild({2, 2, 1, 0});
}

void TestRoutingCanvas::cleanup()
{
    m_canvas.reset();
    m_model.reset();
}

void TestRoutingCanvas::shouldAskForWhatTheUserClicked()
{
    QSignalSpy pressed(m_canvas.get(), &RoutingCanvas::inputPressed);
    QSignalSpy connects(m_canvas.get(), &RoutingCanvas::connectRequested);
    QSignalSpy removals(m_canvas.get(), &RoutingCanvas::removeRequested);

    // An output before any input asks for nothing.
    QTest::mouseClick(button("out_MIDI_OUT_1"), Qt::LeftButton);
    QVERIFY(connects.isEmpty());

    QTest::mouseClick(button("in_USB_HOST_1"), Qt::LeftButton);
    QCOMPARE(pressed.size(), 1);
    QCOMPARE(pressed.first().first().value<Port>(), (Port{UsbHost, 1}));
    // The input stays after the selection ends: two outputs, two requests.
    QTest::mouseClick(button("out_MIDI_OUT_1"), Qt::LeftButton);
    QTest::mouseClick(button("out_USB_HOST_1"), Qt::LeftButton);
    QCOMPARE(connects.size(), 2);
    QCOMPARE(connects.at(0).first().value<Route>(), HostToOut1);
    QCOMPARE(connects.at(1).first().value<Route>(), (Route{{UsbHost, 1}, {UsbHost, 1}}));
    QVERIFY2(m_model->connList().isEmpty(), "the canvas asks; it records nothing");

    // A right-click on a drawn line asks for its removal; the line stays
    // until the model lets it go.
    QVERIFY(m_model->handleRouteSituation(report(In1ToOut2)));
    m_canvas->fitSceneAndRedraw();
    QCOMPARE(drawn(), QVector<Route>{In1ToOut2});
    const QPoint at = m_canvas->mapFromScene(m_canvas->drawnLines().first()->line().center());
    QTest::mouseClick(m_canvas->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QCOMPARE(removals.size(), 1);
    QCOMPARE(removals.first().first().value<Route>(), In1ToOut2);
    QCOMPARE(drawn(), QVector<Route>{In1ToOut2});
}

void TestRoutingCanvas::shouldDrawWhatTheModelAnnounces_data()
{
    // Two reported routes, then one command and the device's answer to it.
    QTest::addColumn<int>("command"); // 0 remove In1ToOut2, 1 connect MIDI IN 2 -> OUT 1, 2 remove all
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QVector<Route>>("shown");
    const Route in2ToOut1{{FivePin, 2}, {FivePin, 1}};
    QTest::newRow("removal accepted") << 0 << answer(0, 0) << QVector<Route>{HostToOut1};
    QTest::newRow("removal refused: the line stays") << 0 << answer(0, 1) << QVector<Route>{In1ToOut2, HostToOut1};
    QTest::newRow("connect accepted") << 1 << answer(1, 0) << QVector<Route>{In1ToOut2, HostToOut1, in2ToOut1};
    QTest::newRow("connect refused") << 1 << answer(1, 2) << QVector<Route>{In1ToOut2, HostToOut1};
    QTest::newRow("remove all accepted") << 2 << answer(0, 0) << QVector<Route>{};
    QTest::newRow("remove all refused") << 2 << answer(0, 3) << QVector<Route>{In1ToOut2, HostToOut1};
}

void TestRoutingCanvas::shouldDrawWhatTheModelAnnounces()
{
    QFETCH(int, command);
    QFETCH(QByteArray, reply);
    QFETCH(QVector<Route>, shown);
    m_model->handleRouteSituation(report(In1ToOut2));
    m_model->handleRouteSituation(report(HostToOut1));
    QVERIFY2(drawn().isEmpty(), "reported routes wait for the redraw after the burst");
    QVERIFY(m_canvas->findChild<QTimer *>(QStringLiteral("debounceTimer"))->isActive());
    QTRY_COMPARE(drawn(), (QVector<Route>{In1ToOut2, HostToOut1}));

    if (command == 0) {
        (void)m_model->deleteRoute(In1ToOut2);
    } else if (command == 1) {
        m_model->pressInput({FivePin, 2});
        (void)m_model->endClick(FivePin, 1, nullptr);
    } else {
        (void)m_model->disconnectAll();
    }
    m_model->handleRouteAnswer(reply);
    QTRY_COMPARE(drawn(), shown);
    QCOMPARE(m_canvas->routingScene()->items().size(), shown.size());

    // A line to a hidden button leaves the scene and comes back with it.
    button("in_USB_HOST_1")->hide();
    QTRY_COMPARE(drawn().contains(HostToOut1), false);
    button("in_USB_HOST_1")->show();
    QTRY_COMPARE(drawn(), shown);
}

QTEST_MAIN(TestRoutingCanvas)
#include "tst_routingcanvas.moc"
