// The device watcher against pseudo-terminals given by a port source, as
// simulated devices are, and against a --device port that goes away.
#include "device/devicewatcher.h"
#include "device/portsource.h"

#include "tests/support/ptydevice.h"

#include <QSignalSpy>
#include <QtTest>

using TestSupport::PtyDevice;

class TestDeviceWatcher : public QObject
{
    Q_OBJECT

private slots:
    void shouldReportEachPortByName();
    void shouldListFixedDeviceWhileItsPortExists_data();
    void shouldListFixedDeviceWhileItsPortExists();
};

void TestDeviceWatcher::shouldReportEachPortByName()
{
    PtyDevice alder, cedar, other;
    QVERIFY(alder.isValid() && cedar.isValid() && other.isValid());
    const SourcedPort alderPort{alder.slavePath(), QStringLiteral("Kestrova Alder-4"), 0x0483, 0x5740};
    QList<SourcedPort> sourced{alderPort,
                               {cedar.slavePath(), QStringLiteral("Kestrova Cedar-6"), 0x0483, 0x5741},
                               {other.slavePath(), QStringLiteral("Generic Serial"), 0x0483, 0x0001}};
    const PortSourceRegistration source([&] { return sourced; });
    // A port that two sources give is one device.
    const PortSourceRegistration again([&] { return sourced.mid(0, 1); });

    DeviceWatcher watcher(QStringLiteral("Kestrova"));
    QSignalSpy added(&watcher, &DeviceWatcher::portAdded);
    QSignalSpy removed(&watcher, &DeviceWatcher::portRemoved);
    QSignalSpy changed(&watcher, &DeviceWatcher::entriesChanged);
    watcher.start(60000);
    QVERIFY(watcher.isRunning());
    QCOMPARE(watcher.entries(), (QList<DeviceListEntry>{{"Kestrova Alder-4", alder.slavePath()},
                                                        {"Kestrova Cedar-6", cedar.slavePath()}}));
    // The upgrade dialog's list: every USB serial port, the brand's included.
    for (const PtyDevice *pty : {&alder, &cedar, &other})
        QVERIFY(watcher.isPresent(pty->slavePath()));
    QVERIFY(watcher.usbSerialPorts().contains(UsbSerialPort{other.slavePath(), "Generic Serial"}));
    QCOMPARE(watcher.usbSerialPorts().count(UsbSerialPort{alder.slavePath(), "Kestrova Alder-4"}), 1);
    QVERIFY(added.count() >= 3);
    QCOMPARE(changed.count(), 1);

    // Only the port that went is reported; the other entry keeps its place.
    added.clear();
    sourced.removeFirst();
    watcher.scan();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toString(), alder.slavePath());
    QCOMPARE(watcher.entryTexts(), QStringList{"Kestrova Cedar-6"});
    QVERIFY(!watcher.isPresent(alder.slavePath()));
    QCOMPARE(changed.count(), 2);

    // A scan that finds nothing new reports nothing.
    watcher.scan();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(added.count(), 0);
    QCOMPARE(changed.count(), 2);

    // Back again: appended after the entries already listed.
    sourced.append(alderPort);
    watcher.scan();
    QCOMPARE(added.count(), 1);
    QCOMPARE(added.at(0).at(0).toString(), alder.slavePath());
    QCOMPARE(watcher.entryTexts(), (QStringList{"Kestrova Cedar-6", "Kestrova Alder-4"}));
    QVERIFY(!watcher.isPresent(QString()));

    watcher.stop();
    QVERIFY(!watcher.isRunning());
}

void TestDeviceWatcher::shouldListFixedDeviceWhileItsPortExists_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("listed");
    QTest::newRow("brand device") << "Kestrova Cedar-6" << true;
    QTest::newRow("another maker's port: upgrade list only") << "Cedar-6 Bootload" << false;
}

void TestDeviceWatcher::shouldListFixedDeviceWhileItsPortExists()
{
    QFETCH(QString, description);
    QFETCH(bool, listed);
    // A node of the test's own stands for the port: a freed pseudo-terminal's
    // number is soon taken by another process, and its node would be back.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("ttyACM0"));
    QFile node(path);
    QVERIFY(node.open(QIODevice::WriteOnly));
    node.close();
    DeviceWatcher watcher(QStringLiteral("Kestrova"));
    watcher.addFixedDevice({description, path});
    watcher.addFixedDevice({description, path}); // named twice, listed once
    watcher.addFixedDevice({description, QString()});
    QSignalSpy removed(&watcher, &DeviceWatcher::portRemoved);
    watcher.scan();
    const QList<DeviceListEntry> expected{{description, path}};
    QCOMPARE(watcher.entries(), listed ? expected : QList<DeviceListEntry>());
    QCOMPARE(watcher.usbSerialPorts().count(UsbSerialPort{path, description}), 1);
    QVERIFY(watcher.isPresent(path));

    QVERIFY(node.remove()); // unplugged
    watcher.scan();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toString(), path);
    QVERIFY(watcher.entries().isEmpty());
    QVERIFY(!watcher.usbSerialPorts().contains(UsbSerialPort{path, description}));
}

QTEST_GUILESS_MAIN(TestDeviceWatcher)
#include "tst_devicewatcher.moc"
