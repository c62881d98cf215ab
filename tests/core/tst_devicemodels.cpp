#include "device/devicemodels.h"

#include <QtTest>

using namespace DeviceModels;

Q_DECLARE_METATYPE(DeviceModels::Family)

class TestDeviceModels : public QObject
{
    Q_OBJECT

private slots:
    void describesEveryAcceptedName_data();
    void describesEveryAcceptedName();
    void recognisesBootloaderDescriptions_data();
    void recognisesBootloaderDescriptions();
    void namesTheProductOfTheFirmwareCheck_data();
    void namesTheProductOfTheFirmwareCheck();
};

void TestDeviceModels::describesEveryAcceptedName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("model");
    QTest::addColumn<Family>("family");
    QTest::addColumn<bool>("routing");
    QTest::addColumn<bool>("mapping");
    QTest::addColumn<bool>("fixedFilterPorts");
    QTest::addColumn<bool>("sameNumberRoute");
    QTest::addColumn<QString>("updateProduct");

    const auto row = [](const char *name, bool accepted, const char *model, Family family, bool routing,
                        bool mapping, bool fixedPorts, bool sameNumber, const char *product = "") {
        QTest::newRow(*name ? name : "empty") << QString::fromUtf8(name) << accepted << QString::fromLatin1(model) << family
                            << routing << mapping << fixedPorts << sameNumber << QString::fromLatin1(product);
    };
    // Every accepted name, as the devices describe themselves on the bus.
    row("Kestrova-Hazel", true, "Hazel", Family::HazelCedar, true, false, false, true);
    row("Kestrova Cedar-6", true, "Cedar-6", Family::HazelCedar, true, false, false, true);
    row("Kestrova Birch-2", true, "Birch-2", Family::AlderBirch, true, true, false, false, "Birch-2");
    row("Kestrova Maple-5", true, "Maple-5", Family::None, false, false, true, false);
    row("Kestrova Alder-4", true, "Alder-4", Family::AlderBirch, true, true, true, false, "Alder-4");
    row("Kestrova Aspen", true, "Aspen", Family::HazelCedar, true, false, false, true);
    row("Kestrova Poplar-1", true, "Poplar-1", Family::None, false, false, false, false);
    row("Kestrova-Spruce-7 Pro", true, "Spruce-7", Family::SpruceWillow, false, false, false, false);
    row("Kestrova-Willow-2 Pro", true, "Willow-2", Family::SpruceWillow, false, false, false, false);
    row("Kestrova Willow-8", true, "Willow-8", Family::SpruceWillow, false, false, false, false);
    row("Larch-3", true, "Larch-3", Family::SpruceWillow, false, false, true, false);
    row("Kestrova Rowan-W", true, "Rowan-W", Family::Rowan, false, true, false, false);
    row("Spruce-9", true, "Spruce-9", Family::SpruceWillow, false, false, false, false);
    row("MTD", true, "MTD", Family::None, false, false, false, false);
    // Substring rules: acceptance minds letter case, the model does not; the
    // earlier family wins; the Alder-4 needs the brand.
    row("Kestrova Cedar-6 MIDI 1", true, "Cedar-6", Family::HazelCedar, true, false, false, true);
    row("kestrova cedar-6", false, "Cedar-6", Family::HazelCedar, true, false, false, true);
    row("Birch-2 Hazel", false, "Birch-2", Family::AlderBirch, true, true, false, false, "Birch-2");
    row("kestrova BIRCH-2", false, "Birch-2", Family::AlderBirch, true, true, false, false, "Birch-2");
    row("Alder-4", false, "", Family::None, false, false, false, false);
    row("Juniper-1 Bootload", false, "Juniper-1", Family::None, false, false, false, false, "Juniper-1");
    row("Some Other Box", false, "", Family::None, false, false, false, false);
    row("", false, "", Family::None, false, false, false, false);
}

void TestDeviceModels::describesEveryAcceptedName()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QFETCH(QString, model);
    QFETCH(Family, family);
    QFETCH(bool, routing);
    QFETCH(bool, mapping);
    QFETCH(bool, fixedFilterPorts);
    QFETCH(bool, sameNumberRoute);
    QFETCH(QString, updateProduct);

    QCOMPARE(isAccepted(name), accepted);
    const DeviceModel *found = find(name);
    QCOMPARE(found ? found->model : QString(), model);
    QCOMPARE(found ? found->family : Family::None, family);
    const Pages pages = found ? found->pages : pagesOf(Family::None);
    QCOMPARE(pages.routing, routing);
    QCOMPARE(pages.mapping, mapping);
    // The log names the family by its number.
    QCOMPARE(familyLogText(family, name).startsWith(QStringLiteral("设备类型%1").arg(int(family))),
             family != Family::None);
    QCOMPARE(found && found->fixedFilterPorts.has_value(), fixedFilterPorts);
    QCOMPARE(found && found->allowsSameNumberMidiRoute, sameNumberRoute);
    QCOMPARE(found ? found->updateProduct : QString(), updateProduct);
    QCOMPARE(found && found->labelsThirdMappingPortPair, model == QLatin1String("Alder-4"));
    if (found && !found->updateProduct.isEmpty())
        QCOMPARE(findOnUpdateServer(found->model), found);
}

void TestDeviceModels::recognisesBootloaderDescriptions_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("bootloader");
    QTest::newRow("as the device says it") << "Cedar-6 Bootload" << "Cedar-6" << true;
    QTest::newRow("BootLoader") << "Cedar-6 BootLoader" << "Cedar-6" << true;
    QTest::newRow("upper case") << "CEDAR-6 BOOTLOAD" << "Cedar-6" << true;
    QTest::newRow("any model") << "Juniper-1 bootload" << "" << true;
    QTest::newRow("another model's") << "Alder-4 Bootload" << "Cedar-6" << false;
    QTest::newRow("running device") << "Kestrova Cedar-6" << "Cedar-6" << false;
    QTest::newRow("built name") << bootloaderDescription(QStringLiteral("Alder-4")) << "Alder-4" << true;
}

void TestDeviceModels::recognisesBootloaderDescriptions()
{
    QFETCH(QString, description);
    QFETCH(QString, model);
    QFETCH(bool, bootloader);
    QCOMPARE(isBootloaderDescription(description, model), bootloader);
}

void TestDeviceModels::namesTheProductOfTheFirmwareCheck_data()
{
    QTest::addColumn<QString>("reported");
    QTest::addColumn<QString>("product");
    QTest::newRow("a silent device is an Alder-4") << "" << "Alder-4";
    QTest::newRow("Birch-2 inside") << "XBirch-2Y" << "Birch-2";
    QTest::newRow("Alder-4 inside") << "Alder-4B" << "Alder-4";
    QTest::newRow("letter case counts") << "alder-4" << "alder-4";
    QTest::newRow("other models as reported") << "Cedar-6" << "Cedar-6";
}

void TestDeviceModels::namesTheProductOfTheFirmwareCheck()
{
    QFETCH(QString, reported);
    QFETCH(QString, product);
    QCOMPARE(updateProductOf(reported), product);
}

QTEST_GUILESS_MAIN(TestDeviceModels)
#include "tst_devicemodels.moc"
