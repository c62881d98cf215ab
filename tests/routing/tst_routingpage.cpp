// The routing page against the real feedback path (receive buffer and
// dispatcher) with no port open: the device's frames are fed in as bytes.
#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "device/sysexframecutter.h"
#include "routing/routingscene.h"
#include "routing/routeline.h"
#include "routing/portcolumns.h"
#include "routing/routemodel.h"
#include "routing/routingcanvas.h"
#include "routing/routingpage.h"
#include "simulator/devicereplies.h"
#include "tests/support/scriptedprompt.h"

#include <QGraphicsView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Routing;

namespace {

QByteArray routeReport(int inKind, int inNumber, int outKind, int outNumber, int flag)
{
    QByteArray frame = QByteArray::fromHex("F0002F710201");
    for (int value : {inKind, inNumber, outKind, outNumber, flag})
        frame.append(static_cast<char>(value));
    frame.append(static_cast<char>(0xF7));
    return frame;
}

// Where a scene point is on the screen, and where a button's edges are.
QPoint globalOf(const QGraphicsView *view, const QPointF &scenePoint)
{
    return view->viewport()->mapToGlobal(view->mapFromScene(scenePoint));
}

QPoint rightEdge(const QWidget *button) { return button->mapToGlobal(QPoint(button->width(), button->height() / 2)); }
QPoint leftEdge(const QWidget *button) { return button->mapToGlobal(QPoint(0, button->height() / 2)); }

bool near(const QPoint &a, const QPoint &b) { return (a - b).manhattanLength() <= 2; }

} // namespace

class TestRoutingPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shouldBuildColumnsFromPortCounts();
    void shouldIgnoreReportsNamingNoButton_data();
    void shouldIgnoreReportsNamingNoButton();
    void shouldDrawReportedRouteFromEdgeToEdge();
    void shouldDrawGrayOnceUsbPortIsReportedEmpty();
    void shouldSelectAndDeselectInputKeepingStartPoint();
    void shouldFollowMouseWithDragLine();
    void shouldDropRefusedConnectAndItsLine_data();
    void shouldDropRefusedConnectAndItsLine();
    void shouldForgetRoutesWhenCanvasIsRebuilt();
    void shouldKeepSceneFlatOverRepeatedRedraws();
    void shouldLeaveShownLinesWhenDebounceFindsNoRoutes();
    void shouldApplyHubCountOnceAndAnnouncePorts();
    void shouldRefuseCommandsWhileDisconnected_data();
    void shouldRefuseCommandsWhileDisconnected();
    void shouldComputeResizeMeasures();

private:
    void feed(const QByteArray &bytes) { m_session->sysExCutter()->feed(bytes); }
    QPushButton *input(int index) const { return m_page->inputButtons().value(index); }
    QPushButton *output(int index) const { return m_page->outputButtons().value(index); }
    RoutingCanvas *canvas() const { return m_page->canvas(); }

    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<RoutingPage> m_page;
};

void TestRoutingPage::init()
{
    m_prompt = std::make_unique<ScriptedPrompt>();
    m_session = std::make_unique<DeviceSession>(m_prompt.get());
    m_page = std::make_unique<RoutingPage>();
    m_page->attach(m_session.get(), m_prompt.get());
    m_page->resize(1000, 700);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    // MIDI IN 1-2, USB HOST 1-2, USB Device 1 on each side.
    feed(DeviceReplies::portCounts(2, 2, 2, 1));
    QCOMPARE(m_page->inputButtons().size(), 5);
}

void TestRoutingPage::cleanup()
{
    m_page.reset();
    m_session.reset();
    m_prompt.reset();
}

void TestRoutingPage::shouldBuildColumnsFromPortCounts()
{
    feed(DeviceReplies::portCounts(2, 2, 1, 0));
    QStringList inputs, outputs;
    for (QPushButton *b : m_page->inputButtons())
        inputs << b->text();
    for (QPushButton *b : m_page->outputButtons())
        outputs << b->text();
    QCOMPARE(inputs, (QStringList{"MIDI IN 1", "MIDI IN 2", "USB HOST 1"}));
    QCOMPARE(outputs, (QStringList{"MIDI OUT 1", "MIDI OUT 2", "USB HOST 1"}));
    QCOMPARE(m_page->inputHeaderText(), QString(" Input Ports"));
    QCOMPARE(m_page->outputHeaderText(), QString("Output Ports"));
    // The view asks for the height of its rows and no more: no blank range
    // to scroll through below the last button.
    const int lastBottom = m_page->inputButtons().last()->geometry().bottom();
    QVERIFY(m_page->graphicsView()->minimumHeight() > lastBottom);
    QVERIFY(m_page->graphicsView()->minimumHeight() <= lastBottom + 40);
    QStringList names;
    for (QPushButton *b : m_page->inputButtons() + m_page->outputButtons()) {
        QCOMPARE(b->size(), QSize(120, 35));
        // On the viewport, where assistive tools look for the view's children.
        QCOMPARE(b->parentWidget(), m_page->graphicsView()->viewport());
        names << b->accessibleName();
    }
    QCOMPARE(names, (QStringList{"MIDI IN 1", "MIDI IN 2", "USB HOST IN 1", "MIDI OUT 1", "MIDI OUT 2", "USB HOST OUT 1"}));
    QCOMPARE(m_page->usbSlotsInUse(), QList<int>{0});
    // The picture sits in USB HOST 1's row, to the left of the button.
    auto *picture = m_page->graphicsView()->findChild<QLabel *>("usbHostPicture");
    QVERIFY(picture);
    QTRY_VERIFY(picture->isVisible());
    QVERIFY(!picture->pixmap(Qt::ReturnByValue).isNull());
    const QRect pictureRect(picture->mapToGlobal(QPoint()), picture->size());
    const QRect buttonRect(input(2)->mapToGlobal(QPoint()), input(2)->size());
    QVERIFY(pictureRect.right() < buttonRect.left());
    QVERIFY(qAbs(pictureRect.center().y() - buttonRect.center().y()) <= 2);
}

void TestRoutingPage::shouldIgnoreReportsNamingNoButton_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("restartsDebounce");
    QTest::newRow("input number 0") << routeReport(0, 0, 0, 1, 1) << true;
    QTest::newRow("output number 0") << routeReport(0, 1, 1, 0, 1) << true;
    QTest::newRow("MIDI IN 3 beyond the buttons") << routeReport(0, 3, 0, 1, 1) << true;
    QTest::newRow("USB Device 2 beyond the buttons") << routeReport(0, 1, 2, 2, 1) << true;
    QTest::newRow("unknown kind 3") << routeReport(3, 1, 0, 1, 1) << true;
    QTest::newRow("flag 0x7F: no route") << routeReport(0, 1, 0, 2, 0x7F) << false;
    QTest::newRow("flag 0: no route") << routeReport(0, 1, 0, 2, 0) << false;
}

void TestRoutingPage::shouldIgnoreReportsNamingNoButton()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, restartsDebounce);
    QTimer *debounce = canvas()->findChild<QTimer *>(QStringLiteral("debounceTimer"));
    QTest::qWait(200); // the port counts' own debounce runs out
    QVERIFY(!debounce->isActive());
    feed(frame);
    QCOMPARE(debounce->isActive(), restartsDebounce);
    QVERIFY(m_page->routeModel()->connList().isEmpty());
    canvas()->fitSceneAndRedraw();
    QVERIFY(canvas()->drawnLines().isEmpty());
    QVERIFY(m_prompt->shown().isEmpty());
}

void TestRoutingPage::shouldDrawReportedRouteFromEdgeToEdge()
{
    feed(routeReport(0, 1, 1, 1, 1)); // MIDI IN 1 -> USB HOST 1
    QTRY_COMPARE(canvas()->drawnLines().size(), 1);
    const RouteLine *line = canvas()->drawnLines().first();
    QCOMPARE(line->route(), (Route{{FivePin, 1}, {UsbHost, 1}}));
    QCOMPARE(canvas()->lastLine(), line);
    QCOMPARE(line->inputButton(), input(0));
    QCOMPARE(line->outputButton(), output(2));
    QVERIFY2(near(globalOf(m_page->graphicsView(), line->line().p1()), rightEdge(input(0))),
             "the line starts at the input's right edge");
    QVERIFY2(near(globalOf(m_page->graphicsView(), line->line().p2()), leftEdge(output(2))),
             "the line ends at the output's left edge");
    QCOMPARE(line->pen().color(), QColor(Qt::black));
    QCOMPARE(line->pen().widthF(), 1.8);
    QVERIFY(line->pen().isCosmetic());
    // The same report again is listed again but drawn once.
    feed(routeReport(0, 1, 1, 1, 1));
    QTRY_COMPARE(m_page->routeModel()->connList().size(), 2);
    canvas()->fitSceneAndRedraw();
    QCOMPARE(canvas()->drawnLines().size(), 1);
}

void TestRoutingPage::shouldDrawGrayOnceUsbPortIsReportedEmpty()
{
    feed(routeReport(0, 1, 1, 2, 1)); // MIDI IN 1 -> USB HOST 2 (name slot 1)
    feed(DeviceReplies::usbName(0, 2, "Launchkey Mini"));
    QTRY_COMPARE(canvas()->drawnLines().size(), 1);
    QCOMPARE(canvas()->drawnLines().first()->pen().color(), QColor(Qt::black));
    QCOMPARE(m_page->usbSlotsInUse().at(1), 1);

    feed(DeviceReplies::usbName(0, 2, QString())); // sent as "1": nothing plugged in
    QTRY_COMPARE(m_page->usbSlotsInUse().at(1), 0);
    QTRY_COMPARE(canvas()->drawnLines().size(), 1);
    QCOMPARE(canvas()->drawnLines().first()->pen().color(), QColor(Qt::gray));
    QCOMPARE(output(3)->palette().color(QPalette::ButtonText), QColor(Qt::gray));
    QCOMPARE(m_page->outputNameLabels().at(1)->text(), QString("No device connected"));
    // The redraw after a hub count keeps the colour.
    canvas()->redrawAllLines();
    QCOMPARE(canvas()->drawnLines().first()->pen().color(), QColor(Qt::gray));
}

void TestRoutingPage::shouldSelectAndDeselectInputKeepingStartPoint()
{
    QPushButton *midiIn2 = input(1);
    const QString idleStyle = midiIn2->styleSheet();
    QTest::mouseClick(midiIn2, Qt::LeftButton);
    QCOMPARE(canvas()->selectedInputButton(), midiIn2);
    QCOMPARE(midiIn2->styleSheet(), PortColumns::SelectionStyle);
    QCOMPARE(m_page->routeModel()->inTypeID(), 0);
    QCOMPARE(m_page->routeModel()->inNum(), 2);
    const QPointF start = canvas()->startPoint();
    QVERIFY(near(globalOf(m_page->graphicsView(), start), rightEdge(midiIn2)));
    QCOMPARE(canvas()->dragLine()->scene(), m_page->scene());

    // Pressing another input moves the selection.
    QTest::mouseClick(input(2), Qt::LeftButton);
    QCOMPARE(canvas()->selectedInputButton(), input(2));
    QCOMPARE(midiIn2->styleSheet(), idleStyle);
    QCOMPARE(m_page->routeModel()->inTypeID(), 1);

    // Pressing the selected input again deselects it; the start point stays.
    const QPointF usbStart = canvas()->startPoint();
    QTest::mouseClick(input(2), Qt::LeftButton);
    QVERIFY(!canvas()->selectedInputButton());
    QCOMPARE(input(2)->styleSheet(), PortColumns::ButtonStyleActive);
    QCOMPARE(canvas()->startPoint(), usbStart);
}

void TestRoutingPage::shouldFollowMouseWithDragLine()
{
    QPushButton *midiIn1 = input(0);
    QTest::mousePress(midiIn1, Qt::LeftButton);
    const QPoint target = leftEdge(output(1));
    QMouseEvent move(QEvent::MouseMove, midiIn1->mapFromGlobal(target), target, Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(midiIn1, &move);
    const QLineF drag = canvas()->dragLine()->line();
    QCOMPARE(drag.p1(), canvas()->startPoint());
    QVERIFY(near(globalOf(m_page->graphicsView(), drag.p2()), target));
    QTest::mouseRelease(midiIn1, Qt::LeftButton);
    // The redraw after a hub count leaves the drag line alone while the input is selected...
    canvas()->redrawAllLines();
    QCOMPARE(canvas()->dragLine()->scene(), m_page->scene());
    // ...and it goes the moment the selection ends.
    QTest::mouseClick(midiIn1, Qt::LeftButton);
    QVERIFY(!canvas()->dragLine()->scene());
}

void TestRoutingPage::shouldDropRefusedConnectAndItsLine_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("1") << 1 << QStringList{"Illegal routing (i.e. unable to connect in this way)"};
    QTest::newRow("2") << 2 << QStringList{"Port serial number error"};
    QTest::newRow("3") << 3 << QStringList{"Exceeding the number of routes (some connecting nodes have a specified number of routes)"};
    QTest::newRow("4: no text") << 4 << QStringList{};
}

void TestRoutingPage::shouldDropRefusedConnectAndItsLine()
{
    QFETCH(int, result);
    QFETCH(QStringList, texts);
    feed(routeReport(0, 2, 0, 1, 1)); // an accepted route that must stay
    QTest::mouseClick(input(0), Qt::LeftButton);
    QTest::mouseClick(output(4), Qt::LeftButton); // USB Device 1: recorded although the port is closed
    QCOMPARE(m_page->routeModel()->connList().size(), 2);
    canvas()->fitSceneAndRedraw();
    QCOMPARE(canvas()->drawnLines().size(), 2);
    QPointer<RouteLine> refusedLine = canvas()->lastLine();

    feed(DeviceReplies::routeResult(true, static_cast<std::uint8_t>(result)));
    QCOMPARE(m_page->routeModel()->connList(), (QVector<Route>{{{FivePin, 2}, {FivePin, 1}}}));
    QCOMPARE(canvas()->drawnLines().size(), 1);
    QVERIFY(refusedLine.isNull());
    QVERIFY(canvas()->lastLine() == nullptr);
    QCOMPARE(m_prompt->texts(), texts);
}

void TestRoutingPage::shouldForgetRoutesWhenCanvasIsRebuilt()
{
    feed(routeReport(0, 1, 1, 1, 1));
    feed(routeReport(2, 1, 0, 2, 1));
    QTRY_COMPARE(canvas()->drawnLines().size(), 2);
    QPointer<QPushButton> oldButton = input(0);

    feed(DeviceReplies::portCounts(2, 2, 1, 1));
    QVERIFY(oldButton.isNull());
    QVERIFY(m_page->routeModel()->connList().isEmpty());
    QVERIFY(m_page->routeModel()->routeMap().isEmpty());
    QVERIFY(canvas()->drawnLines().isEmpty());
    QVERIFY(!canvas()->lastLine());
    QVERIFY(m_page->scene()->items().isEmpty());
    // The device's reports that follow draw on the new buttons.
    feed(routeReport(2, 1, 0, 2, 1));
    QTRY_COMPARE(canvas()->drawnLines().size(), 1);
    QCOMPARE(canvas()->drawnLines().first()->inputButton(), input(3));
}

void TestRoutingPage::shouldKeepSceneFlatOverRepeatedRedraws()
{
    for (int n = 1; n <= 2; ++n)
        feed(routeReport(0, n, 1, n, 1));
    feed(routeReport(1, 1, 2, 1, 1));
    QTRY_COMPARE(canvas()->drawnLines().size(), 3);
    QPointer<RouteLine> firstGeneration = canvas()->drawnLines().first();
    for (int i = 0; i < 200; ++i)
        canvas()->redrawAllLines();
    QVERIFY2(firstGeneration.isNull(), "lines taken off the scene are deleted");
    QCOMPARE(m_page->scene()->items().size(), 3);
    QCOMPARE(canvas()->lastLine(), canvas()->drawnLines().last());
}

void TestRoutingPage::shouldLeaveShownLinesWhenDebounceFindsNoRoutes()
{
    feed(routeReport(0, 1, 1, 1, 1));
    QTRY_COMPARE(canvas()->drawnLines().size(), 1);
    // A Disconnect All on its way empties the list; until the device answers
    // the debounce only repaints. The answer removes the line.
    QCOMPARE(m_page->routeModel()->disconnectAll(), QByteArray::fromHex("F0002F710201000000007FF7"));
    canvas()->onDebounceTimeout();
    QCOMPARE(canvas()->drawnLines().size(), 1);
    feed(DeviceReplies::routeResult(false, 0));
    QVERIFY(canvas()->drawnLines().isEmpty());
    QVERIFY(!canvas()->lastLine());
    QVERIFY(m_page->routeModel()->routeMap().isEmpty());
}

void TestRoutingPage::shouldApplyHubCountOnceAndAnnouncePorts()
{
    // Reported before the port counts (nothing fixes the order of the
    // replies), the count waits for the buttons; after them it applies as
    // it arrives.
    m_page->clear();
    QSignalSpy announced(m_page.get(), &RoutingPage::hubPortsChanged);
    feed(DeviceReplies::hubCount(1));
    QVERIFY(announced.isEmpty());
    feed(DeviceReplies::portCounts(2, 2, 8, 1));
    QCOMPARE(announced.size(), 1);
    QCOMPARE(announced.first().first().toInt(), 4);
    QCOMPARE(m_page->pendingHubCount(), -1);
    for (int slot = 0; slot < 9; ++slot) {
        const bool shown = slot <= 4; // USB HOST 1..5
        QCOMPARE(input(2 + slot)->isVisible(), shown);
        QCOMPARE(output(2 + slot)->isVisible(), shown);
        QCOMPARE(m_page->inputNameLabels().at(slot)->isVisible(), shown);
    }
    QVERIFY(input(0)->isVisible() && output(1)->isVisible());
    // The hint sits beside USB HOST 5, with its tool tip.
    QLabel *hint = m_page->columns()->hintLabel();
    QVERIFY(hint && hint->isVisible());
    QCOMPARE(hint->toolTip(), PortColumns::HintToolTip);
    QVERIFY(qAbs(hint->mapToGlobal(hint->rect().center()).y() - rightEdge(input(6)).y()) <= 2);
    // A line to a hidden button is not drawn.
    feed(routeReport(0, 1, 1, 7, 1));
    feed(routeReport(0, 1, 1, 3, 1));
    QCOMPARE(m_page->routeModel()->connList().size(), 2);
    QTRY_COMPARE(canvas()->drawnLines().size(), 1);
    // Applied once per report.
    QCOMPARE(announced.size(), 1);
    feed(DeviceReplies::hubCount(3));
    QCOMPARE(announced.size(), 2);
    QCOMPARE(announced.last().first().toInt(), 8);
    QVERIFY(input(10)->isVisible());
    QCOMPARE(canvas()->drawnLines().size(), 2);
}

void TestRoutingPage::shouldRefuseCommandsWhileDisconnected_data()
{
    QTest::addColumn<bool>("disconnectAll");
    QTest::newRow("Set") << false;
    QTest::newRow("Disconnect All") << true;
}

void TestRoutingPage::shouldRefuseCommandsWhileDisconnected()
{
    QFETCH(bool, disconnectAll);
    feed(routeReport(0, 1, 1, 1, 1));
    if (disconnectAll)
        m_page->onDisconnectAllClicked();
    else
        m_page->onSetClicked();
    QCOMPARE(m_prompt->texts(), QStringList{"Please connect the device and try again"});
    QCOMPARE(m_prompt->shown().first().okText, QString("OK"));
    QCOMPARE(m_page->routeModel()->connList().size(), 1);
    QCOMPARE(m_page->routeModel()->pendingRouteOp(), 0);
}

void TestRoutingPage::shouldComputeResizeMeasures()
{
    RoutingPage page;
    page.resize(400, 300);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(page.resizeMeasures(), qMakePair(43, 8));
    page.resize(800, 900); // twice as wide, three times as tall
    QTRY_COMPARE(page.resizeMeasures(), qMakePair(43 + 12, 8 + 1));
    page.resize(200, 150); // narrower never goes below 43
    QTRY_COMPARE(page.resizeMeasures(), qMakePair(43, 8));
}

QTEST_MAIN(TestRoutingPage)
#include "tst_routingpage.moc"
