// Which port each box of the mapping page stands for, from the six filter
// port counts, and how a USB port's attached device is named.
#include "mapping/mappingports.h"

#include <QtTest>

using MappingPorts::Port;

namespace {

QStringList texts(const QVector<Port> &ports)
{
    QStringList out;
    for (const Port &p : ports)
        out.append(p.text);
    return out;
}

QVector<int> slotsOf(const QVector<Port> &ports)
{
    QVector<int> out;
    for (const Port &p : ports)
        out.append(p.usbSlot);
    return out;
}

} // namespace

class TestMappingPorts : public QObject
{
    Q_OBJECT

private slots:
    void labelsPortsTypeByType_data();
    void labelsPortsTypeByType();
    void usbPortsShareSlotsHostFirst();
    void ordersMaskFivePinFirst();
    void namesAttachedDevice_data();
    void namesAttachedDevice();
};

void TestMappingPorts::labelsPortsTypeByType_data()
{
    QTest::addColumn<QVector<int>>("counts");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("outputs");
    QTest::newRow("one of each")
        << QVector<int>{1, 1, 1, 1, 1, 1} << QStringList{"MIDI IN1", "USB HOST IN1", "USB DEVICE IN1"}
        << QStringList{"MIDI OUT1", "USB HOST OUT1", "USB DEVICE OUT1"};
    QTest::newRow("Alder-4: the USB device port does not fit")
        << QVector<int>{2, 2, 8, 8, 1, 1}
        << QStringList{"MIDI IN1", "MIDI IN2", "USB HOST IN1", "USB HOST IN2", "USB HOST IN3", "USB HOST IN4",
                       "USB HOST IN5", "USB HOST IN6", "USB HOST IN7", "USB HOST IN8"}
        << QStringList{"MIDI OUT1", "MIDI OUT2", "USB HOST OUT1", "USB HOST OUT2", "USB HOST OUT3",
                       "USB HOST OUT4", "USB HOST OUT5", "USB HOST OUT6", "USB HOST OUT7", "USB HOST OUT8"};
    QTest::newRow("more ports than boxes are cut at ten")
        << QVector<int>{200, 0, 0, 0, 0, 0}
        << QStringList{"MIDI IN1", "MIDI IN2", "MIDI IN3", "MIDI IN4", "MIDI IN5", "MIDI IN6", "MIDI IN7",
                       "MIDI IN8", "MIDI IN9", "MIDI IN10"}
        << QStringList{};
    QTest::newRow("short report: missing counts are 0")
        << QVector<int>{0, 2} << QStringList{} << QStringList{"MIDI OUT1", "MIDI OUT2"};
    QTest::newRow("negative count is 0")
        << QVector<int>{-4, 1, 0, 0, 0, 0} << QStringList{} << QStringList{"MIDI OUT1"};
    QTest::newRow("empty report") << QVector<int>{} << QStringList{} << QStringList{};
}

void TestMappingPorts::labelsPortsTypeByType()
{
    QFETCH(QVector<int>, counts);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, outputs);
    const MappingPorts::Layout layout = MappingPorts::fromFilterCounts(counts);
    QCOMPARE(texts(layout.inputs), inputs);
    QCOMPARE(texts(layout.outputs), outputs);
}

void TestMappingPorts::usbPortsShareSlotsHostFirst()
{
    const MappingPorts::Layout layout = MappingPorts::fromFilterCounts({1, 2, 2, 2, 1, 1});
    QCOMPARE(slotsOf(layout.inputs), (QVector<int>{-1, 0, 1, 2}));
    QCOMPARE(slotsOf(layout.outputs), (QVector<int>{-1, -1, 0, 1, 2}));
}

void TestMappingPorts::ordersMaskFivePinFirst()
{
    // The order comes from the ports themselves, not from the boxes' texts.
    QStringList order;
    for (const MappingPorts::BoxRef &ref : MappingPorts::maskOrder(MappingPorts::fromFilterCounts({1, 2, 2, 2, 1, 1})))
        order << QStringLiteral("%1%2").arg(ref.input ? "in" : "out").arg(ref.index);
    QCOMPARE(order, (QStringList{"in0", "out0", "out1", "in1", "in2", "in3", "out2", "out3", "out4"}));
    QVERIFY(MappingPorts::maskOrder(MappingPorts::fromFilterCounts({})).isEmpty());
}

void TestMappingPorts::namesAttachedDevice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label");
    QTest::newRow("device") << "Keystation 49" << "(Keystation 49)";
    QTest::newRow("nothing plugged in") << "1" << "(No device connected)";
    QTest::newRow("empty name") << "" << "(No device connected)";
}

void TestMappingPorts::namesAttachedDevice()
{
    QFETCH(QString, name);
    QFETCH(QString, label);
    QCOMPARE(MappingPorts::usbNameLabel(name), label);
}

QTEST_GUILESS_MAIN(TestMappingPorts)
#include "tst_mappingports.moc"
