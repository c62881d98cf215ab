#include "cli/devicebackup.h"

#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "device/fifobuffer.h"
#include "device/serialport.h"
#include "device/sysex.h"
#include "device/vocabulary.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace {

// The queries the window sends after connecting: port counts, filter port
// counts, hub count, the USB names and the routing situation.
constexpr int IdentityQueries[] = {1, 2, 4, 3, 7};

} // namespace

DeviceBackup::DeviceBackup(QObject *parent)
    : QObject(parent)
    , m_port(new SerialPort(this))
    , m_fifo(new FiFoBuffer(this))
    , m_dispatcher(new FeedbackDispatcher(this))
{
    connect(m_port, &SerialPort::isread, m_fifo, &FiFoBuffer::writeData);
    connect(m_fifo, &FiFoBuffer::currDataFrame, m_dispatcher, &FeedbackDispatcher::dealWithData);
    connect(m_dispatcher, &FeedbackDispatcher::writeRequested, this,
            [this](const QByteArray &frame) { (void)m_port->writeFrame(frame); });
    connect(m_port, &SerialPort::sendmtv, this, [this](const QString &version, const QString &model) {
        m_identity.version = version;
        m_identity.model = model;
        m_haveText = true;
    });
    connect(m_dispatcher, &FeedbackDispatcher::portCountsReported, this, [this](Device::PortCounts counts) {
        m_identity.counts = counts;
        m_haveCounts = true;
    });
    connect(m_dispatcher, &FeedbackDispatcher::usbNameReported, this,
            [this](int slot, const QString &name) { m_identity.usbNames.insert(slot, name); });
    connect(m_dispatcher, &FeedbackDispatcher::usbNamesCleared, this, [this] { m_identity.usbNames.clear(); });
    connect(m_port, &SerialPort::portDisconnected, this, [this] { m_lost = true; });
}

DeviceBackup::~DeviceBackup() = default;

void DeviceBackup::fail(Error error, const QString &text)
{
    m_error = error;
    m_errorString = text;
}

bool DeviceBackup::open(const QString &portName)
{
    m_portName = portName;
    m_lost = false;
    m_fifo->clear();
    // QSerialPort takes a missing path for a name under /dev and says only
    // "No such file or directory"; say which port.
    if (portName.isEmpty()
        || (portName.contains(QLatin1Char('/')) && !QFileInfo::exists(portName))) {
        fail(Error::CannotOpen, tr("There is no port %1.").arg(portName.isEmpty() ? tr("(empty)") : portName));
        return false;
    }
    if (!m_port->openPort(portName, DeviceSession::BaudRate)) {
        fail(Error::CannotOpen, tr("Cannot open %1: %2.").arg(portName, m_port->errorString()));
        return false;
    }
    return true;
}

void DeviceBackup::close()
{
    if (m_port->isOpen())
        m_port->close();
}

bool DeviceBackup::waitFor(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Every frame, text or System Exclusive, may complete what we wait for.
    const auto check = [&] {
        if (m_lost || done())
            loop.quit();
    };
    const auto c1 = connect(m_port, &SerialPort::readyRead, &loop, check, Qt::QueuedConnection);
    const auto c2 = connect(m_port, &SerialPort::portDisconnected, &loop, check, Qt::QueuedConnection);
    QTimer quiet;
    quiet.setInterval(QuietGapMs / 2);
    connect(&quiet, &QTimer::timeout, &loop, check);
    quiet.start();
    deadline.start(m_timeoutMs);
    if (!m_lost && !done())
        loop.exec();
    disconnect(c1);
    disconnect(c2);
    if (m_lost) {
        fail(Error::DeviceLost, tr("The device on %1 went away.").arg(m_portName));
        return false;
    }
    return done();
}

bool DeviceBackup::identify()
{
    m_haveText = false;
    m_haveCounts = false;
    m_identity = Identity();
    if (!m_port->writeFrame(Vocabulary::identificationQuery())) {
        fail(Error::CannotOpen, tr("Cannot write to %1.").arg(m_portName));
        return false;
    }
    for (int query : IdentityQueries)
        (void)m_port->writeFrame(SysEx::deviceQuery(query));

    // Names come one per USB slot; a slot without a device may stay silent,
    // so past the counts only a quiet gap ends the burst.
    QElapsedTimer sinceLast;
    sinceLast.start();
    int seen = 0;
    const bool ok = waitFor([&] {
        const int now = m_identity.usbNames.size();
        if (now != seen) {
            seen = now;
            sinceLast.restart();
        }
        if (!m_haveText || !m_haveCounts)
            return false;
        return seen >= m_identity.counts.usbSlotCount() || sinceLast.elapsed() >= QuietGapMs;
    });
    if (!ok && m_error != Error::DeviceLost)
        fail(Error::NotAnswering, tr("The device on %1 did not answer within %2 ms.").arg(m_portName).arg(m_timeoutMs));
    return ok;
}
