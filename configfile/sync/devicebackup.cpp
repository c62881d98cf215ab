#include "configfile/sync/devicebackup.h"

#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "device/sysexframecutter.h"
#include "device/serialport.h"
#include "device/sysex.h"
#include "device/vocabulary.h"
#include "filter/filterbits.h"
#include "filter/filtermodel.h"
#include "filter/filterprotocol.h"
#include "filter/portfilteringsituation.h"
#include "mapping/mappingcommands.h"
#include "mapping/mappingstore.h"
#include "routing/routemodel.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <numeric>

namespace {

// The queries the window sends after connecting: port counts, filter port
// counts, hub count, the USB names and the routing situation.
constexpr int IdentityQueries[] = {1, 2, 4, 3, 7};

// The queries of a configuration read: routes and stored mapping rules, whose
// bursts carry no count, first; then the port counts, the filter port counts
// and every port's filter, which end by their counts. A device that answers
// in order thus has finished the uncounted bursts before the counted ones end.
constexpr int ConfigurationQueries[] = {2, 3, 1, 4, 5};

// How often a wait looks at the clock between frames.
constexpr int PollMs = 5;
// A device that keeps talking without ever finishing is cut off this long
// after the timeout would have struck a silent one.
constexpr int TalkativeGraceMs = 60000;

} // namespace

DeviceBackup::DeviceBackup(QObject *parent)
    : QObject(parent)
    , m_port(new SerialPort(this))
    , m_sysExCutter(new SysExFrameCutter(this))
    , m_dispatcher(new FeedbackDispatcher(this))
{
    connect(m_port, &SerialPort::bytesReceived, this, [this](const QByteArray &) { m_sinceActivity.restart(); });
    connect(m_port, &SerialPort::bytesReceived, m_sysExCutter, &SysExFrameCutter::feed);
    connect(m_sysExCutter, &SysExFrameCutter::frameReceived, m_dispatcher, &FeedbackDispatcher::dispatch);
    connect(m_sysExCutter, &SysExFrameCutter::frameReceived, this, &DeviceBackup::onFrame);
    connect(m_dispatcher, &FeedbackDispatcher::writeRequested, this,
            [this](const QByteArray &frame) { (void)m_port->writeFrame(frame); });
    connect(m_port, &SerialPort::modelAndVersionReceived, this, [this](const QString &version, const QString &model) {
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
    m_sinceActivity.start();
}

DeviceBackup::~DeviceBackup() = default;

void DeviceBackup::fail(Error error, const QString &text)
{
    m_error = error;
    m_errorString = text;
}

void DeviceBackup::failNotAnswering()
{
    if (m_error != Error::DeviceLost)
        fail(Error::NotAnswering,
             tr("The device on %1 did not answer within %2 ms.").arg(m_portName).arg(m_timeoutMs));
}

bool DeviceBackup::open(const QString &portName)
{
    m_portName = portName;
    m_lost = false;
    m_sysExCutter->clear();
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
    // Answers left over from before the port was opened would be taken for
    // the answers to our commands.
    m_port->clear(QSerialPort::AllDirections);
    return true;
}

void DeviceBackup::close()
{
    if (m_port->isOpen())
        m_port->close();
}

bool DeviceBackup::send(const QByteArray &frame)
{
    if (m_lost || !m_port->writeFrame(frame)) {
        fail(m_lost ? Error::DeviceLost : Error::CannotOpen,
             m_lost ? tr("The device on %1 went away.").arg(m_portName) : tr("Cannot write to %1.").arg(m_portName));
        return false;
    }
    return true;
}

bool DeviceBackup::waitFor(const std::function<bool()> &done)
{
    QEventLoop loop;
    QElapsedTimer overall;
    overall.start();
    m_sinceActivity.restart();
    const auto check = [&] {
        if (m_lost || done() || m_sinceActivity.elapsed() >= m_timeoutMs
            || overall.elapsed() >= m_timeoutMs + TalkativeGraceMs)
            loop.quit();
    };
    // Every frame may complete what we wait for; the poll sees quiet gaps end.
    const auto onFrame = connect(m_sysExCutter, &SysExFrameCutter::frameReceived, &loop, check,
                                 Qt::QueuedConnection);
    const auto onLost = connect(m_port, &SerialPort::portDisconnected, &loop, check, Qt::QueuedConnection);
    QTimer poll;
    poll.setInterval(PollMs);
    connect(&poll, &QTimer::timeout, &loop, check);
    poll.start();
    if (!m_lost && !done())
        loop.exec();
    disconnect(onFrame);
    disconnect(onLost);
    if (m_lost) {
        fail(Error::DeviceLost, tr("The device on %1 went away.").arg(m_portName));
        return false;
    }
    return done();
}

void DeviceBackup::onFrame(FrameKind type, const QByteArray &frame)
{
    m_sinceActivity.restart();
    if (!m_answer && m_awaited.contains(type))
        m_answer = frame;
    switch (type) {
    case FrameKind::RouteReport:
        m_routeFrames.append(frame);
        break;
    case FrameKind::FilterPortCounts:
        if (const auto counts = Filter::parsePortCounts(frame))
            m_filterCounts = QVector<int>(counts->cbegin(), counts->cend());
        break;
    case FrameKind::FilterReport:
        m_filterFrames.append(frame);
        break;
    case FrameKind::MappingReport:
        // The short form only says that no rule is stored; the routes still
        // need their quiet gap, so it ends nothing by itself.
        if (MappingReadBack::parse(frame).status != MappingReadBack::Status::TooShort)
            m_mappingFrames.append(frame);
        break;
    default:
        break;
    }
}

bool DeviceBackup::identify()
{
    m_haveText = false;
    m_haveCounts = false;
    m_identity = Identity();
    if (!send(Vocabulary::identificationQuery()))
        return false;
    for (int query : IdentityQueries)
        (void)m_port->writeFrame(SysEx::deviceQuery(query));

    // Names come one per USB slot; a slot without a device may stay silent,
    // so past the counts only a quiet gap ends the burst.
    const bool ok = waitFor([&] {
        if (!m_haveText || !m_haveCounts)
            return false;
        return m_identity.usbNames.size() >= m_identity.counts.usbSlotCount()
            || m_sinceActivity.elapsed() >= QuietGapMs;
    });
    if (!ok)
        failNotAnswering();
    return ok;
}

bool DeviceBackup::readConfiguration()
{
    m_haveText = false;
    m_haveCounts = false;
    m_filterCounts.reset();
    m_routeFrames.clear();
    m_filterFrames.clear();
    m_mappingFrames.clear();
    // The file names the model, as the window's does.
    if (!send(Vocabulary::identificationQuery()))
        return false;
    for (int query : ConfigurationQueries) {
        if (!send(SysEx::deviceQuery(query)))
            return false;
    }
    // The filter states end by the filter port counts. Routes and mapping
    // rules come without a count, so a
    // quiet gap after everything counted has arrived ends those bursts; they
    // run alongside the counted ones, so this is the one gap of the read.
    const bool ok = waitFor([&] {
        if (!m_haveText || !m_haveCounts || !m_filterCounts)
            return false;
        const int expected = std::accumulate(m_filterCounts->cbegin(), m_filterCounts->cend(), 0);
        return m_filterFrames.size() >= expected && m_sinceActivity.elapsed() >= QuietGapMs;
    });
    if (!ok) {
        if (m_error != Error::DeviceLost && m_haveText && m_haveCounts && m_filterCounts)
            fail(Error::NotAnswering, tr("The device on %1 stopped answering after %2 of %3 port filters.")
                                          .arg(m_portName)
                                          .arg(m_filterFrames.size())
                                          .arg(std::accumulate(m_filterCounts->cbegin(), m_filterCounts->cend(), 0)));
        else
            failNotAnswering();
        return false;
    }
    m_configuration = buildDocument();
    return true;
}

ConfigFile::Document DeviceBackup::buildDocument() const
{
    // The window's own models take the reports, so that a dump holds what
    // "Save File" would write right after connecting to this device.
    ConfigFile::Document doc;
    doc.model = m_identity.model;
    RouteModel routes;
    routes.setPortCounts(m_identity.counts);
    for (const QByteArray &frame : m_routeFrames)
        (void)routes.handleRouteSituation(frame);
    doc.routeMap = routes.routeMap();

    FilterModel filters;
    for (const QByteArray &frame : m_filterFrames)
        (void)filters.appendReport(frame);
    for (const PortFilteringSituation *situation : filters.filterSituations())
        doc.listFiltering.append({situation->name(), situation->data()});

    // The filter page's check boxes are window state. After connecting, the
    // window lists the filterable ports by type and shows the first of them,
    // so its boxes are that port's filter, read the page's way; a device
    // without filterable ports leaves every box clear.
    Filter::PortCounts counts{};
    if (m_filterCounts) {
        for (int type = 0; type < Filter::PortTypeCount; ++type)
            counts[type] = m_filterCounts->value(type);
    }
    const QStringList ports = Filter::portNames(counts);
    Filter::Bytes shown{};
    if (!ports.isEmpty()) {
        if (const PortFilteringSituation *first = filters.firstByName(ports.first()))
            shown = first->data();
    }
    doc.boxStates = ConfigFile::boxStatesShowing(shown);

    MappingStore mappings;
    for (const QByteArray &frame : m_mappingFrames)
        (void)mappings.storeReadBack(frame);
    doc.feedbackMappings = mappings.feedbackMappings();
    return doc;
}

ConfigFile::TargetPorts DeviceBackup::targetPorts() const
{
    ConfigFile::TargetPorts target;
    target.model = m_identity.model;
    target.counts = m_identity.counts;
    if (m_filterCounts) {
        for (int type = 0; type < Filter::PortTypeCount; ++type)
            target.filterCounts[std::size_t(type)] = m_filterCounts->value(type);
    }
    return target;
}

std::optional<QByteArray> DeviceBackup::exchange(const QByteArray &command, const QVector<FrameKind> &answerKinds)
{
    m_awaited = answerKinds;
    m_answer.reset();
    if (!send(command))
        return std::nullopt;
    const bool ok = waitFor([&] { return m_answer.has_value(); });
    m_awaited.clear();
    if (!ok) {
        failNotAnswering();
        return std::nullopt;
    }
    return m_answer;
}
