#include "bench/benchcases.h"

#include "device/textframecutter.h"
#include "simulator/deviceprofile.h"
#include "simulator/devicesimulator.h"
#include "upgrade/bootloaderlink.h"
#include "upgrade/bootloaderprotocol.h"
#include "upgrade/firmwareupgradejob.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQueue>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// 115,200 baud, 8N1: ten bit times per byte.
constexpr double LineBytesPerSecond = 11520.0;
constexpr int ImageSize = 64 * 1024;
// The acknowledgement of a full piece: AA CC 02 '6' '4' 0D 0A.
constexpr int AckFrameBytes = 7;
constexpr double EarlyWakeMs = 1.0;

// One direction of a serial line: bytes leave one after another at the line
// rate and arrive whole when their last byte is through. Unpaced, they arrive
// on the next turn of the event loop.
class Wire : public QObject
{
public:
    Wire(bool paced, std::function<void(const QByteArray &)> sink)
        : m_paced(paced), m_sink(std::move(sink))
    {
        m_clock.start();
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &Wire::deliver);
    }

    void send(const QByteArray &bytes)
    {
        const double now = nowMs();
        const double start = std::max(now, m_busyUntilMs);
        m_busyUntilMs = m_paced ? start + bytes.size() * 1000.0 / LineBytesPerSecond : now;
        m_queue.enqueue({m_busyUntilMs, bytes});
        arm();
    }

private:
    struct Pending
    {
        double dueMs;
        QByteArray bytes;
    };

    double nowMs() const { return m_clock.nsecsElapsed() / 1e6; }

    void arm()
    {
        if (m_queue.isEmpty() || m_timer.isActive())
            return;
        // Timers fire in whole milliseconds and late on a busy machine: wake
        // early and wait out the rest in deliver(), so the line's timing is
        // what is measured, not the scheduler's.
        m_timer.start(static_cast<int>(std::max(0.0, std::floor(m_queue.head().dueMs - nowMs()) - EarlyWakeMs)));
    }

    void deliver()
    {
        if (!m_queue.isEmpty()) {
            while (nowMs() < m_queue.head().dueMs) {
            }
            m_sink(m_queue.dequeue().bytes);
        }
        arm();
    }

    bool m_paced;
    std::function<void(const QByteArray &)> m_sink;
    QElapsedTimer m_clock;
    QTimer m_timer;
    QQueue<Pending> m_queue;
    double m_busyUntilMs = 0;
};

class WireLink : public BootloaderLink
{
public:
    explicit WireLink(Wire *wire) : m_wire(wire) {}
    bool isLinkOpen() const override { return true; }
    qint64 writeToDevice(const QByteArray &bytes) override
    {
        m_wire->send(bytes);
        return bytes.size();
    }

private:
    Wire *m_wire;
};

struct Result
{
    bool ok = false;
    double seconds = 0;
};

// Erase, then the whole image, timed from the first piece to the last
// acknowledgement; the wait before success is not part of the transfer.
Result upload(bool paced, const QByteArray &image)
{
    DeviceSimulator sim(DeviceProfiles::bootloaderOf(*DeviceProfiles::find(QStringLiteral("Alder-4"))));
    sim.setEraseDelayMs(0);
    TextFrameCutter cutter;
    Wire toDevice(paced, [&sim](const QByteArray &b) { sim.receive(b); });
    Wire toHost(paced, [&cutter](const QByteArray &b) { cutter.feed(b); });
    QObject::connect(&sim, &DeviceSimulator::transmit, &toHost, [&toHost](const QByteArray &b) { toHost.send(b); });
    WireLink link(&toDevice);
    FirmwareUpgradeJob job(&link);
    QObject::connect(&cutter, &TextFrameCutter::eraseFinished, &job, &FirmwareUpgradeJob::eraseReplied);
    QObject::connect(&cutter, &TextFrameCutter::chunkAcknowledged, &job, &FirmwareUpgradeJob::chunkAcknowledged);

    QElapsedTimer clock;
    Result result;
    QEventLoop loop;
    QObject::connect(&job, &FirmwareUpgradeJob::stateChanged, &loop, [&](FirmwareUpgradeJob::State s) {
        if (s == FirmwareUpgradeJob::Sending)
            clock.start();
        if (s == FirmwareUpgradeJob::Finalizing) {
            result.seconds = clock.nsecsElapsed() / 1e9;
            result.ok = sim.receivedImage() == image;
            loop.quit();
        }
        if (s == FirmwareUpgradeJob::Failed)
            loop.quit();
    });
    job.setConnected();
    job.setFirmware(image);
    if (!job.startErase())
        return result;
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    job.resetUpgrade();
    return result;
}

} // namespace

int runUploadCase()
{
    QByteArray image(ImageSize, Qt::Uninitialized);
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    const int pieces = (ImageSize + BootloaderProtocol::PieceSize - 1) / BootloaderProtocol::PieceSize;

    const Result paced = upload(true, image);
    const Result unpaced = upload(false, image);
    if (!paced.ok || !unpaced.ok || paced.seconds <= 0 || unpaced.seconds <= 0) {
        std::fprintf(stderr, "upload: the image did not arrive whole\n");
        return 1;
    }
    // Stop and wait: a piece and its acknowledgement cross the line before
    // the next piece may leave.
    const double wireBytesPerPiece = BootloaderProtocol::PieceSize + AckFrameBytes;
    const double linkLimit = LineBytesPerSecond * BootloaderProtocol::PieceSize / wireBytesPerPiece;
    const double bytesPerSecond = ImageSize / paced.seconds;
    std::printf("upload_image_bytes: %d\n", ImageSize);
    std::printf("upload_seconds: %.3f\n", paced.seconds);
    std::printf("upload_bytes_per_s: %.0f\n", bytesPerSecond);
    std::printf("upload_link_limit_bytes_per_s: %.0f\n", linkLimit);
    std::printf("upload_vs_link: %.3f\n", bytesPerSecond / linkLimit);
    // Unpaced: what the host and the simulated bootloader cost per piece, the
    // ceiling on upload_vs_link that the code (not the line) sets.
    std::printf("upload_pieces_per_s: %.0f\n", pieces / unpaced.seconds);
    return 0;
}
