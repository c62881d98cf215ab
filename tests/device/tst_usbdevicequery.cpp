#include "device/usbdevicequery.h"
#include "device/win32/instanceid.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum class Tty { None, Acm, UsbSerial, OnlyInChild };

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(content);
}

// A sysfs tree of USB devices, as the kernel lays it out below /sys.
class FakeSysfs
{
public:
    FakeSysfs() { QDir().mkpath(devicesDir()); }

    QString root() const { return m_dir.path(); }
    QString devicesDir() const { return m_dir.path() + QStringLiteral("/bus/usb/devices"); }

    // Empty attributes are left out; the kernel ends each with a newline.
    void addDevice(const QString &name, const QByteArray &vid, const QByteArray &pid,
                   const QByteArray &product, Tty tty = Tty::Acm)
    {
        const QString dir = devicesDir() + QLatin1Char('/') + name;
        QDir().mkpath(dir);
        if (!vid.isNull())
            writeFile(dir + QStringLiteral("/idVendor"), vid + '\n');
        if (!pid.isNull())
            writeFile(dir + QStringLiteral("/idProduct"), pid + '\n');
        if (!product.isNull())
            writeFile(dir + QStringLiteral("/product"), product + '\n');
        const QString iface = dir + QLatin1Char('/') + name + QStringLiteral(":1.0");
        QDir().mkpath(iface);
        switch (tty) {
        case Tty::None:
            break;
        case Tty::Acm:
            QDir().mkpath(iface + QStringLiteral("/tty/ttyACM0"));
            break;
        case Tty::UsbSerial:
            QDir().mkpath(iface + QStringLiteral("/ttyUSB0/tty/ttyUSB0"));
            break;
        case Tty::OnlyInChild:
            // A hub: the serial port belongs to the device plugged into it.
            QDir().mkpath(dir + QLatin1Char('/') + name + QStringLiteral(".1/") + name
                          + QStringLiteral(".1:1.0/tty/ttyACM3"));
            break;
        }
    }

private:
    QTemporaryDir m_dir;
};

using Keys = QList<UsbDeviceKey>;

// The map a device list builds from one walk of the bus.
UsbDeviceMap devicesOn(const FakeSysfs &sysfs, const QString &prefix, const QString &enumerator = "USB")
{
    UsbDeviceMap map;
    for (const UsbDeviceRecord &record : UsbDeviceQuery(sysfs.root()).busDevices(enumerator, prefix))
        addUsbDevice(map, record, prefix);
    return map;
}

} // namespace

class TestUsbDeviceQuery : public QObject
{
    Q_OBJECT

private slots:
    void shouldKeepOnlyPrefixedDescriptions_data();
    void shouldKeepOnlyPrefixedDescriptions();
    void shouldLetFirstDeviceWin();
    void shouldSkipUnusableDevices_data();
    void shouldSkipUnusableDevices();
    void shouldAnswerEmptyForMissingBusOrOtherEnumerator();
    void shouldSplitInstanceIds_data();
    void shouldSplitInstanceIds();

};

void TestUsbDeviceQuery::shouldKeepOnlyPrefixedDescriptions_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<Keys>("expected");

    const UsbDeviceKey alder(0x5740, 0x0483);
    const UsbDeviceKey bridge(0xea60, 0x10c4);
    const UsbDeviceKey lower(0x0001, 0x1209);
    QTest::newRow("brand") << QStringLiteral("Kestrova") << Keys{alder};
    QTest::newRow("case-sensitive") << QStringLiteral("KESTROVA") << Keys{};
    QTest::newRow("prefix only, not anywhere") << QStringLiteral("Alder") << Keys{};
    QTest::newRow("empty prefix accepts all") << QString() << Keys{lower, alder, bridge};
    QTest::newRow("wider prefix") << QStringLiteral("k") << Keys{lower};
}

void TestUsbDeviceQuery::shouldKeepOnlyPrefixedDescriptions()
{
    QFETCH(QString, prefix);
    QFETCH(Keys, expected);

    FakeSysfs sysfs;
    sysfs.addDevice(QStringLiteral("1-1"), "0483", "5740", "Kestrova Alder-4");
    sysfs.addDevice(QStringLiteral("1-2"), "10c4", "ea60", "CP2102 USB to UART Bridge",
                    Tty::UsbSerial);
    sysfs.addDevice(QStringLiteral("1-3"), "1209", "0001", "kestrova-lookalike");

    const UsbDeviceMap map = devicesOn(sysfs, prefix);
    QCOMPARE(map.keys(), expected);
    if (map.contains({0x5740, 0x0483}))
        QCOMPARE(map.value({0x5740, 0x0483}), QStringLiteral("Kestrova Alder-4"));
}

void TestUsbDeviceQuery::shouldLetFirstDeviceWin()
{
    FakeSysfs sysfs;
    sysfs.addDevice(QStringLiteral("1-1"), "0483", "5740", "Kestrova Alder-4");
    sysfs.addDevice(QStringLiteral("1-2"), "0483", "5740", "Kestrova Alder-4 (second)");
    // A same-key device that fails the prefix must not shadow a later one.
    sysfs.addDevice(QStringLiteral("2-1"), "0483", "5741", "Other Cedar");
    sysfs.addDevice(QStringLiteral("2-2"), "0483", "5741", "Kestrova Cedar-6");

    const UsbDeviceMap map = devicesOn(sysfs, "Kestrova");
    QCOMPARE(map.size(), 2);
    QCOMPARE(map.value({0x5740, 0x0483}), QStringLiteral("Kestrova Alder-4"));
    QCOMPARE(map.value({0x5741, 0x0483}), QStringLiteral("Kestrova Cedar-6"));
}

void TestUsbDeviceQuery::shouldSkipUnusableDevices_data()
{
    QTest::addColumn<QByteArray>("vid");
    QTest::addColumn<QByteArray>("pid");
    QTest::addColumn<QByteArray>("product");
    QTest::addColumn<int>("tty");

    const int acm = int(Tty::Acm);
    QTest::newRow("vendor id not hex") << QByteArray("zz83") << QByteArray("5740")
                                       << QByteArray("Kestrova X") << acm;
    QTest::newRow("product id too long") << QByteArray("0483") << QByteArray("157400")
                                         << QByteArray("Kestrova X") << acm;
    QTest::newRow("empty vendor id") << QByteArray("") << QByteArray("5740")
                                     << QByteArray("Kestrova X") << acm;
    QTest::newRow("signed id") << QByteArray("-483") << QByteArray("5740")
                               << QByteArray("Kestrova X") << acm;
    QTest::newRow("no vendor file") << QByteArray() << QByteArray("5740")
                                    << QByteArray("Kestrova X") << acm;
    QTest::newRow("no product id file") << QByteArray("0483") << QByteArray()
                                        << QByteArray("Kestrova X") << acm;
    QTest::newRow("no product file") << QByteArray("0483") << QByteArray("5740") << QByteArray()
                                     << acm;
    QTest::newRow("no serial interface") << QByteArray("0483") << QByteArray("5740")
                                         << QByteArray("Kestrova X") << int(Tty::None);
    QTest::newRow("hub whose child has the port")
        << QByteArray("0483") << QByteArray("5740") << QByteArray("Kestrova X")
        << int(Tty::OnlyInChild);
}

void TestUsbDeviceQuery::shouldSkipUnusableDevices()
{
    QFETCH(QByteArray, vid);
    QFETCH(QByteArray, pid);
    QFETCH(QByteArray, product);
    QFETCH(int, tty);

    FakeSysfs sysfs;
    sysfs.addDevice(QStringLiteral("3-1"), vid, pid, product, static_cast<Tty>(tty));
    // A good neighbour proves the walk went on past the bad device.
    sysfs.addDevice(QStringLiteral("3-2"), "0483", "5741", "Kestrova Cedar-6", Tty::UsbSerial);

    const UsbDeviceMap map = devicesOn(sysfs, "Kestrova");
    QCOMPARE(map.keys(), (Keys{{0x5741, 0x0483}}));
}

void TestUsbDeviceQuery::shouldAnswerEmptyForMissingBusOrOtherEnumerator()
{
    QTemporaryDir empty;
    QVERIFY(UsbDeviceQuery(empty.filePath("no-such-sysfs")).busDevices("USB", "Kestrova").isEmpty());

    FakeSysfs sysfs;
    sysfs.addDevice(QStringLiteral("1-1"), "0483", "5740", "Kestrova Alder-4");
    QVERIFY(devicesOn(sysfs, "Kestrova", "FTDIBUS").isEmpty());
}

void TestUsbDeviceQuery::shouldSplitInstanceIds_data()
{
    QTest::addColumn<QString>("instanceId");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");

    QTest::newRow("composite interface")
        << "USB\\VID_0483&PID_5740&MI_00\\6&2B3F1A0&0&0000" << true << 0x0483 << 0x5740;
    QTest::newRow("lower-case hex") << "USB\\VID_10c4&PID_ea60\\0001" << true << 0x10c4 << 0xea60;
    QTest::newRow("hash separated") << "USB#VID_1209#PID_0001#serial" << true << 0x1209 << 0x0001;
    QTest::newRow("short hex") << "USB\\VID_1&PID_2\\x" << true << 0x1 << 0x2;
    QTest::newRow("no product id") << "USB\\VID_0483\\6&2B3F" << false << 0 << 0;
    QTest::newRow("not hex") << "USB\\VID_04G3&PID_5740\\1" << false << 0 << 0;
    QTest::newRow("too many digits") << "USB\\VID_04830&PID_5740\\1" << false << 0 << 0;
    QTest::newRow("empty digits") << "USB\\VID_&PID_5740\\1" << false << 0 << 0;
    QTest::newRow("root hub") << "USB\\ROOT_HUB30\\4&1F2A" << false << 0 << 0;
    QTest::newRow("empty") << "" << false << 0 << 0;
}

void TestUsbDeviceQuery::shouldSplitInstanceIds()
{
    QFETCH(QString, instanceId);
    QFETCH(bool, valid);
    QFETCH(int, vendorId);
    QFETCH(int, productId);

    unsigned short vid = 0;
    unsigned short pid = 0;
    QCOMPARE(SetupApiQuery::parseInstanceId(instanceId.toStdWString(), &vid, &pid), valid);
    if (valid) {
        QCOMPARE(int(vid), vendorId);
        QCOMPARE(int(pid), productId);
    }
}

QTEST_GUILESS_MAIN(TestUsbDeviceQuery)
#include "tst_usbdevicequery.moc"
