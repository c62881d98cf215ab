// The line decisions of the mapping page without painting: where a press
// starts a line, where a release fixes it, which line a right click hits,
// and the sources derived when a side is a SysEx message.
#include "mapping/mappinglinemodel.h"

#include <QtTest>

using Model = MappingLineModel;
using Field = Model::Field;
using Sources = Model::Sources;
using Availability = Model::Availability;

Q_DECLARE_METATYPE(Sources)
Q_DECLARE_METATYPE(Availability)

namespace {

// Original fields on the left, mapped fields on the right, 100 x 60 each.
Model::Geometry layout()
{
    Model::Geometry g;
    g.set(Field::OriginalData1, QRect(0, 0, 100, 60));
    g.set(Field::OriginalData2, QRect(0, 100, 100, 60));
    g.set(Field::MappedData1, QRect(300, 0, 100, 60));
    g.set(Field::MappedData2, QRect(300, 100, 100, 60));
    return g;
}

const Availability All{true, true, true, true};

} // namespace

class TestMappingLineModel : public QObject
{
    Q_OBJECT

private slots:
    void pressStartsOnlyInRightQuarterOfUsableField_data();
    void pressStartsOnlyInRightQuarterOfUsableField();
    void releaseFixesOnlyOnMappedFieldWhileAllowed_data();
    void releaseFixesOnlyOnMappedFieldWhileAllowed();
    void newLineReplacesLineFromOtherSource();
    void clearingDrawKeepsOnlyStraightLines();
    void rightClickFindsLineWithinEighteenPixels_data();
    void rightClickFindsLineWithinEighteenPixels();
    void linesRunFromRightEdgeToLeftEdge();
    void unavailableFieldDropsItsLines();
    void straightSourcesNeedBothEnds_data();
    void straightSourcesNeedBothEnds();
    void pairingFollowsRuleTable_data();
    void pairingFollowsRuleTable();
    void derivationKeepsUserLinesUntilEndsChange_data();
    void derivationKeepsUserLinesUntilEndsChange();
};

void TestMappingLineModel::pressStartsOnlyInRightQuarterOfUsableField_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<Availability>("available");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("source");
    const int started = int(Model::PressResult::Started);
    QTest::newRow("right quarter of Data1") << QPoint(80, 30) << true << All << started << 1;
    QTest::newRow("right quarter of Data2") << QPoint(99, 120) << true << All << started << 2;
    QTest::newRow("left three quarters") << QPoint(70, 30) << true << All
                                         << int(Model::PressResult::NotInRightQuarter) << -1;
    QTest::newRow("original side not on an editor") << QPoint(80, 30) << false << All
                                                    << int(Model::PressResult::Blocked) << -1;
    QTest::newRow("Data1 not used by the type (Start)")
        << QPoint(80, 30) << true << Availability{false, false, true, true}
        << int(Model::PressResult::NotOnSource) << -1;
    QTest::newRow("between the fields") << QPoint(80, 80) << true << All << int(Model::PressResult::NotOnSource)
                                        << -1;
    QTest::newRow("on a mapped field") << QPoint(390, 30) << true << All << int(Model::PressResult::NotOnSource)
                                       << -1;
}

void TestMappingLineModel::pressStartsOnlyInRightQuarterOfUsableField()
{
    QFETCH(QPoint, point);
    QFETCH(bool, allowed);
    QFETCH(Availability, available);
    QFETCH(int, result);
    QFETCH(int, source);
    Model model;
    QCOMPARE(int(model.press(point, allowed, available, layout())), result);
    QCOMPARE(model.isDragging(), source != -1);
    QCOMPARE(model.dragSource(), source);
}

void TestMappingLineModel::releaseFixesOnlyOnMappedFieldWhileAllowed_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<Availability>("available");
    QTest::addColumn<int>("result");
    QTest::addColumn<Sources>("sources");
    const int fixed = int(Model::ReleaseResult::Fixed);
    QTest::newRow("Data1 to mapped Data1") << QPoint(90, 30) << QPoint(310, 30) << true << All << fixed
                                           << Sources{1, -1};
    QTest::newRow("Data1 to mapped Data2") << QPoint(90, 30) << QPoint(310, 130) << true << All << fixed
                                           << Sources{-1, 1};
    QTest::newRow("Data2 to mapped Data1") << QPoint(90, 130) << QPoint(399, 59) << true << All << fixed
                                           << Sources{2, -1};
    QTest::newRow("mapped side on its placeholder page")
        << QPoint(90, 30) << QPoint(310, 30) << false << All << int(Model::ReleaseResult::Blocked) << Sources{};
    QTest::newRow("released beside the fields") << QPoint(90, 30) << QPoint(250, 30) << true << All
                                                << int(Model::ReleaseResult::NoTarget) << Sources{};
    QTest::newRow("mapped Data2 not used (Program Change)")
        << QPoint(90, 30) << QPoint(310, 130) << true << Availability{true, true, true, false}
        << int(Model::ReleaseResult::NoTarget) << Sources{};
}

void TestMappingLineModel::releaseFixesOnlyOnMappedFieldWhileAllowed()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(bool, allowed);
    QFETCH(Availability, available);
    QFETCH(int, result);
    QFETCH(Sources, sources);
    Model model;
    QCOMPARE(model.press(from, true, available, layout()), Model::PressResult::Started);
    model.move(to);
    QCOMPARE(model.dragLine(layout())->p2(), QPointF(to));
    QCOMPARE(int(model.release(to, allowed, available, layout())), result);
    QVERIFY(!model.isDragging());
    QCOMPARE(model.sources(), sources);
    QCOMPARE(model.lines(layout()).size(), (sources.data1 != -1) + (sources.data2 != -1));
}

void TestMappingLineModel::newLineReplacesLineFromOtherSource()
{
    Model model;
    model.setSources({1, 2});
    QCOMPARE(model.press({90, 130}, true, All, layout()), Model::PressResult::Started);
    QCOMPARE(model.release({320, 20}, true, All, layout()), Model::ReleaseResult::Fixed);
    QCOMPARE(model.sources(), (Sources{2, 2}));
    const QVector<Model::Line> lines = model.lines(layout());
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.first().source, 2);
    QCOMPARE(lines.first().target, Field::MappedData1);
}

void TestMappingLineModel::clearingDrawKeepsOnlyStraightLines()
{
    Model model;
    model.setSources({2, 1});
    model.setDrawEnabled(false);
    QCOMPARE(model.sources(), Sources{});
    model.setSources({1, 2});
    model.setDrawEnabled(false);
    QCOMPARE(model.sources(), (Sources{1, 2}));
    // No line starts while drawing is off.
    QCOMPARE(model.press({90, 30}, true, All, layout()), Model::PressResult::Blocked);
    model.setDrawEnabled(true);
    QCOMPARE(model.press({90, 30}, true, All, layout()), Model::PressResult::Started);
}

void TestMappingLineModel::rightClickFindsLineWithinEighteenPixels_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<bool>("found");
    // The straight Data1 line runs along y = 29 from x 100 to 300.
    QTest::newRow("on the line") << QPointF(200, 29) << true;
    QTest::newRow("18 pixels below") << QPointF(200, 47) << true;
    QTest::newRow("19 pixels below") << QPointF(200, 48) << false;
    QTest::newRow("19 pixels past its end") << QPointF(319, 29) << false;
    QTest::newRow("18 pixels before its start") << QPointF(82, 29) << true;
}

void TestMappingLineModel::rightClickFindsLineWithinEighteenPixels()
{
    QFETCH(QPointF, point);
    QFETCH(bool, found);
    Model model;
    model.setSources({1, -1});
    const std::optional<Field> hit = model.lineNear(point, layout());
    QCOMPARE(hit.has_value(), found);
    if (found) {
        QCOMPARE(*hit, Field::MappedData1);
        model.removeLineTo(*hit);
        QCOMPARE(model.sources(), Sources{});
    }
}

void TestMappingLineModel::linesRunFromRightEdgeToLeftEdge()
{
    Model model;
    model.setSources({2, 1});
    const QVector<Model::Line> lines = model.lines(layout());
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0).segment, QLineF(QPointF(100, 129), QPointF(300, 29)));
    QCOMPARE(lines.at(1).segment, QLineF(QPointF(100, 29), QPointF(300, 129)));
    // An end that is not on screen draws nothing.
    Model::Geometry partial = layout();
    partial.rects[int(Field::OriginalData2)].reset();
    QCOMPARE(model.lines(partial).size(), 1);
}

void TestMappingLineModel::unavailableFieldDropsItsLines()
{
    Model model;
    model.setSources({2, 2});
    // Program Change on the mapped side: no Data2 there.
    model.dropUnavailable({true, true, true, false});
    QCOMPARE(model.sources(), (Sources{2, -1}));
    // An original type without Data2 takes the rest.
    model.dropUnavailable({true, false, true, true});
    QCOMPARE(model.sources(), Sources{});
}

void TestMappingLineModel::straightSourcesNeedBothEnds_data()
{
    QTest::addColumn<Availability>("available");
    QTest::addColumn<Sources>("sources");
    QTest::newRow("Note On to Note Off") << All << Sources{1, 2};
    QTest::newRow("Note On to Program Change") << Availability{true, true, true, false} << Sources{1, -1};
    QTest::newRow("Start to Control Change") << Availability{false, false, true, true} << Sources{};
}

void TestMappingLineModel::straightSourcesNeedBothEnds()
{
    QFETCH(Availability, available);
    QFETCH(Sources, sources);
    QCOMPARE(Model::straightSources(available), sources);
}

void TestMappingLineModel::pairingFollowsRuleTable_data()
{
    QTest::addColumn<Availability>("available");
    QTest::addColumn<Sources>("sources");
    // Every row of the table in mappinglinemodel.cpp; "any" rows twice.
    QTest::newRow("D1 | D1") << Availability{true, false, true, false} << Sources{1, -1};
    QTest::newRow("D1 | D1 D2") << Availability{true, false, true, true} << Sources{1, -1};
    QTest::newRow("D1 | D2") << Availability{true, false, false, true} << Sources{-1, 1};
    QTest::newRow("D1 D2 | D1 D2") << Availability{true, true, true, true} << Sources{1, 2};
    QTest::newRow("D1 D2 | D1") << Availability{true, true, true, false} << Sources{1, -1};
    QTest::newRow("D1 D2 | D2") << Availability{true, true, false, true} << Sources{-1, 1};
    QTest::newRow("D2 | D1") << Availability{false, true, true, false} << Sources{2, -1};
    QTest::newRow("D2 | D1 D2") << Availability{false, true, true, true} << Sources{2, -1};
    QTest::newRow("D2 | D2") << Availability{false, true, false, true} << Sources{-1, 2};
    QTest::newRow("none | D1 D2") << Availability{false, false, true, true} << Sources{};
    QTest::newRow("none | none") << Availability{} << Sources{};
    QTest::newRow("D1 D2 | none") << Availability{true, true, false, false} << Sources{};
    QTest::newRow("D1 | none") << Availability{true, false, false, false} << Sources{};
}

void TestMappingLineModel::pairingFollowsRuleTable()
{
    QFETCH(Availability, available);
    QFETCH(Sources, sources);
    QCOMPARE(Model::pairedSources(available), sources);
}

void TestMappingLineModel::derivationKeepsUserLinesUntilEndsChange_data()
{
    QTest::addColumn<Availability>("before");
    QTest::addColumn<Availability>("now");
    QTest::addColumn<Sources>("current");
    QTest::addColumn<Sources>("derived");
    const Availability data1Row{true, false, true, true};
    QTest::newRow("ends unchanged, no lines: stays empty") << data1Row << data1Row << Sources{} << Sources{};
    QTest::newRow("ends unchanged: user's Data2 line stands") << data1Row << data1Row << Sources{-1, 1}
                                                             << Sources{-1, 1};
    QTest::newRow("Data1 row added: paired at once")
        << Availability{false, false, true, true} << data1Row << Sources{} << Sources{1, -1};
    QTest::newRow("Data2 row added next to a line: line stands")
        << data1Row << All << Sources{-1, 1} << Sources{-1, 1};
    QTest::newRow("fed row deleted, other row left: paired again")
        << All << Availability{false, true, true, true} << Sources{1, -1} << Sources{2, -1};
    QTest::newRow("source of a line gone, a line survives")
        << All << Availability{true, false, true, true} << Sources{1, 2} << Sources{1, -1};
}

void TestMappingLineModel::derivationKeepsUserLinesUntilEndsChange()
{
    QFETCH(Availability, before);
    QFETCH(Availability, now);
    QFETCH(Sources, current);
    QFETCH(Sources, derived);
    QCOMPARE(Model::derivedSources(before, now, current), derived);
}

QTEST_GUILESS_MAIN(TestMappingLineModel)
#include "tst_mappinglinemodel.moc"
