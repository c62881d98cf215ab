#include "device/devicefamily.h"

#include <QtTest>

using namespace DeviceFamily;

Q_DECLARE_METATYPE(DeviceFamily::Family)

class TestDeviceFamily : public QObject
{
    Q_OBJECT

private slots:
    void decidesFamilyAndHeaders_data();
    void decidesFamilyAndHeaders();
    void normalisesModelForFirmwareCheck_data();
    void normalisesModelForFirmwareCheck();
};

void TestDeviceFamily::decidesFamilyAndHeaders_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Family>("family");
    QTest::addColumn<bool>("routing");
    QTest::addColumn<bool>("mapping");

    QTest::newRow("Alder-4") << "Kestrova Alder-4" << Linden << true << true;
    QTest::newRow("Alder-4 needs the brand") << "Alder-4" << None << false << false;
    QTest::newRow("Birch-2 any case") << "kestrova BIRCH-2" << Linden << true << true;
    QTest::newRow("Cedar-6") << "Kestrova Cedar-6" << Hazel << true << false;
    QTest::newRow("Hazel") << "Kestrova-Hazel" << Hazel << true << false;
    QTest::newRow("Spruce-7 Pro") << "Kestrova-Spruce-7 Pro" << Spruce << false << false;
    QTest::newRow("Larch-3") << "Larch-3" << Spruce << false << false;
    QTest::newRow("Rowan-W") << "Kestrova Rowan-W" << Rowan << false << true;
    QTest::newRow("first flag wins") << "Birch-2 Hazel" << Linden << true << true;
    QTest::newRow("Maple-5 is no family") << "Kestrova Maple-5" << None << false << false;
    QTest::newRow("empty") << "" << None << false << false;
}

void TestDeviceFamily::decidesFamilyAndHeaders()
{
    QFETCH(QString, name);
    QFETCH(Family, family);
    QFETCH(bool, routing);
    QFETCH(bool, mapping);
    QCOMPARE(decide(flagsFor(name)), family);
    QCOMPARE(headersFor(family).routing, routing);
    QCOMPARE(headersFor(family).mapping, mapping);
    QVERIFY(!logText(family, name).isEmpty());
}

void TestDeviceFamily::normalisesModelForFirmwareCheck_data()
{
    QTest::addColumn<QString>("reported");
    QTest::addColumn<QString>("model");
    QTest::newRow("empty means Alder-4") << "" << "Alder-4";
    QTest::newRow("Birch-2 inside") << "XBirch-2Y" << "Birch-2";
    QTest::newRow("Alder-4 inside") << "Alder-4B" << "Alder-4";
    QTest::newRow("case-sensitive") << "alder-4" << "alder-4";
    QTest::newRow("other models unchanged") << "Cedar-6" << "Cedar-6";
}

void TestDeviceFamily::normalisesModelForFirmwareCheck()
{
    QFETCH(QString, reported);
    QFETCH(QString, model);
    QCOMPARE(normalisedModel(reported), model);
}

QTEST_GUILESS_MAIN(TestDeviceFamily)
#include "tst_devicefamily.moc"
