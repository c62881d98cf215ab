// The transfer job against the simulated bootloader in-process (no terminal,
// no widgets): images land byte for byte, the acknowledgement rule, progress
// that never reads 100 before success, and that every failure is reported
// once and ends in Idle.
#include "device/textframecutter.h"
#include "device/vocabulary.h"
#include "simulator/deviceprofile.h"
#include "simulator/devicesimulator.h"
#include "upgrade/bootloaderlink.h"
#include "upgrade/bootloaderprotocol.h"
#include "upgrade/firmwareupgradejob.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// Host writes go straight into the simulator; its answers come back on the
// next turn of the event loop, as bytes from a port would.
class SimLink : public BootloaderLink
{
public:
    explicit SimLink(DeviceSimulator *sim) : m_sim(sim) {}
    bool isLinkOpen() const override { return open; }
    qint64 writeToDevice(const QByteArray &bytes) override
    {
        writes.append(bytes);
        const int n = shortWriteAt == writes.size() - 1 ? bytes.size() / 2 : bytes.size();
        m_sim->receive(bytes.left(n));
        return n;
    }
    bool open = true;
    int shortWriteAt = -1; // index of the write that is cut in half
    QList<QByteArray> writes;

private:
    DeviceSimulator *m_sim;
};

QByteArray image(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

struct Rig
{
    Rig()
        : sim(DeviceProfiles::bootloaderOf(*DeviceProfiles::find(QStringLiteral("Alder-4"))))
        , link(&sim)
        , job(&link)
    {
        sim.setEraseDelayMs(0);
        QObject::connect(&sim, &DeviceSimulator::transmit, &cutter, &TextFrameCutter::feed, Qt::QueuedConnection);
        QObject::connect(&cutter, &TextFrameCutter::eraseFinished, &job, &FirmwareUpgradeJob::eraseReplied);
        QObject::connect(&cutter, &TextFrameCutter::chunkAcknowledged, &job,
                         &FirmwareUpgradeJob::chunkAcknowledged);
        UpgradeTimings fast;
        fast.eraseTimeoutMs = 300;
        fast.ackTimeoutMs = 300;
        fast.finalizeMs = 50;
        fast.successBoxDelayMs = 10;
        job.setTimings(fast);
    }

    DeviceSimulator sim;
    SimLink link;
    TextFrameCutter cutter;
    FirmwareUpgradeJob job;
};

} // namespace

Q_DECLARE_METATYPE(DeviceSimulator::Faults)

class tst_FirmwareUpgradeJob : public QObject
{
    Q_OBJECT

private slots:
    void transfer_data();
    void transfer();
    void progressNeverFullBeforeSuccess();
};

void tst_FirmwareUpgradeJob::transfer_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<DeviceSimulator::Faults>("faults");
    QTest::addColumn<int>("shortWriteAt");
    QTest::addColumn<int>("expectedError");

    const DeviceSimulator::Faults none;
    const int ok = static_cast<int>(FirmwareUpgradeJob::Error::None);
    for (int size : {1, 63, 64, 65, 130, 64 * 1024})
        QTest::addRow("%d bytes", size) << size << none << -1 << ok;

    DeviceSimulator::Faults lastOver = none;
    lastOver.wrongAckPiece = 2; // 130 bytes: the 2-byte tail acknowledged as 3
    QTest::newRow("tail acknowledged with more") << 130 << lastOver << -1 << ok;
    DeviceSimulator::Faults firstOver = none;
    firstOver.wrongAckPiece = 0;
    QTest::newRow("full piece acknowledged with more") << 130 << firstOver << -1
        << static_cast<int>(FirmwareUpgradeJob::Error::UnexpectedAck);
    DeviceSimulator::Faults halfTaken = none;
    halfTaken.shortAck = true;
    QTest::newRow("bootloader takes half") << 130 << halfTaken << -1
        << static_cast<int>(FirmwareUpgradeJob::Error::UnexpectedAck);
    DeviceSimulator::Faults silent = none;
    silent.silentFromPiece = 1;
    QTest::newRow("no acknowledgement") << 130 << silent << -1
        << static_cast<int>(FirmwareUpgradeJob::Error::AckTimeout);
    DeviceSimulator::Faults late = none;
    late.lateAckPiece = 1;
    late.lateAckMs = 600;
    QTest::newRow("late acknowledgement") << 130 << late << -1
        << static_cast<int>(FirmwareUpgradeJob::Error::AckTimeout);
    DeviceSimulator::Faults mute = none;
    mute.noAnswer = true;
    QTest::newRow("erase never answered") << 130 << mute << -1
        << static_cast<int>(FirmwareUpgradeJob::Error::EraseTimeout);
    // Write 0 is the erase command; write 2 the second piece.
    QTest::newRow("short write") << 130 << none << 2 << static_cast<int>(FirmwareUpgradeJob::Error::WriteFailed);
}

void tst_FirmwareUpgradeJob::transfer()
{
    QFETCH(int, size);
    QFETCH(DeviceSimulator::Faults, faults);
    QFETCH(int, shortWriteAt);
    QFETCH(int, expectedError);

    Rig rig;
    rig.sim.setFaults(faults);
    rig.link.shortWriteAt = shortWriteAt;
    QSignalSpy failed(&rig.job, &FirmwareUpgradeJob::failed);
    QSignalSpy succeeded(&rig.job, &FirmwareUpgradeJob::succeeded);
    const QByteArray firmware = image(size);

    rig.job.setConnected();
    rig.job.setFirmware(firmware);
    QVERIFY(rig.job.startErase());
    QTRY_VERIFY_WITH_TIMEOUT(failed.count() + succeeded.count() > 0, 20000);
    QTest::qWait(400); // room for a second report or a late answer
    QCOMPARE(rig.job.state(), FirmwareUpgradeJob::Idle);
    QCOMPARE(static_cast<int>(rig.job.error()), expectedError);
    QCOMPARE(failed.count() + succeeded.count(), 1);
    QVERIFY(rig.job.firmware().isEmpty());

    if (expectedError != 0) {
        QCOMPARE(failed.count(), 1);
        QVERIFY(!rig.job.errorString().isEmpty());
        return;
    }
    QCOMPARE(rig.sim.receivedImage(), firmware);
    // One erase, then pieces of 64 with a shorter tail, each alone on the wire.
    QCOMPARE(rig.link.writes.size(), 1 + (size + 63) / 64);
    QCOMPARE(rig.link.writes.first(), Vocabulary::eraseCommand());
    QCOMPARE(rig.link.writes.last().size(), size % 64 ? size % 64 : 64);
}

void tst_FirmwareUpgradeJob::progressNeverFullBeforeSuccess()
{
    QCOMPARE(BootloaderProtocol::progressPercent(100, 101), 99);
    QCOMPARE(BootloaderProtocol::progressPercent(1, 200), 1); // 0.5 rounds up
    QCOMPARE(BootloaderProtocol::progressPercent(0, 0), 0);

    Rig rig;
    QList<int> seen;
    bool successSeen = false;
    connect(&rig.job, &FirmwareUpgradeJob::progressChanged, this, [&](int p) {
        if (successSeen) {
            QCOMPARE(p, 0); // the reset after the success box
            return;
        }
        seen.append(p);
    });
    connect(&rig.job, &FirmwareUpgradeJob::succeeded, this, [&] {
        successSeen = true;
        QCOMPARE(seen.last(), 100);
        QCOMPARE(seen.count(100), 1);
    });
    rig.job.setConnected();
    rig.job.setFirmware(image(6464)); // 101 pieces: 100 of them read 99 %
    QVERIFY(rig.job.startErase());
    QTRY_VERIFY_WITH_TIMEOUT(successSeen, 20000);
    QVERIFY(std::is_sorted(seen.cbegin(), seen.cend() - 1));
    QCOMPARE(seen.at(seen.size() - 2), 99);
}

QTEST_GUILESS_MAIN(tst_FirmwareUpgradeJob)
#include "tst_firmwareupgradejob.moc"
