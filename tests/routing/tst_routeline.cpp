#include "routing/routingscene.h"
#include "routing/routeline.h"

#include <QGraphicsView>
#include <QSignalSpy>
#include <QtTest>

class TestRouteLine : public QObject
{
    Q_OBJECT

private slots:
    void shouldStartWithDefaultPenAndBeSelectable();
    void shouldBeHitWithinWideBand_data();
    void shouldBeHitWithinWideBand();
    void shouldAskForRemovalOnRightClickOnly_data();
    void shouldAskForRemovalOnRightClickOnly();
};

void TestRouteLine::shouldStartWithDefaultPenAndBeSelectable()
{
    const RouteLine line(0, 0, 10, 10);
    QCOMPARE(line.type(), int(QGraphicsItem::UserType + 1));
    QCOMPARE(line.pen().color(), QColor(Qt::black));
    QCOMPARE(line.pen().widthF(), 2.2);
    QCOMPARE(line.pen().capStyle(), Qt::RoundCap);
    QCOMPARE(line.pen().joinStyle(), Qt::RoundJoin);
    QVERIFY(!line.pen().isCosmetic());
    QVERIFY(line.flags() & QGraphicsItem::ItemIsSelectable);
    QCOMPARE(line.route(), (Routing::Route{{0, 0}, {0, 0}}));
}

void TestRouteLine::shouldBeHitWithinWideBand_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<bool>("hit");
    QTest::newRow("on the line") << QPointF(50, 20) << true;
    QTest::newRow("4 px above") << QPointF(50, 16) << true;
    QTest::newRow("4 px below") << QPointF(50, 24) << true;
    QTest::newRow("7 px above") << QPointF(50, 13) << false;
    QTest::newRow("round cap, 4 px past the end") << QPointF(104, 20) << true;
    QTest::newRow("8 px past the end") << QPointF(108, 20) << false;
}

void TestRouteLine::shouldBeHitWithinWideBand()
{
    QFETCH(QPointF, point);
    QFETCH(bool, hit);
    const RouteLine line(QLineF(0, 20, 100, 20));
    QCOMPARE(line.shape().contains(point), hit);
}

void TestRouteLine::shouldAskForRemovalOnRightClickOnly_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("asks");
    QTest::newRow("right") << int(Qt::RightButton) << true;
    QTest::newRow("left") << int(Qt::LeftButton) << false;
}

void TestRouteLine::shouldAskForRemovalOnRightClickOnly()
{
    QFETCH(int, button);
    QFETCH(bool, asks);
    QGraphicsView view;
    auto *scene = new RoutingScene(&view);
    view.setScene(scene);
    view.resize(300, 200);
    scene->setSceneRect(0, 0, 280, 180);
    auto *line = new RouteLine(QLineF(20, 90, 260, 90));
    scene->addItem(line);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy asked(line, &RouteLine::removalRequested);
    // 3 px beside the line still counts.
    const QPoint at = view.mapFromScene(QPointF(140, 93));
    QTest::mouseClick(view.viewport(), Qt::MouseButton(button), Qt::NoModifier, at);
    QCOMPARE(asked.size(), asks ? 1 : 0);
    if (asks)
        QCOMPARE(asked.first().first().value<RouteLine *>(), line);
    asked.clear();
    QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier, view.mapFromScene(QPointF(140, 120)));
    QCOMPARE(asked.size(), 0);
}

QTEST_MAIN(TestRouteLine)
#include "tst_routeline.moc"
