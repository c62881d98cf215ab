#include "simulator/simulateddeviceport.h"

#include "device/portsource.h"
#include "simulator/deviceregistry.h"
#include "simulator/devicesimulator.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QtDebug>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A burst after an idle spell may go out at once, as a UART's FIFO would.
constexpr double MaxPaceCredit = 16.0;
// Lets the host read the last bytes before the line goes dead.
constexpr int DropGraceMs = 50;

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

SimulatedDevicePort::SimulatedDevicePort(const DeviceProfile &profile, QObject *parent)
    : QObject(parent)
    , m_simulator(new DeviceSimulator(profile, this))
    , m_paceTimer(new QTimer(this))
    , m_inProcess(std::make_unique<PortSourceRegistration>([this] {
        QList<SourcedPort> ports;
        if (m_listed && m_listing == Listing::ThisProcess)
            ports.append({m_slavePath, description(), m_simulator->profile().vendorId,
                          m_simulator->profile().productId});
        return ports;
    }))
{
    m_paceTimer->setInterval(1);
    m_paceTimer->setTimerType(Qt::PreciseTimer);
    connect(m_paceTimer, &QTimer::timeout, this, &SimulatedDevicePort::writeToHost);
    connect(m_simulator, &DeviceSimulator::transmit, this, &SimulatedDevicePort::queueForHost);
    // Both take the pseudo-terminal away; never from inside its own read.
    connect(m_simulator, &DeviceSimulator::rebootingToBootloader, this,
            &SimulatedDevicePort::switchToBootloader, Qt::QueuedConnection);
    // Starting the firmware again re-enumerates the same way, under the
    // running device's description.
    connect(m_simulator, &DeviceSimulator::restartingIntoFirmware, this,
            &SimulatedDevicePort::switchToBootloader, Qt::QueuedConnection);
    connect(m_simulator, &DeviceSimulator::connectionDropped, this,
            &SimulatedDevicePort::dropConnection, Qt::QueuedConnection);
}

SimulatedDevicePort::~SimulatedDevicePort()
{
    unlist();
    closePty();
}

QString SimulatedDevicePort::description() const
{
    return m_simulator->profile().usbDescription;
}

bool SimulatedDevicePort::start()
{
    if (isRunning())
        return true;
    const Pty pty = openPty();
    if (pty.master < 0)
        return false;
    m_error.clear();
    m_simulator->restartClock();
    attach(pty);
    list();
    return true;
}

void SimulatedDevicePort::stop()
{
    if (!isRunning())
        return;
    unlist();
    closePty();
    emit stopped();
}

void SimulatedDevicePort::setListing(Listing listing)
{
    if (listing == m_listing)
        return;
    const bool listed = m_listed;
    unlist();
    m_listing = listing;
    if (listed)
        list();
}

SimulatedDevicePort::Pty SimulatedDevicePort::openPty()
{
    Pty pty;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        m_error = systemError("posix_openpt");
        return pty;
    }
    // Children of the serving process (a test spawning the app, say) must not
    // keep the device alive.
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        m_error = systemError("grantpt/unlockpt");
        ::close(master);
        return pty;
    }
    char name[256] = {};
#ifdef __linux__
    if (::ptsname_r(master, name, sizeof name) != 0) {
#else
    const char *shared = ::ptsname(master);
    if (shared)
        std::strncpy(name, shared, sizeof name - 1);
    if (!shared) {
#endif
        m_error = systemError("ptsname");
        ::close(master);
        return pty;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        m_error = systemError("open pty slave");
        ::close(master);
        return pty;
    }
    // Raw at once: a line discipline in cooked mode would echo the host's
    // bytes back to the master, and the device would read its own commands.
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B115200);
        ::cfsetospeed(&tio, B115200);
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    pty.master = master;
    pty.slave = slave;
    pty.path = QString::fromLocal8Bit(name);
    return pty;
}

void SimulatedDevicePort::attach(const Pty &pty)
{
    m_master = pty.master;
    m_slave = pty.slave;
    m_slavePath = pty.path;
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &SimulatedDevicePort::readHost);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &SimulatedDevicePort::writeToHost);
}

void SimulatedDevicePort::closePty()
{
    m_paceTimer->stop();
    m_out.clear();
    // This may run inside one of their own signals.
    for (QSocketNotifier *n : {m_readNotifier, m_writeNotifier}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    m_readNotifier = nullptr;
    m_writeNotifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = -1;
    m_slave = -1;
}

void SimulatedDevicePort::list()
{
    m_listed = true;
    if (m_listing != Listing::UserRegistry)
        return;
    DeviceRegistry::Entry entry;
    entry.portName = m_slavePath;
    entry.description = description();
    entry.vendorId = m_simulator->profile().vendorId;
    entry.productId = m_simulator->profile().productId;
    entry.pid = QCoreApplication::applicationPid();
    QString error;
    m_entryFile = DeviceRegistry::announce(entry, &error);
    if (m_entryFile.isEmpty())
        qWarning().noquote() << "velmora-sim:" << error;
}

void SimulatedDevicePort::unlist()
{
    m_listed = false;
    DeviceRegistry::withdraw(m_entryFile);
    m_entryFile.clear();
}

void SimulatedDevicePort::readHost()
{
    char buffer[4096];
    while (m_master >= 0) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            m_simulator->receive(QByteArray(buffer, static_cast<int>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && m_readNotifier) {
            // With our own slave handle open this should not happen; if it
            // does, a notifier left on would fire forever.
            qWarning() << "velmora-sim:" << systemError("read pty master");
            m_readNotifier->setEnabled(false);
        }
        return;
    }
}

void SimulatedDevicePort::queueForHost(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    if (m_out.isEmpty() && m_paced) {
        m_paceClock.start();
        m_paceCredit = 1.0;
    }
    m_out.append(bytes);
    writeToHost();
}

void SimulatedDevicePort::writeToHost()
{
    if (m_master < 0 || m_out.isEmpty()) {
        m_paceTimer->stop();
        if (m_writeNotifier)
            m_writeNotifier->setEnabled(false);
        return;
    }
    int budget = m_out.size();
    if (m_paced) {
        const double elapsedMs = static_cast<double>(m_paceClock.nsecsElapsed()) / 1e6;
        m_paceClock.restart();
        m_paceCredit = qMin(m_paceCredit + elapsedMs * PacedBytesPerMs, MaxPaceCredit);
        budget = qMin(budget, static_cast<int>(m_paceCredit));
    }
    if (budget > 0) {
        const ssize_t n = ::write(m_master, m_out.constData(), static_cast<size_t>(budget));
        if (n > 0) {
            m_out.remove(0, static_cast<int>(n));
            m_paceCredit -= static_cast<double>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            qWarning() << "velmora-sim:" << systemError("write pty master");
            m_out.clear();
        }
    }
    const bool more = !m_out.isEmpty();
    // Paced output trickles out by the clock; unpaced output waits only for
    // room in the terminal's buffer.
    if (m_paced) {
        if (more && !m_paceTimer->isActive())
            m_paceTimer->start();
        else if (!more)
            m_paceTimer->stop();
        if (m_writeNotifier)
            m_writeNotifier->setEnabled(false);
    } else if (m_writeNotifier) {
        m_writeNotifier->setEnabled(more);
    }
}

void SimulatedDevicePort::switchToBootloader()
{
    if (!isRunning())
        return;
    // The new terminal is opened before the old one closes, so it cannot be
    // given the old path: a host that kept the old one open must not mistake
    // the bootloader for the device it was talking to.
    const Pty fresh = openPty();
    unlist();
    closePty();
    if (fresh.master < 0) {
        emit stopped();
        return;
    }
    attach(fresh);
    list();
    emit portChanged(m_slavePath);
}

void SimulatedDevicePort::dropConnection()
{
    if (!isRunning())
        return;
    unlist();
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    QTimer::singleShot(DropGraceMs, this, &SimulatedDevicePort::stop);
}
