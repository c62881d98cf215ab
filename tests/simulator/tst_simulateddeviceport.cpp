#include "device/sysex.h"
#include "device/vocabulary.h"
#include "hostview.h"
#include "ptyhost.h"
#include "simulator/deviceregistry.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int Patience = 10000;

DeviceProfile alder()
{
    return *DeviceProfiles::find(QStringLiteral("Kestrova Alder-4"));
}

} // namespace

class TestSimulatedDevicePort : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void answersOverThePseudoTerminal();
    void qSerialPortOpensItAgainAndAgain();
    void announcesItselfUntilStopped();
    void withdrawsWhenDestroyed();
    void rebootsIntoBootloaderOnANewTerminal();
    void pacedAnswersArriveWhole();
    void droppedConnectionTakesTheDeviceAway();

private:
    std::unique_ptr<QTemporaryDir> m_registry;
};

void TestSimulatedDevicePort::init()
{
    m_registry = std::make_unique<QTemporaryDir>();
    QVERIFY(m_registry->isValid());
    qputenv("VELMORA_DEVICE_REGISTRY", QFile::encodeName(m_registry->path()));
}

void TestSimulatedDevicePort::answersOverThePseudoTerminal()
{
    SimulatedDevicePort port(alder());
    QVERIFY2(port.start(), qPrintable(port.errorString()));
    PtyHost host(port.portName());
    QVERIFY(host.isOpen());
    QVERIFY(host.write(Vocabulary::identificationQuery()));
    HostView view;
    QTRY_VERIFY_WITH_TIMEOUT((view.feed(host.readAvailable()), !view.texts.isEmpty()), Patience);
    QCOMPARE(view.texts, QStringList{"MTD Alder-4"});
    // The terminal is raw: the device did not read its own answer back.
    QCOMPARE(port.simulator()->receivedFrames().size(), 1);
}

void TestSimulatedDevicePort::qSerialPortOpensItAgainAndAgain()
{
    SimulatedDevicePort port(alder());
    QVERIFY(port.start());
    for (int round = 0; round < 2; ++round) {
        QSerialPort serial;
        serial.setPortName(port.portName());
        serial.setBaudRate(QSerialPort::Baud115200);
        QVERIFY2(serial.open(QIODevice::ReadWrite), qPrintable(serial.errorString()));
        HostView view;
        connect(&serial, &QSerialPort::readyRead, &view, [&] { view.feed(serial.readAll()); });
        serial.write(Vocabulary::identificationQuery() + SysEx::deviceQuery(1));
        QTRY_COMPARE_WITH_TIMEOUT(view.kinds.size(), 2, Patience);
        QCOMPARE(view.kinds, QStringList({"DeviceType", "PortCounts"}));
        QCOMPARE(view.texts, QStringList{"MTD Alder-4"});
        serial.close();
    }
}

void TestSimulatedDevicePort::announcesItselfUntilStopped()
{
    SimulatedDevicePort port(alder());
    port.setListing(SimulatedDevicePort::Listing::UserRegistry);
    QVERIFY(port.start());
    DeviceRegistry::Entry expected;
    expected.portName = port.portName();
    expected.description = QStringLiteral("Kestrova Alder-4");
    expected.vendorId = 0x2F71;
    expected.productId = 0x0104;
    expected.pid = QCoreApplication::applicationPid();
    QCOMPARE(DeviceRegistry::entries(), QList<DeviceRegistry::Entry>{expected});

    PtyHost host(port.portName());
    QSignalSpy stopped(&port, &SimulatedDevicePort::stopped);
    port.stop();
    QCOMPARE(stopped.count(), 1);
    QVERIFY(!port.isRunning());
    QVERIFY(DeviceRegistry::entries().isEmpty());
    QVERIFY(host.hungUp());
    port.stop();
    QCOMPARE(stopped.count(), 1);
}

void TestSimulatedDevicePort::withdrawsWhenDestroyed()
{
    {
        SimulatedDevicePort port(alder());
        port.setListing(SimulatedDevicePort::Listing::UserRegistry);
        QVERIFY(port.start());
        QCOMPARE(DeviceRegistry::entries().size(), 1);
    }
    QVERIFY(DeviceRegistry::entries().isEmpty());
    QVERIFY(QDir(m_registry->path()).entryList(QDir::Files).isEmpty());
}

void TestSimulatedDevicePort::rebootsIntoBootloaderOnANewTerminal()
{
    SimulatedDevicePort port(alder());
    port.setListing(SimulatedDevicePort::Listing::UserRegistry);
    port.simulator()->setEraseDelayMs(0);
    QVERIFY(port.start());
    const QString runningPath = port.portName();
    PtyHost running(runningPath);
    QSignalSpy changed(&port, &SimulatedDevicePort::portChanged);
    QVERIFY(running.write(Vocabulary::enterBootloaderCommand()));
    QVERIFY(changed.wait(Patience));

    const QString bootPath = changed.at(0).at(0).toString();
    QCOMPARE(bootPath, port.portName());
    QVERIFY(bootPath != runningPath);
    QCOMPARE(port.description(), QStringLiteral("Alder-4 BootLoader"));
    const QList<DeviceRegistry::Entry> entries = DeviceRegistry::entries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.at(0).portName, bootPath);
    QCOMPARE(entries.at(0).description, QStringLiteral("Alder-4 BootLoader"));
    QCOMPARE(entries.at(0).productId, quint16(0x8104));
    QVERIFY(running.hungUp());

    // The upgrade dialog's conversation, piece by piece.
    PtyHost boot(bootPath);
    HostView view;
    const auto exchange = [&](const QByteArray &bytes, const QString &answer) {
        view.texts.clear();
        QVERIFY(boot.write(bytes));
        QTRY_VERIFY_WITH_TIMEOUT((view.feed(boot.readAvailable()), !view.texts.isEmpty()), Patience);
        QCOMPARE(view.texts, QStringList{answer});
    };
    exchange(Vocabulary::identificationQuery(), QStringLiteral("MTD Alder-4"));
    exchange(Vocabulary::eraseCommand(), QStringLiteral("ERASE"));
    QByteArray image;
    for (int i = 0; i < 130; ++i)
        image.append(static_cast<char>((i * 37 + 0xAA) & 0xFF));
    exchange(image.left(64), QStringLiteral("ACK 64"));
    exchange(image.mid(64, 64), QStringLiteral("ACK 64"));
    exchange(image.mid(128), QStringLiteral("ACK 2"));
    QCOMPARE(port.simulator()->receivedImage(), image);
}

void TestSimulatedDevicePort::pacedAnswersArriveWhole()
{
    SimulatedDevicePort port(alder());
    port.setPacing(true);
    QVERIFY(port.start());
    PtyHost host(port.portName());
    HostView view;
    QVERIFY(host.write(SysEx::deviceQuery(5) + SysEx::deviceQuery(7)));
    QTRY_VERIFY_WITH_TIMEOUT((view.feed(host.readAvailable()), view.kinds.contains("HubCount")), Patience);
    QCOMPARE(view.framesOf("FilterReport").size(), 22);
    QCOMPARE(view.framesOf("UsbPortName").size(), 9);
}

void TestSimulatedDevicePort::droppedConnectionTakesTheDeviceAway()
{
    SimulatedDevicePort port(alder());
    port.setListing(SimulatedDevicePort::Listing::UserRegistry);
    DeviceSimulator::Faults faults;
    faults.dropAfterBytes = 5;
    port.simulator()->setFaults(faults);
    QVERIFY(port.start());
    PtyHost host(port.portName());
    QSignalSpy stopped(&port, &SimulatedDevicePort::stopped);
    QVERIFY(host.write(SysEx::deviceQuery(1)));
    QVERIFY(stopped.wait(Patience));
    QVERIFY(DeviceRegistry::entries().isEmpty());
    QVERIFY(host.hungUp());
}

QTEST_GUILESS_MAIN(TestSimulatedDevicePort)
#include "tst_simulateddeviceport.moc"
