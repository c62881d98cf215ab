#include "device/devicescan.h"

#include <QtTest>

namespace {

// "name:vid:pid" in hex; a bare "name" is a port without USB identifiers.
QList<SerialPortEntry> portsFrom(const QStringList &descriptions)
{
    QList<SerialPortEntry> ports;
    for (const QString &text : descriptions) {
        const QStringList parts = text.split(QLatin1Char(':'));
        SerialPortEntry port;
        port.portName = parts.at(0);
        if (parts.size() == 3) {
            port.vendorId = static_cast<quint16>(parts.at(1).toUInt(nullptr, 16));
            port.productId = static_cast<quint16>(parts.at(2).toUInt(nullptr, 16));
            port.hasVendorId = port.hasProductId = true;
        }
        ports.append(port);
    }
    return ports;
}

QStringList appendedAsText(const DeviceScanResult &scan)
{
    QStringList texts;
    for (const DeviceListEntry &entry : scan.toAppend)
        texts.append(entry.text + QLatin1Char('|') + entry.portName);
    return texts;
}

// The maker's devices only, as a "Kestrova" query would give them.
UsbDeviceMap makerDevices()
{
    UsbDeviceMap map;
    map.insert({0x5740, 0x0483}, QStringLiteral("Kestrova Alder-4"));
    map.insert({0x5741, 0x0483}, QStringLiteral("Kestrova Cedar-6"));
    return map;
}

} // namespace

class TestDeviceScan : public QObject
{
    Q_OBJECT

private slots:
    void shouldPlanListChanges_data();
    void shouldPlanListChanges();
    void shouldDropAndReofferUnpluggedDevice();
    void shouldApplyRemovalsByText();
};

void TestDeviceScan::shouldPlanListChanges_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QStringList>("expectedAppend");
    QTest::addColumn<QStringList>("expectedRemove");

    QTest::newRow("empty list, no ports") << QStringList() << QStringList() << QStringList()
                                          << QStringList();
    QTest::newRow("two ports of one device give one entry, the first port")
        << QStringList() << QStringList{"COM7:0483:5740", "COM3:0483:5740"}
        << QStringList{"Kestrova Alder-4|COM7"} << QStringList();
    QTest::newRow("two devices keep port order")
        << QStringList() << QStringList{"COM9:0483:5741", "COM2:0483:5740"}
        << QStringList{"Kestrova Cedar-6|COM9", "Kestrova Alder-4|COM2"} << QStringList();
    QTest::newRow("ports of other devices are never offered")
        << QStringList() << QStringList{"COM1:10c4:ea60", "COM4:0483:9999", "ttyS0"}
        << QStringList() << QStringList();
    QTest::newRow("ids are (product, vendor), not swapped")
        << QStringList() << QStringList{"COM5:5740:0483"} << QStringList() << QStringList();
    QTest::newRow("a listed device is not added again")
        << QStringList{"Kestrova Alder-4"} << QStringList{"COM7:0483:5740"} << QStringList()
        << QStringList();
    QTest::newRow("vanished entry removed, present one kept")
        << QStringList{"Kestrova Alder-4", "Kestrova Cedar-6"}
        << QStringList{"COM8:0483:5741"} << QStringList() << QStringList{"Kestrova Alder-4"};
    QTest::newRow("entries left by a wider scan are removed")
        << QStringList{"USB Serial Device", "Kestrova Cedar-6"}
        << QStringList{"COM1:10c4:ea60", "COM8:0483:5741"} << QStringList()
        << QStringList{"USB Serial Device"};
    QTest::newRow("all gone") << QStringList{"Kestrova Alder-4", "Kestrova Cedar-6"}
                              << QStringList() << QStringList()
                              << QStringList{"Kestrova Alder-4", "Kestrova Cedar-6"};
}

void TestDeviceScan::shouldPlanListChanges()
{
    QFETCH(QStringList, listed);
    QFETCH(QStringList, ports);
    QFETCH(QStringList, expectedAppend);
    QFETCH(QStringList, expectedRemove);

    const DeviceScanResult scan = scanDevices(listed, makerDevices(), portsFrom(ports));
    QCOMPARE(appendedAsText(scan), expectedAppend);
    QCOMPARE(scan.toRemove, expectedRemove);
}

void TestDeviceScan::shouldDropAndReofferUnpluggedDevice()
{
    QList<DeviceListEntry> list;
    const auto refresh = [&](const QStringList &ports) {
        QStringList texts;
        for (const DeviceListEntry &entry : qAsConst(list))
            texts.append(entry.text);
        return applyScan(list, scanDevices(texts, makerDevices(), portsFrom(ports)));
    };

    QVERIFY(refresh({"COM7:0483:5740", "COM8:0483:5741"}).isEmpty());
    QCOMPARE(list.size(), 2);

    QCOMPARE(refresh({"COM8:0483:5741"}), QStringList{"Kestrova Alder-4"});
    QCOMPARE(list, (QList<DeviceListEntry>{{"Kestrova Cedar-6", "COM8"}}));

    // Plugged back in on another port: offered again, behind what is listed.
    QVERIFY(refresh({"COM8:0483:5741", "COM12:0483:5740"}).isEmpty());
    QCOMPARE(list, (QList<DeviceListEntry>{{"Kestrova Cedar-6", "COM8"},
                                           {"Kestrova Alder-4", "COM12"}}));
}

void TestDeviceScan::shouldApplyRemovalsByText()
{
    QList<DeviceListEntry> list{{"A", "p1"}, {"B", "p2"}, {"C", "p3"}};
    DeviceScanResult scan;
    scan.toRemove = QStringList{"B", "missing"};
    scan.toAppend = {{"D", "p4"}};

    QCOMPARE(applyScan(list, scan), QStringList{"B"});
    QCOMPARE(list, (QList<DeviceListEntry>{{"A", "p1"}, {"C", "p3"}, {"D", "p4"}}));
}

QTEST_GUILESS_MAIN(TestDeviceScan)
#include "tst_devicescan.moc"
