// The upgrade dialog against a simulated bootloader on a real
// pseudo-terminal: the device list, local images landing byte for byte, and
// every fault of the transfer ending in one failure report, Idle, and a retry
// that succeeds once the device is back in its bootloader.
#include "../support/simulateddevice.h"
#include "device/devicewatcher.h"
#include "device/serialport.h"
#include "simulator/devicesimulator.h"
#include "network/updateserver.h"
#include "upgrade/bootloaderlink.h"
#include "upgrade/ui/firmwareupgradedialog.h"
#include "tests/support/scriptedprompt.h"

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr const char *Bootloader = "Alder-4 BootLoader";
const QString FailedTitle = QStringLiteral("Upgrade Failed");
const QString RemovedTitle = QStringLiteral("Upgrade Failed - Device Disconnected");
const QString SuccessTitle = QStringLiteral("Upgrade");

UpgradeTimings fastTimings()
{
    UpgradeTimings t;
    // Long enough that a vanished device is noticed first on a busy machine.
    t.eraseTimeoutMs = 3000;
    t.ackTimeoutMs = 1500;
    t.finalizeMs = 1500; // long enough to see a device vanish meanwhile
    t.successBoxDelayMs = 10;
    t.listRefreshMs = 200;
    return t;
}

QByteArray image(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 13 + i / 251) & 0xFF);
    return bytes;
}

// Cuts one write in half, the way a choking USB link can.
class ShortWriteLink : public BootloaderLink
{
public:
    ShortWriteLink(BootloaderLink *inner, int at) : m_inner(inner), m_at(at) {}
    bool isLinkOpen() const override { return m_inner->isLinkOpen(); }
    qint64 writeToDevice(const QByteArray &bytes) override
    {
        if (m_count++ != m_at)
            return m_inner->writeToDevice(bytes);
        return m_inner->writeToDevice(bytes.left(bytes.size() / 2));
    }

private:
    BootloaderLink *m_inner;
    int m_at;
    int m_count = 0;
};

struct Rig
{
    Rig()
        : watcher(QStringLiteral("Kestrova"))
        , dialog(&port, &watcher, &prompt, UpdateServer::fromSettings(QString()), nullptr, fastTimings())
    {
        dialog.show(); // its list refreshes while shown
    }

    [[nodiscard]] bool startBootloader(const QString &model = QLatin1String(Bootloader))
    {
        device = TestSupport::startDevice(model);
        if (!device)
            return false;
        device->simulator()->setEraseDelayMs(20);
        return true;
    }

    [[nodiscard]] int boxes(const QString &title) const
    {
        int n = 0;
        for (const auto &shown : prompt.shown())
            n += shown.title == title;
        return n;
    }

    template<typename T> T *child(const char *name) { return dialog.findChild<T *>(QLatin1String(name)); }

    // Connect, load the file, Upgrade; returns once the attempt is under way.
    void upgrade(const QString &file)
    {
        dialog.refreshDeviceList();
        QVERIFY(dialog.prioritizeBootloaderDevice(false));
        const int versions = dialog.logText().count(QStringLiteral("Current Firmware:"));
        child<QPushButton>("connectButton")->click();
        QTRY_COMPARE(dialog.upgradeState(), int(FirmwareUpgradeJob::Connected));
        QTRY_COMPARE(dialog.logText().count(QStringLiteral("Current Firmware:")), versions + 1);
        prompt.answerNextFile(file);
        child<QPushButton>("openFileButton")->click();
        child<QPushButton>("upgradeButton")->click();
        QCOMPARE(dialog.upgradeState(), int(FirmwareUpgradeJob::Erasing));
    }

    ScriptedPrompt prompt;
    SerialPort port;
    DeviceWatcher watcher;
    FirmwareUpgradeDialog dialog;
    std::unique_ptr<SimulatedDevicePort> device;
};

QString writeImage(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("firmware.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

} // namespace

Q_DECLARE_METATYPE(DeviceSimulator::Faults)

class tst_FirmwareUpgradeDialog : public QObject
{
    Q_OBJECT

private slots:
    void localImage_data();
    void localImage();
    void faultThenRetry_data();
    void faultThenRetry();
};

void tst_FirmwareUpgradeDialog::localImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("sizeText");
    QTest::newRow("1 byte") << 1 << "1 byte";
    QTest::newRow("64 KiB") << 64 * 1024 << "65,536 bytes";
}

void tst_FirmwareUpgradeDialog::localImage()
{
    QFETCH(int, size);
    QFETCH(QString, sizeText);
    QTemporaryDir dir;
    const QByteArray firmware = image(size);
    const QString file = writeImage(dir, firmware);
    QVERIFY(!file.isEmpty());

    Rig rig;
    // A device running its firmware is no upgrade target and is never listed.
    auto running = TestSupport::startDevice(QStringLiteral("Kestrova Alder-4"));
    QVERIFY(running);
    // A model without online firmware: the log shows the transfer alone.
    QVERIFY(rig.startBootloader(QStringLiteral("Cedar-6 BootLoader")));
    rig.upgrade(file);
    // Nothing is erased before the user has seen which box and which file.
    QVERIFY2(rig.prompt.texts().contains(QStringLiteral("Erase the Cedar-6 and write firmware.bin (%1)? Keep the device "
                                                        "connected until the upgrade says it is done.")
                                             .arg(sizeText)),
             qPrintable(rig.prompt.texts().join(QLatin1Char('\n'))));
    auto *combo = rig.child<QComboBox>("portCombo");
    QCOMPARE(combo->count(), 1);
    QVERIFY(combo->currentText().startsWith(QLatin1String("Cedar-6 BootLoader (")));

    // The button is off during the transfer; a second start finds it busy.
    QVERIFY(!rig.child<QPushButton>("upgradeButton")->isEnabled());
    rig.dialog.startUpgrade();
    QCOMPARE(rig.prompt.lastText(), QStringLiteral("Please connect the device first."));

    // VELMORA_UPGRADE_SCREENSHOT=<file.png>: the documentation's picture of
    // the dialog in the middle of a transfer.
    const QString screenshot = qEnvironmentVariable("VELMORA_UPGRADE_SCREENSHOT");
    if (!screenshot.isEmpty() && size > 4096) {
        QFile style(QStringLiteral(":/qss/style.qss"));
        if (style.open(QIODevice::ReadOnly))
            qApp->setStyleSheet(QString::fromUtf8(style.readAll()));
        QTRY_VERIFY_WITH_TIMEOUT(rig.child<QProgressBar>("progressBar")->value() >= 40, 30000);
        QVERIFY(rig.dialog.grab().save(screenshot));
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.boxes(SuccessTitle), 1, 30000);
    QCOMPARE(rig.boxes(FailedTitle), 0);
    QCOMPARE(rig.device->simulator()->receivedImage(), firmware);
    QCOMPARE(rig.dialog.upgradeState(), int(FirmwareUpgradeJob::Idle));
    QVERIFY(rig.dialog.logText().contains(QStringLiteral("Finalizing, please wait...")));
}

void tst_FirmwareUpgradeDialog::faultThenRetry_data()
{
    QTest::addColumn<DeviceSimulator::Faults>("faults");
    QTest::addColumn<int>("shortWriteAt");
    QTest::addColumn<bool>("vanishes");
    QTest::addColumn<QString>("logLine");

    // 330 bytes: pieces 0..5, the last one 10 bytes.
    const DeviceSimulator::Faults none;
    auto with = [none](auto edit) {
        DeviceSimulator::Faults f = none;
        edit(f);
        return f;
    };
    const QString removed = QStringLiteral("CRITICAL: Device removed!");
    QTest::newRow("vanish while erasing") << with([](auto &f) { f.vanishOnErase = true; }) << -1 << true << removed;
    QTest::newRow("vanish at piece 0") << with([](auto &f) { f.vanishAtPiece = 0; }) << -1 << true << removed;
    QTest::newRow("vanish at piece 1") << with([](auto &f) { f.vanishAtPiece = 1; }) << -1 << true << removed;
    QTest::newRow("vanish at a middle piece") << with([](auto &f) { f.vanishAtPiece = 3; }) << -1 << true << removed;
    QTest::newRow("vanish at the last piece") << with([](auto &f) { f.vanishAtPiece = 5; }) << -1 << true << removed;
    QTest::newRow("vanish while finalizing")
        << with([](auto &f) { f.vanishAfterPiece = 5; f.vanishDelayMs = 100; }) << -1 << true << removed;
    QTest::newRow("no acknowledgement") << with([](auto &f) { f.silentFromPiece = 2; }) << -1 << false
                                        << QStringLiteral("Error: Timed out waiting for device ACK.");
    QTest::newRow("wrong acknowledgement") << with([](auto &f) { f.wrongAckPiece = 1; }) << -1 << false
                                           << QStringLiteral("Error: Unexpected device ACK 65, expected 64.");
    QTest::newRow("short write") << none << 3 << false << QStringLiteral("Error: Failed to send data block!");
}

void tst_FirmwareUpgradeDialog::faultThenRetry()
{
    QFETCH(DeviceSimulator::Faults, faults);
    QFETCH(int, shortWriteAt);
    QFETCH(bool, vanishes);
    QFETCH(QString, logLine);

    QTemporaryDir dir;
    const QByteArray firmware = image(330);
    const QString file = writeImage(dir, firmware);
    Rig rig;
    QVERIFY(rig.startBootloader());
    rig.device->simulator()->setFaults(faults);
    BootloaderLink *const portLink = rig.dialog.job()->link();
    ShortWriteLink cut(portLink, shortWriteAt);
    if (shortWriteAt >= 0)
        rig.dialog.job()->setLink(&cut);

    rig.upgrade(file);
    QTRY_COMPARE_WITH_TIMEOUT(rig.boxes(FailedTitle), 1, 10000);
    QTest::qWait(700); // a second report would come within this
    QCOMPARE(rig.boxes(FailedTitle), 1);
    QCOMPARE(rig.boxes(RemovedTitle), vanishes ? 1 : 0);
    QCOMPARE(rig.boxes(SuccessTitle), 0);
    QCOMPARE(rig.dialog.upgradeState(), int(FirmwareUpgradeJob::Idle));
    QCOMPARE(rig.child<QPushButton>("connectButton")->text(), QStringLiteral("Connect"));
    QVERIFY2(rig.dialog.logText().contains(logLine), qPrintable(rig.dialog.logText()));

    // The device comes back in its bootloader; the same upgrade goes through.
    rig.dialog.job()->setLink(portLink);
    if (vanishes) {
        QVERIFY(rig.startBootloader());
        QTRY_VERIFY(rig.dialog.logText().contains(QStringLiteral("Device reconnected: %1").arg(rig.device->portName())));
        QVERIFY(rig.dialog.logText().contains(QStringLiteral("You can now try the upgrade again.")));
    } else {
        rig.device->simulator()->setFaults({});
    }
    rig.upgrade(file);
    QTRY_VERIFY2_WITH_TIMEOUT(rig.boxes(SuccessTitle) == 1, qPrintable(rig.dialog.logText()), 10000);
    QCOMPARE(rig.boxes(FailedTitle), 1);
    QCOMPARE(rig.device->simulator()->receivedImage(), firmware);
    QCOMPARE(rig.child<QProgressBar>("progressBar")->value(), 0);
}

QTEST_MAIN(tst_FirmwareUpgradeDialog)
#include "tst_firmwareupgradedialog.moc"
