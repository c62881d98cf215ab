#include "routing/routingpage.h"

#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "device/prompt.h"
#include "routing/hublayout.h"
#include "routing/portcolumns.h"
#include "routing/routemodel.h"
#include "routing/routeprotocol.h"
#include "routing/routelist.h"
#include "routing/routingcanvas.h"
#include "routing/routingfeedback.h"
#include "routing/routingsteps.h"
#include "routing/usbnameslots.h"
#include "widgets/edithistory.h"

#include <QLabel>
#include <QResizeEvent>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Routing;

namespace {

constexpr int BaseHeaderMargin = 43;
constexpr int BaseSpacingMeasure = 8;

} // namespace

RoutingPage::RoutingPage(QWidget *parent)
    : DevicePage(parent)
    , m_model(new RouteModel(this))
    , m_names(new UsbNameSlots(this))
    , m_scrollArea(new QScrollArea(this))
    , m_canvas(new RoutingCanvas)
    , m_replayTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("routingPage"));
    m_scrollArea->setObjectName(QStringLiteral("routingScrollArea"));
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidget(m_canvas);

    // The routes again, for the keyboard and screen readers, below a
    // splitter: the canvas takes the height the list leaves.
    auto *routesPane = new QWidget;
    routesPane->setObjectName(QStringLiteral("routesPane"));
    auto *routeList = new RouteList(routesPane);
    auto *routesLabel = new QLabel(QStringLiteral("Routes (Delete removes the chosen one)"), routesPane);
    routesLabel->setBuddy(routeList);
    auto *routesLayout = new QVBoxLayout(routesPane);
    routesLayout->setContentsMargins(0, 0, 0, 0);
    routesLayout->addWidget(routesLabel);
    routesLayout->addWidget(routeList, 1);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("routingSplitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(m_scrollArea);
    splitter->addWidget(routesPane);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
    routeList->setModel(m_model);
    connect(routeList, &RouteList::removeRequested, this, &RoutingPage::removeRoute);

    m_canvas->setModel(m_model);
    m_canvas->setUsbNames(m_names);
    connect(m_canvas, &RoutingCanvas::inputPressed, m_model, &RouteModel::pressInput);
    connect(m_canvas, &RoutingCanvas::connectRequested, this, &RoutingPage::connectRoute);
    connect(m_canvas, &RoutingCanvas::removeRequested, this, &RoutingPage::removeRoute);
    connect(m_names, &UsbNameSlots::namesChanged, m_canvas, &RoutingCanvas::showUsbNames);

    m_replayTimer->setSingleShot(true);
    m_replayTimer->setInterval(ReplayPauseMs);
    connect(m_replayTimer, &QTimer::timeout, this, &RoutingPage::replayNext);

    clear();
}

RoutingPage::~RoutingPage() = default;

QGraphicsView *RoutingPage::graphicsView() const { return m_canvas; }
RoutingScene *RoutingPage::scene() const { return m_canvas->routingScene(); }
PortColumns *RoutingPage::columns() const { return m_canvas->columns(); }
const QList<QPushButton *> &RoutingPage::inputButtons() const { return columns()->inputButtons(); }
const QList<QPushButton *> &RoutingPage::outputButtons() const { return columns()->outputButtons(); }
const QList<QLabel *> &RoutingPage::inputNameLabels() const { return columns()->inputNameLabels(); }
const QList<QLabel *> &RoutingPage::outputNameLabels() const { return columns()->outputNameLabels(); }
QString RoutingPage::inputHeaderText() const { return columns()->inputHeaderText(); }
QString RoutingPage::outputHeaderText() const { return columns()->outputHeaderText(); }

QList<int> RoutingPage::usbSlotsInUse() const
{
    return m_names->attachedFlags().toList();
}

void RoutingPage::attach(DeviceSession *session, Prompt *prompt)
{
    m_session = session;
    m_prompt = prompt;
    FeedbackDispatcher *dispatcher = session->dispatcher();
    connect(session, &DeviceSession::routingCleared, this, &RoutingPage::clear);
    connect(dispatcher, &FeedbackDispatcher::portCountsReported, this, &RoutingPage::rebuild);
    m_feedback = new RoutingFeedback(dispatcher, prompt, this);
    connect(m_feedback, &RoutingFeedback::routeReported, m_model,
            [this](const QByteArray &frame) { m_model->handleRouteSituation(frame); });
    // The handler shows the refusal texts right after this returns; the
    // model drops the refused route (and the canvas its line) before that.
    connect(m_feedback, &RoutingFeedback::routeAnswered, m_model, [this](const QByteArray &frame) {
        m_model->handleRouteAnswer(frame);
        onAnswerForHistory(frame);
    });
    connect(dispatcher, &FeedbackDispatcher::usbNameReported, m_names, [this](int slot, const QString &name) {
        m_names->apply(PortNameReport{PortNameReport::SlotName, slot, name});
    });
    connect(dispatcher, &FeedbackDispatcher::usbNamesCleared, m_names,
            [this] { m_names->apply(PortNameReport{PortNameReport::NothingAttachedAnywhere, 0, {}}); });
    connect(dispatcher, &FeedbackDispatcher::hubCountReported, this, &RoutingPage::setHubCount);
    // Feedback comes in bursts (a route or a name per frame): the canvas
    // redraws once the burst is over.
    connect(m_feedback, &RoutingFeedback::routingStateChanged, m_canvas, &RoutingCanvas::scheduleRedraw);
}

void RoutingPage::clear()
{
    cancelReplay();
    m_awaited.clear();
    m_model->clear();
    m_names->reset(0);
    m_canvas->clear();
    m_pendingHubCount = -1;
}

void RoutingPage::resetForDisconnect()
{
    clear();
}

void RoutingPage::rebuild(const PortCounts &counts)
{
    cancelReplay();
    // The old buttons go away with the columns; the device reports its routes
    // and names again right after its counts.
    m_model->clear();
    m_model->setPortCounts(counts);
    m_names->reset(counts.usbSlotCount());
    m_canvas->rebuild(counts);
    // A hub count the device sent before its port counts hides ports now.
    if (m_pendingHubCount != -1)
        applyPendingHubCount();
}

void RoutingPage::connectRoute(const Route &route)
{
    m_model->pressInput(route.in);
    const DeviceModels::DeviceModel *model = m_session ? m_session->connectedModel() : nullptr;
    const RouteModel::EndClickResult result = m_model->endClick(route.out.type, route.out.number, model);
    // Not connected: the route stays recorded and the write fails quietly.
    if (result.outcome != RouteModel::EndClickResult::Requested || !m_session)
        return;
    quint64 step = 0;
    EditHistory *history = editHistory();
    if (history && !m_replaying && !history->isReplaying()) {
        auto *made = new RoutingSteps::RouteStep(history, this, route, true);
        step = made->stepId();
        history->record(made);
    }
    if (m_session->writeExpectingAnswer(result.command))
        awaitAnswer(false, step);
}

void RoutingPage::removeRoute(const Route &route)
{
    const QByteArray command = m_model->deleteRoute(route);
    if (!m_session)
        return;
    quint64 step = 0;
    EditHistory *history = editHistory();
    if (history && !history->isReplaying()) {
        auto *removed = new RoutingSteps::RouteStep(history, this, route, false);
        step = removed->stepId();
        history->record(removed);
    }
    if (m_session->writeExpectingAnswer(command))
        awaitAnswer(true, step);
}

void RoutingPage::awaitAnswer(bool removal, quint64 userStep)
{
    AwaitedAnswer awaited;
    awaited.removal = removal;
    awaited.step = userStep;
    // A route of a replay is one of many: its refusal is shown, the step stays.
    if (m_replaying)
        awaited.step = 0;
    else if (EditHistory *history = editHistory(); history && history->isReplaying()) {
        awaited.step = history->replayingStep();
        awaited.fromHistory = true;
        awaited.undo = history->replayingUndo();
    }
    m_awaited.append(awaited);
}

void RoutingPage::onAnswerForHistory(const QByteArray &frame)
{
    const auto answer = parseRouteAnswer(frame);
    if (!answer)
        return;
    // The device answers in order; connects and removals are told apart by
    // the answer itself, so an import's own removal takes no connect's place.
    const bool removal = answer->operation == OpRemove;
    const auto awaited = std::find_if(m_awaited.begin(), m_awaited.end(),
                                      [removal](const AwaitedAnswer &a) { return a.removal == removal; });
    if (awaited == m_awaited.end())
        return;
    const AwaitedAnswer asked = *awaited;
    m_awaited.erase(awaited);
    EditHistory *history = editHistory();
    if (answer->result == 0 || !asked.step || !history)
        return;
    if (!asked.fromHistory) {
        history->dropRefused(asked.step);
        return;
    }
    const QString why = removal ? tr("it kept the route")
                                : connectResultText(answer->result).value_or(tr("result code %1").arg(answer->result));
    history->refuse(asked.step, asked.undo, why);
}

bool RoutingPage::refuseWhileClosed()
{
    if (m_session && m_session->isOpen())
        return false;
    if (m_prompt)
        m_prompt->showMessage(QStringLiteral("Please connect the device and try again"), QStringLiteral("OK"));
    return true;
}

void RoutingPage::onDisconnectAllClicked()
{
    if (refuseWhileClosed())
        return;
    if (!m_prompt
        || m_prompt->showMessage(tr("Disconnect All ?"), tr("Yes"), QStringLiteral("NO")) != Prompt::Ok)
        return;
    quint64 step = 0;
    if (EditHistory *history = editHistory()) {
        auto *all = new RoutingSteps::DisconnectAllStep(history, this, m_model->routes());
        step = all->stepId();
        history->record(all);
    }
    if (m_session->writeExpectingAnswer(m_model->disconnectAll()))
        awaitAnswer(true, step);
}

void RoutingPage::sendDisconnectAll()
{
    cancelReplay();
    if (m_session && m_session->writeExpectingAnswer(m_model->disconnectAll()))
        awaitAnswer(true, 0);
}

void RoutingPage::requestRoutes(const QVector<Route> &routes)
{
    m_model->clearRoutesToReplay();
    for (const Route &route : routes)
        m_model->addRouteToReplay(route);
    replayRoutes();
}

void RoutingPage::onSetClicked()
{
    if (refuseWhileClosed())
        return;
    m_session->writeExpectingAnswer(saveCommand());
}

void RoutingPage::setHubCount(int count)
{
    m_pendingHubCount = count;
    if (!inputButtons().isEmpty() || !outputButtons().isEmpty())
        applyPendingHubCount();
}

void RoutingPage::applyPendingHubCount()
{
    const HubLayout layout = hubLayout(m_pendingHubCount, columns()->counts());
    m_pendingHubCount = -1;
    if (!layout.applies)
        return;
    columns()->applyHubLayout(layout);
    emit hubPortsChanged(layout.hostPairs);
    // The ports left shown have moved: their lines follow them now.
    m_canvas->redrawAllLines();
}

void RoutingPage::tabChanged(bool shown)
{
    if (shown)
        m_canvas->fitSceneAndRedraw();
}

void RoutingPage::resizeEvent(QResizeEvent *event)
{
    if (!m_referenceSize.isValid() || m_referenceSize.isEmpty()) {
        m_referenceSize = event->size();
        m_headerMargin = BaseHeaderMargin;
        m_spacingMeasure = BaseSpacingMeasure;
    } else {
        const float rw = float(event->size().width()) / float(m_referenceSize.width());
        const float rh = float(event->size().height()) / float(m_referenceSize.height());
        m_headerMargin =
            std::max(BaseHeaderMargin, BaseHeaderMargin - int(std::trunc((rw - 1) * BaseHeaderMargin * -0.3f)));
        m_spacingMeasure = BaseSpacingMeasure - int(std::trunc((rh - 1) * BaseSpacingMeasure * -0.1f));
        columns()->setMeasures(m_headerMargin, PortColumns::RowSpacing + m_spacingMeasure - BaseSpacingMeasure);
        m_canvas->fitSceneAndRedraw();
    }
    DevicePage::resizeEvent(event);
}

void RoutingPage::clearRoutes()
{
    cancelReplay();
    m_model->clear();
    m_model->clearRoutesToReplay();
}

void RoutingPage::cancelReplay()
{
    m_replayTimer->stop();
    m_replayQueue.clear();
}

void RoutingPage::replayRoutes()
{
    cancelReplay();
    const auto &routes = m_model->routesToReplay();
    for (auto it = routes.cbegin(); it != routes.cend(); ++it)
        m_replayQueue.enqueue(Route{it.key(), it.value()});
    replayNext();
}

void RoutingPage::replayNext()
{
    while (!m_replayQueue.isEmpty()) {
        const Route route = m_replayQueue.dequeue();
        m_replaying = true;
        const bool requested = m_canvas->requestRoute(route.in, route.out);
        m_replaying = false;
        if (!requested)
            continue;
        m_replayTimer->start();
        return;
    }
    emit replayFinished();
}
